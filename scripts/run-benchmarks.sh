#!/usr/bin/env bash
# Runs every benchmark program of a build and prints its figures. Benchmarks report; they
# never fail on a number.
set -euo pipefail
build=${1:-build}
shopt -s nullglob
for bench in "$build"/bin/bench_*; do
    echo "== $(basename "$bench")"
    "$bench" --benchmark_min_time=0.5
done
