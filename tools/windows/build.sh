#!/usr/bin/env bash
# The Windows build, made on Debian 12 from Debian's own packages:
#   1. the kit (once, cached): Qt 6.4.2's qtbase from Debian's qt6-base source,
#      Qt Serial Port 6.4.2, libcsv as a DLL, all cross-built with MinGW-w64;
#   2. vestra.exe, vestra-decode.exe, vestra-report.exe and the unit tests;
#   3. the folder a technician gets, its NSIS installer and its zip (CPack).
#
# usage: tools/windows/build.sh [--kit-only]
#   VESTRA_WINDOWS_KIT    kit cache (default ~/.cache/vestra-windows-kit)
#   VESTRA_WINDOWS_BUILD  build folder of the programs (default build-windows)
#   VESTRA_THIRD_PARTY    where qtserialport-everywhere-src-6.4.2.tar.xz lies
#                         when apt-get source qt6-serialport is not served
#                         (default ../shared/third-party beside the repo)
#   VESTRA_JOBS           parallel jobs (default 2)
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
kit=${VESTRA_WINDOWS_KIT:-$HOME/.cache/vestra-windows-kit}
build=${VESTRA_WINDOWS_BUILD:-$repo/build-windows}
third_party=${VESTRA_THIRD_PARTY:-$repo/../shared/third-party}
jobs=${VESTRA_JOBS:-2}
qt_version=6.4.2
serialport_sha256=682626d3ae07074df0f707dab880f1eab1c133a04d5bed688a3ec63af305ae89
triple=x86_64-w64-mingw32

qt=$kit/qt6         # the Windows Qt (qtbase + serial port), installed
csv=$kit/libcsv     # libcsv DLL, import library and header
src=$kit/src
logs=$kit/logs
toolchain=$kit/mingw-w64-x86_64.cmake

step() { printf '\n== %s: %s\n' "$(date +%H:%M:%S)" "$*"; }
die() {
    printf 'build.sh: %s\n' "$*" >&2
    exit 1
}
need() { command -v "$1" >/dev/null || die "$1 is missing; install the Debian package $2"; }

# Runs a long step with its output in a log; on failure shows the log's end.
logged() {
    local name=$1
    shift
    mkdir -p "$logs"
    if ! "$@" >"$logs/$name.log" 2>&1; then
        tail -n 40 "$logs/$name.log" >&2
        die "$name failed; the whole log is $logs/$name.log"
    fi
}

# Ninja's progress, a line every 100 steps, so a long build shows how far it is.
ninja_build() {
    local name=$1 dir=$2 line rc
    mkdir -p "$logs"
    set +e
    cmake --build "$dir" --parallel "$jobs" 2>&1 | tee "$logs/$name.log" | while IFS= read -r line; do
        if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]] &&
            { [ $((BASH_REMATCH[1] % 100)) -eq 0 ] || [ "${BASH_REMATCH[1]}" = "${BASH_REMATCH[2]}" ]; }; then
            echo "   $name: step ${BASH_REMATCH[1]} of ${BASH_REMATCH[2]}"
        fi
    done
    rc=${PIPESTATUS[0]}
    set -e
    if [ "$rc" -ne 0 ]; then
        grep -m 20 -B 2 -A 8 -E 'error:|FAILED:' "$logs/$name.log" >&2 || tail -n 40 "$logs/$name.log" >&2
        die "$name failed; the whole log is $logs/$name.log"
    fi
}

check_tools() {
    need ${triple}-g++-posix g++-mingw-w64-x86-64-posix
    need ${triple}-gcc-posix gcc-mingw-w64-x86-64-posix
    need ${triple}-windres binutils-mingw-w64-x86-64
    need cmake cmake
    need ninja ninja-build
    need dpkg-source dpkg-dev
    [ -x /usr/lib/qt6/libexec/moc ] || die "Debian's Qt host tools are missing; install qt6-base-dev qt6-base-dev-tools"
    local host_qt
    host_qt=$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)
    case $host_qt in
    "$qt_version"*) ;;
    *) die "the host tools must be Qt $qt_version (qt6-base-dev is '${host_qt:-not installed}')" ;;
    esac
}

# apt-get source needs a deb-src entry; Debian 12's images ship only deb.
ensure_deb_src() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return
    fi
    [ "$(id -u)" -eq 0 ] || die "no deb-src entry for bookworm and not root to add one; add 'deb-src http://deb.debian.org/debian bookworm main' and run apt-get update"
    step "adding a deb-src entry for bookworm (/etc/apt/sources.list.d/vestra-deb-src.sources)"
    cat >/etc/apt/sources.list.d/vestra-deb-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
    logged apt-update apt-get update
}

