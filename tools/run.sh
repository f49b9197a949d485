#!/usr/bin/env bash
# Install what is missing, build, start the instrument simulator on a
# pseudo-terminal and open the program on it. Extra arguments go to the
# program (for example "debug").
set -euo pipefail
cd "$(dirname "$0")/.."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display: the program needs a desktop (DISPLAY or WAYLAND_DISPLAY is not set)." >&2
    echo "On a machine without one, run it in a virtual display:" >&2
    echo "    bash tools/install-deps.sh && xvfb-run -a -s '-screen 0 1024x768x24' bash tools/run.sh" >&2
    exit 1
fi

bash tools/install-deps.sh
build=${VESTRA_BUILD:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
cmake --build "$build" --parallel 2 --target vestra vestra-sim vestra-decode

simout=$(mktemp)
# VESTRA_SIM_OPTIONS passes options to the simulator, e.g. "--status LoBat".
# shellcheck disable=SC2086
"$build/tools/vestra-sim" ${VESTRA_SIM_OPTIONS:-} >"$simout" &
sim=$!
trap 'kill $sim 2>/dev/null; rm -f "$simout"' EXIT
for _ in $(seq 50); do
    [ -s "$simout" ] && break
    sleep 0.1
done
port=$(head -n 1 "$simout")
[ -n "$port" ] || { echo "The instrument simulator did not start." >&2; exit 1; }
echo "Instrument simulator on $port"
VESTRA_PORTS="$port" "$build/app/vestra" "$@"
