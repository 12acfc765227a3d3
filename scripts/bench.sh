#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them. Extra arguments go to each
# benchmark program (for example --benchmark_filter=Refresh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --test --build-dir build-bench --build-type Release -DSHEAFPAD_BENCH=ON \
    -DSHEAFPAD_TESTS=OFF
export QT_QPA_PLATFORM=offscreen
for program in build-bench/bench/bench_*; do
    [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program" "$@"
done
