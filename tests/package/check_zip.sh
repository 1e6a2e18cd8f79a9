#!/usr/bin/env bash
# Checks the Windows zip:
#
#   check_zip.sh ZIP CLOSE_WINDOW_TOOL
#
# It holds the exe, README.txt and the licences (the game's, freeglut's and
# MinGW-w64's with winpthreads) and nothing else; every line of the texts ends
# with CR LF; the README is plain ASCII and written for players, not builders;
# the exe is stripped, at most 1.5 MB, and carries its icon and version
# details; and, unpacked into an empty directory whose path holds a space, it
# passes the start-up window test under Wine (in the prefix of
# scripts/run-wine). Needs an X server in DISPLAY.
set -uo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 ZIP CLOSE_WINDOW_TOOL" >&2
    exit 2
fi
zip=$(realpath -e "$1") || exit 2
close_window=$(realpath -e "$2") || exit 2
window_tests=$(cd "$(dirname "$0")/../window" && pwd) || exit 2
texts=(README.txt LICENSE.txt LICENSE-freeglut.txt LICENSE-mingw-w64.txt)

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A space in the path, as in many a Windows download folder.
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvix zip.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
unzip -q "$zip" -d "$work/unpacked" || { fail "unzip $zip failed"; exit 1; }

actual=$(cd "$work/unpacked" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort)
expected=$(printf '%s\n' zelvix.exe "${texts[@]}" | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "the zip holds $(echo $actual), not $(echo $expected)"

for text in "${texts[@]}"; do
    file=$work/unpacked/$text
    [ -s "$file" ] || { fail "$text is empty or missing"; continue; }
    # A line without CR before its LF, or a last line without any ending.
    if grep -qv $'\r$' "$file" || [ "$(tail -c 2 "$file" | od -An -c | tr -d ' ')" != '\r\n' ]; then
        fail "$text has lines that do not end with CR LF"
    fi
done

readme=$work/unpacked/README.txt
LC_ALL=C grep -q '[^[:print:][:space:]]' "$readme" && fail "README.txt is not plain ASCII"
grep -qiwE 'apt-get|cmake' "$readme" && fail "README.txt speaks of building: $(grep -iwE 'apt-get|cmake' "$readme")"
grep -q "@[A-Z_]*@" "$readme" && fail "README.txt keeps a placeholder the build did not fill in"
grep -q winpthreads "$work/unpacked/LICENSE-mingw-w64.txt" || fail "LICENSE-mingw-w64.txt lacks winpthreads' notice"
exe=$work/unpacked/zelvix.exe
x86_64-w64-mingw32-objdump -h "$exe" | grep -q '\.debug_' && fail "zelvix.exe is not stripped"
[ "$(stat -c %s "$exe")" -le $((1536 * 1024)) ] || fail "zelvix.exe is $(stat -c %s "$exe") bytes, over 1.5 MB"

resources=$(wrestool -l "$work/unpacked/zelvix.exe" 2>&1)
grep -q "name='GLUT_ICON'.*type=group_icon" <<<"$resources" || fail "zelvix.exe has no icon: $resources"
grep -q 'type=version' <<<"$resources" || fail "zelvix.exe has no version details: $resources"

echo "start-up window test of the unpacked zelvix.exe under Wine"
python3 "$window_tests/test_startup.py" "$work/unpacked/zelvix.exe" --wine --close-window "$close_window" ||
    fail "the start-up window test failed on the unpacked exe"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "zip $(basename "$zip"): contents, line ends, resources and start-up under Wine all as expected"
