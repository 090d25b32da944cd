#!/usr/bin/env python3
"""Compares one Google Benchmark program of two build trees on a noisy machine: the two run in
turn, ROUNDS times, and each benchmark's best CPU time of all its repetitions is printed.

  bench/compare_builds.py ROUNDS BENCHMARK FILTER OLD-BUILD NEW-BUILD
  e.g. bench/compare_builds.py 4 song_document_bench . /tmp/old/build build
"""
import json
import os
import subprocess
import sys


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    rounds, bench, pattern = int(sys.argv[1]), sys.argv[2], sys.argv[3]
    builds = sys.argv[4:6]
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    best = {}
    for _ in range(rounds):
        for build in builds:
            out = subprocess.run([os.path.join(build, "bench", bench), "--benchmark_filter=" + pattern,
                                  "--benchmark_format=json", "--benchmark_repetitions=3"],
                                 capture_output=True, text=True, check=True, env=env).stdout
            for run in json.loads(out)["benchmarks"]:
                if run.get("run_type") == "iteration":
                    key = (build, run["run_name"])
                    best[key] = min(best.get(key, float("inf")), run["cpu_time"])
    for name in sorted({name for _, name in best}):
        old, new = best[(builds[0], name)], best[(builds[1], name)]
        print("%-45s %10.3f -> %10.3f  (%+.1f %%)" % (name, old, new, (new / old - 1) * 100))


if __name__ == "__main__":
    main()
