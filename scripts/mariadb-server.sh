#!/usr/bin/env bash
# A throwaway MariaDB server on 127.0.0.1, its data in a folder of our own.
#   scripts/mariadb-server.sh start DIR [PORT]   prints the port it listens on
#   scripts/mariadb-server.sh stop DIR
# Root logs in over TCP with an empty password. Nothing outside DIR is touched.
# MARIADB_OPTIONS adds server options, e.g. "--max-allowed-packet=64M".
set -euo pipefail

command=${1:?usage: mariadb-server.sh start|stop DIR [PORT]}
dir=${2:?usage: mariadb-server.sh start|stop DIR [PORT]}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# A port nothing on 127.0.0.1 answers on.
free_port() {
    local port
    while :; do
        port=$((20000 + RANDOM % 30000))
        (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
    done
}

user_args=()
[ "$(id -u)" -eq 0 ] && user_args=(--user=root)

case "$command" in
start)
    if [ -f "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
        cat "$dir/port"
        exit 0
    fi
    # Temporary files of its own: servers set up side by side must not share them.
    mkdir -p "$dir/tmp"
    # A Unix socket's path holds at most 107 bytes: a server deep in the tree gets one in /tmp.
    socket="$dir/mariadb.sock"
    [ "$(printf %s "$socket" | wc -c)" -le 107 ] ||
        socket=/tmp/mariadb-$(printf %s "$dir" | md5sum | cut -c1-16).sock
    echo "$socket" >"$dir/socket"
    if [ ! -d "$dir/data/mysql" ]; then
        rm -rf "$dir/data"
        mariadb-install-db --no-defaults --datadir="$dir/data" --tmpdir="$dir/tmp" \
            --auth-root-authentication-method=normal --skip-test-db --force "${user_args[@]}" \
            >"$dir/install.log" 2>&1 ||
            { cat "$dir/install.log" >&2; exit 1; }
    fi
    for _ in 1 2 3 4 5; do
        port=${3:-$(free_port)}
        # A session of its own: a Ctrl+C or a closing terminal does not take the server down.
        setsid nohup mariadbd --no-defaults --datadir="$dir/data" --port="$port" --bind-address=127.0.0.1 \
            --socket="$socket" --pid-file="$dir/pid" --log-error="$dir/error.log" --tmpdir="$dir/tmp" \
            --skip-log-bin --innodb-buffer-pool-size=64M --innodb-flush-log-at-trx-commit=2 \
            "${user_args[@]}" ${MARIADB_OPTIONS:-} </dev/null >/dev/null 2>&1 &
        server=$!
        for _ in $(seq 1 600); do
            # In clear text: a server with a TLS the client refuses (tests start such servers) is still up.
            if mariadb --no-defaults --skip-ssl -h127.0.0.1 -P"$port" -uroot -e 'select 1' >/dev/null 2>&1; then
                echo "$port" >"$dir/port"
                echo "$port"
                exit 0
            fi
            kill -0 "$server" 2>/dev/null || break # it could not take the port: try another
            sleep 0.1
        done
        kill -9 "$server" 2>/dev/null || true
        [ -n "${3:-}" ] && break
    done
    echo "MariaDB did not start; see $dir/error.log" >&2
    tail -20 "$dir/error.log" >&2 || true
    exit 1
    ;;
stop)
    [ -f "$dir/pid" ] || exit 0
    pid=$(cat "$dir/pid")
    if kill "$pid" 2>/dev/null; then
        for _ in $(seq 1 300); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -9 "$pid" 2>/dev/null || true
    fi
    rm -f "$dir/pid"
    ;;
*)
    echo "mariadb-server.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
