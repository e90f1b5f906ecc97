#!/usr/bin/env bash
# scripts/velkaro.sh without a display: it stops before building anything, with a failing status
# and a message that names DISPLAY and a way to get one.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
err=$(env -u DISPLAY "$top/scripts/velkaro.sh" 2>&1 >/dev/null </dev/null)
status=$?
problems=()
[ "$status" -ne 0 ] || problems+=("ended with status 0")
grep -q 'DISPLAY' <<<"$err" || problems+=("the message does not name DISPLAY")
grep -q 'xvfb-run' <<<"$err" || problems+=("the message names no way to get a display")
if [ ${#problems[@]} -gt 0 ]; then
  printf '%s\n' "${problems[@]}" "it said: $err"
  exit 1
fi
echo "ok: status $status: $err"
