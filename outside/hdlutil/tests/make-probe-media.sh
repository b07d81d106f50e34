#!/bin/bash
# Install media for the network helper's probe tests: the sample product's
# media made by the media builder of the native build beside the Windows
# build (WIN_BUILD_DIR/../native), with the components the install loads
# copied beside install.dat.
#   make-probe-media.sh WIN_BUILD_DIR MEDIA_DIR
set -e
top=$(cd "$(dirname "$0")/../../.." && pwd)
win=$(cd "$1" && pwd)
media=$2
native="$(dirname "$win")/native"
if [ ! -f "$native/CMakeCache.txt" ]; then
    cmake --no-warn-unused-cli -S "$top" -B "$native" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
cmake --build "$native" --target mediabuild -j2 >/dev/null
rm -rf "$media"
"$native/bin/mediabuild" build --seed 7 "$top/examples/product" "$top/examples/product/manifest.txt" "$media" >/dev/null
for f in setup.exe langres.dll hostinfo.dll hdlutil.dll hdlutil.exe; do
    cp "$win/bin/$f" "$media/$f"
done
