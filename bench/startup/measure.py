#!/usr/bin/env python3
"""Start-up time (process start to main window shown) and peak memory of
Lorvane beside a minimal Qt program, on Qt's offscreen platform.

Usage: measure.py BUILD_DIR [RUNS]   (RUNS defaults to 9; medians are printed)
Both programs run alternately in the same session, so machine load hits both.
"""
import os
import statistics
import subprocess
import sys
import time


def run_once(program):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    start = time.time_ns()
    child = subprocess.Popen([program], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             env=env, text=True)
    shown = None
    for line in child.stdout:
        if line.startswith("shown "):
            shown = int(line.split()[1])
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    if shown is None:
        raise RuntimeError(f"{program} never reported its window (exit {child.returncode})")
    return (shown - start) / 1e6, usage.ru_maxrss / 1024.0


def main():
    build = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    programs = {
        "lorvane": os.path.join(build, "bench", "startup", "lorvane_startup"),
        "minimal Qt": os.path.join(build, "bench", "startup", "qt_minimal"),
    }
    results = {name: ([], []) for name in programs}
    for name, program in programs.items():  # warm the file cache once
        run_once(program)
    for _ in range(runs):
        for name, program in programs.items():
            ms, mib = run_once(program)
            results[name][0].append(ms)
            results[name][1].append(mib)
    print(f"{runs} runs each, medians (min-max):")
    for name, (times, rss) in results.items():
        print(f"  {name:11s} shown after {statistics.median(times):7.1f} ms "
              f"({min(times):.1f}-{max(times):.1f}), peak RSS {statistics.median(rss):6.1f} MiB "
              f"({min(rss):.1f}-{max(rss):.1f})")


if __name__ == "__main__":
    main()
