#!/usr/bin/env bash
# Runs one Windows program in the project's headless prefix of BUILD_DIR, or without it of the
# build this machine can run, from any folder; CTest uses it as the launcher of every test.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-env.sh" || exit 1
exec wine "$@"
