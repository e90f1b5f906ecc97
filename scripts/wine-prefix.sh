#!/usr/bin/env bash
# Creates the Wine prefix once (headless: graphics driver "null") and keeps one wineserver alive,
# so that each Wine process of a run starts in a fraction of a second.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"

if [ ! -f "$WINEPREFIX/.dorvik-ready" ]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.dorvik-ready"
fi
# A persistent server for the whole run ("wineserver -k" ends it). Its helper services are
# started here, detached from our output: started by the first test instead, they would hold
# that test's output pipe open and CTest would wait for it forever.
wineserver -p >/dev/null 2>&1 || true
wine cmd /c exit </dev/null >/dev/null 2>&1 || true
