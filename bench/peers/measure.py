#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Opens each test file in Sheafpad and in each peer editor, every run under
an Xvfb of its own with a shown window, and prints one table. Every program
colours the files as it does by default: Sheafpad ("sheafpad") with its
syntax colours on, and once more without them ("sheafpad-plain"); the peers
with their own highlighting, which they all have on for these names.

Per program and file:
  open   seconds from the start (a peer started with the file) or from the
         click on the name (Sheafpad, started beforehand and settled) until
         the window is shown and the process's CPU has gone quiet;
  cpu    the processor seconds the process used meanwhile;
  peak   peak resident memory (VmHWM) once settled;
  idle   CPU share of one core over a few seconds with the window focused,
         the caret blinking;
  keys   seconds from sending 20 typed keys until the CPU is quiet again,
         and keys_cpu the processor seconds they took.
Medians over the runs. A run that never goes quiet stops at the time-out.
"""
import argparse
import os
import random
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

TICK = os.sysconf("SC_CLK_TCK")
QUIET_WINDOW = 0.5  # seconds of near-idle CPU that mark "settled"
QUIET_SHARE = 0.1  # at most this share of a core counts as near-idle
SAMPLE = 0.02

FILES = {
    "page": ("98 KB page", "page.html"),
    "code": ("100 KB page with style and script", "code.html"),
    "jq5": ("5 MB one-line jQuery", "jq5.js"),
    "min1": ("1 MB one-line JS", "min1.js"),
    "min5": ("5 MB one-line JS", "min5.js"),
    "big10": ("10 MB, 80 columns", "big10.js"),
    "big50": ("50 MB, 80 columns", "big50.js"),
}

# argv before the file; a fresh HOME per run keeps sessions from being restored.
PEERS = {
    "featherpad": ["featherpad"],
    "kate": ["kate", "-n"],
    "geany": ["geany", "-i", "-m", "-n", "-p"],
    "mousepad": ["mousepad"],
    "gedit": ["gedit", "--standalone"],
}


def html_text(size):
    rnd = random.Random(1)
    words = ["the", "page", "of", "a", "site", "café", "naïve", "link", "text", "and", "menu"]
    out, n = [], 0
    while n < size:
        line = "<p class=\"x\">" + " ".join(rnd.choice(words) for _ in range(8)) + "</p>\r\n"
        out.append(line)
        n += len(line.encode())
    return "".join(out).encode()[:size]


def minified_js(size):
    rnd = random.Random(2)
    parts = ["function(a,b){return a+b}", "var x=", "if(e){", "}else{", "for(var i=0;i<n;i++){",
             "document.getElementById(\"m\")", ".push(", ");", "\"str\"", "[1,2,3]", "=>", "null"]
    out, n = [], 0
    while n < size:
        p = rnd.choice(parts)
        out.append(p)
        n += len(p)
    return "".join(out)[:size].encode()


def page_with_code(size):
    """A page with a style sheet in its head and a script at the end."""
    out = ["<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<title>Café menu</title>\n<style>\n"]
    n, i = len(out[0]), 0
    while n < size // 10:
        out.append(f".item-{i} > a:hover {{ color: #3a{i % 256:02x}; margin: 0 {i % 17}px 1.5em; "
                   f"font-family: \"DejaVu Sans\", sans-serif; }} /* item {i} */\n")
        n, i = n + len(out[-1]), i + 1
    out.append("</style>\n</head>\n<body>\n")
    while n < size * 85 // 100:
        out.append(f"<div class=\"item-{i}\"><a href=\"menu.html#d{i}\">Drinks &amp; snacks "
                   f"{i}</a> <!-- row {i} --></div>\n<p>Open daily, prices in €.</p>\n")
        n, i = n + len(out[-1].encode()), i + 1
    out.append("<script>\n")
    while n < size - 40:
        out.append(f"function show{i}(el) {{ // toggles item {i}\n"
                   f"  const box = document.getElementById(\"item-{i}\");\n"
                   f"  if (box && el.checked) {{ box.hidden = false; }} else {{ box.hidden = true; }}\n"
                   f"  return [{i}, 2.5, 'x'].map((v) => v * 2);\n}}\n")
        n, i = n + len(out[-1]), i + 1
    out.append("</script>\n</body>\n</html>\n")
    return "".join(out).encode()


JQUERY = "/usr/share/javascript/jquery/jquery.min.js"


def minified_jquery(size):
    """Real minified code: Debian's jQuery (libjs-jquery) over and over, on one line."""
    with open(JQUERY, "rb") as f:
        library = f.read().replace(b"\n", b" ") + b";"
    out = library * ((size - 4) // len(library))
    return out + b"/*" + b" " * (size - len(out) - 4) + b"*/"


def lines80(size):
    rnd = random.Random(3)
    letters = "abcdefghijklmnopqrstuvwxyz     ();={}"
    out, n = [], 0
    block = []
    for _ in range(2000):
        block.append("".join(rnd.choice(letters) for _ in range(78)) + "\r\n")
    chunk = "".join(block).encode()
    while n < size:
        out.append(chunk)
        n += len(chunk)
    return b"".join(out)[:size]


def make_files(root, keys):
    gen = {"page": lambda: html_text(98 * 1024), "code": lambda: page_with_code(100 * 1024),
           "jq5": lambda: minified_jquery(5 << 20), "min1": lambda: minified_js(1 << 20),
           "min5": lambda: minified_js(5 << 20), "big10": lambda: lines80(10 << 20),
           "big50": lambda: lines80(50 << 20)}
    paths = {}
    for key in keys:
        path = os.path.join(root, "files", FILES[key][1])
        paths[key] = path
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(gen[key]())
    return paths


def cpu_ticks(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return int(fields[11]) + int(fields[12])
    except (OSError, IndexError):
        return None


def cpu_seconds_since(pid, ticks):
    now = cpu_ticks(pid)
    return None if now is None or ticks is None else (now - ticks) / TICK


def resident_mb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return None


def peak_mb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return None


class Xvfb:
    def __init__(self):
        r, w = os.pipe()
        self.proc = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24",
                                      "-nolisten", "tcp"], pass_fds=(w,),
                                     stderr=subprocess.DEVNULL)
        os.close(w)
        data = b""
        while not data.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                break
            data += chunk
        os.close(r)
        self.display = ":" + data.decode().strip()

    def stop(self):
        self.proc.terminate()
        try:
            self.proc.wait(5)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()


