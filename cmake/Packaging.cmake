# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: scripts/package.sh runs CPack on a built tree.

# Installing and packaging take what is built; they never start a build of everything.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

# What Korvane starts or talks to at run time, beyond the libraries dpkg-shlibdeps finds in
# the programs. One entry per need, alternatives with "|".
set(KORVANE_RUNTIME_DEPENDS
    # the QML modules the window imports, and Wayland sessions
    qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
    qml6-module-qtquick qml6-module-qtquick-controls qml6-module-qtquick-layouts
    qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtquick-dialogs
    qml6-module-qtcore qt6-wayland
    # spoken answers and the wake phrase model
    qt6-speech-speechd-plugin speech-dispatcher pocketsphinx-en-us
    # microphone and speakers: Qt talks to a PulseAudio server
    "pipewire-pulse | pulseaudio"
    # reading and pressing other windows' elements; keys and pointer on Wayland; autostart
    at-spi2-core xdg-desktop-portal
    # opening addresses and files, finding the default applications
    xdg-utils desktop-file-utils
    # scripts: a private environment on top of the system's packages, run contained
    python3 python3-venv python3-pip python3-pandas python3-openpyxl python3-matplotlib python3-xlsxwriter
    python3-lxml python3-pil bubblewrap)
set(KORVANE_RUNTIME_RECOMMENDS
    speech-dispatcher-espeak-ng "xdg-desktop-portal-gnome | xdg-desktop-portal-kde"
    "chromium | firefox-esr" libreoffice-writer libreoffice-impress libreoffice-calc)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Korvane developers <korvane@korva.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "voice-first desktop assistant")
# Lines for the control file: dpkg shows them as they are.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Korvane is a desktop assistant you talk to or type to. Commands it"
    "recognises are carried out on the desktop: launching applications, opening"
    "addresses, pressing buttons and typing in other windows, driving the"
    "browser and the music player. Other prompts go to an OpenAI-compatible chat"
    "service, a local one included. Saying Hey Korva starts a realtime voice"
    "session hands-free, and answers can be read aloud.")
# The install step sees /usr as its prefix and the staging folder as DESTDIR, so paths written
# into installed files are the final ones.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
list(JOIN KORVANE_RUNTIME_DEPENDS ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN KORVANE_RUNTIME_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)

include(CPack)
