# Sourced by what shows Velkaro's window. The project's prefix is headless (graphics driver
# "null": a window there is never drawn), so a window gets a prefix of its own under BUILD_DIR
# with the normal driver, created once. The build's DorvikFTP.dll is registered in it on every
# call, so that the window hosts the real control of this build. Needs BUILD_DIR and DISPLAY.
# open_window_prefix NAME: exports WINEPREFIX (and the rest of wine-env.sh) for BUILD_DIR/NAME.
window_scripts="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$window_scripts/wine-env.sh"
open_window_prefix() {
  export WINEPREFIX="$BUILD_DIR/$1"
  if [ ! -f "$WINEPREFIX/.dorvik-window-ready" ]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w
    touch "$WINEPREFIX/.dorvik-window-ready"
  fi
  "$window_scripts/register-control.sh" "$WINEPREFIX"
}
