#!/usr/bin/env bash
# Checks a built Debian package of the game for what its own tests
# (debian/tests, run by run_autopkgtest.sh on the package installed in a
# fresh tree) do not:
#
#   check_deb.sh DEB
#
# lintian reports no error or warning on it, nor on its source package
# (the .dsc beside it); the menu entry and the metainfo
# validate, alone and as the package installs them; the package holds the
# game, its manual page, the menu entry, the metainfo, the icons and the
# copyright; and piuparts installs, removes and purges it in a fresh tree of
# this machine's Debian release (scripts/trees.sh makes it). Needs root (or
# sudo). It installs nothing on the machine itself: a zelvix there is a
# player's, left as it is.
set -uo pipefail

[ $# -eq 1 ] || { echo "usage: $0 DEB" >&2; exit 2; }
deb=$(realpath -e "$1") || exit 2
data=$(cd "$(dirname "$0")/../../data" && pwd) || exit 2
. "$(dirname "$0")/../../scripts/packages.sh"
. "$(dirname "$0")/../../scripts/packaging.sh"
. "$(dirname "$0")/../../scripts/trees.sh"
app_id=org.torvane.Zelvix
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
step() { printf '\n== %s\n' "$*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-deb.XXXXXX") || exit 1
# Never into what a piuparts chroot may have left mounted.
trap 'rm -rf --one-file-system "$work"' EXIT

step "lintian"
lintian_clean "$deb" "$work" || fail "lintian reports errors or warnings on $(basename "$deb"), or failed"

step "source package"
dsc=${deb%_*}.dsc
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

step "package contents"
icons=/usr/share/icons/hicolor
for path in /usr/games/zelvix /usr/share/man/man6/zelvix.6.gz /usr/share/doc/zelvix/copyright \
    "/usr/share/applications/$app_id.desktop" "/usr/share/metainfo/$app_id.metainfo.xml" \
    $icons/{16x16,24x24,32x32,48x48,64x64,128x128,256x256}/apps/zelvix.png $icons/scalable/apps/zelvix.svg; do
    [ -f "$work/tree$path" ] || fail "$(basename "$deb") does not hold $path"
done

step "piuparts: installed, removed and purged in a fresh tree"
# The tree the package's own tests run in: this machine's release, from its
# own mirror as apt reaches it, bootstrapped once and unpacked anew here.
codename=$(machine_release)
mirror=$(debian_mirror "$codename")
tree=$work/piuparts/tree
mkdir -p "$tree"
if [ -z "$mirror" ]; then
    fail "apt's sources name no mirror of $codename"
elif ! tarball=$(release_tarball "$codename") || ! "${sudo[@]}" tar -xf "$tarball" -C "$tree"; then
    fail "no fresh $codename tree to run piuparts in"
elif "${sudo[@]}" env TMPDIR="$work/piuparts" piuparts --distribution "$codename" --mirror "$mirror" \
    --existing-chroot "$tree" --hard-link "$deb" >"$work/piuparts.log" 2>&1; then
    grep -F 'PASS:' "$work/piuparts.log"
else
    fail "piuparts failed; the end of its log:"
    tail -n 25 "$work/piuparts.log" >&2
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo
echo "package $(basename "$deb"): lintian, validation, contents and piuparts all as expected"
