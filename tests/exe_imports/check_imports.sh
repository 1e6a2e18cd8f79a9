#!/bin/sh
# Checks that a Windows exe imports Windows' own DLLs only, never a runtime or
# freeglut DLL that would have to travel beside it.
#
#   check_imports.sh OBJDUMP EXE
set -eu
imports=$("$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p')
echo "$2 imports:" $imports
[ -n "$imports" ] || { echo "FAIL: no imports found" >&2; exit 1; }
others=$(echo "$imports" | grep -vixE '(advapi32|gdi32|kernel32|msvcrt|opengl32|user32|winmm|xinput1_4)\.dll' || true)
[ -z "$others" ] || { echo "FAIL: imports other DLLs:" $others >&2; exit 1; }
