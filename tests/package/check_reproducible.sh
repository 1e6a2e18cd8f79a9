#!/usr/bin/env bash
# Checks that the packages reproduce:
#
#   check_reproducible.sh DIST
#
# scripts/package builds them again, later than DIST was built, from a clone of
# HEAD at another path (with a space in it), in another temporary directory,
# under another umask, time zone and locale; each file of either dist/ must be
# in the other, bit for bit, and SHA256SUMS must check every other file. Each
# file that differs is named, with the first lines of diffoscope's report.
set -uo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DIST" >&2
    exit 2
fi
dist=$(realpath -e "$1") || exit 2
top=$(cd "$(dirname "$0")/../.." && pwd) || exit 2
. "$top/scripts/packages.sh"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-again.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
copy="$work/another copy"
git clone -q --shared --no-checkout "$top" "$copy" &&
    git -C "$copy" checkout -q --detach "$(git -C "$top" rev-parse HEAD)" || exit 1
# Estonian sorts z after s, unlike C; made here, since few machines have it.
mkdir "$work/locale" "$work/tmp" && localedef -i et_EE -f UTF-8 "$work/locale/et_EE.UTF-8" || exit 1
# The build's own path has no space: dpkg-buildflags maps only a plain path
# out of the binaries (in a path with a space the .deb's game differs).
varied=(TMPDIR="$work/tmp" LOCPATH="$work/locale" LC_ALL=et_EE.UTF-8 TZ=Pacific/Kiritimati)
echo "Building the packages again in $copy, umask 077, ${varied[*]:2}"
logged "$work/package.log" "scripts/package in $copy" \
    env "${varied[@]}" bash -c 'umask 077 && cd "$1" && ./scripts/package' - "$copy"

while read -r name; do
    if [ ! -f "$dist/$name" ] || [ ! -f "$copy/dist/$name" ]; then
        fail "$name is left by one build only"
    elif ! cmp -s "$dist/$name" "$copy/dist/$name"; then
        fail "$name differs between the two builds; diffoscope's first lines:"
        diffoscope --text - "$dist/$name" "$copy/dist/$name" 2>&1 | head -n 30 | sed 's/^/    /' >&2
    fi
done < <({ ls -A "$dist" && ls -A "$copy/dist"; } | LC_ALL=C sort -u)

listed=$(wc -l <"$copy/dist/SHA256SUMS") && [ "$listed" -eq "$(($(ls -A "$copy/dist" | wc -l) - 1))" ] &&
    (cd "$copy/dist" && sha256sum --quiet --strict -c SHA256SUMS) ||
    fail "SHA256SUMS does not check every other file of dist/"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "The second build left the same $((listed + 1)) files in dist/, bit for bit."
