#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
source "$top/scripts/wine-env.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd "$top/build"
ctest --output-on-failure -j4 "$@"
