# Sourced by the other scripts: the project's own Wine prefix under the build folder, for the
# Wine that runs that build's programs (the build writes "win32" or "win64" into wine-arch).
# Without BUILD_DIR, the build whose programs this machine can run.
if [ -z "${BUILD_DIR:-}" ]; then
  source "$(dirname "${BASH_SOURCE[0]}")/test-build.sh"
  BUILD_DIR=$TEST_BUILD
fi
# A folder that is no configured build of ours (a BUILD_DIR left over from other work, or no
# build yet) would get a new, empty prefix where the control is not registered.
if [ ! -f "$BUILD_DIR/wine-arch" ]; then
  echo "$BUILD_DIR is not a configured build of DorvikFTP and Velkaro: run scripts/build.sh first" >&2
  return 1
fi
export WINEPREFIX="$BUILD_DIR/wineprefix"
export WINEARCH=win32
unset WINELOADER
if [ "$(cat "$BUILD_DIR/wine-arch")" = win64 ]; then
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
