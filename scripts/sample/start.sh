#!/usr/bin/env bash
# Starts the sample MariaDB server on 127.0.0.1:3306 (data in BUILD/sample-server) holding the sample
# emlog blog (database `emlog`) and a WordPress made by WordPress's own installer (database `wordpress`,
# served from BUILD/wordpress), once; a later call finds it running, or starts it again.
#   scripts/sample/start.sh BUILD
# Exits 3, starting nothing, when another database server already answers on 127.0.0.1:3306.
# Root's password there is random, in BUILD/sample-server/root-password.
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:?usage: start.sh BUILD}
sample="$build/sample-server"

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
if ! ours_running && listening; then
    exit 3
fi
if ! ours_running && [ ! -f "$sample/loaded" ]; then
    rm -rf "$sample" # a sample that never finished loading is started afresh
fi
"$top/scripts/mariadb-server.sh" start "$sample" 3306 >/dev/null
export KESTREL_DB_PASSWORD_FILE="$sample/root-password"
"$top/scripts/wordpress.sh" prepare "$build"
if [ ! -f "$sample/loaded" ]; then
    "$top/scripts/sample/load-emlog.sh" 127.0.0.1:3306 emlog emlog_
    "$top/scripts/wordpress.sh" install "$build" 127.0.0.1:3306 wordpress wp_
    touch "$sample/loaded"
fi
