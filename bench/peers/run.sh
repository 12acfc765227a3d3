#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Side-by-side benchmark: Sheafpad and the editors a user might pick instead,
# each opening the same files in a shown window under its own Xvfb. Installs
# the peers (Debian packages), builds Sheafpad in Release, then runs
# measure.py, which prints the table with the ratios to the best peer.
# Sheafpad runs with its syntax colours on, and again with them off
# ("sheafpad-plain"); the peers colour the files as they do by default.
# Usage: bench/peers/run.sh [--runs N] [--timeout S] [--programs a,b] [--files a,b]
# Not part of ./test.sh: a full run takes many minutes.
set -euo pipefail
cd "$(dirname "$0")/../.."

peers=(featherpad kate geany mousepad gedit)
# Only the peers asked for with --programs are installed.
args=("$@")
for ((i = 0; i < ${#args[@]}; i++)); do
    if [ "${args[$i]}" = --programs ] && [ $((i + 1)) -lt ${#args[@]} ]; then
        IFS=, read -r -a asked <<<"${args[$((i + 1))]}"
        peers=()
        for p in "${asked[@]}"; do
            case "$p" in sheafpad*) ;; *) peers+=("$p") ;; esac
        done
    fi
done
tools=(xvfb xdotool x11-utils python3 libjs-jquery)
if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
for p in "${tools[@]}" ${peers[@]+"${peers[@]}"}; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] && continue
    # One at a time, so that a peer that will not install is skipped alone.
    if ! DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq \
        --no-install-recommends "$p" >/dev/null; then
        echo "run.sh: $p did not install; it is left out" >&2
    fi
done

if [ -z "${SHEAFPAD:-}" ]; then
    scripts/setup.sh --test --build-dir build-bench --build-type Release -DSHEAFPAD_BENCH=ON \
        -DSHEAFPAD_TESTS=OFF >/dev/null
    SHEAFPAD=build-bench/src/Sheafpad
fi
exec /usr/bin/python3 bench/peers/measure.py --sheafpad "$SHEAFPAD" "$@"
