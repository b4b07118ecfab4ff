#!/usr/bin/env bash
# Builds the benchmarks (optimised) and runs them against a MariaDB server of their own.
#   scripts/bench.sh                      all of them
#   scripts/bench.sh BENCHMARK [ARGS...]  one, e.g. scripts/bench.sh bench_tags 200 2000
#                                         or scripts/bench.sh bench_latency 0.1 (a tenth of the blog)
#                                         or scripts/bench.sh bench_backup 0.1
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
export KESTREL_BENCH_MYSQL_PASSWORD_FILE=$server/root-password
export KESTREL_BENCH_MYSQL_PID_FILE=$server/pid
export KESTREL_DB_PASSWORD_FILE=$KESTREL_BENCH_MYSQL_PASSWORD_FILE

if [ $# -gt 0 ]; then
    "$build/bench/$1" "${@:2}"
    exit
fi
echo "== bench_run: a whole generated blog"
"$build/bench/bench_run"
echo "== bench_tags: the tags migration grows linearly"
"$build/bench/bench_tags" 200 2000
"$build/bench/bench_tags" 500 5000
echo "== bench_latency: the whole run over a path of 40 ms a round trip, and on loopback"
"$build/bench/bench_latency"
echo "== bench_backup: a 200 MB dump read without a server, against loading it with the mariadb client"
"$build/bench/bench_backup"
echo "== bench_verify: 核对 of a 2,000-article blog against php -S, beside the run's time"
"$build/bench/bench_verify"
echo "== bench_files: 2,000 images of 200 KB from a folder and over http, against cp -r and a sequential fetch"
"$build/bench/bench_files"
