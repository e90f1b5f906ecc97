#!/usr/bin/env bash
# Opens Velkaro's window on the user's display, in the folder this is run from, and waits for it
# to end; the exit status is Velkaro's. Arguments go to Velkaro as its command line, so a
# "source|destination|option|message" line runs the command-line copy mode instead. Builds what
# is missing first, and runs the build this machine can run, in a prefix with the normal graphics
# driver where the build's DorvikFTP.dll is registered.
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
  echo "velkaro.sh: DISPLAY is not set: Velkaro needs an X display to show its window." >&2
  echo "Run it from a desktop session, or on a virtual screen: xvfb-run -a scripts/velkaro.sh" \
       "(scripts/setup.sh installs xvfb-run)" >&2
  exit 2
fi
# Velkaro takes the whole text after its name, quotes included, and Wine puts in quotes any
# argument that holds a space: the arguments go as separate words instead, which Wine joins
# with single spaces. What that would change is refused rather than passed on altered.
line="$*"
case "$line" in
  *'"'* | *$'\t'* | *$'\n'* | *'  '*)
    echo "velkaro.sh: a command line with quotes, tabs, line breaks or two spaces in a row cannot reach" \
         "Velkaro unchanged through Wine: $line" >&2
    exit 2 ;;
esac
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/build.sh"
source "$top/scripts/test-build.sh"
BUILD_DIR=$TEST_BUILD
source "$top/scripts/window-prefix.sh"
open_window_prefix wineprefix-window
set -f
# shellcheck disable=SC2086
exec wine "$BUILD_DIR/bin/Velkaro.exe" $line
