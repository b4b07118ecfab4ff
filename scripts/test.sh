#!/usr/bin/env bash
# Builds Kestrel and runs the whole test suite against a throwaway MariaDB
# server, with WordPress's own tables made by WordPress's own installer.
#   scripts/test.sh            (BUILD_DIR=build by default)
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)

"$top/scripts/install-deps.sh" test

cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$jobs"
"$top/scripts/wordpress.sh" prepare "$build"

server="$build/test-server"
"$top/scripts/mariadb-server.sh" stop "$server"
rm -rf "$server"
trap '"$top/scripts/mariadb-server.sh" stop "$server"' EXIT
# Room for the tests' 16 MB values in one statement.
port=$(MARIADB_OPTIONS="--max-allowed-packet=64M" "$top/scripts/mariadb-server.sh" start "$server")

export KESTREL_TEST_MYSQL_HOST=127.0.0.1
export KESTREL_TEST_MYSQL_PORT=$port
export KESTREL_TEST_MYSQL_SOCKET=$server/mariadb.sock
export KESTREL_WORDPRESS_ROOT=$build/wordpress
# The client library's defaults (empty server field, no port) lead to the test server too.
export MYSQL_UNIX_PORT=$KESTREL_TEST_MYSQL_SOCKET
export MYSQL_TCP_PORT=$port
export QT_QPA_PLATFORM=offscreen

ctest --test-dir "$build" --output-on-failure -j "$jobs" "$@"
