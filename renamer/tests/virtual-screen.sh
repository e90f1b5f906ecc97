# Sourced by the scripts that show Velkaro's window: a virtual X screen of their own and the
# prefix with the normal graphics driver, with the build's control registered in it (the shared
# one is headless). Needs BUILD_DIR and a scratch folder in $1; sets xpid (for the caller's
# cleanup), DISPLAY and WINEPREFIX.
source "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/../../scripts/window-prefix.sh"
start_virtual_screen() {
  local scratch=$1
  exec 5> "$scratch/display"
  Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$scratch/display")"
  open_window_prefix wineprefix-gui
}
