#!/usr/bin/env bash
# Builds and runs every test twice: a normal build and an AddressSanitizer +
# UndefinedBehaviorSanitizer build, each in its own folder. In between, the
# Debian package is built and checked, and each fuzz target runs for a minute
# on its corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

jobs=$(nproc)

run_suite() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DKORVANE_WERROR=ON "$@"
    cmake --build "$dir" --parallel "$jobs"
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure --parallel "$jobs"
}

echo "== normal build =="
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== the Debian package: built, checked with lintian, compared with the install =="
bash tests/e2e/package.sh

echo "== fuzz targets, 60 seconds each =="
bash scripts/fuzz.sh 60

echo "== address + undefined sanitizer build =="
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON
