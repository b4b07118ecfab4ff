#!/usr/bin/env bash
# Builds Kestrel and opens its window.
#   scripts/run.sh           (BUILD_DIR=build by default)
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}

"$top/scripts/install-deps.sh" run
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrel

exec "$build/app/kestrel"
