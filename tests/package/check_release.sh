#!/usr/bin/env bash
# Proves the game on another Debian release, in a fresh tree of it:
#
#   check_release.sh RELEASE DSC
#
# In a clean clone of HEAD there, ./scripts/test --quick passes, installing
# what it needs with apt as it does on a fresh machine; and the source package
# DSC builds there into a .deb that the release's lintian finds clean. One
# warning is allowed while the metainfo names no homepage, for the project has
# none yet: AppStream 1.0's validation wants one.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 RELEASE DSC" >&2
    exit 2
fi
release=$1
dsc=$(realpath -e "$2")
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/scripts/deps.sh"
. "$top/scripts/trees.sh"
install_missing "${TREE_PACKAGES[@]}"

tarball=$(tree_tarball "$release" "$(dpkg --print-architecture)" ca-certificates git)
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-$release.XXXXXX")
trap 'tree_remove "$work"' EXIT
mkdir "$work/build"
git clone -q --no-hardlinks "$top" "$work/build/zelvix"
cp "$dsc" "${dsc%/*}"/zelvix_*.tar.* "$work/build/"
allowed='^$'
grep -q '<url type="homepage">' "$top"/data/*.metainfo.xml ||
    allowed='^W: zelvix: appstream-metadata-validation-failed '
cat >"$work/build/check.sh" <<'END'
cd /build/zelvix
echo "The quick checks in a clean clone, in a fresh $1 tree"
if ./scripts/test --quick >/build/quick.log 2>&1; then
    tail -n 1 /build/quick.log
else
    echo "FAIL: ./scripts/test --quick fails on $1; the end of its output:"
    tail -n 40 /build/quick.log
    exit 1
fi
echo
echo "The source package built by dpkg-buildpackage, checked by $1's lintian"
cd /build
export DEBIAN_FRONTEND=noninteractive
dpkg-source -x ./*.dsc source >/dev/null 2>&1
apt-get install -y -qq --no-install-recommends lintian >/dev/null
apt-get build-dep -y -qq ./source >/dev/null
if ! (cd source && DEB_BUILD_OPTIONS="noautodbgsym terse" dpkg-buildpackage -us -uc -b >../build.log 2>&1); then
    echo "FAIL: the package does not build on $1; the end of the log:"
    tail -n 25 build.log
    exit 1
fi
lintian --pedantic --display-info --show-overrides ./*.changes 2>&1 | tee lintian.out
if grep -E '^[EW]: ' lintian.out | grep -vqE "$2"; then
    echo "FAIL: $1's lintian finds errors or warnings"
    exit 1
fi
END
tree_session "$tarball" "$work" tree_run --keep-downloads "$tree_cache/apt-$release" \
    sh -e /build/check.sh "$release" "$allowed"
echo "$release: the quick checks pass, and the package builds clean"
