#!/usr/bin/env bash
# Builds Kestrel for 64-bit Windows, on Debian 12, from Debian's own sources only:
#   scripts/windows.sh          build-windows/kestrel-windows-x86_64.zip
#   scripts/windows.sh --check  the same, then tries the zip's programs under Wine
#   scripts/windows.sh STAGE..  only the stages named (sources qtbase mariadb ... zip)
# Each library Kestrel uses is fetched as Debian's source package (apt-get source, with a
# source list of our own in build-windows/apt, not in /etc/apt), cross-built once with
# mingw-w64 and installed into build-windows/prefix; a stamp there says it is done, so that
# a second run only builds Kestrel. Remove build-windows/prefix to build the libraries anew.
set -euo pipefail
# All of it is read before any of it runs: the script may be edited while a long build goes on.
{
top=$(cd "$(dirname "$0")/.." && pwd)
out=${KESTREL_WINDOWS_DIR:-$top/build-windows}
prefix=$out/prefix
src=$out/src
logs=$out/logs
toolchain=$top/packaging/windows/mingw-w64-x86_64.cmake
triplet=x86_64-w64-mingw32
jobs=$(nproc 2>/dev/null || echo 2)
# The machine is shared: the long cross-builds give way to everything else.
nice=(nice -n 19)
export KESTREL_WINDOWS_PREFIX=$prefix

check=
stages=()
for arg in "$@"; do
    case "$arg" in
        --check) check=1 ;;
        -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        -*) echo "windows.sh: unknown option '$arg'" >&2; exit 2 ;;
        *) stages+=("$arg") ;;
    esac
done
mkdir -p "$out" "$prefix" "$src" "$logs" "$prefix/stamps"

