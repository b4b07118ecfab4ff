#!/usr/bin/env bash
# Configures a build folder for what Kestrel ships (the two programs and the package), as
# scripts/run.sh, scripts/package.sh and scripts/screenshot.sh want it:
#   scripts/configure.sh DIR [CMAKE_OPTIONS...]
# A folder configured here for the first time has no tests and no benchmarks, so neither Google
# Test nor a test server is needed. A folder scripts/test.sh configured keeps its tests; they are
# built only when asked for, since each script builds its own targets.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: configure.sh DIR [CMAKE_OPTIONS...]}
shift

options=()
if [ ! -f "$build/CMakeCache.txt" ]; then
    options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF -DKESTREL_BENCHMARKS=OFF)
fi
cmake -S "$top" -B "$build" "${options[@]}" "$@" >/dev/null
