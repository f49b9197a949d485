#!/usr/bin/env bash
# Install what is missing, build, start the instrument simulator on a
# pseudo-terminal and open the program on it. Extra arguments go to the
# program (for example "debug"). Builds only the programs, into build/
# (VESTRA_BUILD); the tests stay configured there for a build of your own.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: the program needs a desktop (DISPLAY or WAYLAND_DISPLAY is not set)." >&2
    echo "On a machine without one, run it in a virtual display (nobody sees the window there):" >&2
    echo "    bash tools/install-deps.sh xvfb xauth && xvfb-run -a -s '-screen 0 1024x768x24' bash tools/run.sh" >&2
    exit 1
fi

bash tools/install-deps.sh
build=${VESTRA_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel 2 --target vestra vestra-sim vestra-decode vestra-report

sim=""
app=""
simout=$(mktemp)
# Runs on every way out, also under set -e: nothing in here may fail.
# shellcheck disable=SC2317 # called from the traps
cleanup() {
    for pid in $app $sim; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    app=""
    sim=""
    rm -f "$simout"
}
# After cleaning up, die of the same signal so that whoever started us
# sees the interruption (status 130 for Ctrl-C).
# shellcheck disable=SC2317 # called from the traps
stop() {
    cleanup
    trap - "$1" EXIT
    kill -s "$1" $$
}
trap cleanup EXIT
trap 'stop INT' INT
trap 'stop TERM' TERM
trap 'stop HUP' HUP

# VESTRA_SIM_OPTIONS passes options to the simulator, e.g. "--status LoBat".
# shellcheck disable=SC2086
"$build/tools/vestra-sim" ${VESTRA_SIM_OPTIONS:-} >"$simout" &
sim=$!
for _ in $(seq 50); do
    [ -s "$simout" ] && break
    sleep 0.1
done
port=$(head -n 1 "$simout")
[ -n "$port" ] || { echo "The instrument simulator did not start." >&2; exit 1; }
echo "Instrument simulator on $port"

# In the background so that a signal reaches the traps at once instead of
# waiting for the window to close.
VESTRA_PORTS="$port" "$build/app/vestra" "$@" &
app=$!
status=0
wait "$app" || status=$?
app=""
exit "$status"
