#!/usr/bin/env bash
# Starts Velkaro.exe on a virtual X screen, drives it from outside through its window
# messages (velkaro_gui_driver.exe) and checks the renamed files on disk.
# Args: Velkaro.exe velkaro_gui_driver.exe. Screenshots land in $BUILD_DIR/velkaro-gui/.
set -euo pipefail
velkaro=$1
driver=$2
: "${BUILD_DIR:?}"
if ! command -v Xvfb >/dev/null; then echo "Xvfb missing: skipped"; exit 77; fi

# The advert download and the web link go to this machine only.
export VELKARO_TEST_ADVERT_HOST=127.0.0.1
work=$(mktemp -d /tmp/velkaro-gui.XXXXXX)
shots="$BUILD_DIR/velkaro-gui"
mkdir -p "$shots"
xpid=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
source "$(dirname "$0")/virtual-screen.sh"
start_virtual_screen "$work"

# Arial is drawn with Liberation Sans, which has its widths (fonts-liberation): a replacement that
# an earlier run of this test left in the prefix would draw it with another face.
wine reg delete 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /f >/dev/null 2>&1 || true

mkdir -p "$work/pasta"
cd "$work/pasta"
printf 'um' > Foto_001.JPG
printf 'dois' > Foto_002.JPG
printf 'tres' > outro.jpg
printf 'quatro' > nota.txt

wine "$velkaro" >/dev/null 2>&1 &
vpid=$!
wine "$driver" "Z:${shots//\//\\}\\shot" 2>&1 | tr -d '\r'
wait "$vpid" || true

got=$(ls "$work/pasta" | sort | tr '\n' ' ')
want="Ferias_001.JPG Ferias_002.JPG nota.txt outro.jpg "
[ "$(cat "$work/pasta/Ferias_002.JPG")" = dois ] || { echo "content lost"; exit 1; }
if [ "$got" != "$want" ]; then echo "files: '$got' want '$want'"; exit 1; fi
echo "ok: $got"
