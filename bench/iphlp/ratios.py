#!/usr/bin/env python3
"""One live GetAdaptersInfo with dhclient's lease files beside one `ip -br addr`
process on the same links, in one run: the ratio at 256 links and each one's
cost of a link beyond the first. Needs root.

    bench/iphlp/ratios.py [build/default/bench/iphlp/iphlp_bench] [repetitions]
"""
import json
import subprocess
import sys

bench = sys.argv[1] if len(sys.argv) > 1 else "build/default/bench/iphlp/iphlp_bench"
repetitions = sys.argv[2] if len(sys.argv) > 2 else "9"
out = subprocess.run(
    [bench, "--benchmark_filter=LeaseFiles|IpBriefAddr", "--benchmark_format=json",
     "--benchmark_repetitions=" + repetitions, "--benchmark_report_aggregates_only=true"],
    check=True, capture_output=True, text=True).stdout
median = {}
for b in json.loads(out)["benchmarks"]:
    if b.get("aggregate_name") == "median":
        median[b["run_name"]] = b["real_time"] / 1000.0  # ms
ours = {n: median["BM_LiveGetAdaptersInfoLeaseFiles/%d/real_time" % n] for n in (1, 16, 256)}
ip = {n: median["BM_IpBriefAddr/%d/real_time" % n] for n in (1, 16, 256)}
for n in (1, 16, 256):
    print("%3d links: GetAdaptersInfo %7.2f ms   ip -br addr %7.2f ms   ratio %.2f"
          % (n, ours[n], ip[n], ours[n] / ip[n]))
print("each link beyond the first: GetAdaptersInfo %.1f us, ip -br addr %.1f us"
      % ((ours[256] - ours[1]) / 255 * 1000, (ip[256] - ip[1]) / 255 * 1000))
