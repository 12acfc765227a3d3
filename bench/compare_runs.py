# SPDX-License-Identifier: GPL-3.0-or-later
"""Runs two Google Benchmark programs of the same benchmarks in turn, round
after round, and prints each benchmark's median real time on both sides and
the median of the per-round ratios (first / second), so that a drift of the
machine's speed during the run moves both sides alike."""
import argparse
import json
import statistics
import subprocess


def run(program, extra):
    out = subprocess.run([program, "--benchmark_format=json"] + extra, check=True,
                         capture_output=True, text=True).stdout
    times = {}
    for bench in json.loads(out)["benchmarks"]:
        times[bench["name"]] = (bench["real_time"], bench["time_unit"])
    return times


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("ours")
    parser.add_argument("reference")
    parser.add_argument("--rounds", type=int, default=7)
    parser.add_argument("--filter", help="the benchmarks to run (a regular expression)")
    args = parser.parse_args()
    extra = [f"--benchmark_filter={args.filter}"] if args.filter else []
    ours, ref = {}, {}
    for round_ in range(args.rounds):
        # Alternate which side goes first.
        sides = [(args.ours, ours), (args.reference, ref)]
        for program, store in sides if round_ % 2 == 0 else reversed(sides):
            for name, time in run(program, extra).items():
                store.setdefault(name, []).append(time)
    print(f"{'benchmark':36} {'ours':>12} {'reference':>12} {'ratio':>7}  ({args.rounds} rounds)")
    for name in ours:
        if name not in ref:
            continue
        unit = ours[name][0][1]
        a = [t for t, _ in ours[name]]
        b = [t for t, _ in ref[name]]
        ratio = statistics.median(x / y for x, y in zip(a, b))
        print(f"{name:36} {statistics.median(a):9.2f} {unit} {statistics.median(b):9.2f} {unit} "
              f"{ratio:7.3f}")


if __name__ == "__main__":
    main()
