#!/usr/bin/env bash
# The README's own script, run as the README shows it: from another folder, with the README's
# command and none of the test run's Wine settings, so that scripts/wine-run.sh alone picks the
# build and prefix this machine runs, where the control must be registered. Its output must be
# the one the README prints.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
: "${BUILD_DIR:?}"
source "$top/scripts/test-build.sh"
if [ "$(cd "$BUILD_DIR" && pwd)" != "$TEST_BUILD" ]; then
  echo "scripts/wine-run.sh runs $TEST_BUILD here, not this build: skipped"
  exit 77
fi
readme="$top/README.md"
script=$(awk '/^```vbscript$/ {on=1; next} /^```$/ {on=0} on' "$readme")
command=$(awk '/^```vbscript$/ {seen=1} seen && /^    scripts\/wine-run.sh / {sub(/^    /, ""); print; exit}' "$readme")
want=$(awk '/^which prints:$/ {getline; getline; sub(/^    /, ""); print; exit}' "$readme")
[ -n "$script" ] && [ -n "$want" ] && [ "$command" = "scripts/wine-run.sh cscript //nologo my.vbs" ] ||
  { echo "the README no longer shows the script, its command and its output"; exit 1; }

elsewhere=$(mktemp -d /tmp/readme-script.XXXXXX)
trap 'rm -rf "$elsewhere"' EXIT
printf '%s\r\n' "$script" > "$elsewhere/my.vbs"
cd "$elsewhere"
env -u BUILD_DIR -u WINEPREFIX -u WINEARCH -u WINELOADER "$top/${command%% *}" ${command#* } </dev/null \
  >"$elsewhere/out" 2>&1 || true
got=$(tr -d '\r' <"$elsewhere/out")
if [ "$got" != "$want" ]; then
  printf 'printed:\n%s\nthe README says:\n%s\n' "$got" "$want"
  exit 1
fi
echo "ok: $got"
