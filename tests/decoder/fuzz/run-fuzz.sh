#!/bin/sh
# Usage: run-fuzz.sh SECONDS BUILD_DIR
# Configures the tree with clang++ and the sanitizers in BUILD_DIR, builds the
# decoder fuzzer and runs it for SECONDS. Exits non-zero when it finds a
# crash; exits 0 with a note when clang++ is not installed.
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
command -v ninja >/dev/null 2>&1 && generator="-G Ninja"
# shellcheck disable=SC2086
cmake -S "$here/../../.." -B "$build_dir" $generator -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESTRA_FUZZ=ON \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build "$build_dir" --target fuzz_decoder
corpus="$build_dir/corpus"
mkdir -p "$corpus"
# Seeds: the worked examples, one with a flipped bit, and the empty text.
printf 'FFFE2F53CE91A2B3C4D5E3A1AF80' >"$corpus/seed-short"
printf 'FFFE2F93C21E24012D814A62ECF7B1412A02' >"$corpus/seed-long"
printf 'FFFE2F53CE91A2B3C4D5E3A1BF80' >"$corpus/seed-flipped"
printf '' >"$corpus/seed-empty"
exec "$build_dir/tests/decoder/fuzz/fuzz_decoder" -max_total_time="$seconds" -max_len=512 \
    -artifact_prefix="$build_dir/" "$corpus"
