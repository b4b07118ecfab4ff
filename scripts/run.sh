#!/usr/bin/env bash
# Builds Kestrel and opens its window.
#   scripts/run.sh           (BUILD_DIR=build by default)
# When no database server answers on 127.0.0.1:3306, it first starts a local
# MariaDB server there holding a sample emlog blog (database `emlog`) and a
# WordPress made by WordPress's own installer (database `wordpress`), so that
# the window's default fields work at once. That server keeps running after
# the window closes, as a local service would; its data lives in the build folder.
# Root's password there is random, in build/sample-server/root-password, and the
# window's password fields start with it.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
sample="$build/sample-server"

"$top/scripts/install-deps.sh" run
# The window only: no tests, no benchmarks.
"$top/scripts/configure.sh" "$build"
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrel

listening() {
    (exec 3<>/dev/tcp/127.0.0.1/3306) 2>/dev/null
}

ours_running() {
    [ -f "$sample/pid" ] && kill -0 "$(cat "$sample/pid")" 2>/dev/null
}

if [ -f "$sample/loaded" ] && [ ! -f "$sample/root-password" ]; then
    # A sample made when root had no password: made afresh, as the server is now set up.
    "$top/scripts/mariadb-server.sh" stop "$sample"
    rm -rf "$sample"
fi
if ours_running || ! listening; then
    if ! ours_running && [ ! -f "$sample/loaded" ]; then
        rm -rf "$sample" # a sample that never finished loading is started afresh
    fi
    "$top/scripts/mariadb-server.sh" start "$sample" 3306 >/dev/null
    export KESTREL_DB_PASSWORD_FILE="$sample/root-password"
    if [ ! -f "$sample/loaded" ]; then
        "$top/scripts/wordpress.sh" prepare "$build"
        "$top/scripts/sample/load-emlog.sh" 127.0.0.1:3306 emlog emlog_
        "$top/scripts/wordpress.sh" install "$build" 127.0.0.1:3306 wordpress wp_
        touch "$sample/loaded"
    fi
    echo "The sample MariaDB server runs on 127.0.0.1:3306 (emlog, wordpress); root's password is in $sample/root-password."
    echo "Stop it with: scripts/mariadb-server.sh stop $sample"
    # The window's password fields start with it.
    export KESTREL_SAMPLE_PASSWORD_FILE="$sample/root-password"
else
    echo "A database server already answers on 127.0.0.1:3306: no sample server started."
fi

exec "$build/app/kestrel"
