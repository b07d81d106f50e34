#!/bin/bash
# Throughput of the file placer, in one run on this machine: natively (the
# portable decoding code, unsanitized build in build/bench) and under Wine
# (the placer itself, build/win64), against zlib's own inflate, a plain copy,
# cabextract of a gcab cabinet and unzip of a zip of the same files; then the
# peak memory of expanding with 1 MiB and 8 MiB chunks. Each set of timings
# ends with its ratios (the figures to compare between runs: this machine's
# load changes the times): compressed against zlib's own inflate, masked
# against compressed alone, 2,000 archive members against 2,000 plain copies
# and, natively, against cabextract of the same files.
# Usage: bench/run-bench.sh [WORK_DIR]   (needs gcab, cabextract, zip, unzip)
# OUT (default /dev/shm/vantrel-bench-out) is where everything extracts to:
# memory by default, so that the decoders are measured and not the disk.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
work=${1:-/tmp/vantrel-bench}
cd "$top"
for tool in gcab cabextract zip unzip python3; do
    command -v $tool >/dev/null || { echo "run-bench: $tool is missing" >&2; exit 1; }
done

cmake -S . -B build/bench -DKSANITIZE=OFF -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang \
      -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/bench -j2 --target placer_bench mediabuild >/dev/null
cmake --build build/win64 -j2 --target placer_bench >/dev/null

mkdir -p "$work"
if [ ! -f "$work/product/manifest.txt" ]; then
    echo "== making the input in $work/product"
    python3 bench/gen-data.py "$work/product"
fi
out=${OUT:-/dev/shm/vantrel-bench-out}
rm -rf "$work/media" "$out" "$work/media8"
echo "== building the media"
build/bench/bin/mediabuild build --seed 1 "$work/product" "$work/product/manifest.txt" "$work/media" 2>/dev/null
cp "$work/product/small.size" "$work/media/"
printf 'chunk-size 8388608\ncompressed big/big.bin big.bin\n' >"$work/manifest8.txt"
build/bench/bin/mediabuild build --seed 1 "$work/product" "$work/manifest8.txt" "$work/media8" 2>/dev/null
mkdir -p "$out"

best() {  # best of three wall times of a command into an emptied $out/x, in seconds
    local best=""
    for i in 1 2 3; do
        rm -rf "$out/x"
        local s=$(date +%s.%N)
        "$@" >/dev/null 2>&1
        local t=$(echo "$(date +%s.%N) - $s" | bc -l)
        if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
    done
    printf '%.3f' "$best"
}
(cd "$work/product/big" && [ -f ../big.cab ] || gcab -c -z ../big.cab big.bin)
(cd "$work/product/small" && [ -f ../small.cab ] || gcab -c -z ../small.cab *.dat)
(cd "$work/product/big" && [ -f ../big.zip ] || zip -q ../big.zip big.bin)
(cd "$work/product/small" && [ -f ../small.zip ] || zip -q ../small.zip *.dat)

echo "== outside tools (best of 3)"
echo "cabextract 64 MiB:        $(best cabextract -q -d "$out/x" "$work/product/big.cab") s"
echo "unzip 64 MiB:             $(best unzip -q -o "$work/product/big.zip" -d "$out/x") s"
cab_small=$(best cabextract -q -d "$out/x" "$work/product/small.cab")
echo "cabextract 2,000 files:   $cab_small s"
echo "unzip 2,000 files:        $(best unzip -q -o "$work/product/small.zip" -d "$out/x") s"
rm -rf "$out/x"

# ratios FILE: the placer's figures against their yardsticks, from the
# benchmark's lines in FILE (its best times).
ratios() {
    awk -v cab="$cab_small" -v native="$2" '
        { t = $(NF - 3) }
        /^zlib inflate/ { z = t } /^compressed/ { c = t } /^masked and compressed/ { m = t }
        /^2,000 small archive members/ { s = t } /^2,000 small plain copies/ { p = t }
        END {
            if (c) printf "ratio compressed, throughput against zlib inflate:  %.2fx\n", z / c
            if (c) printf "ratio masked and compressed, time against compressed: %.2fx\n", m / c
            if (p) printf "ratio 2,000 small members, time against plain copies: %.2fx\n", s / p
            if (native && s) printf "ratio 2,000 small members, speed against cabextract:  %.2fx\n", cab / s
        }' "$1"
}

echo "== native: the portable decoding code (best of 3)"
build/bench/bin/placer_bench "$work/media" "$out" 3 "$work/product/small" 2>"$out/native.txt"
cat "$out/native.txt"
ratios "$out/native.txt" 1

echo "== wine64: the placer (best of 3)"
. tools/wine/wineenv.sh
set +e  # the Wine helpers report a server that is already up as a failure
wine_env_up "$top/build/win64"
trap 'wine_env_down "$top/build/win64"' EXIT
dos() { echo "Z:${1//\//\\}"; }
"$WINE64" build/win64/bin/placer_bench.exe "$(dos "$work/media")" "$(dos "$out")" 3 "$(dos "$work/product/small")" >"$out/wine.txt" 2>&1
cat "$out/wine.txt"
ratios "$out/wine.txt" 0

echo "== peak memory of one 64 MiB expansion (native, then wine64)"
for size in 1 8; do
    dir=$work/media; [ $size = 8 ] && dir=$work/media8
    printf '%s MiB chunks: ' $size
    build/bench/bin/placer_bench expand "$dir/setup/big.bin" "$out/big.out"
    printf '%s MiB chunks (wine64): ' $size
    "$WINE64" build/win64/bin/placer_bench.exe expand "$(dos "$dir/setup/big.bin")" "$(dos "$out/big.out")" 2>&1 | cat
done
rm -rf "$out"
