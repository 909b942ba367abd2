#!/usr/bin/env bash
# Whole nabbit-parse processes, as scripts run them: the median time of one call from start to
# exit (one message on the command line), and the throughput of one --jsonl run over every
# corpus message repeated. Reports figures, never fails on one.
#
#   benchmarks/parse_process.sh [BUILD] [OTHER_NABBIT_PARSE]
#
# With a second nabbit-parse (another build, e.g. of an older commit, with its own
# ../share/nabbit), the same figures for it and the ratios between the two, measured in the
# same run on the same texts.
#
# With NABBIT_BENCH_INSTRUCTIONS=1 (and valgrind installed), also the instructions of one call
# and the instructions per message of a --jsonl run (the difference between three rounds of
# the corpus and one, so that start-up and first compilations drop out), counted by callgrind:
# they hold still on a loaded machine where wall time does not.
set -euo pipefail
build=${1:-build}
other=${2:-}
here=$(cd "$(dirname "$0")/.." && pwd)
parse="$build/bin/nabbit-parse"
calls=${NABBIT_BENCH_CALLS:-41}
rounds=${NABBIT_BENCH_ROUNDS:-20}

if [ ! -x "$parse" ]; then
    echo "parse_process: no $parse (build the nabbit-parse target)" >&2
    exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# A home of its own: no per-user override files, nothing written to the real home.
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share"
mkdir -p "$HOME"

input="$scratch/messages.jsonl"
for _ in $(seq "$rounds"); do
    cat "$here"/tests/corpus/*.jsonl
done > "$input"
lines=$(wc -l < "$input")

# The time in nanoseconds, into $now. Read from bash's own clock where it has one: a
# command substitution or date(1) would count the start of another process into each call,
# about a third of a short call on this machine.
clock() {
    if [ -n "${EPOCHREALTIME:-}" ]; then
        now=${EPOCHREALTIME/[.,]/}000
    else
        now=$(date +%s%N)
    fi
}

# Median wall time of one call, in milliseconds with two decimals.
startup_ms() {
    local program=$1 times=() start end now
    for _ in $(seq "$calls"); do
        clock
        start=$now
        "$program" "Your verification code is 482913" > /dev/null
        clock
        end=$now
        times+=($(( (end - start) / 10000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] / 100 }'
}

# Messages per second of one --jsonl run over a file (the whole input by default), with any
# further arguments.
throughput() {
    local program=$1 file=${2:-$input} start end now count
    shift 2 || shift
    count=$(wc -l < "$file")
    clock
    start=$now
    "$program" --jsonl "$@" < "$file" > "$scratch/out.jsonl"
    clock
    end=$now
    awk -v n="$count" -v ns=$(( end - start )) 'BEGIN { printf "%.0f", n / (ns / 1e9) }'
}

# Instructions executed by a command (callgrind's count).
instructions_of() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        awk '/Collected :/ { print $NF }'
}

once="$scratch/once.jsonl"
thrice="$scratch/thrice.jsonl"
cat "$here"/tests/corpus/*.jsonl > "$once"
cat "$once" "$once" "$once" > "$thrice"

# Instructions of one call, and per message of a --jsonl run beyond the first round.
instruction_figures() {
    local program=$1 call one three
    call=$(instructions_of "$program" "Your verification code is 482913")
    one=$(instructions_of "$program" --jsonl < "$once")
    three=$(instructions_of "$program" --jsonl < "$thrice")
    echo "$call $(( (three - one) / (2 * $(wc -l < "$once")) ))"
}

"$parse" "warm the page cache" > /dev/null || true
ours_start=$(startup_ms "$parse")
ours_rate=$(throughput "$parse")
echo "nabbit-parse call, start to exit (median of $calls): $ours_start ms"
echo "nabbit-parse --jsonl over $lines messages: $ours_rate messages/s"
echo "  on one thread (--jobs 1): $(throughput "$parse" "$input" --jobs 1) messages/s"
echo "  over one round ($(wc -l < "$once") messages, compiling included): $(throughput "$parse" "$once") messages/s"

if [ -n "$other" ]; then
    "$other" "warm the page cache" > /dev/null || true
    other_start=$(startup_ms "$other")
    other_rate=$(throughput "$other")
    echo "$other call (median of $calls): $other_start ms"
    echo "$other --jsonl: $other_rate messages/s"
    echo "  over one round: $(throughput "$other" "$once") messages/s"
    awk -v a="$other_start" -v b="$ours_start" -v r="$ours_rate" -v o="$other_rate" 'BEGIN {
        printf "start-up: %.2fx faster; throughput ratio: %.2f\n", a / b, r / o }'
fi

if [ "${NABBIT_BENCH_INSTRUCTIONS:-0}" = 1 ]; then
    if ! command -v valgrind > /dev/null; then
        echo "parse_process: no valgrind, no instruction counts" >&2
        exit 0
    fi
    read -r ours_call ours_message < <(instruction_figures "$parse")
    echo "nabbit-parse call: $ours_call instructions; --jsonl: $ours_message instructions/message"
    if [ -n "$other" ]; then
        read -r other_call other_message < <(instruction_figures "$other")
        echo "$other call: $other_call instructions; --jsonl: $other_message instructions/message"
        awk -v a="$other_call" -v b="$ours_call" -v c="$other_message" -v d="$ours_message" 'BEGIN {
            printf "instructions: start-up %.2fx fewer; per message %.2fx fewer\n", a / b, c / d }'
    fi
fi
