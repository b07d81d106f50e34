#!/bin/bash
# Every program and library of the given build folders must import only
# Windows system DLLs and msvcrt.dll (no C++ runtime, no threading library),
# the script library also setup.exe and hostinfo.dll, hdlutil.exe its own
# library, the product's programs the runtime kit prodkit.dll; the language
# library is resources only and imports nothing, and the runtime kit never
# meets the installer: system DLLs only.
status=0
system='kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|comdlg32|msvcrt|wsock32|ws2_32|version|rasapi32|snmpapi|mpr'
for build in "$@"; do
    objdump=x86_64-w64-mingw32-objdump
    [ "$(basename "$build")" = win32 ] && objdump=i686-w64-mingw32-objdump
    for f in "$build"/bin/*.exe "$build"/bin/*.dll; do
        [ -f "$f" ] || continue
        allowed="^($system|setup|hostinfo|hdlutil|prodkit)\.(dll|exe)$"
        case "$(basename "$f")" in
            langres.dll) allowed='^$' ;;
            prodkit.dll) allowed="^($system)\.dll$" ;;
        esac
        bad=$($objdump -p "$f" | sed -n 's/^\tDLL Name: //p' | grep -viE "$allowed")
        if [ -n "$bad" ]; then
            echo "$f imports:" $bad
            status=1
        fi
    done
done
exit $status
