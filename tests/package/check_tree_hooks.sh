#!/usr/bin/env bash
# A cross tree's bootstrap, from a clone and into a cache whose paths hold
# spaces, with mmdebstrap standing in: it runs each customize hook as the real
# one runs a shell hook (sh -c HOOK exec ROOT), and chroot stands in for the
# tree's apt-get build-dep, which must find the clone's debian/control there.
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
top="$work/a clone"
mkdir -p "$top" "$work/bin" "$work/a cache"
cp -R "$1/scripts" "$1/debian" "$top/"
cat >"$work/bin/mmdebstrap" <<'END'
#!/bin/bash
root=$(mktemp -d) && mkdir "$root/tmp"
for arg; do [[ $arg != --customize-hook=* ]] || sh -c "${arg#*=}" exec "$root" || exit; done
tar -cf "${@: -2:1}" -C "$root" . && rm -r "$root"
END
cat >"$work/bin/chroot" <<'END'
#!/bin/bash
cmp "$1${*: -1}/debian/control" "$ZELVIX_DEBIAN/control" && echo "${*:2}" >"$1/build-dep"
END
chmod +x "$work/bin"/*
export PATH="$work/bin:$PATH" XDG_CACHE_HOME="$work/a cache"
. "$top/scripts/packages.sh"
. "$top/scripts/trees.sh"
debian_mirror() { echo "http://deb.invalid/debian main"; }
tree_sudo=()
tarball=$(tree_tarball bookworm amd64,arm64 build-essential arm64)
[ "$(tar -xOf "$tarball" ./build-dep)" = "apt-get build-dep -y -qq -aarm64 /tmp/zelvix" ]
! tar -tf "$tarball" ./tmp/zelvix 2>/dev/null