def xdotool(display, *args, timeout=30):
    env = dict(os.environ, DISPLAY=display)
    try:
        return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True,
                              timeout=timeout).stdout
    except subprocess.TimeoutExpired:
        return ""


class WindowWatch:
    """Looks for the process's shown window (xdotool's --sync polls only
    twice a second, too coarse for a fast start)."""

    def __init__(self, display, pid):
        self.display, self.pid, self.window = display, pid, None

    def poll(self):
        if self.window is None:
            ids = xdotool(self.display, "search", "--onlyvisible", "--pid", str(self.pid),
                          timeout=5).split()
            self.window = ids[-1] if ids else None
        return self.window is not None


def settle(pid, start, timeout, watch=None):
    """Samples the CPU until it has been near-idle for QUIET_WINDOW seconds
    (after the window, if awaited, is shown). Returns the seconds from start
    to the end of the busy period, or None on time-out."""
    samples = []  # (time, ticks)
    shown_at = None if watch else start
    limit = QUIET_SHARE * QUIET_WINDOW * TICK
    while True:
        now = time.monotonic()
        ticks = cpu_ticks(pid)
        if ticks is None or now - start > timeout:
            return None
        samples.append((now, ticks))
        if shown_at is None and watch.poll():
            shown_at = now
        if shown_at is not None and now - shown_at >= QUIET_WINDOW:
            first = next(i for i, s in enumerate(samples) if s[0] >= now - QUIET_WINDOW)
            base = samples[first][1]
            if ticks - base <= limit:
                # the busy period ended where the counter first reached base
                end = next(s[0] for s in samples if s[1] >= base)
                return max(end, shown_at) - start
        time.sleep(SAMPLE)


