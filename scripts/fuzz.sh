#!/usr/bin/env bash
# Builds the libFuzzer targets in build-fuzz/ (clang, address + undefined
# sanitizers) and runs each for SECONDS (default 60) on a copy of its corpus
# in fuzz/corpus/, so the committed corpus stays as it is.
#   usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(puzzlefile actions keptstate nextstep)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DKORVANE_FUZZ=ON -DKORVANE_BENCH=OFF
cmake --build build-fuzz --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${targets[@]}"; do
    echo "== fuzz_$t for ${seconds}s =="
    mkdir -p "$work/$t"
    cp fuzz/corpus/"$t"/* "$work/$t"/
    # A crash input lands in build-fuzz/ as crash-*; add it to the corpus
    # (and so to the replay test) once it is fixed.
    # A kept board is some 24 KB; the other inputs are short.
    max_len=4096
    [ "$t" = keptstate ] && max_len=32768
    TMPDIR="$work" build-fuzz/fuzz/fuzz_"$t" -max_total_time="$seconds" -timeout=10 \
        -rss_limit_mb=4096 -max_len=$max_len -print_final_stats=1 \
        -artifact_prefix="$PWD/build-fuzz/" "$work/$t"
done
