#!/usr/bin/env bash
# Builds the benchmarks and runs one by hand, after installing what they
# measure against (bfs). Never part of the tests.
#   bench/run.sh search_benchmark [--rounds N] [--only-1m] [--remove-trees]
#   bench/run.sh results_benchmark [--entries N]
#   bench/run.sh find_parity ROOT EXTENSION...
#   bench/run.sh depth_benchmark [--rounds N] [--depths 10000,25000] [--name-length N]
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target "$1" >/dev/null
export QT_QPA_PLATFORM=offscreen
exec "./build/bench/$1" "${@:2}"
