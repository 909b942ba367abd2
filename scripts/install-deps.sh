#!/usr/bin/env bash
# Installs the Debian packages Nabbit needs to build, test and run, when any is missing.
# Idempotent and quiet when everything is there. Uses sudo when not run as root.
set -euo pipefail

packages=(
    build-essential cmake make pkg-config git
    clang clang-format libclang-rt-dev
    qt6-base-dev qt6-svg-dev libqt6dbus6 libqt6network6 libdbus-1-dev
    libicu-dev libsqlite3-dev sqlite3 libplist-dev nlohmann-json3-dev libssl-dev
    libx11-dev libxtst-dev libxi-dev libxfixes-dev libxcb1-dev libxcb-xtest0-dev libxcb-xfixes0-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xclip x11-utils x11-xserver-utils dbus dbus-x11 libglib2.0-bin imagemagick trayer
    xdotool
    sway kwin-wayland libkf5service-bin mutter xwayland wl-clipboard wayland-utils
    libwayland-dev libwayland-bin libxkbcommon-dev python3-gi gir1.2-gtk-3.0
    fonts-noto-color-emoji
    dpkg-dev file desktop-file-utils appstream lintian
)

missing=()
for pkg in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    if [ "$status" != "installed" ]; then
        missing+=("$pkg")
    fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
