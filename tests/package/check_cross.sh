#!/usr/bin/env bash
# Proves the game on another architecture, under qemu's user-mode emulation,
# in a fresh tree of the machine's release that holds that architecture too:
#
#   check_cross.sh ARCH DEB BUILD
#
# lintian finds DEB, the package cross-built for ARCH, clean. The unit and
# console tests, cross-built from a clean clone of HEAD, pass there; apt
# installs DEB with its dependencies; and that game plays the window tests'
# scripted game exactly as the native build in BUILD does: the same console
# text, score file and bells, and the same last frame, both drawn by Mesa's
# softpipe. Needs root (or sudo) and an X server in DISPLAY.
set -euo pipefail

if [ $# -ne 3 ]; then
    echo "usage: $0 ARCH DEB BUILD" >&2
    exit 2
fi
arch=$1
deb=$(realpath -e "$2")
build=$(realpath -e "$3")
top=$(cd "$(dirname "$0")/../.." && pwd)
. "$top/scripts/deps.sh"
. "$top/scripts/trees.sh"
install_missing "${TREE_PACKAGES[@]}"

cpu=$(dpkg-architecture -a"$arch" -qDEB_HOST_GNU_CPU 2>/dev/null)
tarball=$(cross_tarball "$arch")
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-$arch.XXXXXX")
trap 'tree_remove "$work"' EXIT

echo "lintian on $(basename "$deb")"
lintian_clean "$deb" "$work" || { echo "FAIL: lintian reports errors or warnings, or failed" >&2; exit 1; }

mkdir "$work/build"
git clone -q --no-hardlinks "$top" "$work/build/zelvix"
cp "$deb" "$work/build/"
cat >"$work/build/unit.sh" <<'END'
eval "$(dpkg-architecture -a"$1" -s 2>/dev/null)"
# -Wno-psabi: GCC notes where an argument is passed unlike GCC 9 did, which
# concerns only code mixed with such builds.
cmake -S /build/zelvix -B /build/cross -DZELVIX_WERROR=ON -DZELVIX_BENCH=OFF -DCMAKE_CXX_FLAGS=-Wno-psabi \
    -DCMAKE_SYSTEM_NAME=Linux -DCMAKE_SYSTEM_PROCESSOR="$DEB_HOST_GNU_CPU" \
    -DCMAKE_LIBRARY_ARCHITECTURE="$DEB_HOST_MULTIARCH" \
    -DCMAKE_C_COMPILER="$DEB_HOST_GNU_TYPE-gcc" -DCMAKE_CXX_COMPILER="$DEB_HOST_GNU_TYPE-g++" \
    -DCMAKE_CROSSCOMPILING_EMULATOR="/usr/bin/qemu-$DEB_HOST_GNU_CPU-static" >/dev/null
cmake --build /build/cross -j2 --target zelvix zelvix_unit_tests >/dev/null
# A test that hangs under emulation fails in a minute, and stops the rest.
ctest --test-dir /build/cross -L "unit|console" -j2 --timeout 60 --stop-on-failure --output-on-failure \
    >/build/ctest.log || { cat /build/ctest.log; exit 1; }
grep "tests passed" /build/ctest.log
END
# The tests' launcher for the game in the tree, as scripts/run-wine is for
# the Windows build.
cat >"$work/zelvix" <<END
#!/bin/sh
exec qemu-$cpu-static -L "$work/tree" "$work/tree/usr/games/zelvix" "\$@"
END
chmod +x "$work/zelvix"

# shellcheck disable=SC2016
tree_session "$tarball" "$work" bash -ec '
    arch=$1 cpu=$2 deb=$3 work=$4 top=$5 build=$6
    cp "/usr/bin/qemu-$cpu-static" "$TREE/usr/bin/"
    echo
    echo "The unit and console tests, built for $arch, under qemu-$cpu-static"
    tree_run sh -e /build/unit.sh "$arch"
    echo
    echo "The game from $deb, installed by apt, under qemu-$cpu-static"
    tree_run env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "/build/$deb" >"$work/apt.log" 2>&1 ||
        { tail -n 25 "$work/apt.log" >&2; exit 1; }
    GALLIUM_DRIVER=softpipe PYTHONDONTWRITEBYTECODE=1 python3 "$top/tests/window/test_game_over.py" "$work/zelvix" \
        --close-window "$build/tests/window/zelvix_close_window" \
        --bell-count "$build/tests/window/zelvix_bell_count" --frames-like "$build/zelvix"' \
    - "$arch" "$cpu" "${deb##*/}" "$work" "$top" "$build"
echo "$arch: lintian, and the unit, console and window tests under emulation, as expected"
