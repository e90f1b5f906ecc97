# Sourced by the other scripts: the project's own Wine prefix under the build folder, for the
# Wine that runs that build's programs (the build writes "win32" or "win64" into wine-arch).
# Without BUILD_DIR, the build whose programs this machine can run.
if [ -z "${BUILD_DIR:-}" ]; then
  source "$(dirname "${BASH_SOURCE[0]}")/test-build.sh"
  BUILD_DIR=$TEST_BUILD
fi
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win32
if [ "$(cat "$BUILD_DIR/wine-arch" 2>/dev/null)" = win64 ]; then
  WINEARCH=win64
  export WINELOADER=/usr/lib/wine/wine64
  shims="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64"
  case ":$PATH:" in
    *":$shims:"*) ;;
    *) export PATH="$shims:$PATH" ;;
  esac
fi
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
