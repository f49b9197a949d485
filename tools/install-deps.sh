#!/usr/bin/env bash
# Installs the Debian packages this project needs, only those that are
# missing. Run as root (or with sudo available).
#
#   bash tools/install-deps.sh             building, running and packaging
#   bash tools/install-deps.sh --testing   the above plus the test tools
#   bash tools/install-deps.sh --windows   the above plus the Windows cross build
#   bash tools/install-deps.sh --wine      the above plus the Windows checks
#
# Further arguments are extra packages, e.g. "lintian" or "xvfb xauth".
set -euo pipefail

# Build and run the programs, and build the .deb (dpkg-shlibdeps from
# dpkg-dev, help2man for the manual pages, file for cpack). libcsv reads and
# writes the test register's CSV; the test history is an SQLite database read
# through Qt's SQLite driver; rapidjson-dev is vestra-decode's JSON writer,
# headers only.
running=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev qt6-qpa-plugins
    libqt6sql6-sqlite
    libcsv-dev rapidjson-dev fonts-liberation2
    dpkg-dev help2man file
)
# The test suite: benchmarks, PDF text checks, a virtual display, the fuzzer.
testing=(
    libbenchmark-dev poppler-utils xvfb xauth
    clang libclang-rt-14-dev
)

# tools/windows/build.sh: MinGW-w64 with POSIX threads, tcl for SQLite's
# amalgamation, NSIS and zip for the installer and the zip.
windows=(
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
    tcl nsis zip
)
# tools/windows/test.sh: Wine in a virtual display, screenshots, PDF text.
wine=(wine wine64 xvfb xdotool imagemagick poppler-utils)

packages=("${running[@]}")
case "${1:-}" in
--testing) packages+=("${testing[@]}") && shift ;;
--windows) packages+=("${windows[@]}") && shift ;;
--wine) packages+=("${windows[@]}" "${wine[@]}") && shift ;;
esac
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
