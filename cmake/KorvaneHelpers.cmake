# SPDX-License-Identifier: GPL-3.0-or-later
# Build settings shared by every Korvane target.

add_library(korvane_build_settings INTERFACE)
target_compile_options(korvane_build_settings INTERFACE -Wall -Wextra)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # GCC 12 reports overflows inside QStringBuilder when a u"" literal is appended; they are
    # false positives (Qt's own sizes are right) and would bury real warnings.
    target_compile_options(korvane_build_settings INTERFACE -Wno-stringop-overflow)
endif()
target_compile_definitions(korvane_build_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_USE_QSTRINGBUILDER
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_NO_KEYWORDS
    QT_NO_FOREACH)

if(KORVANE_SANITIZE)
    target_compile_options(korvane_build_settings INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(korvane_build_settings INTERFACE -fsanitize=address,undefined)
endif()

if(KORVANE_FUZZ)
    # clang 14 cannot place UBSan's function checks in coroutine frames together with the
    # fuzzer's coverage counters ("Cannot represent a difference across sections").
    target_compile_options(korvane_build_settings INTERFACE
        -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize=function)
    target_link_options(korvane_build_settings INTERFACE -fsanitize=address,undefined)
endif()

# korvane_add_test(<name> SOURCES <files...> [LIBRARIES <targets...>] [LABELS <labels...>])
# One Qt Test executable per test class, registered with CTest under its own name.
function(korvane_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;LABELS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE korvane_build_settings Qt6::Test ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KORVANE_TEST_RUN=1")
endfunction()

# korvane_add_fuzzer(<name> CORPUS <folder> SOURCES <files...> [LIBRARIES <targets...>])
# With KORVANE_FUZZ, a libFuzzer target (run it on a copy of its corpus folder). Otherwise the
# same entry point behind a plain driver, run by CTest over the corpus and variants of it.
function(korvane_add_fuzzer name)
    cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;LIBRARIES" ${ARGN})
    if(NOT ARG_CORPUS)
        message(FATAL_ERROR "korvane_add_fuzzer(${name}): a CORPUS folder is required")
    endif()
    get_filename_component(corpus ${ARG_CORPUS} ABSOLUTE)
    if(KORVANE_FUZZ)
        add_executable(${name} ${ARG_SOURCES})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    else()
        add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/fuzz/FuzzSmokeMain.cpp)
        add_test(NAME ${name} COMMAND ${name} ${corpus})
        set_tests_properties(${name} PROPERTIES LABELS fuzz ENVIRONMENT "KORVANE_ENV_FILES=")
    endif()
    target_link_libraries(${name} PRIVATE korvane_build_settings ${ARG_LIBRARIES})
endfunction()

# korvane_add_benchmark(<name> SOURCES <files...> [LIBRARIES <targets...>])
# Benchmarks measure; they are never part of CTest.
function(korvane_add_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE korvane_build_settings Qt6::Test ${ARG_LIBRARIES})
endfunction()
