#!/usr/bin/env bash
# The Windows build's checks under Wine (Debian's wine, in an Xvfb display),
# after tools/windows/build.sh:
#   1. the unit tests through CTest, Wine as the cross-compiling emulator;
#   2. the road: vestra.exe from the installed folder finds the simulator on
#      COM5, "Request Data", the six readings, "Make Report"; the PDF, the
#      test history and the register line in the Wine user's
#      Documents\VESTRA_Reports; the PDF's text equal to the Linux
#      vestra-report's reprint of the same test, its reprint line aside;
#   3. "About..." of the window's system menu opens the About dialog;
#   4. vestra-decode.exe prints what the Linux build prints (plain, --json);
#   5. vestra-report.exe list and reprint on the history vestra.exe wrote;
#   6. --help and --version of both tools;
#   and screenshots of the window and the About dialog under Wine.
# Prints one PASS or FAIL line per check and exits non-zero on any FAIL.
#
# usage: tools/windows/test.sh
#   VESTRA_WINDOWS_KIT, VESTRA_WINDOWS_BUILD  as for build.sh
#   VESTRA_LINUX_BUILD   Linux build for the simulator and the reference
#                        output (default build, as tools/run.sh)
#   VESTRA_WINE_SHOTS    where the screenshots go (default <build>/wine-shots)
set -uo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
kit=${VESTRA_WINDOWS_KIT:-$HOME/.cache/vestra-windows-kit}
build=${VESTRA_WINDOWS_BUILD:-$repo/build-windows}
linux=${VESTRA_LINUX_BUILD:-$repo/build}
shots=${VESTRA_WINE_SHOTS:-$build/wine-shots}
work=$build/wine-check
deploy=$build/deploy

die() {
    printf 'test.sh: %s\n' "$*" >&2
    exit 2
}
bash "$repo/tools/install-deps.sh" --wine || die "installing the packages failed"
for tool in wine Xvfb import pdftotext xdotool; do
    command -v $tool >/dev/null || die "$tool is missing (Debian: wine, xvfb, imagemagick, poppler-utils, xdotool)"
done
[ -f "$deploy/vestra.exe" ] || die "no $deploy/vestra.exe: run tools/windows/build.sh first"

failures=0
check() { # check NAME CONDITION-RESULT [DETAIL]
    if [ "$2" -eq 0 ]; then
        echo "PASS: $1${3:+ ($3)}"
    else
        echo "FAIL: $1${3:+ ($3)}"
        failures=$((failures + 1))
    fi
}
winpath() { printf 'Z:%s' "${1//\//\\}"; }

echo "== $(date +%H:%M:%S): Linux programs for the simulator and the reference output ($linux)"
if [ ! -f "$linux/build.ninja" ]; then
    cmake -S "$repo" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null || die "configuring $linux failed"
fi
cmake --build "$linux" --parallel 2 --target vestra-sim vestra-decode vestra-report >/dev/null ||
    die "building the Linux programs failed"

rm -rf "$work"
mkdir -p "$work/home" "$shots"
# A prefix of its own and a home of its own: Wine links the user's Documents to
# $HOME/Documents when there is one.
export WINEPREFIX=$work/prefix HOME=$work/home WINEDEBUG=-all WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winebrowser.exe="
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wineserver -k 2>/dev/null
}
trap cleanup EXIT

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

echo "== $(date +%H:%M:%S): Wine prefix"
wineboot -i >/dev/null 2>&1 || die "wineboot failed"
# Windows has Arial, which the form and the report are laid out for; Wine has
# not. As Linux's fontconfig does, Liberation Sans, its metric twin, stands in.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ /d 'Liberation Sans' /f \
    >/dev/null 2>&1 || die "setting Wine's font replacement failed"

# --- 1. unit tests -------------------------------------------------------------
echo "== $(date +%H:%M:%S): unit tests through CTest under Wine"
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
pthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
WINEPATH="$(winpath "$kit/qt6/bin");$(winpath "$kit/libcsv/bin");$(winpath "$runtime");$(winpath "$pthread")" \
    ctest --test-dir "$build" --output-on-failure --timeout 300 >"$work/ctest.log" 2>&1
status=$?
summary=$(grep -E 'tests passed|tests failed' "$work/ctest.log" | tail -n 1)
check "unit tests under Wine" $status "$summary"
[ $status -eq 0 ] || tail -n 40 "$work/ctest.log"

