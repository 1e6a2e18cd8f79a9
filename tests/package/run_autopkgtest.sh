#!/usr/bin/env bash
# Runs the package's own tests (debian/tests) as Debian's CI does: autopkgtest
# on the built source package and .deb, in a fresh tree of the machine's
# architecture that autopkgtest-virt-unshare unpacks from an mmdebstrap
# TARBALL, its package lists fetched first (-U):
#
#   run_autopkgtest.sh TARBALL DIST_OR_FILES...
#
# DIST_OR_FILES: folders holding the zelvix .dsc and the machine's .deb
# (dist/), or the files themselves. The tree's user namespace maps the user's
# subordinate ids: a user with no line in /etc/subuid or /etc/subgid gets one
# there (through sudo where not root); a line that is there stays as it is.
set -uo pipefail

[ $# -ge 2 ] || { echo "usage: $0 TARBALL DIST_OR_FILES..." >&2; exit 2; }
tarball=$(realpath -e "$1") || exit 2
shift
. "$(dirname "$0")/../../scripts/packages.sh"
install_missing "${TREE_PACKAGES[@]}" || exit 1

files=()
for item in "$@"; do
    [ -d "$item" ] && files+=("$item"/zelvix_*.dsc "$item"/zelvix_*_"$(dpkg --print-architecture)".deb)
    [ -d "$item" ] || files+=("$item")
done
for file in "${files[@]}"; do
    [ -f "$file" ] || { echo "FAIL: no such file: $file" >&2; exit 2; }
done

user=$(id -un)
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
missing=()
for file in /etc/subuid /etc/subgid; do
    grep -qE "^($user|$(id -u)):" "$file" 2>/dev/null || missing+=("$file")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Giving $user 65536 subordinate ids in ${missing[*]}, which autopkgtest-virt-unshare maps"
    for file in "${missing[@]}"; do
        # Above every range the file gives out already, and not below useradd's first.
        first=$(awk -F: 'BEGIN { n = 100000 } $2 + $3 > n { n = $2 + $3 } END { print n }' "$file" 2>/dev/null)
        echo "$user:${first:-100000}:65536" | "${sudo[@]}" tee -a "$file" >/dev/null || exit 1
    done
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-autopkgtest.XXXXXX") || exit 1
trap 'rm -rf --one-file-system "$work"' EXIT
# autopkgtest-virt-unshare hands the tarball's path to a shell unquoted.
ln -s "$tarball" "$work/tree.tar"
echo "autopkgtest in a fresh tree from ${tarball##*/}: ${files[*]##*/}"
start=$SECONDS
autopkgtest -U --output-dir "$work/out" "${files[@]}" -- unshare --tarball "$work/tree.tar" >"$work/log" 2>&1
status=$?
sed -n '/@@@@ summary$/,$p' "$work/log" | tail -n +2
if [ "$status" -ne 0 ]; then
    echo "FAIL: autopkgtest ended with status $status; the end of its log:" >&2
    tail -n 40 "$work/log" >&2
    exit 1
fi
echo "autopkgtest: every test passed, in $((SECONDS - start)) s"
