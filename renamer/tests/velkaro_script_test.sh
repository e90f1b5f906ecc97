#!/usr/bin/env bash
# scripts/velkaro.sh refusing to start: without a display, and with a command line that Wine
# would pass on altered. Each stops before installing or building anything (the commands that
# would do that only leave a mark here), with a failing status and a message that says why.
set -uo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/velkaro-script.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"
for tool in cmake apt-get dpkg-query sudo wine wineserver; do
  printf '#!/bin/sh\ntouch "%s/ran-%s"\nexit 1\n' "$work" "$tool" >"$work/bin/$tool"
  chmod +x "$work/bin/$tool"
done

failed=0
check() {  # name, display ("" for none), argument, words the message must hold...
  local name=$1 display=$2 arg=$3
  shift 3
  local err status
  rm -f "$work"/ran-*
  if [ -n "$display" ]; then
    err=$(PATH="$work/bin:$PATH" DISPLAY=$display "$top/scripts/velkaro.sh" "$arg" 2>&1 >/dev/null </dev/null)
  else
    err=$(env -u DISPLAY PATH="$work/bin:$PATH" "$top/scripts/velkaro.sh" "$arg" 2>&1 >/dev/null </dev/null)
  fi
  status=$?
  local problems=()
  [ "$status" -ne 0 ] || problems+=("ended with status 0")
  for word in "$@"; do grep -qF -- "$word" <<<"$err" || problems+=("the message does not say '$word'"); done
  ls "$work"/ran-* >/dev/null 2>&1 && problems+=("went on to run $(cd "$work" && ls ran-* | tr '\n' ' ')")
  if [ ${#problems[@]} -gt 0 ]; then
    printf '%s: %s\n' "$name" "${problems[@]}"
    echo "$name: it said: $err"
    failed=1
  else
    echo "ok: $name: status $status"
  fi
}
check "no display" "" "" DISPLAY xvfb-run
check "two spaces in the copy line" ":0" 'Z:\a|Z:\b|TRUE|Copiando,  aguarde' "two spaces" 'Copiando,  aguarde'
check "quotes in the copy line" ":0" 'Z:\a|Z:\b|TRUE|"Copiando"' quotes
exit $failed