# --- 2, 3. the road and the About dialog --------------------------------------
echo "== $(date +%H:%M:%S): vestra.exe on COM5, the simulator behind it"
"$linux/tools/vestra-sim" --link "$WINEPREFIX/dosdevices/com5" >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 50); do [ -L "$WINEPREFIX/dosdevices/com5" ] && break; sleep 0.1; done
drive=$work/drive.log
# Only the installed folder on the way: no WINEPATH, so a missing DLL shows.
(cd "$deploy" && VESTRA_PORTS=COM5 WINEQT_FORCE_STDERR_LOGGING=1 \
    WINEQT_PLUGIN_PATH="$(winpath "$build/winetest")" WINEQT_QPA_GENERIC_PLUGINS=vestrawinetest \
    VESTRA_WINE_DRIVE="$(winpath "$drive")" wine ./vestra.exe >"$work/vestra.out" 2>"$work/vestra.err") &
app=$!
pids+=($app)
wait_for() { # wait_for TEXT SECONDS
    local i
    for i in $(seq $(($2 * 10))); do
        grep -q "$1" "$drive" 2>/dev/null && return 0
        grep -q '^FAIL' "$drive" 2>/dev/null && return 1
        kill -0 $app 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
if wait_for 'screenshot: window' 120; then
    import -window root "$shots/vestra-window.png"
    touch "$drive.go"
fi
if wait_for 'screenshot: about' 60; then
    import -window root "$shots/vestra-about.png"
    touch "$drive.go2"
fi
for _ in $(seq 300); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
if kill -0 $app 2>/dev/null; then
    echo "   vestra.exe still runs: ended"
    kill $app
    wineserver -k
fi
wait $app
app_status=$?
echo "   driver's log:"
sed 's/^/     /' "$drive" 2>/dev/null

grep -q '^search: VESTRA found at port: COM5' "$drive"
check "port search finds the simulator on COM5" $? "$(grep -m1 '^search:' "$drive")"
readings=$(grep -c '^reading .*: .' "$drive")
grep -q '^reading TxtLabelHexMsg: FFFED090121E24003C40AAB3D13794C2A4D6$' "$drive" &&
    grep -q '^reading TxtLabelFreq: .*406.0312' "$drive"
check "Request Data: six readings, the simulator's hex and frequency among them" $? "$readings readings"
# Documents is a link (to $HOME) that find would not follow.
folder=
for d in "$WINEPREFIX"/drive_c/users/*/Documents/VESTRA_Reports; do [ -d "$d" ] && folder=$d; done
reports=$(ls "$folder"/*.pdf 2>/dev/null | head -n 1)
register=$folder/test-register.csv
history=$folder/test-history.sqlite
[ -f "$history" ] || history=
[ -n "$reports" ] && [ -n "$history" ] && [ -f "$register" ] && [ "$(wc -l <"$register")" -eq 2 ] &&
    grep -q '^status: Test history: saved as test 1$' "$drive"
check "Make Report: PDF, test history and register line in Documents\\VESTRA_Reports" $? \
    "$(cd "$folder" 2>/dev/null && ls | tr '\n' ' ')"
if [ -n "$history" ]; then
    "$linux/cli/vestra-report" reprint --history "$history" --test 1 -o "$work/linux.pdf" >/dev/null
    # A reprint says when it was made, on a line of its own at the left
    # margin, which moves pdftotext's columns; the test's own date and time,
    # from the register, must agree too.
    nodate() { pdftotext -layout "$1" - | grep -v '^Reprinted from the test history on ' | sed 's/^ *//'; }
    diff <(nodate "$reports") <(nodate "$work/linux.pdf") >"$work/pdf.diff"
    check "PDF text equals the Linux program's for the same test, reprint line aside" $? \
        "$(pdftotext "$reports" - | wc -l) lines"
else
    check "PDF text equals the Linux program's for the same test, reprint line aside" 1 "no history"
fi
grep -q '^about: open, Version: ' "$drive" && grep -q '^system menu: About\.\.\.' "$drive"
check "About... in the system menu opens the About dialog" $? "$(grep -m1 '^about:' "$drive")"
grep -q '^done$' "$drive" && [ $app_status -eq 0 ] && ! grep -q '^message box:' "$drive"
check "the road ends without a message box or an error" $? "exit status $app_status"

# --- 4. vestra-decode ---------------------------------------------------------------
echo "== $(date +%H:%M:%S): vestra-decode.exe against the Linux build"
# Every message and beacon ID the tests and README name, and each again with
# one hexadecimal digit changed, at every place in turn (most messages then
# fail their codes, some are corrected; an ID stays an ID).
grep -rhoE '\b[0-9A-F]{15,36}\b' "$repo/tests" "$repo/README.md" | sort -u >"$work/base.txt"
awk '{ print; for (i = 1; i <= length($0); i++) {
        d = index("0123456789ABCDEF", substr($0, i, 1))
        printf "%s%s%s\n", substr($0, 1, i - 1), substr("1032547698BADCFE", d, 1), substr($0, i + 1) } }' \
    "$work/base.txt" >"$work/messages.txt"
