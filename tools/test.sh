#!/usr/bin/env bash
# The whole test suite from a fresh checkout: install what is missing, build,
# fuzz the decoder for a few seconds (when clang is there), then run every
# test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh --testing
build=${VESTRA_TEST_BUILD:-build-test}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel 2

bash tests/decoder/fuzz/run-fuzz.sh "${VESTRA_FUZZ_SECONDS:-20}" "$build-fuzz"

QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --parallel 2 --timeout 300
