#!/bin/sh
# Usage: run-fuzz.sh SECONDS BUILD_DIR. Builds the decoder fuzzer in BUILD_DIR with clang++
# and the sanitizers and runs it for SECONDS; fails when it finds a crash.
set -eu
[ $# -eq 2 ] || { echo "usage: $0 SECONDS BUILD_DIR" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "run-fuzz.sh: clang++ not found, decoder fuzzing skipped"; exit 0; }
sanitizers="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
cmake -S "$(dirname "$0")/../../.." -B "$2" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVESTRA_FUZZ=ON -DCMAKE_CXX_FLAGS="$sanitizers" >/dev/null
cmake --build "$2" --target fuzz_decoder
mkdir -p "$2/corpus"
for seed in FFFE2F53CE91A2B3C4D5E3A1AF80 FFFE2F53CE91A2B3C4D5E3A1BF80 FFFE2F93C21E24012D814A62ECF7B1412A02 27843C4802FFBFF; do
    printf %s "$seed" >"$2/corpus/$seed"
done
exec "$2/tests/decoder/fuzz/fuzz_decoder" -max_total_time="$1" -max_len=512 \
    -artifact_prefix="$2/" "$2/corpus"
