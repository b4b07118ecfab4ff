#!/usr/bin/env bash
# Installs the Debian packages a task needs, when they are missing.
#   scripts/install-deps.sh build|test|fuzz|run|package|screenshot|windows|windows-check ...
# As root it runs apt-get; otherwise it prints the apt-get line and fails.
set -euo pipefail

build=(cmake g++ make pkg-config qt6-base-dev libmariadb-dev zlib1g-dev libzip-dev libssl-dev libcmark-gfm-dev libcmark-gfm-extensions-dev)
server=(mariadb-server-core mariadb-client-core)
# mariadb-dump, for the tests that read a dump of the sample blog.
dump=(mariadb-client)
wordpress=(php-cli php-mysql)
# The tests read pages as a browser would (php-xml's DOM) and render emlog pro's Markdown as pro did.
test_oracles=(php-xml php-parsedown)
# The plugin is reached over HTTPS: stunnel4 puts TLS in front of PHP's own web server.
relay=(stunnel4)
# The fuzz targets: Debian's clang, with its libFuzzer and sanitizer runtimes.
fuzzing=(clang libclang-rt-14-dev)
# CPack's DEB generator finds dependencies with dpkg-shlibdeps; lintian checks the result.
packaging=(dpkg-dev file lintian)
# scripts/windows.sh: mingw-w64's compilers, and Debian's own Qt tools (moc, rcc, uic) run on
# the build machine; dpkg-dev unpacks the source packages, perl and make build OpenSSL; Qt's
# Chinese translation goes into the zip.
windows=(cmake ninja-build make perl patch pkg-config dpkg-dev xz-utils zip unzip qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
         g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev libz-mingw-w64-dev)
# scripts/windows.sh --check: Wine with its own fonts (without them Windows' dialog font falls to
# whatever fontconfig offers, and edit boxes place their text out of sight), and the Linux side the
# programs under it talk to.
windows_check=(wine wine64 fonts-wine xvfb xauth x11-apps x11-utils netpbm fonts-noto-cjk "${server[@]}" "${dump[@]}" "${wordpress[@]}" php-xml)

wanted=()
for task in "$@"; do
    case "$task" in
        build) wanted+=("${build[@]}") ;;
        # The test command builds the Debian package and checks it too.
        test) wanted+=("${build[@]}" clang-format python3 googletest libgtest-dev openssl "${server[@]}" "${dump[@]}" "${wordpress[@]}" "${test_oracles[@]}" "${relay[@]}" "${packaging[@]}" "${fuzzing[@]}") ;;
        fuzz) wanted+=("${build[@]}" "${fuzzing[@]}") ;;
        run) wanted+=("${build[@]}" "${server[@]}" "${wordpress[@]}" qt6-translations-l10n) ;;
        package) wanted+=("${build[@]}" "${packaging[@]}") ;;
        # The window under Xvfb, driven by xdotool; the plugins' pages and the verification's report page
        # as headless Chromium shows them.
        screenshot) wanted+=(xvfb xauth x11-apps netpbm fonts-noto-cjk xdotool chromium) ;;
        windows) wanted+=("${windows[@]}") ;;
        windows-check) wanted+=("${windows[@]}" "${windows_check[@]}") ;;
        *) echo "install-deps.sh: unknown task '$task'" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

line="apt-get install -y --no-install-recommends ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Missing Debian packages. As root, run:" >&2
    echo "  apt-get update && $line" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Another apt-get (a second build beside this one) may hold the lock: wait for it.
apt-get -o DPkg::Lock::Timeout=900 update -qq
# shellcheck disable=SC2086
apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends "${missing[@]}"
