#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the benchmarks in Release and runs them. Extra arguments go to each
# benchmark program (for example --benchmark_filter=Refresh).
set -euo pipefail
cd "$(dirname "$0")/.."
# Real minified code for the syntax colour benchmark (Debian's jQuery).
if [ "$(dpkg-query -W -f='${Status}' libjs-jquery 2>/dev/null || true)" != "install ok installed" ]; then
    if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        libjs-jquery >/dev/null || echo "bench.sh: libjs-jquery did not install" >&2
fi
# Real sites for the tree and search benchmarks: Apache's and Python's manuals.
for doc in apache2-doc python3-doc; do
    if [ "$(dpkg-query -W -f='${Status}' "$doc" 2>/dev/null || true)" != "install ok installed" ]; then
        if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
            "$doc" >/dev/null || echo "bench.sh: $doc did not install" >&2
    fi
done
# linkchecker: the link benchmark's reference, for the benchmarks only.
if ! command -v linkchecker >/dev/null 2>&1; then
    if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        linkchecker >/dev/null || echo "bench.sh: linkchecker did not install" >&2
fi
# ripgrep: the search benchmark's reference, for the benchmarks only.
if ! command -v rg >/dev/null 2>&1; then
    if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends ripgrep
fi
scripts/setup.sh --test --build-dir build-bench --build-type Release -DSHEAFPAD_BENCH=ON \
    -DSHEAFPAD_TESTS=OFF
export QT_QPA_PLATFORM=offscreen
for program in build-bench/bench/bench_*; do
    [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program" "$@"
done
