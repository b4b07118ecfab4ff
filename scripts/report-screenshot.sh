#!/usr/bin/env bash
# Takes docs/verification.md's picture of the verification report: the page kestrel-cli --html writes,
# opened offline in headless Chromium. The end-to-end test VerifyTest leaves its report of planted faults
# in build/verification-sample.html.
#   scripts/report-screenshot.sh [REPORT.html] [OUTPUT.png]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
report=${1:-$build/verification-sample.html}
output=${2:-$top/docs/verification-report.png}

"$top/scripts/install-deps.sh" screenshot
[ -f "$report" ] || { echo "no report at $report: run the test VerifyTest first, or name one" >&2; exit 1; }
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
# No network: the page must stand on its own.
chromium --headless --no-sandbox --disable-gpu --user-data-dir="$profile" --hide-scrollbars \
    --proxy-server='127.0.0.1:9' --window-size=1200,900 --screenshot="$output" "file://$(realpath "$report")" 2>/dev/null
echo "wrote $output"
