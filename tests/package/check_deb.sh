#!/usr/bin/env bash
# Checks a built Debian package of the game:
#
#   check_deb.sh DEB CLOSE_WINDOW_TOOL
#
# lintian reports no error or warning on it, nor on its source package
# (the .dsc beside it), which unpacks; the menu entry and the metainfo
# validate, alone and as installed by the package; apt installs it with its
# dependencies; the installed game opens its window, of the menu entry's
# class; the menu entry's command keeps the game's report shown until Enter;
# man finds its page; dpkg lists the menu entry and the icons; a purge
# leaves none of its files; and piuparts installs, removes and purges it in a
# fresh chroot of this machine's Debian release (bootstrapped once from the
# machine's own mirror, and kept in ~/.cache/zelvix).
# Needs root (or sudo) and an X server in DISPLAY, e.g. run it under
#   xvfb-run -a -s "-screen 0 1024x768x24 -noreset"
# A zelvix already installed is a player's, and is left as it is: the checks
# from the install on are then skipped, which fails the run under CI=true.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 DEB CLOSE_WINDOW_TOOL" >&2
    exit 2
fi
deb=$(realpath -e "$1") || exit 2
close_window=$(realpath -e "$2") || exit 2
data=$(cd "$(dirname "$0")/../../data" && pwd) || exit 2
window_tests=$(cd "$(dirname "$0")/../window" && pwd) || exit 2
. "$(dirname "$0")/../../scripts/packages.sh"
. "$(dirname "$0")/../../scripts/packaging.sh"
. "$(dirname "$0")/../../scripts/trees.sh"
app_id=org.torvane.Zelvix
title="Zelvix version 1.2b beta"
if [ -z "${DISPLAY:-}" ]; then
    echo "FAIL: no X server in DISPLAY" >&2
    exit 1
