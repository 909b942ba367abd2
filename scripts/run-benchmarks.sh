#!/usr/bin/env bash
# Runs every benchmark program of a build and prints its figures. Benchmarks report; they
# never fail on a number. Without a display, they run on a private Xvfb display (the delivery
# benchmark needs one) with a private D-Bus session bus.
set -euo pipefail
build=${1:-build}
if [ -z "${DISPLAY:-}" ] && [ -z "${NABBIT_BENCH_INNER:-}" ]; then
    exec env NABBIT_BENCH_INNER=1 xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
        dbus-run-session -- "$0" "$@"
fi
shopt -s nullglob
for bench in "$build"/bin/bench_*; do
    echo "== $(basename "$bench")"
    "$bench" --benchmark_min_time=0.5
done
echo "== parse_process"
"$(dirname "$0")/../benchmarks/parse_process.sh" "$build"
echo "== idle_cost"
"$(dirname "$0")/../benchmarks/idle_cost.sh" "$build"
