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
# ripgrep, the search benchmark's reference, and the real documentation
# trees it searches (Python's and Apache's manuals), for the benchmarks only.
search_packages=()
command -v rg >/dev/null 2>&1 || search_packages+=(ripgrep)
for p in python3-doc apache2-doc; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)" = "install ok installed" ] ||
        search_packages+=("$p")
done
if [ ${#search_packages[@]} -gt 0 ]; then
    if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${search_packages[@]}" || echo "bench.sh: ${search_packages[*]} did not install" >&2
fi
scripts/setup.sh --test --build-dir build-bench --build-type Release -DSHEAFPAD_BENCH=ON \
    -DSHEAFPAD_TESTS=OFF
export QT_QPA_PLATFORM=offscreen
for program in build-bench/bench/bench_*; do
    [ -x "$program" ] || continue
    echo "== $(basename "$program")"
    "$program" "$@"
done
