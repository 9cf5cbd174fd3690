#!/usr/bin/env bash
# Fails when a tracked C++ file is not formatted with the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools bench fuzz -name '*.cpp' -o -name '*.h')
if ((${#files[@]} == 0)); then exit 0; fi
clang-format --dry-run -Werror "${files[@]}"
echo "Formatting: ${#files[@]} files clean."
