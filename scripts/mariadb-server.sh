#!/usr/bin/env bash
# A throwaway MariaDB server on 127.0.0.1, its data in a folder of our own.
#   scripts/mariadb-server.sh start DIR [PORT]   prints the port it listens on
#   scripts/mariadb-server.sh stop DIR
#   scripts/mariadb-server.sh remove DIR         stops it and deletes its data and DIR
# Root logs in with the random password in DIR/root-password, readable only by
# whoever started the server; nobody logs in without a password. The server never
# runs as root: started by root, it runs as the system user `mysql` (made when
# missing). It reads and writes files only in a folder of its own (secure_file_priv),
# and its socket lives inside its data folder.
# MARIADB_OPTIONS adds server options, e.g. "--max-allowed-packet=64M".
# MARIADB_IN_MEMORY=1 keeps the data in /dev/shm when it has room (the test command's servers): nothing
# waits on the disk, which the tests' many CREATE and DROP otherwise do; the data does not outlive a reboot.
set -euo pipefail

command=${1:?usage: mariadb-server.sh start|stop|remove DIR [PORT]}
dir=${2:?usage: mariadb-server.sh start|stop|remove DIR [PORT]}
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

as_root=false
[ "$(id -u)" -eq 0 ] && as_root=true
server_user=mysql

# The user the server runs as, when started by root: made as Debian's own server package makes it.
ensure_server_user() {
    id -u "$server_user" >/dev/null 2>&1 && return
    echo "mariadb-server.sh: making the system user $server_user for the server to run as" >&2
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin \
        "$server_user" ||
        { echo "mariadb-server.sh: cannot make the user $server_user; refusing to run MariaDB as root" >&2; exit 1; }
}

# Whether the server's user can reach a folder: every folder above it must let it through.
reachable() {
    ! $as_root || runuser -u "$server_user" -- test -x "$1" 2>/dev/null
}

# Whether /dev/shm has room for a test server's data with its tests' rows (2 GiB).
in_memory_room() {
    [ -d /dev/shm ] && [ -w /dev/shm ] && [ "$(df -Pk /dev/shm | awk 'NR == 2 { print $4 }')" -ge 2097152 ]
}

# The folder the server owns (data, temporary files, its file folder and its log): DIR/server,
# unless the server's user cannot reach DIR or a socket there would be too long a path (a Unix
# socket's path holds at most 107 bytes). Then a folder elsewhere, whose path DIR/home keeps.
server_home() {
    if [ -f "$dir/home" ]; then
        cat "$dir/home"
        return
    fi
    local home="$dir/server"
    if [ -n "${MARIADB_IN_MEMORY:-}" ] && in_memory_room; then
        # A name nobody can take first, in a folder everyone writes to.
        home=$(mktemp -d /dev/shm/kestrel-mariadb.XXXXXXXX)
    elif [ "$(printf %s "$home/data/mariadb.sock" | wc -c)" -gt 107 ] || ! reachable "$dir"; then
        if $as_root; then
            # Only root writes above it, and its name follows DIR, so a later start finds it again.
            mkdir -p -m 0755 /var/lib/kestrel-mariadb
            home=/var/lib/kestrel-mariadb/$(printf %s "$dir" | md5sum | cut -c1-16)
            rm -rf "$home"
        else
            home=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-mariadb.XXXXXXXX")
        fi
    fi
    echo "$home" >"$dir/home"
    echo "$home"
}

# The `mariadb` client as root on this server, the password handed over in its environment.
client() {
    MYSQL_PWD=$(cat "$dir/root-password") mariadb --no-defaults --skip-ssl -h127.0.0.1 -P"$1" -uroot "${@:2}"
}

case "$command" in
start)
    if [ -f "$dir/pid" ] && kill -0 "$(cat "$dir/pid")" 2>/dev/null; then
        cat "$dir/port"
        exit 0
    fi
    user_args=()
    if $as_root; then
        ensure_server_user
        user_args=(--user="$server_user")
    fi
    if [ ! -f "$dir/root-password" ]; then
        rm -f "$dir/home"
    fi
    home=$(server_home)
    socket="$home/data/mariadb.sock"
    echo "$socket" >"$dir/socket"
    if [ ! -d "$home/data/mysql" ] || [ ! -f "$dir/root-password" ]; then
        rm -rf "$home/data" "$dir/root-password"
        mkdir -p -m 0700 "$home" "$home/tmp" "$home/files"
        # 96 random bits in 16 letters, digits, '-' and '_': short enough to show whole in the window's
        # password boxes, which start with it for the sample server.
        (umask 077 && head -c 12 /dev/urandom | base64 | tr '+/' '-_' | tr -d '\n' >"$dir/root-password")
        # Every root account gets the password before the server first listens; no anonymous accounts.
        setup="$dir/setup.sql"
        (
            umask 077
            password=$(cat "$dir/root-password")
            echo "DELETE FROM mysql.global_priv WHERE User='';"
            echo "UPDATE mysql.global_priv SET Priv=JSON_SET(Priv, '$.plugin', 'mysql_native_password',"
            echo "  '$.authentication_string', PASSWORD('$password')) WHERE User='root';"
        ) >"$setup"
        $as_root && chown -R "$server_user:" "$home"
        mariadb-install-db --no-defaults --datadir="$home/data" --tmpdir="$home/tmp" \
            --auth-root-authentication-method=normal --skip-test-db --force --extra-file="$setup" \
            "${user_args[@]}" >"$dir/install.log" 2>&1 ||
            { rm -f "$setup"; cat "$dir/install.log" >&2; exit 1; }
        rm -f "$setup"
    fi
    # TLS files named in the options are copied to where the server's user can read them.
    options=()
    for option in ${MARIADB_OPTIONS:-}; do
        case "$option" in
        --ssl-ca=* | --ssl-cert=* | --ssl-key=*)
            mkdir -p -m 0700 "$home/tls"
            name=${option%%=*}
            copy="$home/tls/${name#--}"
            cp "${option#*=}" "$copy"
            option="${option%%=*}=$copy"
            ;;
        esac
        options+=("$option")
    done
    if $as_root; then
        chown -R "$server_user:" "$home"
        reachable "$home/data" ||
            { echo "mariadb-server.sh: the user $server_user cannot reach $home; not starting" >&2; exit 1; }
    fi
    for _ in 1 2 3 4 5; do
        port=${3:-$(free_port)}
        # A session of its own: a Ctrl+C or a closing terminal does not take the server down.
        setsid nohup mariadbd --no-defaults --datadir="$home/data" --port="$port" --bind-address=127.0.0.1 \
            --socket="$socket" --pid-file="$home/data/mariadbd.pid" --log-error="$home/error.log" \
            --tmpdir="$home/tmp" --secure-file-priv="$home/files" \
            --skip-log-bin --innodb-buffer-pool-size=64M --innodb-flush-log-at-trx-commit=2 \
            "${user_args[@]}" "${options[@]}" </dev/null >/dev/null 2>&1 &
        server=$!
        for _ in $(seq 1 600); do
            # In clear text: a server with a TLS the client refuses (tests start such servers) is still up.
            if client "$port" -e 'select 1' >/dev/null 2>&1; then
                echo "$server" >"$dir/pid"
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
    echo "MariaDB did not start; see $home/error.log" >&2
    tail -20 "$home/error.log" >&2 || true
    exit 1
    ;;
stop | remove)
    if [ -f "$dir/pid" ]; then
        pid=$(cat "$dir/pid")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 1 300); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
            kill -9 "$pid" 2>/dev/null || true
        fi
        rm -f "$dir/pid"
    fi
    if [ "$command" = remove ]; then
        [ -f "$dir/home" ] && rm -rf "$(cat "$dir/home")"
        rm -rf "$dir"
    fi
    ;;
*)
    echo "mariadb-server.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
