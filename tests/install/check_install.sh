#!/usr/bin/env bash
# Installs a build tree into a fresh prefix and checks the result.
#
#   check_install.sh CMAKE BUILD_DIR EXE_NAME SOURCE_MAN_PAGE [CONFIG]
#
# The prefix must hold exactly bin/EXE_NAME (executable),
# share/man/man6/zelvix.6 (the source page, unchanged), the menu entry, the
# metainfo and the icon in every hicolor size and as SVG; the page must render
# without a single groff warning and be found by man under the prefix; and the
# installed game must run its console dialogue and then end with GLUT's
# complaint about the display, which it is not given.
set -uo pipefail

if [ $# -lt 4 ] || [ $# -gt 5 ]; then
    echo "usage: $0 CMAKE BUILD_DIR EXE_NAME SOURCE_MAN_PAGE [CONFIG]" >&2
    exit 2
fi
cmake=$1 build_dir=$2 exe_name=$3 source_page=$4 config=${5-}

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
need() {
    command -v "$1" >/dev/null || {
        echo "FAIL: $1 is not installed (Debian package $2)" >&2
        exit 1
    }
}
need groff groff-base
need man man-db

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix-install.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

config_args=()
[ -n "$config" ] && config_args=(--config "$config")
if ! "$cmake" --install "$build_dir" --prefix "$prefix" "${config_args[@]}" >"$work/install.log" 2>&1; then
    cat "$work/install.log" >&2
    fail "cmake --install $build_dir --prefix $prefix failed"
    exit 1
fi

# What the install tree holds, and nothing more.
exe=$prefix/bin/$exe_name
page=$prefix/share/man/man6/zelvix.6
expected=$({
    printf '%s\n' "bin/$exe_name" share/man/man6/zelvix.6 \
        share/applications/org.torvane.Zelvix.desktop share/metainfo/org.torvane.Zelvix.metainfo.xml \
        share/icons/hicolor/scalable/apps/zelvix.svg
    for size in 16 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x${size}/apps/zelvix.png"
    done
} | LC_ALL=C sort)
actual=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
if [ "$actual" != "$expected" ]; then
    fail "the install tree holds other files than expected"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /' >&2
fi

if [ ! -f "$exe" ]; then
    fail "bin/$exe_name is missing"
elif [ "$(stat -c %A "$exe" | cut -c 4,7,10)" != xxx ]; then
    fail "bin/$exe_name is not executable by everyone: $(stat -c %A "$exe")"
fi

if [ ! -f "$page" ]; then
    fail "share/man/man6/zelvix.6 is missing"
else
    cmp -s "$source_page" "$page" || fail "the installed manual page differs from $source_page"

    # groff exits 0 even when it warns, so its messages are the verdict.
    if ! groff -man -Tutf8 -ww -z "$page" 2>"$work/groff.err"; then
        fail "groff could not format the manual page"
    fi
    if [ -s "$work/groff.err" ]; then
        fail "groff warns about the manual page:"
        sed 's/^/    /' "$work/groff.err" >&2
    fi

    # man finds the page under the prefix, by section and name.
    if ! LC_ALL=C MANWIDTH=80 man -M "$prefix/share/man" -P cat 6 zelvix >"$work/man.out" 2>"$work/man.err"; then
        fail "man -M $prefix/share/man 6 zelvix failed: $(cat "$work/man.err")"
    else
        for heading in 'ZELVIX(6)' NAME SYNOPSIS DESCRIPTION KEYS FILES 'EXIT STATUS'; do
            grep -qF "$heading" "$work/man.out" || fail "the page shown by man lacks \"$heading\""
        done
    fi
fi

# The installed game starts: it holds its dialogue, then GLUT cannot open the
# display. Take a display number no X server uses, so this holds under
# xvfb-run as well as without any X server.
display_number=987
while [ -e "/tmp/.X${display_number}-lock" ] || [ -e "/tmp/.X11-unix/X${display_number}" ]; do
    display_number=$((display_number + 1))
done
display=:$display_number

if [ -f "$exe" ]; then
    (cd "$work" && printf '3\n' | DISPLAY=$display timeout 30 "$exe" >"$work/game.out" 2>"$work/game.err")
    status=$?
    banner=$(printf '%s\n' \
        'Zelvix version 1.2b console' \
        '******************************' \
        '' \
        'level 1 = extremely slow' \
        'level 5 = moderate speed' \
        'level 8 = insanely fast' \
        '' \
        'Select Zelvix game level (1 to 8)')
    printf '%s\nLevel :' "$banner" >"$work/banner.expected"
    if ! cmp -s "$work/banner.expected" "$work/game.out"; then
        fail "the installed game did not print its banner and the prompt \"Level :\" (and nothing else) on standard output:"
        diff <(cat "$work/banner.expected"; echo) <(cat "$work/game.out"; echo) | sed 's/^/    /' >&2
    fi
    if [ "$status" -eq 0 ]; then
        fail "the installed game exited with status 0 without a display"
    elif [ "$status" -eq 124 ]; then
        fail "the installed game was still running after 30 s without a display"
    elif [ "$status" -gt 128 ]; then
        fail "the installed game died of signal $((status - 128))"
    fi
    if ! grep -qF "failed to open display '$display'" "$work/game.err"; then
        fail "the installed game did not report that it could not open display $display; its standard error:"
        sed 's/^/    /' "$work/game.err" >&2
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "install tree under a fresh prefix: executable, manual page, desktop files and start-up all as expected"
