#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The main window on a flat folder (bench/bench_flat_form.cpp), this tree
# against another commit (default: the main branch), side by side: the same
# benchmark source is built in Release on both, and the two programs run in
# turn, round after round. Prints each benchmark's median time on both sides
# and the median of the per-round ratios (this tree / the other).
# Usage: scripts/bench_vs.sh [COMMIT] [ROUNDS] [FILTER]
# Not part of ./test.sh: it builds the other commit first.
set -euo pipefail
cd "$(dirname "$0")/.."
ref=${1:-main}
rounds=${2:-7}
filter=${3:-.}
work=build-vs
rm -rf "$work/ref-src"
mkdir -p "$work/ref-src"
git archive "$ref" | tar -x -C "$work/ref-src"
# The same benchmark on the other side, whether or not it has it.
cp bench/bench_flat_form.cpp "$work/ref-src/bench/"
grep -q bench_flat_form "$work/ref-src/bench/CMakeLists.txt" ||
    echo 'sheafpad_add_bench(bench_flat_form SOURCES bench_flat_form.cpp LIBS sheafpad_app sheafpad_bench_util)' \
        >>"$work/ref-src/bench/CMakeLists.txt"
grammars=$(scripts/fetch_grammars.sh) || grammars=
extra=()
[ -n "$grammars" ] && extra+=(-DSHEAFPAD_GRAMMARS_DIR="$grammars")
command -v ccache >/dev/null 2>&1 &&
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
for side in ours ref; do
    src=.
    [ "$side" = ref ] && src=$work/ref-src
    cmake -S "$src" -B "$work/$side" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHEAFPAD_TESTS=OFF \
        -DSHEAFPAD_BENCH=ON "${extra[@]}" >/dev/null
    ninja -C "$work/$side" bench_flat_form >/dev/null
done
QT_QPA_PLATFORM=offscreen exec /usr/bin/python3 bench/compare_runs.py --rounds "$rounds" --filter "$filter" \
    "$work/ours/bench/bench_flat_form" "$work/ref/bench/bench_flat_form"
