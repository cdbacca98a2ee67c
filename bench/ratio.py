#!/usr/bin/env python3
"""Runs one benchmark program and prints the median real time of each named
benchmark and its ratio to the first, all measured in the same run.

Usage: ratio.py PROGRAM [--repetitions N] BASELINE OTHER...
  BASELINE and OTHER are full benchmark names as the program prints them
  (BM_Name/16), timed in one unit. N defaults to 9. Google Benchmark runs
  each benchmark's repetitions together, not interleaved: on a shared
  machine, run it more than once.
"""
import argparse
import json
import re
import subprocess


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("--repetitions", type=int, default=9)
    parser.add_argument("names", nargs="+")
    args = parser.parse_args()

    pattern = "^(" + "|".join(re.escape(n) for n in args.names) + ")$"
    out = subprocess.run(
        [args.program, f"--benchmark_filter={pattern}",
         f"--benchmark_repetitions={args.repetitions}", "--benchmark_format=json"],
        check=True, stdout=subprocess.PIPE, text=True).stdout
    medians = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            medians[b["run_name"]] = (b["real_time"], b["time_unit"])
    missing = [n for n in args.names if n not in medians]
    if missing:
        raise SystemExit(f"no results for {', '.join(missing)} (skipped, or no such benchmark)")
    base, unit = medians[args.names[0]]
    print(f"medians of {args.repetitions} repetitions:")
    for name in args.names:
        time, its_unit = medians[name]
        if its_unit != unit:
            raise SystemExit(f"{name} is timed in {its_unit}, {args.names[0]} in {unit}")
        print(f"  {name:40s} {time:12.2f} {unit}  {time / base:6.2f}x")


if __name__ == "__main__":
    main()
