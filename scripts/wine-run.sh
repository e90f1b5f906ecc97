#!/usr/bin/env bash
# Runs one Windows program in the project's prefix; CTest uses it as the launcher of every test.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh"
exec wine "$@"
