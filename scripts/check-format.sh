#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a tracked C++ file is not formatted with the project's .clang-format, or when a
# source, QML, build or script file does not state its licence.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' 2>/dev/null || find src tests tools bench fuzz -name '*.cpp' -o -name '*.h')
if ((${#files[@]} == 0)); then exit 0; fi
clang-format --dry-run -Werror "${files[@]}"
echo "Formatting: ${#files[@]} files clean."

if git rev-parse --git-dir >/dev/null 2>&1; then
  unlicensed=$(git ls-files '*.cpp' '*.h' '*.qml' '*.js' '*.py' '*.sh' '*.cmake' '*CMakeLists.txt' .ci/run |
    while read -r file; do
      head -n 2 "$file" | grep -q 'SPDX-License-Identifier: GPL-3.0-or-later' || echo "$file"
    done)
  if [[ -n $unlicensed ]]; then
    echo "No SPDX-License-Identifier line at the top of:" >&2
    echo "$unlicensed" >&2
    exit 1
  fi
  echo "Licence lines: present."
fi
