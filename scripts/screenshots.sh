#!/usr/bin/env bash
# Takes the README's screenshots of the real Nabbit under a private Xvfb display, in a light
# and a dark palette: the tray icon with its menu, the popover and the overlay. Each shot is a
# crop of the screen around what it shows. Writes docs/screenshots/*.png.
set -euo pipefail
build=${1:-build}
out=${2:-docs/screenshots}
bin="$(cd "$build/bin" && pwd)"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

if [ -z "${NABBIT_SCREENSHOTS_INNER:-}" ]; then
    exec env NABBIT_SCREENSHOTS_INNER=1 xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
        dbus-run-session -- "$0" "$@"
fi

scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$scratch"
}
trap cleanup EXIT

shot() {  # name x y width height
    import -window root -crop "$4x$5+$2+$3" +repage "$out/$1.png"
}

for scheme in light dark; do
    home="$scratch/$scheme"
    mkdir -p "$home"
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
    export XDG_STATE_HOME="$home/.local/state" XDG_CACHE_HOME="$home/.cache"
    export XDG_RUNTIME_DIR="$home/.runtime" NABBIT_COLOR_SCHEME="$scheme"
    mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
    if [ "$scheme" = light ]; then
        xsetroot -solid '#D9DEE5'
        tint=0xE8E8E8
    else
        xsetroot -solid '#1F2329'
        tint=0x252525
    fi
    trayer --edge top --align right --widthtype request --height 26 --SetDockType true \
        --transparent true --alpha 0 --tint "$tint" >/dev/null 2>&1 &
    pids+=($!)
    "$bin/nabbit-simulate" message "An old message" >/dev/null
    "$bin/nabbit" defaults write com.nabbit.app.hasSetup -bool true >/dev/null
    "$bin/nabbit" 2>/dev/null &
    nabbit=$!
    pids+=("$nabbit")
    sleep 2
    "$bin/nabbit-simulate" message --handle 22395 "G-739102 is your Google verification code." >/dev/null
    sleep 1
    "$bin/nabbit-simulate" message --handle +15555550123 \
        "Your Uber code: 4829. Never share this code." >/dev/null
    sleep 1
    "$bin/nabbit-simulate" message --handle +15555550188 \
        "Your Acme verification code is 482913. Don't share it with anyone." >/dev/null
    sleep 0.8
    shot "overlay-$scheme" 0 0 360 190

    # The tray icon sits at the right end of the panel at the top of the screen.
    icon_x=$(xwininfo -root -tree | awk '/"panel"/ {split($NF, a, "+"); print a[2]}' | head -n 1)
    icon_x=$((icon_x + 13))
    sleep 5  # let the overlay close
    xdotool mousemove "$icon_x" 13 click 1
    sleep 1
    shot "popover-$scheme" 860 0 420 400
    xdotool key Escape
    sleep 0.5
    xdotool mousemove "$icon_x" 13 click 3
    sleep 0.8
    # Down to "Settings" (the eighth item that can be chosen) and into its submenu.
    xdotool mousemove 10 790 key Down Down Down Down Down Down Down Down Right
    sleep 0.8
    shot "menu-$scheme" 560 0 720 420
    xdotool key Escape key Escape
    kill "$nabbit"
    wait "$nabbit" 2>/dev/null || true
    kill "${pids[0]}" 2>/dev/null || true
    pids=()
    sleep 0.5
done
echo "screenshots in $out"
