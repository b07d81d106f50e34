#!/bin/bash
# The main job: builds what is needed and runs setup.exe under Wine with the
# sample script library, on the user's display when there is one (else on a
# private virtual display), saving a screenshot of each dialog it passes.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" = 0 ]; then
    tools/deps.sh
fi
BUILDS=win64 tools/build.sh >/dev/null
. tools/wine/wineenv.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINE_USE_DISPLAY=$DISPLAY
fi
build="$top/build/win64"
wine_env_up "$build"

demo="$top/build/demo"
rm -rf "$demo"
mkdir -p "$demo/media" "$demo/shots"
bin="$build/bin"
cp "$bin/setup.exe" "$demo/media/setup.exe"
cp "$bin/sample_script.dll" "$demo/media/vscript.dll"
echo "This is the sample product's licence." > "$demo/media/license.txt"
echo "Sample product" > "$demo/media/readme.txt"

echo "== install"
wine_run "$bin/demo_driver.exe" "$(winepath_of "$demo/shots")" install \
    "$(winepath_of "$demo/media")\\setup.exe" | tr -d '\r' | sed "s|Z:\\\\|/|; s|\\\\|/|g"
echo "screenshots are in $demo/shots"
