#!/bin/bash
# The target check: what the product ships must load and run on the first
# release of Windows 95 and on Windows NT 4.0, on a 386. Wine accepts all of
# what this refuses, so the Windows tests cannot find it.
#
#   tools/check-target.sh WIN32_BUILD WIN64_BUILD
#
# For setup.exe, vscript.dll and prodkit.dll of both builds (the 64-bit one
# is the build the tests run, so it must import the same):
# - every imported DLL is one that every Windows 95 and NT 4.0 install
#   carries, or crtdll.dll (vscript.dll also setup.exe and hostinfo.dll);
# - every imported function, by name, is on the reviewed list
#   tools/target-imports.txt (functions of both families; nothing by ordinal);
# - setup.exe, started under MS-DOS (in DOSBox), says that it requires
#   Windows and ends.
# For the three 32-bit binaries also:
# - subsystem and operating system version 4.0 in the PE header;
# - no thread-local storage directory in vscript.dll and prodkit.dll
#   (a library loaded with LoadLibrary cannot have one before Vista);
# - no instruction that a 386 lacks (cmov, cmpxchg, bswap, MMX, SSE, ...),
#   each one found named with the function and object it comes from, read
#   from the link map in maps/.
# The other programs and libraries of both builds (the outside stand-ins, the
# sample script) import only system DLLs, msvcrt.dll and their partners.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
win32=$1
win64=$2
reviewed=$top/tools/target-imports.txt
status=0
fail() {
    echo "$*"
    status=1
}

# Every Windows 95 and NT 4.0 install has these. Not Winsock: the 95 family
# has wsock32.dll only with its networking, and ws2_32.dll, snmpapi.dll and
# rasapi32.dll are optional everywhere; they are loaded at run time.
system='kernel32|user32|gdi32|advapi32|shell32|comctl32|ole32'
shipped='setup.exe vscript.dll prodkit.dll'

# "dll function" lines, lower-case DLL names; "dll #ordinal" for an import
# by ordinal.
imports() {
    $1 -p "$2" | awk '
        /^\tDLL Name: / { dll = tolower($3); next }
        /^\tvma: / { next }
        dll != "" && /^\t[0-9a-f]+\t/ {
            if (NF >= 3) print dll, $3; else print dll, "#" $2
            next
        }
        /^$/ { next }
        /^ [0-9a-f]+\t/ { dll = "" }'
}

allowed_dlls() {
    case "$1" in
        vscript.dll) echo "^($system|crtdll)\.dll$|^setup\.exe$|^hostinfo\.dll$" ;;
        *) echo "^($system|crtdll)\.dll$" ;;
    esac
}

check_imports() {
    local objdump=$1 f=$2 name
    name=$(basename "$f")
    local list
    list=$(imports "$objdump" "$f")
    if ! echo "$list" | grep -q '^kernel32\.dll '; then
        fail "$f: no imports read (objdump's format?)"
        return
    fi
    local bad
    bad=$(echo "$list" | awk '{print $1}' | sort -u | grep -vE "$(allowed_dlls "$name")")
    [ -z "$bad" ] || fail "$f: imports DLLs outside the target systems':" $bad
    # The script's imports from the engine and from hostinfo.dll are ours.
    local unknown
    unknown=$(echo "$list" | grep -vE '^(setup\.exe|hostinfo\.dll) ' |
              grep -vxFf <(sed 's/[[:space:]]*#.*//; /^$/d' "$reviewed"))
    [ -z "$unknown" ] || fail "$f: imports functions not on the reviewed list ($reviewed):
$(echo "$unknown" | sed 's/^/    /')"
}

check_header() {
    local f=$1 name header
    name=$(basename "$f")
    header=$(i686-w64-mingw32-objdump -p "$f")
    for field in MajorSubsystemVersion:4 MinorSubsystemVersion:0 MajorOSystemVersion:4 MinorOSystemVersion:0; do
        local value
        value=$(echo "$header" | awk -v k="${field%%:*}" '$1 == k {print $2}')
        [ "$value" = "${field##*:}" ] || fail "$f: ${field%%:*} is '$value', not ${field##*:}"
    done
    if [ "$name" != setup.exe ]; then
        local tls
        tls=$(echo "$header" | awk '/Thread Storage Directory/ {print $3 $4}')
        [ "$tls" = 0000000000000000 ] || fail "$f: has a thread-local storage directory"
    fi
}

# Instructions that a 386 does not have: the 486's cmpxchg, xadd, bswap and
# its cache and paging instructions, cpuid, the Pentium's rdtsc, rdmsr,
# cmpxchg8b, the Pentium Pro's cmov, fcmov, fcomi, fucomi, rdpmc, sysenter,
# and MMX, SSE and later (any MMX or XMM register, emms, fences, prefetches).
post386='^(cmov|fcmov|fcomi|fucomi|cmpxchg|xadd|bswap|invd|wbinvd|invlpg|cpuid|rdtsc|rdmsr|wrmsr|rdpmc|rsm|sysenter|sysexit|syscall|emms|femms|ldmxcsr|stmxcsr|fxsave|fxrstor|[lsm]fence|prefetch|movnt|clflush|pause|popcnt|lzcnt|tzcnt|movbe|crc32|ud1)'

