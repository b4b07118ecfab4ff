#!/usr/bin/env bash
# Builds Kestrel's window and opens it.
#   scripts/run.sh           (BUILD_DIR=build by default)
#   scripts/run.sh --site    serves the sample WordPress only, until Ctrl-C: the blog a run moved
# Only the window is built: no tests and no benchmarks (scripts/configure.sh), so neither Google Test
# nor a test server is needed.
# When no database server answers on 127.0.0.1:3306, it first starts a local
# MariaDB server there holding a sample emlog blog (database `emlog`) and a
# WordPress made by WordPress's own installer (database `wordpress`), so that
# the window's default fields work at once. That server keeps running after
# the window closes, as a local service would; its data lives in the build folder.
# Root's password there is random, in build/sample-server/root-password, and the
# window's password fields start with it. While the window is open, PHP's own web
# server serves that WordPress at http://127.0.0.1:8080/ (admin, kestrel-admin).
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
sample="$build/sample-server"
site_port=8080
site_only=false
case "${1:-}" in
"") ;;
--site) site_only=true ;;
*) echo "usage: scripts/run.sh [--site]" >&2; exit 2 ;;
esac

"$top/scripts/install-deps.sh" run
if ! $site_only; then
    "$top/scripts/configure.sh" "$build"
    cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrel
fi

listening() {
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

ours=true
"$top/scripts/sample/start.sh" "$build" || { [ $? -eq 3 ] && ours=false || exit 1; }
if $ours; then
    echo "The sample MariaDB server runs on 127.0.0.1:3306 (emlog, wordpress); root's password is in $sample/root-password."
    echo "Stop it with: scripts/mariadb-server.sh stop $sample"
    # The window's password fields start with it.
    export KESTREL_SAMPLE_PASSWORD_FILE="$sample/root-password"
else
    echo "A database server already answers on 127.0.0.1:3306: no sample server started."
    if $site_only; then
        echo "run.sh --site serves the sample WordPress, which lives on the sample server." >&2
        exit 1
    fi
fi

# The sample WordPress, read as a visitor reads it; its home is http://127.0.0.1:8080 since its installer.
# PHP takes the shell's place, so that stopping it stops the server.
serve_site() {
    exec env WP_ROOT="$build/wordpress" WP_DB_HOST=127.0.0.1:3306 WP_DB_NAME=wordpress WP_TABLE_PREFIX=wp_ \
        WP_DB_PASSWORD_FILE="$sample/root-password" \
        php -S "127.0.0.1:$site_port" -t "$build/wordpress" "$top/scripts/wordpress/router.php" >"$build/sample-site.log" 2>&1
}

if $site_only; then
    listening "$site_port" && { echo "Something already answers on 127.0.0.1:$site_port." >&2; exit 1; }
    echo "The sample WordPress: http://127.0.0.1:$site_port/ (admin pages: /wp-admin/, admin, kestrel-admin). Ctrl-C stops it."
    serve_site
fi

site=
if $ours && ! listening "$site_port"; then
    serve_site &
    site=$!
    trap 'kill "$site" 2>/dev/null || true' EXIT
    echo "The sample WordPress: http://127.0.0.1:$site_port/ while the window is open (admin, kestrel-admin)."
fi
"$build/app/kestrel"
