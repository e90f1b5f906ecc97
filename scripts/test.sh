#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
source "$top/scripts/test-build.sh"
BUILD_DIR="$TEST_BUILD"
source "$top/scripts/wine-env.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
cd "$TEST_BUILD"
ctest --output-on-failure -j4 "$@"
