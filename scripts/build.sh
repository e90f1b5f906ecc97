#!/usr/bin/env bash
# Installs what is missing, configures and builds everything into build/ (the shipped 32-bit
# binaries), and prepares the Wine prefix of the build the tests run, with the control registered
# in it: build/ itself, or, on a machine that cannot execute 32-bit code, build-x64/, the same
# sources built for 64-bit Windows.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
build_tree() {
  local tree=$1 toolchain=$2
  shift 2
  cmake -S "$top" -B "$top/$tree" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/$toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$top/$tree" -j"$(nproc)"
}
build_tree build mingw-i686
source "$top/scripts/test-build.sh"
if [ "$TEST_BUILD" != "$top/build" ]; then
  echo "This machine cannot run 32-bit programs: the tests run the 64-bit build in build-x64/."
  # Its control_shipped test reads the shipped 32-bit binaries that it cannot run.
  build_tree build-x64 mingw-x86_64 -DDORVIK_SHIPPED_BIN_DIR="$top/build/bin"
fi
BUILD_DIR="$TEST_BUILD" "$top/scripts/wine-prefix.sh"
# The control registered in that prefix, so that a script or program of the user's run with
# scripts/wine-run.sh can create it by its ProgID.
BUILD_DIR="$TEST_BUILD" "$top/scripts/register-control.sh"