# Prints the folder of the unpacked source package $1 under $src.
debian_source() {
    local pkg=$1 dir
    dir=$(find "$src" -maxdepth 1 -type d -name "$pkg-*" 2>/dev/null | head -n 1)
    if [ -z "$dir" ]; then
        mkdir -p "$src"
        (cd "$src" && apt-get source "$pkg" >"$logs/source-$pkg.log" 2>&1) || return 1
        dir=$(find "$src" -maxdepth 1 -type d -name "$pkg-*" | head -n 1)
    fi
    [ -n "$dir" ] && echo "$dir"
}

# Debian's +dfsg qtbase leaves out src/3rdparty/sqlite; the SQL plugin gets
# the same amalgamation made from Debian's own sqlite3 source (3.40.1).
sqlite_into_qtbase() {
    local qtbase=$1
    [ -f "$qtbase/src/3rdparty/sqlite/sqlite3.c" ] && return
    step "SQLite for Qt's SQL plugin: Debian's source package sqlite3, its amalgamation"
    need tclsh tcl
    local dir
    dir=$(debian_source sqlite3) || die "apt-get source sqlite3 failed; see $logs/source-sqlite3.log"
    echo "   source: $dir"
    mkdir -p "$kit/build/sqlite"
    logged sqlite-configure sh -c "cd '$kit/build/sqlite' && '$dir/configure' --disable-tcl"
    logged sqlite-amalgamation make -C "$kit/build/sqlite" sqlite3.c
    mkdir -p "$qtbase/src/3rdparty/sqlite"
    cp "$kit/build/sqlite/sqlite3.c" "$kit/build/sqlite/sqlite3.h" "$qtbase/src/3rdparty/sqlite/"
}

build_qtbase() {
    if [ -f "$qt/.vestra-qtbase-done" ]; then
        echo "   qtbase $qt_version: cached in $qt"
        return
    fi
    step "qtbase $qt_version: Debian's source package qt6-base"
    local dir
    dir=$(debian_source qt6-base) || die "apt-get source qt6-base failed; see $logs/source-qt6-base.log"
    echo "   source: $dir"
    sqlite_into_qtbase "$dir"
    step "qtbase: configuring for $triple (log $logs/qtbase-configure.log)"
    # Only what the program uses; Qt's bundled libraries, none of the host's.
    # Debian's +dfsg tree has no src/3rdparty/wintab, hence no tablet events;
    # with OpenGL off the Windows plugin still builds its dynamic-GL branch
    # unless dynamicgl is off too. Qt 6.4.2 builds its DirectWrite font
    # database only with Direct2D, which MinGW lacks, yet the Windows plugin
    # calls it with DirectWrite 3 alone: off (GDI's database is the default).
    logged qtbase-configure cmake -S "$dir" -B "$kit/build/qtbase" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$qt" \
        -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DBUILD_SHARED_LIBS=ON \
        -DFEATURE_pkg_config=OFF \
        -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_opengles2=OFF \
        -DFEATURE_tabletevent=OFF \
        -DFEATURE_dbus=OFF \
        -DFEATURE_network=OFF \
        -DFEATURE_printsupport=OFF \
        -DFEATURE_concurrent=OFF \
        -DFEATURE_xml=OFF \
        -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF \
        -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF \
        -DFEATURE_sql_ibase=OFF -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF \
        -DFEATURE_system_pcre2=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_jpeg=OFF \
        -DFEATURE_system_doubleconversion=OFF \
        -DFEATURE_freetype=ON -DFEATURE_harfbuzz=ON -DFEATURE_png=ON \
        -DFEATURE_icu=OFF \
        -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF \

    step "qtbase: building ($jobs jobs; some 1,100 steps, 40 to 50 minutes on two cores)"
    ninja_build qtbase "$kit/build/qtbase"
    step "qtbase: installing into $qt"
    logged qtbase-install cmake --install "$kit/build/qtbase"
    touch "$qt/.vestra-qtbase-done"
}

