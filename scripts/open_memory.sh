#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The memory that opening one big page takes in the real program: Sheafpad
# runs under its own Xvfb with a page of SIZE megabytes (lines of about 60
# ASCII characters) in its folder; the page is clicked in the list, and the
# process's peak resident memory (VmHWM) once the page is shown is compared
# with its resident memory before the click. Prints the growth and its ratio
# to the page's size. The page is made under $SHEAFPAD_BENCH_DIR (default
# /var/tmp) and removed afterwards.
#
#   scripts/open_memory.sh [SIZE_MB] [BINARY]
set -euo pipefail
size_mb=${1:-2048}
binary=${2:-build-bench/src/Sheafpad}
[ -x "$binary" ] || { echo "no program at $binary (run scripts/bench.sh first)" >&2; exit 1; }
work=$(mktemp -d "${SHEAFPAD_BENCH_DIR:-/var/tmp}/sheafpad-open-XXXXXX")
xvfb=""
app=""
cleanup() {
    [ -n "$app" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; } || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

cp "$binary" "$work/Sheafpad"
# The page: numbered lines, written in large pieces.
python3 - "$work/big.htm" "$size_mb" <<'EOF'
import sys
path, size = sys.argv[1], int(sys.argv[2]) << 20
lines = "".join("<p>line %08d of a very long page, nothing more</p>\n" % i for i in range(100000))
with open(path, "w") as out:
    written = 0
    while written < size:
        piece = lines[: size - written]
        out.write(piece)
        written += len(piece)
EOF
bytes=$(stat -c %s "$work/big.htm")

exec {fd}< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null & echo "pid $!"; wait)
read -r -u "$fd" _ xvfb
read -r -u "$fd" display
export DISPLAY=":$display"
cd "$work"
HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_STATE_HOME="$work/.state" QT_QPA_PLATFORM=xcb \
    ./Sheafpad >/dev/null 2>&1 &
app=$!
window=$(xdotool search --sync --onlyvisible --name '^Sheafpad$' | head -1)
sleep 2
kb() { awk -v key="$1:" '$1 == key { print $2 }' "/proc/$app/status"; }
idle=$(kb VmRSS)
start=$(date +%s.%N)
# The list's first row: the list fills the left panel below the controls.
xdotool mousemove --window "$window" 40 193 click 1
# Shown once the process has been idle for two seconds in a row.
last=-1
still=0
while [ "$still" -lt 4 ]; do
    sleep 0.5
    ticks=$(awk '{ print $14 + $15 }' "/proc/$app/stat")
    if [ "$ticks" = "$last" ]; then still=$((still + 1)); else still=0; fi
    last=$ticks
done
end=$(date +%s.%N)
peak=$(kb VmHWM)
rss=$(kb VmRSS)
python3 - "$bytes" "$idle" "$peak" "$rss" "$start" "$end" <<'EOF'
import sys
size, idle, peak, rss = (int(v) for v in sys.argv[1:5])
start, end = float(sys.argv[5]), float(sys.argv[6])
growth = (peak - idle) * 1024
print("page %.0f MB: idle %.0f MB, peak %.0f MB, shown %.0f MB; peak above idle %.0f MB = "
      "%.2f x the page (goal under 1.5); open took %.1f s"
      % (size / 2**20, idle / 1024, peak / 1024, rss / 1024, growth / 2**20, growth / size,
         end - start - 2))
EOF
