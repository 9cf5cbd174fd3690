#!/usr/bin/env bash
# Installs what is missing, builds and starts Korvane.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh default
exec build/bin/korvane "$@"
