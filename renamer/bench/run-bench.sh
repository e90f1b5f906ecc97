#!/usr/bin/env bash
# Prints Velkaro's engine figures under Wine: large-file copy throughput and a big folder walk.
# Usage: BUILD_DIR=... renamer/bench/run-bench.sh [MiB] [files]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
: "${BUILD_DIR:?set BUILD_DIR to the build folder}"
scratch=$(mktemp -d /tmp/velkaro-bench.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
"$here/../../scripts/wine-run.sh" "$BUILD_DIR/bin/velkaro_bench.exe" "Z:${scratch//\//\\}\\b" "${1:-256}" "${2:-5000}" | tr -d '\r'
