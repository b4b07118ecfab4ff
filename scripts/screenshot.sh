#!/usr/bin/env bash
# Takes the pictures of the README and the user's guide: the real window under Xvfb with a CJK font,
# driven as a user would drive it (xdotool), its dialogs, a run of the sample blog and its message, and
# the WordPress plugins' pages as Chromium shows them over plain http.
#   scripts/screenshot.sh [OUTPUT_DIR]     (docs/ by default: docs/window.png and docs/guide/*.png)
# It uses the sample server of scripts/run.sh (starting it when needed) and writes into a WordPress
# database of its own, kestrel_screenshots, made afresh each time.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
output=${1:-$top/docs}
sample="$build/sample-server"
database=kestrel_screenshots
site_port=8091

"$top/scripts/install-deps.sh" run screenshot
"$top/scripts/configure.sh" "$build"
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrel
"$top/scripts/sample/start.sh" "$build" ||
    { echo "screenshot.sh needs the sample server of scripts/run.sh on 127.0.0.1:3306" >&2; exit 1; }
mkdir -p "$output/guide"

export KESTREL_DB_PASSWORD_FILE="$sample/root-password"
MYSQL_PWD=$(cat "$sample/root-password") mariadb --no-defaults -h127.0.0.1 -P3306 -uroot \
    -e "DROP DATABASE IF EXISTS \`$database\`"
WP_HTTP_HOST="127.0.0.1:$site_port" "$top/scripts/wordpress.sh" install "$build" 127.0.0.1:3306 "$database" wp_ >/dev/null

# The window and its dialogs. Places are the window's own (its layout's), so that a click lands on the
# control a user would press.
KESTREL_SAMPLE_PASSWORD_FILE="$sample/root-password" xvfb-run -a -s "-screen 0 1024x768x24" \
    bash -s "$build/app/kestrel" "$output" "$database" <<'DRIVE'
set -euo pipefail
program=$1 output=$2 database=$3
QT_QPA_PLATFORM=xcb "$program" &
kestrel=$!
trap 'kill $kestrel 2>/dev/null || true' EXIT

# The first window whose name matches, within a minute; its id.
window() {
    local id
    for _ in $(seq 600); do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    echo "screenshot.sh: no window named $1" >&2
    return 1
}
gone() {
    for _ in $(seq 600); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
shoot() {
    sleep 0.5
    xwd -silent -id "$1" | xwdtopnm 2>/dev/null | pnmtopng >"$2"
    echo "wrote $2"
}
click() {
    xdotool mousemove --window "$main" "$1" "$2" click 1
}

main=$(window '^Kestrel1.0 ')
shoot "$main" "$output/window.png"

# The small buttons' dialogs, each closed again with Esc.
for dialog in '31 260 ^连接安全$ security' '466 260 ^选项$ options' '464 16 ^博客的文件$ files' \
    '412 16 ^WordPress.网站$ site'; do
    set -- $dialog
    click "$1" "$2"
    id=$(window "$3")
    shoot "$id" "$output/guide/$4.png"
    xdotool key Escape
    gone "$3"
done

# A run of the sample into a WordPress of its own, emptied first: the question, then the message.
click 404 130
xdotool key ctrl+a
xdotool type "$database"
click 31 220
click 143 219
question=$(window '^信息：$')
shoot "$question" "$output/guide/question.png"
xdotool key Return
done=$(window '^提示$')
shoot "$done" "$output/guide/finished.png"
xdotool key Escape
gone '^提示$'
shoot "$main" "$output/guide/window-done.png"
DRIVE

# The plugins' pages, as the site's administrator sees them in a browser, over plain http.
wordpress_env=(WP_ROOT="$build/wordpress" WP_DB_HOST=127.0.0.1:3306 WP_DB_NAME="$database" WP_TABLE_PREFIX=wp_
    WP_DB_PASSWORD_FILE="$sample/root-password" WP_HOME="http://127.0.0.1:$site_port"
    WP_PLUGIN_DIR="$top/wordpress-plugin")
env "${wordpress_env[@]}" WP_TEST_HOOKS="$top/scripts/wordpress/as-administrator.php" \
    php -S "127.0.0.1:$site_port" -t "$build/wordpress" "$top/scripts/wordpress/router.php" >"$build/screenshot-site.log" 2>&1 &
site=$!
trap 'kill $site 2>/dev/null || true' EXIT
for _ in $(seq 100); do (exec 3<>"/dev/tcp/127.0.0.1/$site_port") 2>/dev/null && break; sleep 0.1; done

page() {
    chromium --headless=new --no-sandbox --disable-gpu --hide-scrollbars --lang=zh-CN --window-size=1100,"$3" \
        --virtual-time-budget=5000 --screenshot="$2" "http://127.0.0.1:$site_port/$1" 2>/dev/null
    echo "wrote $2"
}
env "${wordpress_env[@]}" php "$top/scripts/wordpress/receiver.php" off >/dev/null
page "wp-admin/tools.php?page=kestrel" "$output/guide/receiver-off.png" 700
env "${wordpress_env[@]}" php "$top/scripts/wordpress/receiver.php" on >/dev/null
page "wp-admin/tools.php?page=kestrel" "$output/guide/receiver-on.png" 900
page "wp-admin/options-general.php?page=kestrel-footer" "$output/guide/footer.png" 600
