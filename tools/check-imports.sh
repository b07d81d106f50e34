#!/bin/bash
# The product binaries must import only Windows system DLLs and msvcrt.dll
# (no C++ runtime, no threading library): checks every product binary of
# the given build folders.
status=0
for build in "$@"; do
    objdump=x86_64-w64-mingw32-objdump
    [ "$(basename "$build")" = win32 ] && objdump=i686-w64-mingw32-objdump
    for f in "$build"/bin/setup.exe "$build"/bin/sample_script.dll "$build"/bin/vscript.dll "$build"/bin/prodkit.dll; do
        [ -f "$f" ] || continue
        bad=$($objdump -p "$f" | sed -n 's/^\tDLL Name: //p' | grep -viE '^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msvcrt|wsock32|ws2_32|version|rasapi32|snmpapi|mpr|setup)\.(dll|exe)$')
        if [ -n "$bad" ]; then
            echo "$f imports: $bad"
            status=1
        fi
    done
done
exit $status
