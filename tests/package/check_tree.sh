#!/usr/bin/env bash
# Proves the game on another Debian release or architecture (a row of
# OTHER_RELEASES or CROSS_ARCHITECTURES in scripts/trees.sh), in one session
# of a fresh tree:
#
#   check_tree.sh ROW SOURCE BUILD
#
# SOURCE holds the source package (scripts/package --source SOURCE leaves it
# there), BUILD is the native build tree, whose helpers an architecture's window
# test uses.
#
# A release: in a clean clone of HEAD, ./scripts/test --quick passes, installing
# what it needs with apt as on a fresh machine; the source package builds
# there into a .deb that the release's lintian finds clean, and that passes
# its own tests (debian/tests) under autopkgtest in another fresh tree. One warning is
# allowed while the metainfo names no homepage, for the project has none yet:
# AppStream 1.0's validation wants one.
#
# An architecture: the source package is cross-built for it, with its unit
# tests run under qemu's user-mode emulation by the package build itself and
# not a warning from the compiler; the console test passes under emulation;
# apt installs the .deb; that game plays the window tests' scripted game
# exactly as the native build does: the same console text, score file and
# bells, and the same last frame, both drawn by Mesa's softpipe; lintian finds
# the .deb clean; and it goes into SOURCE. Needs an X server
# in DISPLAY.
#
# Needs root (or sudo).
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 ROW SOURCE BUILD" >&2
    exit 2
fi
row=$1
package_dir=$(realpath -e "$2")
build=$3
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/scripts/packages.sh"
. "$top/scripts/packaging.sh"
. "$top/scripts/trees.sh"
install_missing "${TREE_PACKAGES[@]}"
dsc=$(realpath -e "$package_dir"/zelvix_*.dsc)

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-$row.XXXXXX")
trap 'tree_remove "$work"' EXIT
mkdir "$work/build"
cp "$dsc" "$package_dir"/zelvix_*.tar.* "$work/build/"

check_release() {
    local tarball allowed=()
    tarball=$(release_tarball "$row")
    git clone -q --no-hardlinks "$top" "$work/build/zelvix"
    grep -q '<url type="homepage">' "$top"/data/*.metainfo.xml* || allowed=(appstream-metadata-validation-failed)
    # Where older scripts kept the tree's downloads.
    "${tree_sudo[@]}" rm -rf "$tree_cache/apt-$row"
    # shellcheck disable=SC2016
    tree_session "$tarball" "$work" tree_run --keep "$tree_cache/kept-$row" bash -ec '
        release=$1
        shift
        cd /build/zelvix
        echo "The quick checks in a clean clone, in a fresh $release tree"
        if ./scripts/test --quick >/build/quick.log 2>&1; then
            tail -n 1 /build/quick.log
        else
            echo "FAIL: ./scripts/test --quick fails on $release; the end of its output:"
            tail -n 40 /build/quick.log
            exit 1
        fi
        echo
        echo "The source package built by dpkg-buildpackage, checked by $release'"'"'s lintian"
        . scripts/packaging.sh
        cd /build
        export DEBIAN_FRONTEND=noninteractive
        dpkg-source -x ./*.dsc source >/dev/null 2>&1
        apt-get install -y -qq --no-install-recommends lintian >/dev/null
        apt-get build-dep -y -qq ./source >/dev/null
        if ! (cd source && build_debs -b >../build.log 2>&1); then
            echo "FAIL: the package does not build on $release; the end of the log:"
            tail -n 25 build.log
            exit 1
        fi
        lintian_clean ./*.changes /tmp "$@" || { echo "FAIL: $release'"'"'s lintian finds errors or warnings"; exit 1; }
        ' - "$row" "${allowed[@]}"
    echo
    echo "The package's own tests, on that build, in a fresh $row tree"
    "$top/tests/package/run_autopkgtest.sh" "$tarball" "$work/build"
    echo "$row: the quick checks pass, and the package builds clean and passes its own tests"
}

check_architecture() {
    local cpu
    # Only an architecture's row needs the native build.
    build=$(realpath -e "$build")
    cpu=$(dpkg-architecture -a"$row" -qDEB_HOST_GNU_CPU 2>/dev/null)
    # The tests' launcher for the game in the tree, as scripts/run-wine is for
    # the Windows build.
    cat >"$work/zelvix" <<END
#!/bin/sh
exec qemu-$cpu-static -L "$work/tree" "$work/tree/usr/games/zelvix" "\$@"
END
    chmod +x "$work/zelvix"
    echo "The package cross-built for $row, its unit tests run under qemu-$cpu-static"
    # shellcheck disable=SC2016
    cross_build "$row" "$work" cross bash -ec '
        row=$1 work=$2 top=$3 build=$4
        grep -E "tests? passed" "$work/build/build.log"
        echo
        echo "The console test under emulation"
        tree_run sh -c "cd /build/source/obj-* && ctest -L console --timeout 120 --output-on-failure" \
            >"$work/ctest.log" 2>&1 || { cat "$work/ctest.log"; exit 1; }
        grep "tests passed" "$work/ctest.log"
        echo
        echo "The game from the package, installed by apt, under emulation"
        deb=$(cd "$work/build" && echo zelvix_*_"$row".deb)
        tree_run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            "/build/$deb" >"$work/apt.log" 2>&1 || { tail -n 25 "$work/apt.log" >&2; exit 1; }
        GALLIUM_DRIVER=softpipe PYTHONDONTWRITEBYTECODE=1 python3 "$top/tests/window/test_game_over.py" \
            "$work/zelvix" --close-window "$build/tests/window/zelvix_close_window" \
            --bell-count "$build/tests/window/zelvix_bell_count" --frames-like "$build/zelvix"' \
        - "$row" "$work" "$top" "$build"
    if grep -E '^[^ :]+\.(c|cpp|h):[0-9]+:[0-9]+: warning:' "$work/build/build.log"; then
        echo "FAIL: the compiler warns in the cross build for $row" >&2
        exit 1
    fi
    local deb
    deb=$(echo "$work"/build/zelvix_*_"$row".deb)
    echo
    echo "lintian on ${deb##*/}"
    lintian_clean "$deb" "$work" || { echo "FAIL: lintian reports errors or warnings, or failed" >&2; exit 1; }
    rm -f "$package_dir"/zelvix_*_"$row".deb
    cp "$deb" "$package_dir/"
    echo "$row: the package, built with its unit tests passing under emulation and without a warning;" \
        "lintian, and the console and window tests under emulation, as expected"
}

if is_release "$row"; then
    check_release
elif is_architecture "$row"; then
    check_architecture
else
    echo "$0: $row is neither a release nor an architecture of scripts/trees.sh" >&2
    exit 2
fi
