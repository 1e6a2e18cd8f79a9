#!/usr/bin/env bash
# Checks that check_deb.sh leaves alone the zelvix installed on the machine:
#
#   check_deb_keeps_install.sh DEB
#
# With another zelvix installed (the player's own if there is one, else a
# stand-in package made and installed here), check_deb.sh under CI=true
# must pass and leave that zelvix installed as it was: the test command's
# one run of check_deb.sh. The stand-in is purged
# at the end. Needs root (or sudo).
set -uo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DEB" >&2
    exit 2
fi
deb=$(realpath -e "$1") || exit 2
here=$(cd "$(dirname "$0")" && pwd) || exit 2
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
apt=("${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
standin_version=0~stand-in-1

zelvix_status() { dpkg-query -W -f='${db:Status-Status} ${Version}' zelvix 2>/dev/null; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-keeps.XXXXXX") || exit 1
standin=0
cleanup() {
    if [ "$standin" -eq 1 ] && [ "$(zelvix_status)" = "installed $standin_version" ]; then
        "${apt[@]}" purge -y -qq zelvix >/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

before=$(zelvix_status)
if [ -z "$before" ] || [ "${before%% *}" = not-installed ]; then
    root=$work/stand-in
    mkdir -p "$root/DEBIAN" "$root/usr/share/doc/zelvix"
    cat >"$root/DEBIAN/control" <<EOF
Package: zelvix
Version: $standin_version
Architecture: all
Maintainer: The Zelvix developers <nobody@invalid>
Description: stand-in for a zelvix that a player installed
EOF
    echo "Installed by tests/package/check_deb_keeps_install.sh." >"$root/usr/share/doc/zelvix/stand-in"
    dpkg-deb -Zgzip --root-owner-group --build "$root" "$work/stand-in.deb" >/dev/null || exit 1
    standin=1
    if ! "${apt[@]}" install -y -qq "$work/stand-in.deb" >"$work/apt.log" 2>&1; then
        echo "FAIL: the stand-in did not install:" >&2
        cat "$work/apt.log" >&2
        exit 1
    fi
    before=$(zelvix_status)
fi
echo "zelvix on the machine: $before"

CI=true "$here/check_deb.sh" "$deb"
status=$?
after=$(zelvix_status)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
[ "$after" = "$before" ] || fail "check_deb.sh changed zelvix from \"$before\" to \"${after:-unknown to dpkg}\""
[ "$standin" -eq 0 ] || [ -f /usr/share/doc/zelvix/stand-in ] || fail "the stand-in's file is gone"
[ "$status" -eq 0 ] || fail "check_deb.sh failed with zelvix ${before#* } on the machine"
[ "$failures" -eq 0 ] || exit 1
echo "check_deb.sh passed and left zelvix ${before#* } installed as it was"
