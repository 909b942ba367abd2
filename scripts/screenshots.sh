#!/usr/bin/env bash
# Takes the README's screenshots of the real Nabbit under a private Xvfb display, in a light
# and a dark palette: the tray icon with its menu, the popover, the overlay, the settings
# window (its top, its sources and its end) and both pages of the setup. The tray shots are crops of the
# screen around what they show; the windows are shot whole. Writes docs/screenshots/*.png.
set -euo pipefail
build=${1:-build}
out=${2:-docs/screenshots}
bin="$(cd "$build/bin" && pwd)"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

if [ -z "${NABBIT_SCREENSHOTS_INNER:-}" ]; then
    # Tall enough for the whole settings window.
    exec env NABBIT_SCREENSHOTS_INNER=1 xvfb-run -a -s "-screen 0 1280x1000x24 -noreset" \
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

# The id of the viewable window with this title that is wider than the tray icon of that name.
window_named() {  # title
    local id
    for _ in $(seq 50); do
        for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
            if [ "$(xdotool getwindowgeometry "$id" | awk '/Geometry/ {split($2, a, "x"); print a[1]}')" -gt 100 ]; then
                echo "$id"
                return
            fi
        done
        sleep 0.1
    done
    echo "no window named $1" >&2
    return 1
}

# A window, whole, at the top left of the screen.
window_shot() {  # name window
    xdotool windowmove "$2" 0 0
    sleep 0.6
    import -window "$2" "$out/$1.png"
}

# Clicks a point given from the window's bottom right corner.
click_from_bottom_right() {  # window dx dy
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    xdotool mousemove $((X + WIDTH - $2)) $((Y + HEIGHT - $3)) click 1
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
    # The codes arrive as SMS mirrored from a phone: desktop notifications, the way KDE Connect
    # sends them. Nobody serves notifications on this bus, so each call is refused; Nabbit has
    # read it on its way. The arguments are GVariant texts: with no service to ask, gdbus cannot
    # look up their types.
    sms() {  # sender text
        gdbus call --session --dest org.freedesktop.Notifications \
            --object-path /org/freedesktop/Notifications \
            --method org.freedesktop.Notifications.Notify "'KDE Connect'" "uint32 0" \
            "'kdeconnect'" "'$1'" "'$2'" "@as []" "@a{sv} {}" "int32 -1" >/dev/null 2>&1 || true
    }
    sms 22395 "G-739102 is your Google verification code."
    sleep 1
    sms "+1 555 555 0123" "Your Uber code: 4829. Never share this code."
    sleep 1
    sms "+1 555 555 0188" "Your Acme verification code is 482913. Do not share it with anyone."
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
    shot "menu-$scheme" 560 0 720 445
    xdotool key Escape key Escape
    sleep 0.3

    # The settings window: a second start hands over to the running Nabbit, which opens it.
    "$bin/nabbit" 2>/dev/null
    settings=$(window_named Nabbit)
    sleep 1.2
    window_shot "settings-$scheme" "$settings"
    eval "$(xdotool getwindowgeometry --shell "$settings")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    # Down to the sources: Mail, the desktop's notifications and the ignored apps.
    for _ in $(seq 12); do xdotool click 5; done
    sleep 0.6
    window_shot "settings-detection-$scheme" "$settings"
    for _ in $(seq 40); do xdotool click 5; done
    sleep 0.6
    window_shot "settings-end-$scheme" "$settings"
    kill "$nabbit"
    wait "$nabbit" 2>/dev/null || true

    # The setup, as a first start shows it: in a home of its own, with a Messages database.
    setup_home="$scratch/$scheme-setup"
    mkdir -p "$setup_home"
    export HOME="$setup_home" XDG_CONFIG_HOME="$setup_home/.config"
    export XDG_DATA_HOME="$setup_home/.local/share" XDG_STATE_HOME="$setup_home/.local/state"
    export XDG_CACHE_HOME="$setup_home/.cache"
    "$bin/nabbit-simulate" message "An old message" >/dev/null
    "$bin/nabbit" 2>/dev/null &
    nabbit=$!
    pids+=("$nabbit")
    setup=$(window_named "Setup Nabbit")
    sleep 1.2
    window_shot "setup-permissions-$scheme" "$setup"
    click_from_bottom_right "$setup" 60 34  # Next
    sleep 0.8
    window_shot "setup-features-$scheme" "$setup"
    kill "$nabbit"
    wait "$nabbit" 2>/dev/null || true
    kill "${pids[0]}" 2>/dev/null || true
    pids=()
    sleep 0.5
done
echo "screenshots in $out"
