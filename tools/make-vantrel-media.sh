#!/bin/bash
# Builds the Vantrel install media: the product's own files of
# examples/vantrel and the programs and components of a Windows build
# (WIN_BUILD_DIR/bin) are put together in a staging folder, which the media
# builder (native build) turns into MEDIA_DIR; the install script goes beside
# setup.exe when the build has made it.
#   make-vantrel-media.sh WIN_BUILD_DIR MEDIA_DIR
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
win=$1
media=$2
native="$top/build/native"
if [ ! -x "$native/bin/mediabuild" ]; then
    [ -f "$native/CMakeCache.txt" ] || cmake --no-warn-unused-cli -S "$top" -B "$native" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$native" --target mediabuild -j2 >/dev/null
fi
stage="$media.product"
rm -rf "$stage" "$media"
mkdir -p "$stage"
cp -r "$top/examples/vantrel/." "$stage/"
for f in hub.exe relay.exe "relay alt.exe" ddeproc.exe linkup.exe grabber.exe vantrel_setup.exe \
         setup.exe langres.dll hostinfo.dll hdlutil.exe hdlutil.dll; do
    if [ ! -f "$win/bin/$f" ]; then
        echo "make-vantrel-media: $win/bin/$f is missing: build it first" >&2
        exit 1
    fi
    cp "$win/bin/$f" "$stage/$f"
done
"$native/bin/mediabuild" build --seed 160 "$stage" "$stage/manifest.txt" "$media" >/dev/null
rm -rf "$stage"
if [ -f "$win/bin/vscript.dll" ]; then
    cp "$win/bin/vscript.dll" "$media/vscript.dll"
fi
