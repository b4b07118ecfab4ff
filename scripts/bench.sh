#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them against a MariaDB server of their own.
#   scripts/bench.sh [BENCHMARK ...]     e.g. scripts/bench.sh bench_tags
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BENCH_BUILD_DIR:-$top/build-bench}

"$top/scripts/install-deps.sh" test
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)"
"$top/scripts/wordpress.sh" prepare "$build"

server="$build/bench-server"
"$top/scripts/mariadb-server.sh" stop "$server"
rm -rf "$server"
trap '"$top/scripts/mariadb-server.sh" stop "$server"' EXIT
export KESTREL_BENCH_MYSQL_PORT=$("$top/scripts/mariadb-server.sh" start "$server")

benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(bench_tags)
for benchmark in "${benchmarks[@]}"; do
    echo "== $benchmark"
    "$build/bench/$benchmark"
done
