#!/usr/bin/env bash
# Makes the .deb of this build with CPack into a scratch folder, unpacks it into a scratch root
# (no root rights needed) and checks it as a desktop and Debian meet it: every file where they
# look for it, the desktop entry and the AppStream metadata accepted by their validators, no
# lintian errors, and the unpacked programs working from there with their own data.
#
# usage: package_test.sh CPACK BUILD_DIR VERSION KEYWORD_SOURCE_DIR
set -uo pipefail

cpack=$1 build=$2 version=$3 keywords=$4
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_DATA_HOME=$scratch/home/.local/share
mkdir -p "$HOME"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    echo "FAIL: cpack could not make the package" >&2
    exit 1
fi
debs=("$scratch"/out/*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    echo "FAIL: expected one .deb, found: ${debs[*]}" >&2
    exit 1
fi
deb=${debs[0]}
root=$scratch/root
dpkg-deb -x "$deb" "$root" || { echo "FAIL: dpkg-deb -x $deb" >&2; exit 1; }

# The control fields: dpkg-shlibdeps must have found the libraries the programs link.
[ "$(dpkg-deb -f "$deb" Package)" = nabbit ] || fail "package name is not nabbit"
case "$(dpkg-deb -f "$deb" Version)" in
    "$version"-*) ;;
    *) fail "package version $(dpkg-deb -f "$deb" Version) is not $version-<release>" ;;
esac
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libqt6widgets6 libqt6svg6 libicu; do
    [[ $depends == *"$library"* ]] || fail "Depends lacks $library: $depends"
done

# Every file where the desktop, man and dpkg look for it.
expect_file() {
    [ -f "$root/$1" ] || fail "missing /$1"
}
for program in nabbit nabbit-parse; do
    [ -x "$root/usr/bin/$program" ] || fail "missing or not executable: /usr/bin/$program"
done
[ ! -e "$root/usr/bin/nabbit-simulate" ] || fail "the development tool nabbit-simulate is shipped"
shipped=0
for file in "$keywords"/*.json; do
    expect_file "usr/share/nabbit/OTPKeywords/$(basename "$file")"
    shipped=$((shipped + 1))
done
[ "$shipped" -ge 7 ] || fail "only $shipped keyword files in $keywords"
# Their decoded form, which spares each start decoding them; the tool that writes it stays home.
expect_file usr/share/nabbit/OTPKeywords.index
[ ! -e "$root/usr/bin/nabbit-index" ] || fail "the build tool nabbit-index is shipped"
desktop=usr/share/applications/nabbit.desktop
metainfo=usr/share/metainfo/app.nabbit.Nabbit.metainfo.xml
expect_file "$desktop"
expect_file "$metainfo"
expect_file usr/share/icons/hicolor/scalable/apps/nabbit.svg
for size in 16 22 24 32 48 64 128 256 512; do
    png=usr/share/icons/hicolor/${size}x${size}/apps/nabbit.png
    expect_file "$png"
    [ -f "$root/$png" ] || continue
    # The width and height of the PNG header must be the size its folder promises.
    dimensions=$(od -An -tu1 -j16 -N8 "$root/$png" | tr -s ' \n' ' ')
    read -r -a b <<<"$dimensions"
    width=$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))
    height=$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))
    [ "$width" = "$size" ] && [ "$height" = "$size" ] ||
        fail "/$png is ${width}x${height}, not ${size}x${size}"
done
for page in nabbit nabbit-parse; do
    expect_file "usr/share/man/man1/$page.1.gz"
    gzip -t "$root/usr/share/man/man1/$page.1.gz" 2>/dev/null || fail "$page.1.gz is not gzip"
done
expect_file usr/share/doc/nabbit/copyright
expect_file usr/share/doc/nabbit/changelog.Debian.gz
outside=$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name usr)
[ -z "$outside" ] || fail "files outside /usr: $outside"
local_files=$(cd "$root" && find usr -path 'usr/local*')
[ -z "$local_files" ] || fail "files under /usr/local: $local_files"

# The entry names what the package holds: the program, the icon, and the name the program
# gives Qt as its desktop file name.
if [ -f "$root/$desktop" ]; then
    desktop-file-validate "$root/$desktop" || fail "desktop-file-validate rejects nabbit.desktop"
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$root/$desktop")
    [ "$exec_program" = /usr/bin/nabbit ] && [ -x "$root$exec_program" ] ||
        fail "Exec=$exec_program is not the installed /usr/bin/nabbit"
    # KWin grants auto-paste's fake input to the program this entry names.
    grep -qx 'X-KDE-Wayland-Interfaces=org_kde_kwin_fake_input' "$root/$desktop" ||
        fail "the entry does not ask KWin for fake input"
    grep -qx 'Icon=nabbit' "$root/$desktop" || fail "the entry's icon is not nabbit"
    grep -qx 'Categories=Utility;' "$root/$desktop" || fail "the entry is not in Utility"
fi
if [ -f "$root/$metainfo" ]; then
    appstreamcli validate --no-net "$root/$metainfo" || fail "appstreamcli rejects the metainfo"
    grep -q '<launchable type="desktop-id">nabbit.desktop</launchable>' "$root/$metainfo" ||
        fail "the metainfo does not launch nabbit.desktop"
    grep -q "<release version=\"$version\" " "$root/$metainfo" ||
        fail "the metainfo has no release $version"
fi
# The installed tree as a software centre reads it: metadata, desktop entry and icon together.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree rejects the tree"

# Warnings are shown, errors fail.
lintian --fail-on error "$deb" || fail "lintian reports errors"

# The programs run from the unpacked tree and find their data beside it, in usr/share/nabbit:
# without the language files this text yields no code.
parsed=$("$root/usr/bin/nabbit-parse" 'Your code is 482913')
[ "$parsed" = '{"code":"482913","service":null}' ] || fail "nabbit-parse from the package: $parsed"
reported=$("$root/usr/bin/nabbit" --version)
[ "$reported" = "nabbit $version" ] || fail "nabbit --version from the package: $reported"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed for $(basename "$deb")" >&2
    exit 1
fi
echo "$(basename "$deb"): every check passed"
