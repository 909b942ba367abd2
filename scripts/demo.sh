#!/usr/bin/env bash
# A short demonstration of Nabbit's main job in a scratch home: `nabbit watch` runs on a
# Messages database and a Mail envelope database while nabbit-simulate writes messages into
# them as their owning programs would; every code Nabbit picks up is printed as a JSON line.
# Nothing outside the scratch home is read or written.
set -euo pipefail
build=${1:-build}
bin="$build/bin"

scratch=$(mktemp -d)
export HOME="$scratch"
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME
watch_pid=""
cleanup() {
    [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null && wait "$watch_pid" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

say() { printf '\n\033[1m%s\033[0m\n' "$*"; }

# Databases that exist before Nabbit starts, with history it must not report.
"$bin/nabbit-simulate" message "Your verification code is 111111 (an old message)" >/dev/null
"$bin/nabbit-simulate" mail --subject "Old newsletter" "Nothing to see here" >/dev/null

say "Starting nabbit watch --mail in $scratch"
"$bin/nabbit" watch --mail > "$scratch/codes.jsonl" 2> "$scratch/watch.log" &
watch_pid=$!
for _ in $(seq 1 100); do
    [ "$(grep -c 'nabbit watch: watching' "$scratch/watch.log" 2>/dev/null)" -ge 2 ] && break
    sleep 0.1
done

printed=0
send() {
    say "$1"
    shift
    "$bin/nabbit-simulate" "$@" >/dev/null
    local lines
    for _ in $(seq 1 30); do  # up to 3 s; a code normally shows 0.3 s after its message
        sleep 0.1
        lines=$(wc -l < "$scratch/codes.jsonl")
        [ "$lines" -gt "$printed" ] && break
    done
    if [ "$lines" -gt "$printed" ]; then
        tail -n +"$((printed + 1))" "$scratch/codes.jsonl" | sed 's/^/  nabbit: /'
        printed=$lines
    else
        echo "  nabbit: (no code)"
    fi
}
send "An SMS arrives: \"Your Acme verification code is 482913\"" \
    message --handle +15555550123 "Your Acme verification code is 482913. Don't share it."
send "An iMessage whose text is only in its rich body: \"G-739102 is your Google verification code.\"" \
    message --service iMessage --body rich "G-739102 is your Google verification code."
send "A message without a code: \"See you at 7pm at the station\"" \
    message "See you at 7pm at the station"
send "A Chinese SMS: \"【京东】验证码：582019，5分钟内有效，请勿泄露。\"" \
    message --handle 10690000 "【京东】验证码：582019，5分钟内有效，请勿泄露。"
send "A mail arrives: subject \"Your PayPal security code\", summary \"Use 204816 to log in\"" \
    mail --subject "Your PayPal security code" --from service@paypal.example "Use 204816 to log in"

say "The old messages in the databases were not reported: only what arrived while watching."
