#!/bin/bash
# Builds the Vantrel install media: the product's own files of
# examples/vantrel and the programs and components of a Windows build
# (WIN_BUILD_DIR/bin) are put together in a staging folder, which the media
# builder (native build) turns into MEDIA_DIR; the install script goes beside
# setup.exe.
#   make-vantrel-media.sh WIN_BUILD_DIR MEDIA_DIR [BUILD_NOTE]
# BUILD_NOTE, when given, is added as a paragraph to the help's first page:
# a later build of the product with one file changed, for replacing.
# MEDIABUILD names the media builder (default build/native/bin/mediabuild); it
# is built in its native build folder (BUILD/bin/mediabuild) when missing.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
win=$1
media=$2
if [ -z "$win" ] || [ -z "$media" ]; then
    echo "usage: make-vantrel-media.sh WIN_BUILD_DIR MEDIA_DIR" >&2
    exit 2
fi
mediabuild=${MEDIABUILD:-$top/build/native/bin/mediabuild}
if [ ! -x "$mediabuild" ]; then
    native=$(dirname "$(dirname "$mediabuild")")
    [ -f "$native/CMakeCache.txt" ] || cmake --no-warn-unused-cli -S "$top" -B "$native" -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build "$native" --target mediabuild -j2 >/dev/null
fi
missing=0
for f in hub.exe prodkit.dll relay.exe "relay alt.exe" ddeproc.exe linkup.exe grabber.exe vantrel_setup.exe \
         setup.exe langres.dll hostinfo.dll hdlutil.exe hdlutil.dll; do
    if [ ! -f "$win/bin/$f" ]; then
        echo "make-vantrel-media: $win/bin/$f is missing: build it first" >&2
        missing=1
    fi
done
[ $missing = 0 ] || exit 1
stage="$media.product"
rm -rf "$stage" "$media"
mkdir -p "$stage"
trap 'rm -rf "$stage"' EXIT
cp -r "$top/examples/vantrel/." "$stage/"
if [ -n "${3:-}" ]; then
    printf '<p>%s</p>\n' "$3" >> "$stage/help/index.html"
fi
for f in hub.exe prodkit.dll relay.exe "relay alt.exe" ddeproc.exe linkup.exe grabber.exe vantrel_setup.exe \
         setup.exe langres.dll hostinfo.dll hdlutil.exe hdlutil.dll; do
    cp "$win/bin/$f" "$stage/$f"
done
"$mediabuild" build --seed 160 "$stage" "$stage/manifest.txt" "$media" >/dev/null
# Without the script setup.exe ends before its first dialog: no media then.
if ! cp "$win/bin/vscript.dll" "$media/vscript.dll"; then
    echo "make-vantrel-media: $win/bin/vscript.dll is not built" >&2
    rm -rf "$media"
    exit 1
fi
