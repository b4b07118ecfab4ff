#!/usr/bin/env bash
# Takes the README's picture of the window: the real program under Xvfb, with a CJK font.
#   scripts/screenshot.sh [OUTPUT.png]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
output=${1:-$top/docs/window.png}

"$top/scripts/install-deps.sh" build screenshot
"$top/scripts/configure.sh" "$build"
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" --target kestrel
mkdir -p "$(dirname "$output")"

xvfb-run -a -s "-screen 0 640x400x24" bash -c '
    QT_QPA_PLATFORM=xcb "$0" & program=$!
    sleep 3
    id=$(xwininfo -root -tree | awk "/\"Kestrel1.0 /{print \$1; exit}")
    xwd -silent -id "$id" | xwdtopnm 2>/dev/null | pnmtopng >"$1"
    kill $program
' "$build/app/kestrel" "$output"
echo "wrote $output"
