#!/usr/bin/env bash
# Installs what is missing, configures and builds everything into build/, and prepares the Wine prefix.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$top/build" -j"$(nproc)"
BUILD_DIR="$top/build" "$top/scripts/wine-prefix.sh"
