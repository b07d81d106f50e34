#!/bin/bash
# Seeds for the fuzz targets, from media that the media builder makes of the
# sample product: make-seeds.sh MEDIABUILD PRODUCT_DIR OUT_DIR
set -e
mediabuild=$1 product=$2 out=$3
rm -rf "$out"
mkdir -p "$out"/{archive,masked,chunks,uninst,cda}
"$mediabuild" build --seed 5 "$product" "$product/manifest.txt" "$out/media" >/dev/null
"$mediabuild" build --seed 6 --block-size 16 --chunk-size 1024 --pad-size 100 "$product" "$product/manifest.txt" "$out/small" >/dev/null
for m in media small; do
    "$mediabuild" extract --members "$out/$m" "$out/$m.members" >/dev/null
    cp "$out/$m/files.dat" "$out/archive/$m.files.dat"
    cp "$out/$m/setup/help.dat" "$out/chunks/$m.help.dat"
    cat "$out/$m/setup/settings.bin" "$out/$m.members/settings.bin" >"$out/masked/$m.settings.bin"
done

le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8 & 255)))\\x$(printf %02x $(($1 >> 16 & 255)))\\x$(printf %02x $(($1 >> 24 & 255)))"; }
record() {  # name_size name file
    le32 "$1"
    printf '%s' "$2"
    head -c $(($1 - ${#2})) /dev/zero
    le32 "$(stat -c %s "$3")"
    cat "$3"
}
{ record 260 readme.txt "$out/media/readme.txt"; record 260 license.txt "$out/media/license.txt"; } >"$out/uninst/two"
record 16 autorun.inf "$out/media/autorun.inf" >"$out/uninst/short-name"

# A track file: track 2, start 2:30.37, length 3:00.00.
{ printf 'RIFF'; le32 36; printf 'CDDAfmt '; le32 24; printf '\x01\x00\x02\x00'; le32 305419896
  le32 11287; le32 13500; le32 $((0x00021E25)); le32 $((0x00030000)); } >"$out/cda/track02.cda"
