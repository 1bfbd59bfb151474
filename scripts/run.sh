#!/usr/bin/env bash
# Builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/common.sh
bash scripts/deps.sh "${BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)" --target korvane
# Started in samples/, so that Data Load finds the sample puzzle at once.
cd samples
exec ../build/src/app/korvane
