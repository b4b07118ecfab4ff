#!/usr/bin/env bash
# WordPress from Debian's package, without its web-server dependencies.
#   scripts/wordpress.sh prepare DIR
#       extracts the package's files into DIR/wordpress (once) with our wp-config.php
#   scripts/wordpress.sh install DIR HOST:PORT DATABASE [PREFIX]
#       creates DATABASE (utf8mb4) and runs WordPress's own installer into it, as root with
#       the password in the file KESTREL_DB_PASSWORD_FILE names (none when unset)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
command=${1:?usage: wordpress.sh prepare|install DIR ...}
dir=${2:?usage: wordpress.sh prepare|install DIR ...}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
root="$dir/wordpress"

download() {
    local package=$1 work=$2
    (cd "$work" && apt-get download "$package" >/dev/null 2>&1) && return 0
    if [ "$(id -u)" -eq 0 ]; then
        apt-get update -qq && (cd "$work" && apt-get download "$package" >/dev/null)
    else
        echo "apt-get download $package failed; as root, run: apt-get update" >&2
        return 1
    fi
}

packages="wordpress wordpress-theme-twentytwentythree wordpress-theme-twentytwentyone"

prepare() {
    # .kestrel names the packages the tree was made from: a tree of fewer is made again.
    if [ -f "$root/wp-load.php" ] && [ "$(cat "$root/.kestrel" 2>/dev/null)" = "$packages" ]; then
        cp "$here/wordpress/wp-config.php" "$root/wp-config.php"
        return 0
    fi
    local work="$dir/wordpress-package"
    rm -rf "$work" "$root"
    mkdir -p "$work"
    for package in $packages; do
        download "$package" "$work"
    done
    for deb in "$work"/*.deb; do
        dpkg -x "$deb" "$work/files"
    done
    # The themes land in the same tree; the front page needs one to render. Twenty Twenty-Three is a
    # block theme (menus as wp_navigation), Twenty Twenty-One a classic one (menu locations, sidebars).
    cp -a "$work/files/usr/share/wordpress" "$root"
    rm -f "$root/.htaccess"
    cp "$here/wordpress/wp-config.php" "$root/wp-config.php"
    echo "$packages" >"$root/.kestrel"
    rm -rf "$work"
}

case "$command" in
prepare)
    prepare
    ;;
install)
    host=${3:?usage: wordpress.sh install DIR HOST:PORT DATABASE [PREFIX]}
    database=${4:?usage: wordpress.sh install DIR HOST:PORT DATABASE [PREFIX]}
    prefix=${5-wp_}
    prepare
    # Root's password from the file KESTREL_DB_PASSWORD_FILE names, handed over in the environment.
    password=
    [ -n "${KESTREL_DB_PASSWORD_FILE:-}" ] && password=$(cat "$KESTREL_DB_PASSWORD_FILE")
    MYSQL_PWD=$password mariadb --no-defaults -h"${host%:*}" -P"${host##*:}" -uroot \
        -e "CREATE DATABASE IF NOT EXISTS \`$database\` CHARACTER SET utf8mb4"
    WP_DB_PASSWORD=$password WP_ROOT="$root" WP_DB_HOST="$host" WP_DB_NAME="$database" WP_TABLE_PREFIX="$prefix" \
        php "$here/wordpress/install.php"
    ;;
*)
    echo "wordpress.sh: unknown command '$command'" >&2
    exit 2
    ;;
esac
