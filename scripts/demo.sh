#!/usr/bin/env bash
# Nabbit's main job in a scratch home, with a database that its owning program writes into.
#
# With a display: the real Nabbit starts (set up, living in the tray) and a realistic
# verification message arrives every 5 seconds; you see the tray icon, the overlay, and each
# code on your clipboard. Without a display: `nabbit watch` prints the code of each message as a
# JSON line. Ctrl+C ends it. Nothing outside the scratch home is read or written, apart from
# the clipboard and the tray of your session.
set -euo pipefail
build=${1:-build}
bin="$(cd "$build/bin" && pwd)"

scratch=$(mktemp -d)
export HOME="$scratch"
export XDG_CONFIG_HOME="$scratch/.config" XDG_DATA_HOME="$scratch/.local/share"
export XDG_STATE_HOME="$scratch/.local/state" XDG_CACHE_HOME="$scratch/.cache"
# Its own runtime folder: a Nabbit you run yourself is not disturbed or handed over to.
export XDG_RUNTIME_DIR="$scratch/.runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
child=""
cleanup() {
    trap - EXIT INT TERM
    if [ -n "$child" ] && kill -0 "$child" 2>/dev/null; then
        kill "$child" 2>/dev/null || true
        wait "$child" 2>/dev/null || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT
trap 'echo; exit 0' INT TERM

say() { printf '\n\033[1m%s\033[0m\n' "$*"; }
simulate() { "$bin/nabbit-simulate" "$@" >/dev/null; }


desktop_demo() {
    simulate message "Your verification code is 111111 (an old message, never copied)"
    simulate mail --subject "Old newsletter" "Nothing to see here"
    "$bin/nabbit" defaults write com.nabbit.app.hasSetup -bool true >/dev/null
    "$bin/nabbit" defaults write com.nabbit.app.emailDetectionEnabled -bool true >/dev/null
    say "Starting Nabbit in $scratch: look for its icon in your tray"
    "$bin/nabbit" 2>"$scratch/nabbit.log" &
    child=$!
    sleep 2
    if ! kill -0 "$child" 2>/dev/null; then
        cat "$scratch/nabbit.log"
        exit 1
    fi
    local messages=(
        "message|+15555550123|Your Acme verification code is 482913. Don't share it with anyone."
        "message|22395|G-739102 is your Google verification code."
        "mail|security@paypal.example|Your PayPal security code|Use 204816 to log in. It expires in 10 minutes."
        "message|10690000|【京东】验证码：582019，5分钟内有效，请勿泄露。"
        "message|+33612345678|Votre code de vérification Doctolib est 730145."
        "message|+4915112345678|Dein Sparkasse-Code lautet 391744. Gib ihn niemals weiter."
        "message|+5511987654321|Seu código de verificação Nubank é 618203."
    )
    say "A message arrives every 5 seconds; press Ctrl+C to stop"
    local i=0
    while true; do
        IFS='|' read -r kind from first second <<<"${messages[i % ${#messages[@]}]}"
        if [ "$kind" = mail ]; then
            printf '\n  mail from %s: "%s" / "%s"\n' "$from" "$first" "$second"
            simulate mail --from "$from" --subject "$first" "$second"
        else
            printf '\n  message from %s: "%s"\n' "$from" "$first"
            simulate message --handle "$from" "$first"
        fi
        sleep 1
        printf '  clipboard now: %s\n' "$(xclip -selection clipboard -o 2>/dev/null || echo '?')"
        i=$((i + 1))
        sleep 4
    done
}

watch_demo() {
    # Databases that exist before Nabbit starts, with history it must not report.
    simulate message "Your verification code is 111111 (an old message)"
    simulate mail --subject "Old newsletter" "Nothing to see here"

    say "No display: starting nabbit watch --mail in $scratch"
    "$bin/nabbit" watch --mail >"$scratch/codes.jsonl" 2>"$scratch/watch.log" &
    child=$!
    for _ in $(seq 1 100); do
        [ "$(grep -c 'nabbit watch: watching' "$scratch/watch.log" 2>/dev/null)" -ge 2 ] && break
        sleep 0.1
    done

    local printed=0
    send() {
        say "$1"
        shift
        simulate "$@"
        local lines=0
        for _ in $(seq 1 30); do  # up to 3 s; a code normally shows 0.3 s after its message
            sleep 0.1
            lines=$(wc -l <"$scratch/codes.jsonl")
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
}

if [ -n "${DISPLAY:-}" ] && xset q >/dev/null 2>&1; then
    desktop_demo
else
    watch_demo
fi
