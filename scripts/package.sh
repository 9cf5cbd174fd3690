#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package korvane_<version>_amd64.deb from the default preset.
# Usage: scripts/package.sh [OUTPUT_DIR]   (default: build/package)
# Install it with: sudo apt-get install ./build/package/korvane_<version>_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/package}
cmake --preset default >/dev/null
# Only what the package holds; the tests and benchmarks need not be built for it.
cmake --build --preset default --parallel "$(nproc)" --target korvane korvane-cli \
  korvane-browser-host korvane_manuals
cpack --config build/CPackConfig.cmake -B "$out"
rm -rf "$out/_CPack_Packages"
ls "$out"/korvane_*_amd64.deb
