#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How long the real program takes to show its window and the one question
# about the copies when COUNT (default 10,000) runs that ended abruptly left a
# recovery copy each: the time from the program's start until the question is
# on screen (and the main window with it), under a private Xvfb. Also prints
# how many descriptors the program holds meanwhile. LOCKS=crash leaves each
# run's lock file as a crash does (by default they are gone, as after a reboot).
#
#   scripts/stale_copies_start.sh [COUNT] [BINARY] [LOCKS]
set -euo pipefail
count=${1:-10000}
binary=${2:-build-bench/src/Sheafpad}
locks=${3:-reboot}
[ -x "$binary" ] || { echo "no program at $binary" >&2; exit 1; }
work=$(mktemp -d "${SHEAFPAD_BENCH_DIR:-/var/tmp}/sheafpad-stale-XXXXXX")
xvfb=""
app=""
cleanup() {
    [ -n "$app" ] && { kill "$app" 2>/dev/null; wait "$app" 2>/dev/null; } || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cp "$binary" "$work/Sheafpad"
mkdir -p -m 0700 "$work/.state/Sheafpad/recovery"
# Entries as a run writes them, of runs whose lock files are gone (a reboot).
python3 - "$work" "$count" "$locks" <<'PY'
import os, sys
work, count, locks = sys.argv[1], int(sys.argv[2]), sys.argv[3]
folder = os.path.join(work, ".state/Sheafpad/recovery")
for i in range(count):
    path = os.path.join(work, "page%05d.htm" % i).encode()
    text = ("typed into page %d\r\n" % i).encode()
    header = (b"Sheafpad recovery 1\npath %d\n" % len(path)) + path + b"\n"
    header += b"loaded -\nencoding utf-8\ntext-encoding utf-8\n"
    header += b"copied %d\n" % (1700000000000000000 + i)
    header += b"text %020d\n" % len(text)
    name = "%016x-%016x.entry" % (i + 1, i)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(header + text)
    if locks == "crash":
        open(os.path.join(folder, "%016x.lock" % (i + 1)), "wb").close()
PY
exec {fd}< <(Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp -noreset 2>/dev/null & echo "pid $!"; wait)
read -r -u "$fd" _ xvfb
read -r -u "$fd" display
export DISPLAY=":$display"
cd "$work"
start=$(date +%s.%N)
HOME="$work" XDG_CONFIG_HOME="$work/.config" XDG_STATE_HOME="$work/.state" QT_QPA_PLATFORM=xcb \
    ./Sheafpad >/dev/null 2>&1 &
app=$!
# Two visible windows titled Sheafpad: the main window and the question.
shown=""
for _ in $(seq 1 600); do
    if [ "$(xdotool search --onlyvisible --name '^Sheafpad$' 2>/dev/null | wc -l)" -ge 2 ]; then
        shown=$(date +%s.%N)
        break
    fi
    sleep 0.02
done
[ -n "$shown" ] || { echo "no question within 12 s" >&2; exit 1; }
fds=$(ls "/proc/$app/fd" | wc -l)
python3 -c "import sys; print('%s stale copies (lock files: %s): window and question shown %.2f s after the start (goal under 2 s); %s descriptors open meanwhile' % (sys.argv[1], sys.argv[5], float(sys.argv[3]) - float(sys.argv[2]), sys.argv[4]))" \
    "$count" "$start" "$shown" "$fds" "$locks"
