#!/bin/sh
# Usage: run-fuzz.sh SECONDS BUILD_DIR
# Builds the decoder fuzzer with clang++ into BUILD_DIR and runs it for SECONDS.
# Exits non-zero when the fuzzer finds a crash; exits 0 with a note when
# clang++ is not installed.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 SECONDS BUILD_DIR" >&2
    exit 2
fi
seconds=$1
build_dir=$2
here=$(cd "$(dirname "$0")" && pwd)

if ! command -v clang++ >/dev/null 2>&1; then
    echo "run-fuzz.sh: clang++ not found, decoder fuzzing skipped"
    exit 0
fi

generator=
if command -v ninja >/dev/null 2>&1; then
    generator="-G Ninja"
fi
# shellcheck disable=SC2086
cmake -S "$here" -B "$build_dir" $generator -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target fuzz_decoder

corpus="$build_dir/corpus"
mkdir -p "$corpus"
# Seeds: a short and a long valid message, and the empty text.
printf 'FFFE2F53CE91A2B3C4D5E3A1AF80' >"$corpus/seed-short"
printf 'FFFE2F93C21E24012D814A62ECF7B1412A02' >"$corpus/seed-long"
printf '' >"$corpus/seed-empty"

exec "$build_dir/fuzz_decoder" -max_total_time="$seconds" -max_len=512 \
    -artifact_prefix="$build_dir/" "$corpus"
