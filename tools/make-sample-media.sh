#!/bin/bash
# Builds the sample product's install media for the Windows tests and the
# demo: mediabuild (native build) turns examples/product into MEDIA_DIR, and
# setup.exe with the sample script (as vscript.dll) go beside it.
#   make-sample-media.sh WIN_BUILD_DIR MEDIA_DIR
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
rm -rf "$media"
"$native/bin/mediabuild" build --seed 7 "$top/examples/product" "$top/examples/product/manifest.txt" "$media" >/dev/null
cp "$win/bin/setup.exe" "$media/setup.exe"
cp "$win/bin/sample_script.dll" "$media/vscript.dll"
