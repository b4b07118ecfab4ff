#!/usr/bin/env bash
# Builds the Debian package kestrel_<version>_<arch>.deb (kestrel_1.0_amd64.deb) with CPack and prints its path.
# It builds only what the package holds: no tests and no benchmarks (scripts/configure.sh).
#   scripts/package.sh [BUILD_DIR]     (default: build/, as scripts/run.sh and scripts/test.sh use)
# It holds both programs, the window's menu entry and icon, the man pages and
# the redirect plugin; dpkg-shlibdeps works out its dependencies.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${BUILD_DIR:-$top/build}}
jobs=$(nproc 2>/dev/null || echo 2)

"$top/scripts/install-deps.sh" package >&2
# Only the package's path goes to standard output. What the package holds is built, and nothing else:
# no tests, no benchmarks (CPack installs what is built; it does not build the whole tree).
"$top/scripts/configure.sh" "$build"
cmake --build "$build" -j "$jobs" --target kestrel_shipped >&2
rm -f "$build"/kestrel_*.deb
(cd "$build" && cpack -G DEB >&2)
debs=("$build"/kestrel_*.deb)
[ -f "${debs[0]}" ] || { echo "package.sh: CPack made no package in $build" >&2; exit 1; }
echo "${debs[0]}"