inputs=$(wc -l <"$work/messages.txt")
for mode in plain json; do
    flag=()
    [ $mode = json ] && flag=(--json)
    "$linux/cli/vestra-decode" "${flag[@]}" <"$work/messages.txt" >"$work/decode-linux.$mode"
    (cd "$deploy" && wine ./vestra-decode.exe "${flag[@]}" <"$work/messages.txt" | tr -d '\r' >"$work/decode-windows.$mode")
    cmp -s "$work/decode-linux.$mode" "$work/decode-windows.$mode"
    check "vestra-decode.exe ${flag[*]:-plain} equals Linux on $inputs inputs, CR LF aside" $? \
        "$(wc -c <"$work/decode-windows.$mode") bytes"
done

# --- 5. vestra-report --------------------------------------------------------------
echo "== $(date +%H:%M:%S): vestra-report.exe on the history vestra.exe wrote"
if [ -n "$history" ]; then
    winhistory=$(winpath "$history")
    (cd "$deploy" && wine ./vestra-report.exe list --history "$winhistory" | tr -d '\r' >"$work/list-windows.txt")
    "$linux/cli/vestra-report" list --history "$history" >"$work/list-linux.txt"
    [ -s "$work/list-windows.txt" ] && cmp -s "$work/list-windows.txt" "$work/list-linux.txt"
    check "vestra-report.exe list equals the Linux list" $? "$(head -c 60 "$work/list-windows.txt")..."
    (cd "$work" && wine "$deploy/vestra-report.exe" reprint --history "$winhistory" --test 1 -o windows-reprint.pdf >"$work/reprint.out" 2>&1)
    diff <(nodate "$work/windows-reprint.pdf" 2>/dev/null) <(nodate "$work/linux.pdf") >/dev/null &&
        grep -q 'windows-reprint.pdf' "$work/reprint.out"
    check "vestra-report.exe reprint: the same text as Linux's reprint" $? "$(tr -d '\r' <"$work/reprint.out")"
fi

# --- 6. --help and --version ---------------------------------------------------------
echo "== $(date +%H:%M:%S): --help and --version"
for program in cli/vestra-decode cli/vestra-report; do
    name=${program#*/}
    (cd "$deploy" && wine ./$name.exe --version | tr -d '\r' >"$work/$name.version")
    [ "$(cat "$work/$name.version")" = "$("$linux/$program" --version)" ]
    check "$name.exe --version on standard output" $? "$(cat "$work/$name.version")"
    # The usage line names the program as it was started; Qt adds "-?" to
    # the help option on Windows, and the option column is widened for it.
    (cd "$deploy" && wine ./$name.exe --help | tr -d '\r' >"$work/$name.help")
    options() { sed 's/^  -?, /  /' | tr -s ' '; }
    head -n 1 "$work/$name.help" | grep -q "^Usage: .*$name" &&
        diff <(tail -n +2 "$work/$name.help" | options) <("$linux/$program" --help | tail -n +2 | options) >/dev/null
    check "$name.exe --help on standard output, as on Linux" $? "$(head -n 1 "$work/$name.help")"
done

echo
echo "screenshots: $shots/vestra-window.png $shots/vestra-about.png"
if [ $failures -eq 0 ]; then
    echo "All Wine checks passed."
else
    echo "$failures Wine check(s) failed; logs in $work"
fi
[ $failures -eq 0 ]
