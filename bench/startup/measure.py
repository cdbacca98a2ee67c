#!/usr/bin/env python3
"""Start-up time (process start to main window shown) and peak memory of
Lorvane beside a plain Qt program that shows the same widgets and rows, on
Qt's offscreen platform; prints the medians and Lorvane's ratios to them.

Usage: measure.py BUILD_DIR [RUNS] [--also LABEL=PROGRAM ...]
  RUNS defaults to 9. --also adds another start-up program built from
  bench/startup/lorvane_startup.cpp (an earlier build, say), measured in the
  same rounds and given its own ratios.
The programs run in turn in each round, every other round in reverse order,
so machine load hits all of them; the median of each round's own ratio is
printed too.
Run as root, each Lorvane has a hive of its own in a temporary folder, so
that nothing it does can reach the system's.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time


def run_once(argv, hive=None):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    if hive:
        env["LORVANE_STARTUP_HIVE"] = hive
    start = time.time_ns()
    child = subprocess.Popen(argv, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             env=env, text=True)
    shown, rows, painted = None, None, None
    for line in child.stdout:
        if line.startswith("shown "):
            shown = int(line.split()[1])
        elif line.startswith("rows "):
            rows = line.split()[1:3]
        elif line.startswith("painted "):
            painted = int(line.split()[1])
    _, status, usage = os.wait4(child.pid, 0)
    if shown is None:
        raise RuntimeError(f"{argv[0]} never reported its window "
                           f"(exit {os.waitstatus_to_exitcode(status)})")
    # A window timed before it is painted would make an unfair yardstick.
    if painted == 0:
        raise RuntimeError(f"{argv[0]} said it was shown before it was painted")
    return (shown - start) / 1e6, usage.ru_maxrss / 1024.0, rows


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("runs", nargs="?", type=int, default=9)
    parser.add_argument("--also", action="append", default=[], metavar="LABEL=PROGRAM")
    args = parser.parse_args()

    startup = os.path.join(args.build, "bench", "startup")
    lorvanes = {"lorvane": os.path.join(startup, "lorvane_startup")}
    for also in args.also:
        label, program = also.split("=", 1)
        lorvanes[label] = program
    scratch = tempfile.mkdtemp(prefix="lorvane-startup-")
    try:
        hives = {label: os.path.join(scratch, f"{i}.hive") for i, label in enumerate(lorvanes)}
        # Warm the file cache and learn the rows shown.
        rows = None
        for label, program in lorvanes.items():
            _, _, shown_rows = run_once([program], hives[label])
            rows = rows or shown_rows
        programs = {label: ([program], hives[label]) for label, program in lorvanes.items()}
        programs["plain Qt"] = ([os.path.join(startup, "plain_qt")] + (rows or []), None)
        run_once(*programs["plain Qt"])

        results = {label: ([], []) for label in programs}
        for round_ in range(args.runs):
            # Every other round in reverse, so that none always runs first.
            order = list(programs.items())
            for label, (argv, hive) in (order if round_ % 2 == 0 else order[::-1]):
                ms, mib, _ = run_once(argv, hive)
                results[label][0].append(ms)
                results[label][1].append(mib)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    print(f"{args.runs} runs each, medians (min-max); rows shown: "
          f"{' and '.join(rows) if rows else 'unknown'}")
    medians = {}
    for label, (times, rss) in results.items():
        medians[label] = (statistics.median(times), statistics.median(rss))
        print(f"  {label:16s} shown after {medians[label][0]:7.1f} ms "
              f"({min(times):.1f}-{max(times):.1f}), peak RSS {medians[label][1]:6.1f} MiB "
              f"({min(rss):.1f}-{max(rss):.1f})")
    base_ms, base_mib = medians["plain Qt"]
    for label in lorvanes:
        ms, mib = medians[label]
        # The load on a shared machine drifts; a round's programs share it.
        paired = statistics.median(
            mine / base for mine, base in zip(results[label][0], results["plain Qt"][0]))
        print(f"  {label} / plain Qt: start-up {ms / base_ms:.2f}x (median of each round's "
              f"ratio {paired:.2f}x), peak memory {mib / base_mib:.2f}x")


if __name__ == "__main__":
    main()
