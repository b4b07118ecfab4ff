#!/usr/bin/env bash
# Builds Kestrel and passes the whole test suite against a throwaway MariaDB
# server, with WordPress's own tables made by WordPress's own installer:
#   1. the suite as shipped (build/), with the Debian package built, checked by
#      lintian and unpacked into build/package-root, whose kestrel-cli runs too,
#   2. one clang build under AddressSanitizer and UndefinedBehaviorSanitizer, its code ready for libFuzzer
#      (build-asan/), whose fuzz targets run 20 s each on their inputs, two at a time (scripts/fuzz.sh),
#   3. and whose suite runs again,
#   4. the run-control and closing tests under ThreadSanitizer (build-tsan/).
#   scripts/test.sh                  everything
#   KESTREL_QUICK=1 scripts/test.sh  only step 1, for a quick look while developing
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
# The tests spend most of their time waiting on their servers and PHP: twice as many as there
# are cores keep the cores busy.
test_jobs=$((jobs * 2))
suppressions="$top/tests/sanitizers"

"$top/scripts/install-deps.sh" test

echo "== the code's format"
# Every C++ file as clang-format writes it with the project's .clang-format; one that is not is named,
# with the lines that differ.
(cd "$top" && git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror)

# configure_and_build DIR [CMAKE_OPTIONS...] [-- TARGETS...]
configure_and_build() {
    local dir=$1 options=() targets=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift && targets=(--target "$@")
    cmake -S "$top" -B "$dir" "${options[@]}" >/dev/null
    cmake --build "$dir" -j "$jobs" "${targets[@]}"
}

# Tests and benchmarks on, also in a folder scripts/run.sh or scripts/package.sh made without them.
configure_and_build "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DKESTREL_BENCHMARKS=ON
"$top/scripts/wordpress.sh" prepare "$build"

echo "== the Debian package"
deb=$("$top/scripts/package.sh" "$build" 2>"$build/package.log") || { cat "$build/package.log" >&2; exit 1; }
echo "$deb"
# No errors allowed; warnings would be shown here.
lintian --fail-on error "$deb" 2> >(grep -v 'running with root privileges' >&2)
# Unpacked as dpkg would install it, into a scratch root: the suite runs its kestrel-cli too.
package_root="$build/package-root"
rm -rf "$package_root"
dpkg -x "$deb" "$package_root"

server="$build/test-server"
# The test server and those the tests start keep their data in memory when there is room.
export MARIADB_IN_MEMORY=1
# The test server, and any server of a test that crashed before it could stop its own.
remove_servers() {
    local left
    for left in "$server" "$build"/private-servers/* "$top"/build-asan/private-servers/* \
        "$top"/build-tsan/private-servers/*; do
        [ -d "$left" ] && "$top/scripts/mariadb-server.sh" remove "$left"
    done
    return 0
}
remove_servers
trap remove_servers EXIT
# Room for the tests' 16 MB values in one statement.
port=$(MARIADB_OPTIONS="--max-allowed-packet=64M" "$top/scripts/mariadb-server.sh" start "$server")

export KESTREL_TEST_MYSQL_HOST=127.0.0.1
export KESTREL_TEST_MYSQL_PORT=$port
export KESTREL_TEST_MYSQL_SOCKET=$(cat "$server/socket")
# Root's password, in a file only we can read; the scripts the tests run read it too.
export KESTREL_TEST_MYSQL_PASSWORD_FILE=$server/root-password
export KESTREL_DB_PASSWORD_FILE=$KESTREL_TEST_MYSQL_PASSWORD_FILE
export KESTREL_WORDPRESS_ROOT=$build/wordpress
# The client library's defaults (empty server field, no port) lead to the test server too.
export MYSQL_UNIX_PORT=$KESTREL_TEST_MYSQL_SOCKET
export MYSQL_TCP_PORT=$port
export QT_QPA_PLATFORM=offscreen
# Emptying first keeps its backups in the user's data folder: the tests' stay in the build folder.
export XDG_DATA_HOME=$build/test-data
# PHP keeps what it compiled of WordPress in files of the build's own, so that each of the tests' many
# short PHP processes does not compile WordPress again; a changed file is compiled afresh.
mkdir -p "$build/php/opcache"
printf '%s\n' opcache.enable_cli=1 "opcache.file_cache=$build/php/opcache" opcache.revalidate_freq=0 \
    >"$build/php/kestrel-tests.ini"
export PHP_INI_SCAN_DIR=":$build/php"

echo "== the test suite"
KESTREL_PACKAGE_ROOT=$package_root ctest --test-dir "$build" --output-on-failure -j "$test_jobs" "$@"
[ -n "${KESTREL_QUICK:-}" ] && exit 0

# Sanitizer builds: no optimisation and line tables only, to build fast. The suite waits on
# its servers far more than it computes, so it runs no slower than at -O1.
sanitized=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O0 -g1" -DKESTREL_BENCHMARKS=OFF)

echo "== one build under AddressSanitizer and UndefinedBehaviorSanitizer, with clang, for libFuzzer too"
# Every library is compiled once, for the fuzz targets (fuzzer-no-link) and the suite alike.
configure_and_build "$top/build-asan" "${sanitized[@]}" -DCMAKE_CXX_COMPILER=clang++ \
    -DKESTREL_SANITIZE=fuzzer-no-link,address,undefined

echo "== the fuzz targets, each briefly on its inputs"
FUZZ_BUILD_DIR="$top/build-asan" KESTREL_FUZZ_BUILT=1 "$top/scripts/fuzz.sh"

echo "== the test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
# The first run's times order this one: the longest tests start first.
costs=Testing/Temporary/CTestCostData.txt
if [ ! -f "$top/build-asan/$costs" ] && [ -f "$build/$costs" ]; then
    mkdir -p "$(dirname "$top/build-asan/$costs")"
    cp "$build/$costs" "$top/build-asan/$costs"
fi
ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=0 \
LSAN_OPTIONS="suppressions=$suppressions/lsan.supp" \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir "$top/build-asan" --output-on-failure -j "$test_jobs" "$@"

echo "== the run control and closing the window under ThreadSanitizer"
# Only the test programs labelled for it (tests/CMakeLists.txt).
configure_and_build "$top/build-tsan" "${sanitized[@]}" -DKESTREL_SANITIZE=thread -- app_tests closing_tests
# Qt's own event loop rather than glib's, which is not built for ThreadSanitizer either.
QT_NO_GLIB=1 TSAN_OPTIONS="suppressions=$suppressions/tsan.supp:halt_on_error=1:second_deadlock_stack=1" \
    ctest --test-dir "$top/build-tsan" --output-on-failure -j "$jobs" -L threads "$@"
