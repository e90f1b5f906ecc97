#!/usr/bin/env bash
# Runs a VBScript under Wine's script host, the automation host nobody here wrote.
# The script prints "FAIL ..." lines for what went wrong and "DONE" when it got to its end.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/wine-env.sh" || exit 1
script=$(winepath -w "$1" 2>/dev/null)
out=$(wine cscript //nologo "$script" 2>&1)
echo "$out"
if echo "$out" | grep -q '^FAIL' || ! echo "$out" | grep -q '^DONE'; then
  exit 1
fi
