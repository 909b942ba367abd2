#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a few seconds each, starting from its seed
# corpus under fuzz/corpus/<target> when there is one. Fails when a target finds a crash.
set -euo pipefail
build=${1:-build-fuzz}
seconds=${2:-10}
here=$(cd "$(dirname "$0")/.." && pwd)
shopt -s nullglob
status=0
for target in "$build"/bin/fuzz_*; do
    name=$(basename "$target")
    work=$(mktemp -d)
    mkdir "$work/corpus" "$work/tmp"
    seeds=()
    [ -d "$here/fuzz/corpus/$name" ] && seeds=("$here/fuzz/corpus/$name")
    # The real rich message bodies of the test fixtures seed the body extraction.
    bodies="$here/tests/fixtures/attributed-body"
    [ "$name" = fuzz_attributed_body ] && seeds+=("$bodies" "$bodies/not-message-bodies")
    echo "fuzz: $name for ${seconds}s"
    if ! TMPDIR="$work/tmp" ASAN_OPTIONS=detect_leaks=1 "$target" -max_total_time="$seconds" -timeout=10 \
            -rss_limit_mb=2048 -artifact_prefix="$work/" "$work/corpus" "${seeds[@]}" \
            > "$work/log" 2>&1; then
        echo "fuzz: $name FAILED"; tail -n 60 "$work/log"; status=1
    else
        grep -E '^Done|stat::number_of_executed_units' "$work/log" | tail -n 1 || true
    fi
    rm -rf "$work"
done
exit $status
