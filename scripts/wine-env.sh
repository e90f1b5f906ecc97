# Sourced by the other scripts: the project's own 32-bit Wine prefix under the build folder.
: "${BUILD_DIR:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