check_instructions() {
    local f=$1 map=$2
    local found exports
    # setup.exe's export table lies in its code section: data, not code.
    exports=$(i686-w64-mingw32-objdump -p "$f" | awk '$1 == "ImageBase" { base = $2 }
        $1 == "Entry" && $2 == "0" { print base, $3, $4 }')
    found=$(i686-w64-mingw32-objdump -d --no-show-raw-insn "$f" | awk -v pat="$post386" -v exports="$exports" '
        function hex(s,   i, v) {
            s = tolower(s); v = 0
            for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
            return v
        }
        BEGIN { split(exports, e, " "); from = hex(e[1]) + hex(e[2]); to = from + hex(e[3]) }
        /^ *[0-9a-f]+:\t/ {
            split($0, part, "\t")
            address = part[1]; sub(/^ */, "", address); sub(/:$/, "", address)
            if (hex(address) >= from && hex(address) < to) next
            n = split(part[2], word, " ")
            m = word[1]
            if (m ~ /^(lock|rep|repz|repnz|repe|repne|data16|addr16)$/ && n > 1) m = word[2]
            if (m ~ pat || part[2] ~ /%x?mm[0-9]/)
                print address, m
        }')
    local count=0
    [ -n "$found" ] && count=$(echo "$found" | wc -l)
    echo "$(basename "$f"): $count instructions a 386 lacks"
    [ "$count" = 0 ] && return
    status=1
    if [ ! -f "$map" ]; then
        echo "$found" | sed 's/^/    at 0x/'
        return
    fi
    # The link map's input sections (address, size, object) and symbols name
    # each address: "object: symbol" of the section holding it.
    echo "$found" | awk -v map="$map" '
        function hex(s,   i, c, v) {
            s = tolower(s); sub(/^0x/, "", s); v = 0
            for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
            return v
        }
        BEGIN {
            while ((getline line < map) > 0) {
                if (line ~ /^Linker script and memory map/) started = 1
                if (!started) continue
                if (line ~ /^ \.text/) { pending = 1; rest = line; sub(/^ \.text[^ ]*/, "", rest)
                    if (rest ~ /0x/) { pending = 0; split(rest, w, " "); add_section(w) }
                    continue }
                if (pending && line ~ /^ +0x[0-9a-f]+ +0x[0-9a-f]+ /) { pending = 0; split(line, w, " "); add_section(w); continue }
                pending = 0
                if (line ~ /^ +0x[0-9a-f]+ +[^ ]/ && line !~ /^ +0x[0-9a-f]+ +0x/) { s = line; sub(/^ +0x[0-9a-f]+ +/, "", s)
                    split(line, w, " ")
                    nsym++; sym_at[nsym] = hex(w[1]); sym_name[nsym] = s }
            }
        }
        function add_section(w) { nsec++; sec_at[nsec] = hex(w[1]); sec_size[nsec] = hex(w[2]); sec_obj[nsec] = w[3] }
        {
            a = hex($1); obj = "?"; start = 0
            for (i = 1; i <= nsec; i++)
                if (sec_size[i] > 0 && a >= sec_at[i] && a < sec_at[i] + sec_size[i]) { obj = sec_obj[i]; start = sec_at[i]; break }
            best = ""; best_at = -1
            for (i = 1; i <= nsym; i++)
                if (sym_at[i] <= a && sym_at[i] >= start && sym_at[i] > best_at) { best_at = sym_at[i]; best = sym_name[i] }
            count[best " (" obj "): " $2]++
        }
        END { for (k in count) printf "    %d x %s\n", count[k], k }' | sort
}

# setup.exe started under MS-DOS (in DOSBox) says that it needs Windows and
# ends: its headers hold an MS-DOS program of their own instead of the
# linker's (cmake/finish-program.pl).
check_dos_program() {
    local f=$1 dir said
    dir=$(mktemp -d)
    cp "$f" "$dir/SETUP.EXE"
    printf '[autoexec]\nmount c %s\nc:\nSETUP.EXE > SAID.TXT\nexit\n' "$dir" > "$dir/dosbox.conf"
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy HOME=$dir timeout 60 dosbox -conf "$dir/dosbox.conf" -noconsole \
        >/dev/null 2>&1
    said=$(tr -d '\r' < "$dir/SAID.TXT" 2>/dev/null)
    rm -rf "$dir"
    [ "$said" = "Requires Windows" ] || fail "$f: under MS-DOS it says '$said', not 'Requires Windows'"
}

for build in "$win32" "$win64"; do
    objdump=x86_64-w64-mingw32-objdump
    [ "$build" = "$win32" ] && objdump=i686-w64-mingw32-objdump
    for name in $shipped; do
        f=$build/bin/$name
        if [ ! -f "$f" ]; then
            fail "$f: missing (build both Windows builds first)"
            continue
        fi
        check_imports $objdump "$f"
        [ "$name" = setup.exe ] && check_dos_program "$f"
        if [ "$build" = "$win32" ]; then
            check_header "$f"
            check_instructions "$f" "$build/maps/$name.map"
        fi
    done
    # Everything else: system DLLs, msvcrt.dll and the partners only; the
    # language library is resources only and imports nothing.
    for f in "$build"/bin/*.exe "$build"/bin/*.dll; do
        [ -f "$f" ] || continue
        name=$(basename "$f")
        case " $shipped " in *" $name "*) continue ;; esac
        allowed="^($system|msvcrt|oleaut32|comdlg32|version|mpr|wsock32|ws2_32|rasapi32|snmpapi|setup|hostinfo|hdlutil|prodkit)\.(dll|exe)$"
        [ "$name" = langres.dll ] && allowed='^$'
        bad=$(imports $objdump "$f" | awk '{print $1}' | sort -u | grep -vE "$allowed")
        [ -z "$bad" ] || fail "$f imports:" $bad
    done
done
[ $status = 0 ] && echo "target check passed"
exit $status
