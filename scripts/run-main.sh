#!/usr/bin/env bash
# The main command: installs what is missing, builds (which registers the control in the
# project's Wine prefix) and runs the main job, a short FTP session of the control against its own server.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
source "$top/scripts/test-build.sh"
BUILD_DIR="$TEST_BUILD"
source "$top/scripts/wine-env.sh"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
wine "$BUILD_DIR/bin/FtpSessionDemo.exe"
