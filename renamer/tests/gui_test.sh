#!/usr/bin/env bash
# Starts Velkaro.exe on a virtual X screen, drives it from outside through its window
# messages (velkaro_gui_driver.exe) and checks the renamed files on disk. The prefix has the
# build's DorvikFTP.dll registered, so the window hosts the real control, and 127.0.0.1 port 21
# is held without a listener, so that the advert login at start-up is refused: the window shown
# with the real control (velkaro_real_control_tests.exe) must keep its built-in advert.
# Args: Velkaro.exe velkaro_gui_driver.exe velkaro_real_control_tests.exe.
# Screenshots land in $BUILD_DIR/velkaro-gui/.
set -euo pipefail
velkaro=$1
driver=$2
realControl=$3
: "${BUILD_DIR:?}"
if ! command -v Xvfb >/dev/null; then echo "Xvfb missing: skipped"; exit 77; fi

# The advert download and the web link go to this machine only.
export VELKARO_TEST_ADVERT_HOST=127.0.0.1
work=$(mktemp -d /tmp/velkaro-gui.XXXXXX)
shots="$BUILD_DIR/velkaro-gui"
mkdir -p "$shots"
xpid=""
holder=""
cleanup() {
  # Only the virtual screen's own prefix: before it is set, WINEPREFIX is the caller's.
  [ "${WINEPREFIX:-}" = "$BUILD_DIR/wineprefix-gui" ] && { wineserver -k 2>/dev/null || true; }
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  [ -n "$holder" ] && kill "$holder" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Port 21 bound but never listening: every connection to it is refused at once. Where binding
# a port below 1024 is not allowed, a refused connection shows that nothing listens there. A
# server listening there would take the login: the advert step is then skipped.
/usr/bin/python3 -c '
import socket, sys, time
s = socket.socket()
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
try:
    s.bind(("127.0.0.1", 21))
except PermissionError:
    try:
        socket.create_connection(("127.0.0.1", 21), timeout=2).close()
        sys.exit("a server listens on 127.0.0.1 port 21")
    except ConnectionRefusedError:
        pass
except OSError as e:
    sys.exit("127.0.0.1 port 21: " + e.strerror)
open(sys.argv[1], "w").close()
time.sleep(3600)' "$work/port-refuses" &
holder=$!
while [ ! -e "$work/port-refuses" ] && kill -0 "$holder" 2>/dev/null; do sleep 0.05; done

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

if [ ! -e "$work/port-refuses" ]; then
  echo "the advert login could not be made to fail: the built-in advert step is skipped"
  exit 77
fi
# Into a file: the Wine services that a command may start would hold a pipe open.
VELKARO_ADVERT_REFUSED=1 wine "$realControl" --gtest_filter='RefusedAdvertHost.*' </dev/null >"$work/advert.log" 2>&1 ||
  { tr -d '\r' <"$work/advert.log"; exit 1; }
# A case that skipped, or none at all, passes gtest too.
if ! grep -q '^\[  PASSED  \] 1 test' "$work/advert.log" || grep -q SKIPPED "$work/advert.log"; then
  tr -d '\r' <"$work/advert.log"
  exit 1
fi
echo "ok: the built-in advert stays with the real control and a refused login"