build_serialport() {
    if [ -f "$qt/.vestra-serialport-done" ]; then
        echo "   Qt Serial Port $qt_version: cached in $qt"
        return
    fi
    step "Qt Serial Port $qt_version"
    local dir
    if dir=$(debian_source qt6-serialport); then
        echo "   source: Debian's qt6-serialport, $dir"
    else
        local tarball=$third_party/qtserialport-everywhere-src-$qt_version.tar.xz
        echo "   apt-get source qt6-serialport is not served here; taking $tarball"
        [ -f "$tarball" ] || die "no $tarball; set VESTRA_THIRD_PARTY to the folder that holds it"
        echo "$serialport_sha256  $tarball" | sha256sum -c --quiet - ||
            die "$tarball does not have the expected sha256 $serialport_sha256"
        dir=$src/qtserialport-everywhere-src-$qt_version
        [ -d "$dir" ] || tar -xJf "$tarball" -C "$src"
    fi
    step "Qt Serial Port: configuring and building"
    logged serialport-configure cmake -S "$dir" -B "$kit/build/qtserialport" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$qt" \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    ninja_build qtserialport "$kit/build/qtserialport"
    logged serialport-install cmake --install "$kit/build/qtserialport"
    touch "$qt/.vestra-serialport-done"
}

# libcsv is one C file; built as a DLL (it is LGPL) with an import library.
build_libcsv() {
    if [ -f "$csv/.vestra-libcsv-done" ]; then
        echo "   libcsv: cached in $csv"
        return
    fi
    step "libcsv: Debian's source package libcsv, built as a DLL"
    local dir
    dir=$(debian_source libcsv) || die "apt-get source libcsv failed; see $logs/source-libcsv.log"
    echo "   source: $dir"
    mkdir -p "$csv/bin" "$csv/lib" "$csv/include" "$csv/share/licenses/libcsv"
    logged libcsv ${triple}-gcc-posix -O2 -shared -I"$dir" -o "$csv/bin/libcsv-3.dll" \
        "$dir/libcsv.c" -Wl,--out-implib,"$csv/lib/libcsv.dll.a"
    cp "$dir/csv.h" "$csv/include/"
    cp "$dir/COPYING.LESSER" "$csv/share/licenses/libcsv/" 2>/dev/null || cp "$dir/COPYING"* "$csv/share/licenses/libcsv/"
    touch "$csv/.vestra-libcsv-done"
}

build_kit() {
    mkdir -p "$kit" "$src" "$logs"
    cp "$repo/tools/windows/mingw-w64-x86_64.cmake" "$toolchain"
    ensure_deb_src
    build_qtbase
    build_serialport
    build_libcsv
}

# RapidJSON is header-only and the same on every platform; the cross build
# sees only this copy, never the rest of /usr/include.
rapidjson_headers() {
    [ -f /usr/include/rapidjson/writer.h ] || die "RapidJSON is missing; install the Debian package rapidjson-dev"
    rm -rf "$kit/rapidjson"
    mkdir -p "$kit/rapidjson/include"
    cp -r /usr/include/rapidjson "$kit/rapidjson/include/"
}

build_programs() {
    step "programs and unit tests for Windows: $build"
    rapidjson_headers
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    logged programs-configure cmake -S "$repo" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_TESTING=ON \
        "${launcher[@]}" \
        -DVESTRA_CSV_INCLUDE_DIR="$csv/include" \
        -DVESTRA_CSV_LIBRARY="$csv/lib/libcsv.dll.a" \
        -DRAPIDJSON_INCLUDE_DIR="$kit/rapidjson/include" \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$(command -v wine || echo wine)"
    ninja_build programs "$build"
    local exe
    # Qt gathers the programs and DLLs of a Windows build in the top folder.
    for exe in vestra.exe vestra-decode.exe vestra-report.exe winetest/generic/vestrawinetest.dll; do
        [ -f "$build/$exe" ] || die "$build/$exe was not built"
    done
}

package() {
    need makensis nsis
    need zip zip
    step "installer and zip (CPack: NSIS and ZIP)"
    rm -rf "$build/_CPack_Packages"
    logged cpack sh -c "cd '$build' && cpack -C Release"
    local f
    for f in "$build"/kova-vestra-*-win64.exe "$build"/kova-vestra-*-win64.zip; do
        [ -f "$f" ] || die "cpack made no $(basename "$f"); see $logs/cpack.log"
        echo "   $f ($(du -h "$f" | cut -f1))"
    done
    # The folder a technician gets, unpacked, for tools/windows/test.sh.
    rm -rf "$build/deploy"
    logged deploy cmake --install "$build" --prefix "$build/deploy" --strip
}

start=$(date +%s)
bash "$repo/tools/install-deps.sh" --windows
check_tools
step "kit: $kit"
build_kit
if [ "${1:-}" = --kit-only ]; then
    step "kit ready ($(($(date +%s) - start)) s)"
    exit 0
fi
build_programs
package
step "done in $(($(date +%s) - start)) s: $build/deploy, the installer and the zip"
