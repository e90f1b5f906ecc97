#!/usr/bin/env bash
# Prints Velkaro's figures under Wine: the engine's large-file copy throughput and big folder walk,
# then the main window itself on one folder of many files (list, select all, rename all), and
# the platform's own floor for that rename: a bare MoveFileW loop over a folder of the same names.
# The window runs on a virtual X screen with the normal graphics driver when Xvfb is there
# (VELKARO_BENCH_HEADLESS=1 keeps it on the headless prefix instead).
# Usage: BUILD_DIR=... renamer/bench/run-bench.sh [MiB] [files] [window files]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${BUILD_DIR:?set BUILD_DIR to the build folder}"
window_files=${3:-20000}
scratch=$(mktemp -d /tmp/velkaro-bench.XXXXXX)
xpid=""
cleanup() {
  [ -n "$xpid" ] && { WINEPREFIX="$BUILD_DIR/wineprefix-gui" wineserver -k 2>/dev/null || true; kill "$xpid" 2>/dev/null || true; }
  rm -rf "$scratch"
}
trap cleanup EXIT
winpath() { local p=${1//\//\\}; echo "Z:$p"; }

"$here/../../scripts/wine-run.sh" "$BUILD_DIR/bin/velkaro_bench.exe" "$(winpath "$scratch")\\b" "${1:-256}" "${2:-5000}" | tr -d '\r'

# The window's folder, made natively so that only the window's own work is timed.
mkdir "$scratch/janela"
(cd "$scratch/janela" && seq -f 'foto_%05g.txt' 1 "$window_files" | xargs touch)

if [ -z "${VELKARO_BENCH_HEADLESS:-}" ] && command -v Xvfb >/dev/null; then
  source "$here/../tests/virtual-screen.sh"
  start_virtual_screen "$scratch"
  run=(wine)
else
  run=("$here/../../scripts/wine-run.sh")
fi
"${run[@]}" "$BUILD_DIR/bin/velkaro_window_bench.exe" "$(winpath "$scratch")" janela foto_ "$window_files" | tr -d '\r'

# What the rename left on disk: every file under its new name, none lost.
left=$(ls "$scratch/janela" | wc -l)
old=$(ls "$scratch/janela" | grep -c '^foto_' || true)
if [ "$left" -ne "$window_files" ] || [ "$old" -ne 0 ]; then
  echo "after the rename: $left files, $old under their old name (want $window_files and 0)" >&2
  exit 1
fi

# The floor, on a fresh folder made the same way: what every rename costs before Velkaro adds anything.
mkdir "$scratch/chao"
(cd "$scratch/chao" && seq -f 'foto_%05g.txt' 1 "$window_files" | xargs touch)
"$here/../../scripts/wine-run.sh" "$BUILD_DIR/bin/velkaro_movefile_bench.exe" "$(winpath "$scratch")\\chao" foto_ | tr -d '\r'