fi
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
# Waits for apt's lock while another install runs.
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
step() { printf '\n== %s\n' "$*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-deb.XXXXXX") || exit 1
game_pid=
# Package state and version of zelvix, e.g. "installed 1.2~beta-1"; empty
# when dpkg does not know it.
zelvix_status() { dpkg-query -W -f='${db:Status-Status} ${Version}' zelvix 2>/dev/null; }
# 1 once this run has asked apt to install the package, 0 again once purged;
# ours is 1 once the installed files are known to be the package's.
installed=0
ours=0
cleanup() {
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    # Leave the machine as it was, even when a check in between failed; a
    # zelvix that another run put in place meanwhile is not ours to purge.
    local state
    state=$(zelvix_status)
    state=${state%% *}
    if [ "$installed" -eq 1 ] && [ -n "$state" ] && [ "$state" != not-installed ] &&
        { [ "$ours" -eq 1 ] || [ "$state" != installed ]; }; then
        "${apt[@]}" purge -y -qq zelvix >/dev/null
    fi
    # Never into what a piuparts chroot may have left mounted.
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT

step "lintian"
lintian_clean "$deb" "$work" || fail "lintian reports errors or warnings on $(basename "$deb"), or failed"

step "source package"
dsc=${deb%_*}.dsc
dpkg-source -x "$dsc" "$work/source" >/dev/null && [ -f "$work/source/debian/rules" ] ||
    fail "dpkg-source -x $dsc did not unpack it"
lintian_clean "$dsc" "$work" || fail "lintian reports errors or warnings on $(basename "$dsc"), or failed"

step "menu entry and metainfo"
# desktop-file-validate exits 0 on warnings: any output counts.
out=$(desktop-file-validate "$data/$app_id.desktop" 2>&1)
if [ $? -ne 0 ] || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
fi
# --strict fails on anything above a pedantic hint. The metainfo is the
# package's, its version filled in by the build.
dpkg-deb -x "$deb" "$work/tree" || fail "dpkg-deb -x $deb did not unpack it"
appstreamcli validate --no-net --strict "$work/tree/usr/share/metainfo/$app_id.metainfo.xml" ||
    fail "appstreamcli validate: $app_id.metainfo.xml is not clean"
# As installed: the metainfo's launchable must name the packaged menu entry.
appstreamcli validate-tree --no-net --strict "$work/tree" ||
    fail "appstreamcli validate-tree: the packaged metainfo and menu entry do not fit together"

step "install"
before=$(zelvix_status)
if [ -n "$before" ] && [ "${before%% *}" != not-installed ]; then
    echo "SKIPPED: zelvix ${before#* } is already on this machine (${before%% *}) and this check did not" \
        "install it, so it is left as it is: the install, start, manual page, purge and piuparts checks did" \
        "not run. Purge it (sudo apt-get purge zelvix) to run them."
    if [ "${CI:-}" = true ]; then
        fail "under CI=true the machine is the tests' own, and the package must be installed and purged"
    fi
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed" >&2
        exit 1
    fi
    echo
    echo "package $(basename "$deb"): lintian and validation as expected; install, start, manual page and" \
        "purge skipped"
    exit 0
fi
installed=1
if ! "${apt[@]}" install -y -q "$deb"; then
    fail "apt-get install $deb failed"
    exit 1
fi
# The installed files must be the ones just built, not those of another copy
# of the same version.
version=$(dpkg-deb -f "$deb" Version)
[ "$(zelvix_status)" = "installed $version" ] || fail "after the install, zelvix is $(zelvix_status), not installed $version"
if cmp -s "$work/tree/usr/games/zelvix" /usr/games/zelvix; then
    ours=1
else
    fail "/usr/games/zelvix is not the one in $deb"
    exit 1
fi

step "the installed game opens its window"
if xdotool search --name "$title" >/dev/null 2>&1; then
    fail "a window named \"$title\" is open before the game starts"
fi
(cd "$work" && exec /usr/games/zelvix <<<1 >"$work/game.out" 2>"$work/game.err") &
game_pid=$!
if window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title"); then
    echo "window \"$title\" shown"
    class=$(sed -n 's/^StartupWMClass=//p' "/usr/share/applications/$app_id.desktop")
    [ -n "$class" ] && xprop -id "$window" WM_CLASS | grep -qF "\"$class\"" ||
        fail "the window's $(xprop -id "$window" WM_CLASS) is not the menu entry's StartupWMClass=$class"
else
    fail "/usr/games/zelvix showed no window named \"$title\" within 30 s; its standard error:"
    sed 's/^/    /' "$work/game.err" >&2
fi
if ! kill "$game_pid" 2>/dev/null; then
    fail "/usr/games/zelvix had already ended: $(cat "$work/game.err")"
fi
wait "$game_pid" 2>/dev/null
game_pid=

step "started from the menu, the terminal keeps the report until Enter"
# The entry's command as a terminal runs it, in a user session's PATH, which
# holds /usr/games. The entry quotes as the shell does within double quotes.
exec_line=$(sed -n 's/^Exec=//p' "/usr/share/applications/$app_id.desktop")
printf '#!/bin/sh\nPATH=$PATH:/usr/games\nexec %s\n' "$exec_line" >"$work/menu-launch"
chmod +x "$work/menu-launch"
python3 - "$window_tests" "$work/menu-launch" "$close_window" <<'EOF' ||
import sys, time
sys.path.insert(0, sys.argv[1])
import windowlib as wl
# The level goes in; standard input stays open for the Enter to come.
with wl.play_until_game_over(sys.argv[2], keep_stdin_open=True) as game:
    wl.run_tool([sys.argv[3], str(game.window)])
    shown = wl.BANNER + wl.REPORT_FLUSHED % 2 + wl.REPORT_TAIL + b"\n\nPress Enter to close this window.\n"
    wl.wait_until(lambda: game.stdout() == shown, 30, "the report, its tail and the prompt")
    # Still there a moment after the prompt: waiting in its read, not ending.
    time.sleep(0.5)
    game.check_alive()
    game.proc.stdin.write(b"\n")
    game.proc.stdin.close()
    if game.wait_exit(30) != 0:
        raise wl.WindowTestError("the shell ended with status %d" % game.proc.returncode)
EOF
    fail "the menu entry's command did not keep the report until Enter"

step "manual page and package contents"
page=$(man -w zelvix 2>&1)
[ "$page" = /usr/share/man/man6/zelvix.6.gz ] || fail "man -w zelvix: $page"
dpkg -L zelvix >"$work/files" || fail "dpkg -L zelvix failed"
for size in 16 24 32 48 64 128 256; do
    echo "/usr/share/icons/hicolor/${size}x${size}/apps/zelvix.png"
done >"$work/expected"
printf '%s\n' /usr/games/zelvix /usr/share/man/man6/zelvix.6.gz \
    /usr/share/icons/hicolor/scalable/apps/zelvix.svg \
    "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml" \
    /usr/share/doc/zelvix/copyright >>"$work/expected"
while read -r path; do
    grep -qxF "$path" "$work/files" || fail "dpkg -L zelvix does not list $path"
    [ -f "$path" ] || fail "$path is not installed"
done <"$work/expected"

step "purge"
"${apt[@]}" purge -y -q zelvix && installed=0 || fail "apt-get purge zelvix failed"
if dpkg-query -W zelvix >/dev/null 2>&1; then
    fail "dpkg still knows zelvix after the purge: $(dpkg-query -W -f='${Status}' zelvix)"
fi
# Shared directories stay; files and the package's own directories must go.
while read -r path; do
    if { [ -e "$path" ] || [ -L "$path" ]; } && { [ ! -d "$path" ] || [[ ${path##*/} == *zelvix* ]]; }; then
        fail "$path is left after the purge"
    fi
done <"$work/files"

step "piuparts: installed, removed and purged in a fresh chroot"
# Of this machine's release and architecture, from its own mirror as apt
# reaches it. The first run bootstraps the chroot and saves it (piuparts
# renames the tarball into place once written); later runs start from it.
# Runs that start together wait for one bootstrap.
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
arch=$(dpkg --print-architecture)
mirror=$(debian_mirror "$codename")
base=$tree_cache/piuparts-$codename-$arch.tgz
mkdir -p "$tree_cache" "$work/piuparts"
exec {lock}>"$base.lock"
flock "$lock"
from=(--basetgz "$base")
if [ ! -f "$base" ]; then
    echo "Bootstrapping a $codename chroot from $mirror into $base (once for this user)"
    from=(--save "$base")
fi
if [ -z "$mirror" ]; then
    fail "apt's sources name no mirror of $codename for $arch"
elif "${sudo[@]}" env TMPDIR="$work/piuparts" piuparts --distribution "$codename" --mirror "$mirror" \
    "${from[@]}" "$deb" >"$work/piuparts.log" 2>&1; then
    grep -F 'PASS:' "$work/piuparts.log"
else
    fail "piuparts failed; the end of its log:"
    tail -n 25 "$work/piuparts.log" >&2
fi
exec {lock}>&-

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo
echo "package $(basename "$deb"): lintian, validation, install, start, manual page, purge and piuparts all as" \
    "expected"
