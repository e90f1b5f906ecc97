#!/usr/bin/env bash
# Registers the build's DorvikFTP.dll (BUILD_DIR, or the build this machine can run) in a Wine
# prefix: the one given as $1, or the project's own prefix of that build. The Wine processes run
# detached from our output: a first start of the prefix's server would otherwise leave its
# services holding it.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
[ $# -gt 0 ] && export WINEPREFIX=$1
dll="$BUILD_DIR/bin/DorvikFTP.dll"
if ! wine regsvr32 /s "$(winepath -w "$dll")" </dev/null >/dev/null 2>&1; then
  echo "register-control.sh: regsvr32 could not register $dll in $WINEPREFIX" >&2
  exit 1
fi