wanted() {
    [ ${#stages[@]} -eq 0 ] && return 0
    local stage
    for stage in "${stages[@]}"; do [ "$stage" = "$1" ] && return 0; done
    return 1
}

# stage NAME FUNCTION: runs FUNCTION, timed; its output goes to logs/NAME.log.
timings=()
stage() {
    local name=$1 started
    wanted "$name" || return 0
    started=$(date +%s)
    echo "== $name (log: ${logs#"$top"/}/$name.log)"
    # A subshell of its own, outside any || or if, so that set -e holds inside FUNCTION too.
    local status
    set +e
    ( set -e; "$2" ) >"$logs/$name.log" 2>&1
    status=$?
    set -e
    if [ "$status" -ne 0 ]; then
        tail -n 40 "$logs/$name.log" >&2
        echo "windows.sh: stage $name failed; see $logs/$name.log" >&2
        exit 1
    fi
    local seconds=$(($(date +%s) - started))
    timings+=("$(printf '%-10s %4d:%02d' "$name" $((seconds / 60)) $((seconds % 60)))")
    echo "   $name: $((seconds / 60)) min $((seconds % 60)) s"
}

# done_before NAME: the library NAME is already in the prefix.
done_before() { [ -e "$prefix/stamps/$1" ]; }
mark_done() { date -u +%FT%TZ >"$prefix/stamps/$1"; }

# ---- the tools
tools() {
    "$top/scripts/install-deps.sh" windows
}

# ---- Debian's source packages, into src/NAME
apt_options=(-o "Dir::Etc::sourcelist=$out/apt/sources.list" -o Dir::Etc::sourceparts=-
             -o "Dir::State::Lists=$out/apt/lists" -o "Dir::Cache=$out/apt/cache"
             -o APT::Sandbox::User=root)
# Debian source package -> the folder its source is unpacked into.
declare -A packages=([qtbase]=qt6-base [mariadb]=mariadb [libzip]=libzip [cmark]=cmark-gfm [openssl]=openssl
                      [googletest]=googletest)
sources() {
    mkdir -p "$out/apt/lists/partial" "$out/apt/cache/archives/partial"
    cat >"$out/apt/sources.list" <<EOF
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
EOF
    local dir package missing=0
    for dir in "${!packages[@]}"; do [ -d "$src/$dir" ] || missing=1; done
    [ $missing -eq 0 ] && { echo "cached"; return 0; }
    apt-get "${apt_options[@]}" update
    for dir in "${!packages[@]}"; do
        package=${packages[$dir]}
        [ -d "$src/$dir" ] && continue
        (cd "$src" && apt-get "${apt_options[@]}" source --download-only "$package")
        rm -rf "$src/$dir.tmp"
        dpkg-source --no-check -x "$(ls -t "$src/${package}"_*.dsc | head -n 1)" "$src/$dir.tmp"
        mv "$src/$dir.tmp" "$src/$dir"
    done
}

# ---- the libraries
cross_cmake=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKESTREL_WINDOWS_PREFIX="$prefix"
             -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix")

build_qtbase() {
    done_before qtbase && { echo "cached"; return 0; }
    (cd "$src/qtbase" && { patch -p1 -N -r - --dry-run <"$top/packaging/windows/qtbase-without-opengl.patch" >/dev/null &&
                           patch -p1 -N -r - <"$top/packaging/windows/qtbase-without-opengl.patch" || true; })
    # Debian's own Qt tools (moc, rcc, uic) run on the build machine.
    # Only what Kestrel uses: Core, Gui, Widgets, Network over Schannel, and Test.
    # tabletevent is off: Debian's tarball leaves out the Wintab headers.
    cmake -S "$src/qtbase" -B "$out/build/qtbase" "${cross_cmake[@]}" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_direct2d=OFF -DFEATURE_vulkan=OFF \
        -DFEATURE_tabletevent=OFF -DFEATURE_freetype=OFF -DFEATURE_fontconfig=OFF \
        -DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_printsupport=OFF -DFEATURE_icu=OFF -DFEATURE_glib=OFF -DFEATURE_zstd=OFF \
        -DFEATURE_brotli=OFF -DFEATURE_openssl=OFF -DINPUT_openssl=no -DFEATURE_schannel=ON \
        -DFEATURE_system_zlib=ON -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_doubleconversion=OFF
    "${nice[@]}" cmake --build "$out/build/qtbase" -j "$jobs"
    cmake --install "$out/build/qtbase"
    mark_done qtbase
}

# OpenSSL: only for reading the certificate a MySQL server shows, before the session, to compare its
# fingerprint (db/ServerCertificate.cpp). The sessions themselves use Windows' Schannel.
build_openssl() {
    done_before openssl && { echo "cached"; return 0; }
    rm -rf "$out/build/openssl"
    cp -a "$src/openssl" "$out/build/openssl"
    cd "$out/build/openssl"
    ./Configure mingw64 --cross-compile-prefix=$triplet- --prefix="$prefix" --libdir=lib \
        shared no-tests no-legacy no-engine no-module
    "${nice[@]}" make -j "$jobs" build_libs
    make install_dev install_runtime_libs
    mark_done openssl
}

# Connector/C, from MariaDB's source package: TLS over Schannel, so that Windows' own certificate
# store is the system's CAs; its log-in methods are built into the DLL, no plugin folder to ship.
build_mariadb() {
    done_before mariadb && { echo "cached"; return 0; }
    # Built for Windows 7's API: its chain engine settings (the CA file's own root store) have the
    # size both Windows and Wine take; Windows 8's add a field Wine refuses as an invalid parameter.
    cmake -S "$src/mariadb/libmariadb" -B "$out/build/mariadb" "${cross_cmake[@]}" \
        -DCMAKE_C_FLAGS="-D_WIN32_WINNT=0x0601 -DNTDDI_VERSION=0x06010000" \
        -DWITH_SSL=SCHANNEL -DWITH_EXTERNAL_ZLIB=ON -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF -DWITH_ICONV=OFF \
        -DCLIENT_PLUGIN_DIALOG=OFF -DCLIENT_PLUGIN_CLIENT_ED25519=STATIC \
        -DCLIENT_PLUGIN_CACHING_SHA2_PASSWORD=STATIC -DCLIENT_PLUGIN_SHA256_PASSWORD=STATIC \
        -DCLIENT_PLUGIN_AUTH_GSSAPI_CLIENT=OFF -DCLIENT_PLUGIN_MYSQL_CLEAR_PASSWORD=STATIC \
        -DCLIENT_PLUGIN_REMOTE_IO=OFF -DCLIENT_PLUGIN_PVIO_NPIPE=STATIC -DCLIENT_PLUGIN_PVIO_SHMEM=STATIC
    "${nice[@]}" cmake --build "$out/build/mariadb" -j "$jobs"
    cmake --install "$out/build/mariadb"
    # Connector/C writes no pkg-config file on Windows: Kestrel's CMakeLists asks pkg-config for one.
    mkdir -p "$prefix/lib/pkgconfig"
    cat >"$prefix/lib/pkgconfig/libmariadb.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib/mariadb
includedir=\${prefix}/include/mariadb

Name: libmariadb
Description: MariaDB Connector/C, cross-built for Windows
Version: 3
Libs: -L\${libdir} -llibmariadb
Cflags: -I\${includedir}
PC
    mark_done mariadb
}

build_libzip() {
    done_before libzip && { echo "cached"; return 0; }
    # Kestrel only reads zip files: no encryption, and zlib's Deflate alone.
    cmake -S "$src/libzip" -B "$out/build/libzip" "${cross_cmake[@]}" \
        -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF \
        -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF \
        -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF
    "${nice[@]}" cmake --build "$out/build/libzip" -j "$jobs"
    cmake --install "$out/build/libzip"
    mark_done libzip
}

build_cmark() {
    done_before cmark && { echo "cached"; return 0; }
    cmake -S "$src/cmark" -B "$out/build/cmark" "${cross_cmake[@]}" \
        -DCMARK_TESTS=OFF -DCMARK_STATIC=OFF -DCMARK_SHARED=ON
    "${nice[@]}" cmake --build "$out/build/cmark" -j "$jobs"
    cmake --install "$out/build/cmark"
    mark_done cmark
}

# GoogleTest, for the unit tests that run under Wine; static, as Debian ships it.
build_googletest() {
    done_before googletest && { echo "cached"; return 0; }
    cmake -S "$src/googletest" -B "$out/build/googletest" "${cross_cmake[@]}" -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
    "${nice[@]}" cmake --build "$out/build/googletest" -j "$jobs"
    cmake --install "$out/build/googletest"
    mark_done googletest
}

# ---- Kestrel itself
build_kestrel() {
    cmake -S "$top" -B "$out/kestrel" "${cross_cmake[@]}" -DCMAKE_PREFIX_PATH="$prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DKESTREL_BENCHMARKS=OFF -DBUILD_TESTING=ON
    "${nice[@]}" cmake --build "$out/kestrel" -j "$jobs" --target kestrel kestrel-cli
}

# ---- the zip
# DLLs every Windows has: a program may import them without shipping them.
system_dlls=" advapi32 authz bcrypt comctl32 comdlg32 crypt32 d3d11 d3d12 d3d9 dnsapi dwmapi dwrite dxgi gdi32
 imm32 iphlpapi kernel32 mpr msimg32 msvcrt mswsock ncrypt netapi32 normaliz ntdll ole32 oleacc oleaut32 opengl32
 powrprof propsys psapi rpcrt4 secur32 setupapi shcore shell32 shlwapi user32 userenv usp10 uxtheme version
 winhttp wininet winmm wintrust wldap32 ws2_32 wtsapi32 "
# Where the DLLs Kestrel's programs load come from: the prefix, and mingw's own runtime.
dll_dirs=("$prefix/bin" "$prefix/lib" "$prefix/lib/mariadb" "$(dirname "$($triplet-g++-posix -print-libgcc-file-name)")"
          /usr/$triplet/lib)

imported() { $triplet-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
is_system_dll() {
    local name=${1,,}
    name=${name%.dll}
    local list=" ${system_dlls//$'\n'/ } "
    [[ $list == *" $name "* || $name == api-ms-win-* ]]
}

# Copies into the folder each DLL its programs and plugins import, and those DLLs' own, until none is missing.
copy_dlls() {
    local folder=$1 changed=1 file dll dir found
    while [ $changed -eq 1 ]; do
        changed=0
        while IFS= read -r file; do
            for dll in $(imported "$file"); do
                is_system_dll "$dll" && continue
                [ -e "$folder/$dll" ] && continue
                found=
                for dir in "${dll_dirs[@]}"; do
                    [ -e "$dir/$dll" ] && { found=$dir/$dll; break; }
                done
                [ -n "$found" ] || { echo "windows.sh: no $dll, which $file imports" >&2; return 1; }
                cp "$found" "$folder/$dll"
                changed=1
            done
        done < <(find "$folder" -iname '*.exe' -o -iname '*.dll')
    done
}

# The zip holds only what it needs: whatever a program or DLL in it imports is in it, or is Windows'.
check_dlls() {
    local folder=$1 file dll bad=0
    while IFS= read -r file; do
        for dll in $(imported "$file"); do
            if ! is_system_dll "$dll" && [ ! -e "$folder/$dll" ]; then
                echo "windows.sh: ${file#"$folder"/} imports $dll, which is neither in the zip nor Windows'" >&2
                bad=1
            fi
        done
    done < <(find "$folder" -iname '*.exe' -o -iname '*.dll')
    # And nothing in it that nothing imports: each DLL at the top is loaded by a program or a plugin.
    local needed
    needed=$(find "$folder" -iname '*.exe' -o -iname '*.dll' | while IFS= read -r file; do imported "$file"; done |
             tr 'A-Z' 'a-z' | sort -u)
    for file in "$folder"/*.dll; do
        dll=$(basename "$file")
        grep -qxF "${dll,,}" <<<"$needed" || { echo "windows.sh: $dll is in the zip, but nothing loads it" >&2; bad=1; }
    done
    return $bad
}

zip_name=kestrel-windows-x86_64
package() {
    local folder=$out/zip/$zip_name
    rm -rf "$out/zip" "$out/$zip_name.zip"
    mkdir -p "$folder/platforms" "$folder/styles" "$folder/tls" "$folder/imageformats"
    cp "$out/kestrel/app/kestrel.exe" "$out/kestrel/cli/kestrel-cli.exe" "$folder/"
    # Qt's plugins, where Qt looks for them beside the program: the window's platform and style,
    # https over Schannel, and the image formats whose sizes attachments record.
    cp "$prefix/plugins/platforms/qwindows.dll" "$folder/platforms/"
    cp "$prefix/plugins/styles/qwindowsvistastyle.dll" "$folder/styles/"
    cp "$prefix/plugins/tls/qschannelbackend.dll" "$folder/tls/"
    for format in qjpeg qgif qico; do
        cp "$prefix/plugins/imageformats/$format.dll" "$folder/imageformats/"
    done
    copy_dlls "$folder"
    find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -exec $triplet-strip --strip-unneeded {} +
    # Qt's own buttons in Chinese, from Debian's translations.
    if [ -f /usr/share/qt6/translations/qtbase_zh_CN.qm ]; then
        mkdir -p "$folder/translations"
        cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$folder/translations/"
        printf '[Paths]\r\nPrefix = .\r\nTranslations = translations\r\n' >"$folder/qt.conf"
    fi
    mkdir -p "$folder/wordpress-plugin"
    cp -a "$top/wordpress-plugin/kestrel-redirects" "$top/wordpress-plugin/kestrel-receiver" "$folder/wordpress-plugin/"
    # Notepad reads UTF-8 with its mark and CRLF line ends.
    { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$top/packaging/windows/README.txt"; } >"$folder/README.txt"
    check_dlls "$folder"
    (cd "$out/zip" && zip -qr -X "$out/$zip_name.zip" "$zip_name")
    echo "$out/$zip_name.zip"
    unzip -l "$out/$zip_name.zip"
}

# ---- --check: the zip's programs under Wine, against a Linux MariaDB server and WordPress
checkdir=$out/check
export WINEPREFIX=$checkdir/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unpacked=$checkdir/$zip_name
linux_cli=$out/linux/cli/kestrel-cli
winpath() { winepath -w "$1" 2>/dev/null; }
# Wine's console handles stay out of the way: its programs write to our pipes as they are.
wine_run() { wine "$@" </dev/null; }

check_setup() {
    "$top/scripts/install-deps.sh" windows-check
    rm -rf "$unpacked"
    mkdir -p "$checkdir"
    (cd "$checkdir" && unzip -q "$out/$zip_name.zip")
    # The Linux kestrel-cli, whose run the Windows one must equal.
    cmake -S "$top" -B "$out/linux" -G Ninja -DBUILD_TESTING=OFF -DKESTREL_BENCHMARKS=OFF
    "${nice[@]}" cmake --build "$out/linux" -j "$jobs" --target kestrel-cli
    [ -d "$WINEPREFIX" ] || wineboot --init
    wineserver -w
    # Wine's own Tahoma, Windows' dialog font, where this Wine finds it. Without it Qt's default font
    # falls to the first family fontconfig lists (a math font here), whose tall lines leave an edit
    # box's text above its visible part.
    cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
}

check_help() {
    # The same help but for the program's path in its first line, and Qt's "-?", which Windows has too.
    wine_run "$unpacked/kestrel-cli.exe" --help | tr -d '\r' |
        sed '1s/：.*kestrel-cli\(\.exe\)\{0,1\} /：kestrel-cli /; s/^  -?, -h, --help    /  -h, --help        /' \
        >"$checkdir/help-windows.txt"
    "$linux_cli" --help | sed '1s/：.*kestrel-cli /：kestrel-cli /' >"$checkdir/help-linux.txt"
    cat "$checkdir/help-windows.txt"
    grep -q '数据库' "$checkdir/help-windows.txt"
    diff -u "$checkdir/help-linux.txt" "$checkdir/help-windows.txt"
}

server=$checkdir/server
start_server() {
    "$top/scripts/mariadb-server.sh" stop "$server" >/dev/null 2>&1 || true
    rm -rf "$server"
    port=$("$top/scripts/mariadb-server.sh" start "$server")
    export KESTREL_DB_PASSWORD_FILE=$server/root-password
}
stop_server() { "$top/scripts/mariadb-server.sh" stop "$server" >/dev/null 2>&1 || true; }

# view NAME DATABASE: what WordPress's API shows of DATABASE, in view-NAME.json; a user made by a
# run is registered "now", which no two runs share, and the installer's own user has a password
# hash salted anew by each install.
view() {
    local password
    password=$(cat "$KESTREL_DB_PASSWORD_FILE")
    WP_DB_PASSWORD=$password WP_ROOT="$checkdir/wordpress" WP_DB_HOST="127.0.0.1:$port" WP_DB_NAME="$2" \
        WP_TABLE_PREFIX=wp_ php "$top/scripts/wordpress/view.php" |
        php -r '$v = json_decode(stream_get_contents(STDIN), true);
                array_walk_recursive($v, function (&$value, $key) { if ($key === "registered") $value = ""; });
                foreach ($v["users"] as &$user) { if ($user["origin"] === "") $user["pass"] = ""; }
                echo json_encode($v, JSON_PRETTY_PRINT | JSON_UNESCAPED_UNICODE | JSON_UNESCAPED_SLASHES), "\n";' \
        >"$checkdir/view-$1.json"
}

# The options of one run into WordPress database $1, the passwords in the server's file.
run_options() {
    local passwords=$2
    echo --emlog-server=127.0.0.1:$port --emlog-database=emlog_sample \
        --wp-server=127.0.0.1:$port --wp-database="$1" \
        --emlog-password-file="$passwords" --wp-password-file="$passwords" --yes --pacing=none --empty-first
}

check_runs() {
    start_server
    "$top/scripts/sample/load-emlog.sh" "127.0.0.1:$port" emlog_sample
    for database in wp_linux wp_windows wp_backup; do
        "$top/scripts/wordpress.sh" install "$checkdir" "127.0.0.1:$port" "$database"
    done
    local passwords
    passwords=$(winpath "$KESTREL_DB_PASSWORD_FILE")
    echo "-- the Linux run"
    # shellcheck disable=SC2046
    # 1: some rows failed, as the sample's broken rows do.
    "$linux_cli" $(run_options wp_linux "$KESTREL_DB_PASSWORD_FILE") --backup-dir="$checkdir/backups" || [ $? -eq 1 ]
    view linux wp_linux

    echo "-- kestrel-cli.exe, from the server"
    rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/kestrel"
    # shellcheck disable=SC2046
    { wine_run "$unpacked/kestrel-cli.exe" $(run_options wp_windows "$passwords") || [ $? -eq 1 ]; } | tr -d '\r'
    view windows wp_windows
    diff -u "$checkdir/view-linux.json" "$checkdir/view-windows.json"
    echo "WordPress's API shows the same blog as after the Linux run"
    # Emptying first kept its backup in the user's data folder, as Windows has it.
    ls "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/kestrel/"wordpress-wp_windows-*.sql

    echo "-- kestrel-cli.exe, from the sample's backup file"
    mariadb-dump --no-defaults -h127.0.0.1 -P"$port" -uroot -p"$(cat "$KESTREL_DB_PASSWORD_FILE")" \
        --default-character-set=utf8mb4 emlog_sample >"$checkdir/emlog-sample.sql"
    # shellcheck disable=SC2046
    { wine_run "$unpacked/kestrel-cli.exe" $(run_options wp_backup "$passwords") \
        --emlog-backup="$(winpath "$checkdir/emlog-sample.sql")" || [ $? -eq 1 ]; } | tr -d '\r'
    view backup wp_backup
    diff -u "$checkdir/view-linux.json" "$checkdir/view-backup.json"
    echo "WordPress's API shows the same blog as after the Linux run"
    stop_server
}

# The TLS rules as on Linux: against servers "across a network" (127.0.0.2), one with a certificate
# of a CA of our own and one self-signed, kestrel-cli.exe --check connects or refuses exactly when
# the Linux kestrel-cli does. Schannel checks chains and names, OpenSSL reads the fingerprint.
check_tls() {
    local tls=$checkdir/tls newKey="openssl req -newkey rsa:2048 -nodes -days 2"
    rm -rf "$tls" && mkdir -p "$tls"
    (cd "$tls" &&
        $newKey -x509 -subj '/CN=Kestrel check CA' -keyout ca.key -out ca.pem &&
        $newKey -subj '/CN=127.0.0.2' -keyout server.key -out server.csr &&
        # Wine's check of the name reads only DNS names; Windows and OpenSSL take the address too.
        echo 'subjectAltName=IP:127.0.0.2,DNS:127.0.0.2' >server.ext &&
        openssl x509 -req -days 2 -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -extfile server.ext \
            -out server.pem &&
        $newKey -x509 -subj '/CN=127.0.0.2' -addext 'subjectAltName=IP:127.0.0.2' -keyout self.key -out self.pem
    ) 2>/dev/null
    local fingerprint wrong signed_port self_port
    fingerprint=$(openssl x509 -noout -fingerprint -sha256 -in "$tls/self.pem" | cut -d= -f2)
    wrong=00${fingerprint:2}
    signed_port=$(MARIADB_OPTIONS="--bind-address=127.0.0.1,127.0.0.2 --ssl-ca=$tls/ca.pem --ssl-cert=$tls/server.pem --ssl-key=$tls/server.key" \
        "$top/scripts/mariadb-server.sh" start "$tls/signed")
    self_port=$(MARIADB_OPTIONS="--bind-address=127.0.0.1,127.0.0.2 --ssl-cert=$tls/self.pem --ssl-key=$tls/self.key" \
        "$top/scripts/mariadb-server.sh" start "$tls/self")
    local failed=0 what server options linux windows
    while IFS='|' read -r what server options; do
        local passwords=$tls/$server/root-password port=$self_port
        [ "$server" = signed ] && port=$signed_port
        linux=0 windows=0
        KESTREL_EMLOG_PASSWORD=$(cat "$passwords") KESTREL_WP_PASSWORD=$(cat "$passwords") \
            "$linux_cli" --emlog-server=127.0.0.2:$port --emlog-database=mysql --wp-server=127.0.0.2:$port \
            --wp-database=mysql ${options//@DIR@/$tls} --check >"$tls/linux.txt" 2>&1 || linux=$?
        KESTREL_EMLOG_PASSWORD=$(cat "$passwords") KESTREL_WP_PASSWORD=$(cat "$passwords") \
            wine_run "$unpacked/kestrel-cli.exe" --emlog-server=127.0.0.2:$port --emlog-database=mysql \
            --wp-server=127.0.0.2:$port --wp-database=mysql ${options//@DIR@/$(winpath "$tls")} --check \
            >"$tls/windows.txt" 2>&1 || windows=$?
        local refused_linux refused_windows
        refused_linux=$(grep -c -E 'refused the server|拒绝连接服务器' "$tls/linux.txt" || true)
        refused_windows=$(grep -c -E 'refused the server|拒绝连接服务器' "$tls/windows.txt" || true)
        printf '%-48s Linux: exit %s, %s refusals; Windows: exit %s, %s refusals\n' "$what" \
            "$linux" "$refused_linux" "$windows" "$refused_windows"
        if [ "$linux" != "$windows" ] || [ "$refused_linux" != "$refused_windows" ]; then
            failed=1
            tr -d '\r' <"$tls/windows.txt" | grep -E 'refused|拒绝' | head -n 2 || true
        fi
    done <<EOF
a CA's certificate, that CA given|signed|--emlog-ca=@DIR@/ca.pem --wp-ca=@DIR@/ca.pem
a CA's certificate, the system's CAs|signed|
self-signed, its fingerprint|self|--emlog-tls-fingerprint=$fingerprint --wp-tls-fingerprint=$fingerprint
self-signed, another fingerprint|self|--emlog-tls-fingerprint=$wrong --wp-tls-fingerprint=$wrong
self-signed, the CA given|self|--emlog-ca=@DIR@/ca.pem --wp-ca=@DIR@/ca.pem
EOF
    "$top/scripts/mariadb-server.sh" stop "$tls/signed"
    "$top/scripts/mariadb-server.sh" stop "$tls/self"
    return $failed
}

# The unit tests that need no server, PHP or terminal, as Windows programs. They find their DLLs
# in the unpacked zip, as the programs do.
check_unit() {
    local tests=(text_tests backup_tests migrations_tests) test
    "${nice[@]}" cmake --build "$out/kestrel" -j "$jobs" --target "${tests[@]}"
    for test in "${tests[@]}"; do
        cp "$(find "$out/kestrel/tests" -name "$test.exe")" "$unpacked/"
        echo "-- $test.exe"
        (cd "$unpacked" && wine_run "./$test.exe") | tr -d '\r' | grep -E '^\[(==========|  PASSED|  FAILED)'
        [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
        rm "$unpacked/$test.exe"
    done
}

check_window() {
    local output=$top/docs/window-windows.png
    # A Wine started by the earlier stages, without a display, would keep this one from showing a window.
    wineserver -k 2>/dev/null || true
    wineserver -w
    xvfb-run -a -s "-screen 0 800x500x24" bash -c '
        wine "$0" & program=$!
        # Wine may take a while to start; once the window is there, it is given time to paint.
        for _ in $(seq 60); do
            id=$(xwininfo -root -tree | awk "/\"Kestrel1.0 /{print \$1; exit}")
            [ -n "$id" ] && break
            sleep 1
        done
        [ -n "$id" ] || { echo "no window"; xwininfo -root -tree; kill $program; exit 1; }
        sleep 4
        xwd -silent -id "$id" | xwdtopnm 2>/dev/null | pnmtopng >"$1"
        kill $program
    ' "$unpacked/kestrel.exe" "$output"
    wineserver -k || true
    echo "wrote $output"
}

stage tools tools
stage sources sources
stage qtbase build_qtbase
stage openssl build_openssl
stage mariadb build_mariadb
stage libzip build_libzip
stage cmark build_cmark
stage googletest build_googletest
stage kestrel build_kestrel
stage zip package
if [ -n "$check" ]; then
    trap stop_server EXIT
    stage setup check_setup
    stage help check_help
    stage runs check_runs
    stage tls check_tls
    stage unit check_unit
    stage window check_window
fi

echo "== stage times (min:s)"
printf '   %s\n' "${timings[@]}"
exit
}
