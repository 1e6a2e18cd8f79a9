#!/usr/bin/env bash
# Checks that the packages reproduce:
#
#   check_reproducible.sh DIST              builds them again, then compares
#   check_reproducible.sh --build AGAIN     builds them again into AGAIN only
#   check_reproducible.sh DIST AGAIN        compares DIST with AGAIN's build
#
# scripts/package builds them again, at another time than DIST was built,
# from a clone of HEAD at another path (with a space in it), in another
# temporary directory, under another umask, time zone and locale; each file of
# either dist/ must be in the other, bit for bit, and SHA256SUMS must check
# every other file. Each file that differs is named, with the first lines of
# diffoscope's report.
set -uo pipefail

build=1 compare=1
case "$#:${1-}" in
    2:--build) compare=0 again=$2 ;;
    1:*) again= ;;
    2:*) build=0 again=$2 ;;
    *)
        echo "usage: $0 DIST | --build AGAIN | DIST AGAIN" >&2
        exit 2
        ;;
esac
top=$(cd "$(dirname "$0")/../.." && pwd) || exit 2
. "$top/scripts/packages.sh"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

if [ -z "$again" ]; then
    again=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-again.XXXXXX") || exit 1
    trap 'rm -rf "$again"' EXIT
fi
copy="$again/another copy"
if [ "$build" -eq 1 ]; then
    mkdir -p "$again" || exit 1
    git clone -q --shared --no-checkout "$top" "$copy" &&
        git -C "$copy" checkout -q --detach "$(git -C "$top" rev-parse HEAD)" || exit 1
    # Estonian sorts z after s, unlike C; made here, since few machines have it.
    mkdir "$again/locale" "$again/tmp" && localedef -i et_EE -f UTF-8 "$again/locale/et_EE.UTF-8" || exit 1
    # The build's own path has no space: dpkg-buildflags maps only a plain path
    # out of the binaries (in a path with a space the .deb's game differs).
    # The unit tests ran in the first build; whether they are built leaves
    # the packages' bytes alone, as the cross builds' .debs show.
    varied=(TMPDIR="$again/tmp" LOCPATH="$again/locale" LC_ALL=et_EE.UTF-8 TZ=Pacific/Kiritimati
        DEB_BUILD_OPTIONS=nocheck)
    echo "Building the packages again in $copy, umask 077, ${varied[*]:2}"
    logged "$again/package.log" "scripts/package in $copy" \
        env "${varied[@]}" bash -c 'umask 077 && cd "$1" && ./scripts/package' - "$copy"
    [ "$compare" -eq 1 ] || exit 0
fi
dist=$(realpath -e "$1") || exit 2
[ -d "$copy/dist" ] || { echo "FAIL: $again holds no second build" >&2; exit 1; }

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
