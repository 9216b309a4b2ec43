#!/usr/bin/env bash
# The Windows programs need nothing beside them but their data files: every DLL they import is
# one that each Windows has, and none is the compiler's runtime (libstdc++, libgcc,
# winpthread), which only a static link leaves out.
#
# Usage: windows_imports_test.sh FOLDER   (the unpacked archive's top folder)
set -u
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_env.sh"
folder=$1
objdump=x86_64-w64-mingw32-objdump
command -v $objdump >/dev/null ||
    wine_unavailable "$objdump is not installed (apt-get install -y g++-mingw-w64-x86-64-posix)"
ls "$folder"/*.exe >/dev/null 2>&1 ||
    wine_unavailable "no Windows programs in $folder (the Windows build and its archive are missing)"

failed=0
for program in "$folder"/*.exe; do
    imports=$($objdump -p "$program" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
    echo "$(basename "$program"): $(echo $imports)"
    [ -n "$imports" ] || { echo "FAIL: no imports read from $program" >&2; failed=1; }
    for dll in $imports; do
        case $dll in
        kernel32.dll | msvcrt.dll | advapi32.dll | user32.dll | ntdll.dll) ;;
        *)
            echo "FAIL: $(basename "$program") needs $dll, which a bare Windows does not have" >&2
            failed=1
            ;;
        esac
    done
done
exit $failed