def idle_share(pid, seconds):
    t0, c0 = time.monotonic(), cpu_ticks(pid)
    time.sleep(seconds)
    t1, c1 = time.monotonic(), cpu_ticks(pid)
    if c0 is None or c1 is None:
        return None
    return (c1 - c0) / TICK / (t1 - t0) * 100


def find_window(display, pid, timeout):
    out = xdotool(display, "search", "--sync", "--onlyvisible", "--pid", str(pid), timeout=timeout)
    ids = out.split()
    return ids[-1] if ids else None


def run_once(program, path, args, sheafpad):
    """One run in a fresh X server and home. Returns a dict of figures."""
    x = Xvfb()
    home = tempfile.mkdtemp(prefix="peerbench-")
    env = dict(os.environ, DISPLAY=x.display, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_CACHE_HOME=home + "/.cache", XDG_DATA_HOME=home + "/.local/share",
               XDG_RUNTIME_DIR=home, DBUS_SESSION_BUS_ADDRESS="disabled:", NO_AT_BRIDGE="1",
               QT_QPA_PLATFORM="xcb")
    env.pop("WAYLAND_DISPLAY", None)
    os.chmod(home, 0o700)
    result = {}
    proc = None
    try:
        if program.startswith("sheafpad"):
            exe_dir = os.path.join(home, "app")
            files_dir = os.path.join(home, "files")
            os.makedirs(exe_dir)
            os.makedirs(files_dir)
            shutil.copy(sheafpad, os.path.join(exe_dir, "Sheafpad"))
            os.symlink(path, os.path.join(files_dir, os.path.basename(path)))
            with open(os.path.join(exe_dir, "Sheafpad.ini"), "w") as f:
                f.write(f"[Initial]\nDir={files_dir}\nLeft=0\nTop=0\nWidth=1000\nHeight=740\n")
                if program == "sheafpad-plain":
                    f.write("[Pane]\nHighlighting=0\n")
            proc = subprocess.Popen([os.path.join(exe_dir, "Sheafpad")], env=env, cwd=home,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            window = find_window(x.display, proc.pid, args.timeout)
            if window is None or settle(proc.pid, time.monotonic(), args.timeout) is None:
                return {"error": "no window"}
            # The first name of the file list (below the Include subfolders box).
            xdotool(x.display, "mousemove", "--window", window, "40", "208")
            before_mb = resident_mb(proc.pid) or 0
            start = time.monotonic()
            ticks = cpu_ticks(proc.pid)
            xdotool(x.display, "click", "1")
            result["open"] = settle(proc.pid, start, args.timeout)
            result["cpu"] = cpu_seconds_since(proc.pid, ticks)
        else:
            start = time.monotonic()
            proc = subprocess.Popen(PEERS[program] + [path], env=env, cwd=home,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            watch = WindowWatch(x.display, proc.pid)
            result["open"] = settle(proc.pid, start, args.timeout, watch)
            result["cpu"] = cpu_seconds_since(proc.pid, 0)
            window = watch.window
        result["peak"] = peak_mb(proc.pid)
        # Proof that the file is open: Sheafpad holds its text (two bytes a
        # character) after the click and not before, a peer names it in its
        # title.
        size_mb = os.path.getsize(path) / (1 << 20)
        if program.startswith("sheafpad"):
            result["shown"] = (resident_mb(proc.pid) or 0) - before_mb > 1.5 * size_mb
        else:
            title = xdotool(x.display, "getwindowname", window) if window else ""
            result["shown"] = os.path.basename(path) in title
        if result["open"] is None or window is None:
            return result
        xdotool(x.display, "windowfocus", window)
        time.sleep(0.5)
        result["idle"] = idle_share(proc.pid, args.idle)
        if args.keys:
            start = time.monotonic()
            ticks = cpu_ticks(proc.pid)
            subprocess.run(["xdotool", "type", "--delay", "0", "abcdefghijklmnopqrst"], env=env,
                           timeout=args.timeout, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            result["keys"] = settle(proc.pid, start, args.timeout)
            result["keys_cpu"] = cpu_seconds_since(proc.pid, ticks)
        return result
    finally:
        if proc is not None:
            proc.send_signal(signal.SIGKILL)
            proc.wait()
        x.stop()
        shutil.rmtree(home, ignore_errors=True)


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def fmt(seconds):
    if seconds is None:
        return "timeout"
    return f"{seconds:.3f} s" if seconds < 10 else f"{seconds:.1f} s"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--sheafpad", required=True)
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--timeout", type=float, default=90)
    ap.add_argument("--idle", type=float, default=5)
    ap.add_argument("--no-keys", dest="keys", action="store_false")
    ap.add_argument("--programs", default="sheafpad,sheafpad-plain," + ",".join(PEERS))
    ap.add_argument("--files", default=",".join(FILES))
    ap.add_argument("--dir", default=os.environ.get("SHEAFPAD_BENCH_DIR", "/var/tmp") +
                    "/sheafpad-peers")
    args = ap.parse_args()
    sheafpad = os.path.abspath(args.sheafpad)
    paths = make_files(args.dir, args.files.split(","))
    programs = [p for p in args.programs.split(",")
                if p.startswith("sheafpad") or shutil.which(PEERS[p][0])]
    missing = set(args.programs.split(",")) - set(programs)
    if missing:
        print("not installed, left out:", ", ".join(sorted(missing)))
    table = {}
    for key in args.files.split(","):
        for program in programs:
            runs = []
            for _ in range(args.runs):
                runs.append(run_once(program, paths[key], args, sheafpad))
                if runs[-1].get("open") is None:
                    break  # a time-out is not worth repeating
            cell = {k: median([r.get(k) for r in runs])
                    for k in ("open", "cpu", "peak", "idle", "keys", "keys_cpu")}
            if any(r.get("open") is None for r in runs):
                cell["open"] = None
            cell["unproven"] = sum(not r.get("shown") for r in runs)
            table[key, program] = cell
            print(f"{key:6} {program:10} " + "  ".join(
                f"{k}={v:.3f}" if v is not None else f"{k}=-" for k, v in cell.items()
                if k != "unproven") + f"  unproven={cell['unproven']}",
                flush=True)
    print_table(table, args.files.split(","), programs)


def print_table(table, files, programs):
    peers = [p for p in programs if not p.startswith("sheafpad")]
    print()
    print("| File | " + " | ".join(programs) +
          " | Sheafpad / best peer (open, peak) | Sheafpad / Geany (open, peak) |")
    print("|---" * (len(programs) + 3) + "|")
    for key in files:
        cells = []
        for p in programs:
            c = table[key, p]
            text = fmt(c["open"])
            if c.get("cpu") is not None:
                text += f" ({c['cpu']:.2f} CPU-s)"
            if c["unproven"]:
                text += f" (file not seen open in {c['unproven']} run(s))"
            if c["peak"] is not None:
                text += f", {c['peak']:.0f} MB"
            if c["idle"] is not None:
                text += f", idle {c['idle']:.1f}%"
            if c.get("keys") is not None:
                text += f", 20 keys {fmt(c['keys'])}"
            if c.get("keys_cpu") is not None:
                text += f" ({c['keys_cpu']:.2f} CPU-s)"
            cells.append(text)
        opens = [table[key, p]["open"] for p in peers
                 if table[key, p]["open"] is not None and not table[key, p]["unproven"]]
        peaks = [table[key, p]["peak"] for p in peers if table[key, p]["peak"] is not None]
        ours = table.get((key, "sheafpad"), {})
        ratio = ""
        if ours and ours.get("open") is not None and opens:
            ratio = f"{ours['open'] / min(opens):.2f}x"
        if ours and ours.get("peak") is not None and peaks:
            ratio += f", {ours['peak'] / min(peaks):.2f}x"
        geany = table.get((key, "geany"), {})
        to_geany = ""
        if ours and geany and ours.get("open") and geany.get("open") and not geany["unproven"]:
            to_geany = f"{ours['open'] / geany['open']:.2f}x"
        if ours and geany and ours.get("peak") and geany.get("peak"):
            to_geany += f", {ours['peak'] / geany['peak']:.2f}x"
        print(f"| {FILES[key][0]} | " + " | ".join(cells) + f" | {ratio} | {to_geany} |")


if __name__ == "__main__":
    sys.exit(main())
