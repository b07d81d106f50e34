#!/bin/bash
# Size of what we ship: builds the product's 32-bit release build
# (build/win32), copies setup.exe, vscript.dll and prodkit.dll (each one the
# tree builds; the link strips them, and strip would put back the MS-DOS
# program that setup.exe's build takes out) into build/size and prints for
# each its total and its sections, then for setup.exe its largest
# contributors from the link map:
# our objects and resources, zlib's and libgcc's, the import tables of each
# system DLL and what the linker makes itself (the export table).
# The totals of the run before (kept in build/size) stand beside the new.
# Usage: bench/size-bench.sh [COUNT]   (COUNT contributors, default 25)
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-25}
cd "$top"
cmake --no-warn-unused-cli -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake >/dev/null
cmake --build build/win32 -j2 >/dev/null
mkdir -p build/size

# hex TEXT: the value of a hexadecimal number without its 0x (mawk has no strtonum).
awk_hex='function hex(s,  v, i) {
    sub(/^0x/, "", s); v = 0
    for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", tolower(substr(s, i, 1))) - 1
    return v
}'

# sections FILE: the total, the headers and each section with its contents
# (virtual size) and what it takes in the file (raw size, 512-byte aligned;
# none for uninitialised data).
sections() {
    i686-w64-mingw32-objdump -h "$1" | awk -v total="$(stat -c %s "$1")" -v name="$(basename "$1")" "$awk_hex"'
        $1 ~ /^[0-9]+$/ && NF == 7 { n++; sec[n] = $2; size[n] = hex($3); off[n] = hex($6); next }
        n && /CONTENTS/ { filed[n] = 1 }
        END {
            printf "%s  %d bytes\n", name, total
            printf "  %-10s %8s %8s\n", "section", "contents", "in file"
            for (i = n; i >= 1; i--) if (filed[i]) { end[i] = next_off ? next_off : total; next_off = off[i]; first = off[i] }
            printf "  %-10s %8s %8d\n", "headers", "", first
            for (i = 1; i <= n; i++) printf "  %-10s %8d %8d\n", sec[i], size[i], filed[i] ? end[i] - off[i] : 0
        }'
}

# contributors MAP FILE: the bytes each input file puts into each section
# that the stripped FILE stores (uninitialised data, and sections that a
# step after the link removed, such as setup.exe's relocations, are left
# out), largest first, and the same summed by origin.
contributors() {
    local kept
    kept=" $(i686-w64-mingw32-objdump -h "$2" | awk '$1 ~ /^[0-9]+$/ && NF == 7 { name = $2; next }
                                                      /CONTENTS/ { printf "%s ", name }')"
    awk -v count="$count" -v kept="$kept" "$awk_hex"'
        function origin(file,  a, m) {
            if (file == "dll stuff") return "linker (export table)"
            if (!match(file, /\(.*\)$/)) { sub(/.*\//, "", file); sub(/\.obj$/, "", file); return "ours " file }
            m = substr(file, RSTART + 1, RLENGTH - 2); a = substr(file, 1, RSTART - 1)
            sub(/.*\//, "", a)
            if (a == "libkzlib.a") { sub(/\.c\.obj$/, ".o", m); return "zlib " m }
            if (a == "libcrtdll_imports.a") return "imports crtdll.dll"
            if (file !~ /^\//) { sub(/\.obj$/, "", m); return "ours " m }
            if (a == "libgcc.a") return "libgcc " m
            if (a ~ /^lib(mingw|moldname)/) return "mingw " m
            sub(/^lib/, "", a); sub(/\.a$/, "", a)
            return "imports " a ".dll"
        }
        # Section names in the file are cut to 8 characters (".eh_fram").
        function add(file, hexsize,  o) {
            if (!index(kept, " " substr(out, 1, 8) " ")) return
            o = origin(file); bytes[o, out] += hex(hexsize); total[o] += hex(hexsize)
            if (!(out in seen)) { seen[out] = 1; cols[++ncols] = out }
        }
        /^Linker script and memory map/ { on = 1; next }
        !on { next }
        /^\.[^ ]+/ { out = $1; pending = 0; next }
        /^ [^ *]+ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ { add(substr($0, index($0, $4)), $3); pending = 0; next }
        /^ [^ *]+$/ { pending = 1; next }
        pending && /^ +0x[0-9a-f]+ +0x[0-9a-f]+ +[^ ]/ { add(substr($0, index($0, $3)), $2) }
        { pending = 0 }
        END {
            for (o in total) if (total[o]) { names[++n] = o }
            for (i = 2; i <= n; i++)   # insertion sort, largest first
                for (j = i; j > 1 && total[names[j]] > total[names[j - 1]]; j--) { t = names[j]; names[j] = names[j - 1]; names[j - 1] = t }
            printf "%-36s", "contributor"
            for (c = 1; c <= ncols; c++) printf " %7s", substr(cols[c], 1, 7)
            printf " %7s\n", "total"
            for (i = 1; i <= n && i <= count; i++) row(names[i], names[i])
            for (i = count + 1; i <= n; i++) { rest++; for (c = 1; c <= ncols; c++) bytes["rest", cols[c]] += bytes[names[i], cols[c]]; total["rest"] += total[names[i]] }
            if (rest) row("rest", "the other " rest)
            print ""
            printf "%-36s %7s\n", "by origin", "bytes"
            for (i = 1; i <= n; i++) { g = names[i]; sub(/ .*/, "", g); group[g] += total[names[i]] }
            for (i = 1; i <= n; i++) { g = names[i]; sub(/ .*/, "", g); if (!(g in shown)) { shown[g] = 1; printf "%-36s %7d\n", g, group[g] } }
        }
        function row(key, label,  c) {
            printf "%-36s", label
            for (c = 1; c <= ncols; c++) printf " %7d", bytes[key, cols[c]]
            printf " %7d\n", total[key]
        }' "$1"
}

# Each run keeps its totals in build/size/totals.txt; the next run shows
# them as "before" beside its own.
rm -f build/size/totals.before
touch build/size/totals.before
[ -f build/size/totals.txt ] && mv build/size/totals.txt build/size/totals.before
for f in setup.exe vscript.dll prodkit.dll; do
    [ -f "build/win32/bin/$f" ] || { echo "$f: not built, skipped"; echo; continue; }
    cp "build/win32/bin/$f" "build/size/$f"
    sections "build/size/$f"
    echo "$f $(stat -c %s "build/size/$f")" >>build/size/totals.txt
    echo
done
echo "stripped totals (bytes)       before     after    change"
awk 'FILENAME == ARGV[1] { before[$1] = $2; next }
     { b = ($1 in before) ? before[$1] : ""
       printf "  %-24s %9s %9d %9s\n", $1, b, $2, b == "" ? "" : sprintf("%+d", $2 - b) }' \
    build/size/totals.before build/size/totals.txt
rm -f build/size/totals.before
size=$(stat -c %s build/size/setup.exe)
echo "setup.exe: $size of the 49152 bytes it may take ($((49152 - size)) to spare)"
echo
echo "setup.exe by contributor (bytes of each input section, from build/win32/maps/setup.exe.map)"
contributors build/win32/maps/setup.exe.map build/size/setup.exe
