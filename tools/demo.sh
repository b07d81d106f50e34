#!/bin/bash
# The main job: builds what is needed, makes install media for the sample
# product with the media builder, installs it with setup.exe under Wine
# through every dialog, shows what was installed, uninstalls it through the
# recorded uninstall command and shows that nothing is left. Runs on the
# user's display when there is one, else on a private virtual display, and
# saves a screenshot of each dialog it passes.
set -e
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" = 0 ]; then
    tools/deps.sh
fi
. tools/cleanpath.sh
clean_path_up "$top/build/path" >/dev/null
echo "== building"
BUILDS="win64 native" tools/build.sh >/dev/null
. tools/wine/wineenv.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINE_USE_DISPLAY=$DISPLAY
fi
build="$top/build/win64"
wine_env_up "$build"
bin="$build/bin"
demo="$top/build/demo"
rm -rf "$demo"
mkdir -p "$demo/shots"
tools/make-sample-media.sh "$build" "$demo/media"
echo "== install media (build/demo/media)"
build/native/bin/mediabuild list "$demo/media" | sed 's/^/   /'

product="$WINEPREFIX/drive_c/Program Files/Sample"
key='HKLM\Software\Halvern Dynamics Limited\Sample'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sample'
unix_paths() { tr -d '\r' | sed 's|Z:\\|/|; s|\\|/|g'; }
show() {
    echo "   files under C:\\Program Files\\Sample:"
    if [ -d "$product" ]; then (cd "$product" && find . -mindepth 1 | sort | sed 's/^/     /'); else echo "     (none: the folder is gone)"; fi
    echo "   registry:"
    for k in "$key" "$entry"; do
        wine_run reg query "$k" /s 2>/dev/null | tr -d '\r' | grep -v '^$' | sed 's/^/     /' || echo "     $k: (none)"
    done
}

# A fresh start: no sample product from an earlier run.
rm -rf "$product"
wine_run reg delete "$key" /f >/dev/null 2>&1 || true
wine_run reg delete "$entry" /f >/dev/null 2>&1 || true

echo "== install"
wine_run "$bin/demo_driver.exe" "$(winepath_of "$demo/shots")" install \
    "$(winepath_of "$demo/media")\\setup.exe" | unix_paths
show

echo "== uninstall"
command=$(wine_run reg query "$entry" /v UninstallString | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
echo "   running: $command"
wine_run "$bin/demo_driver.exe" "$(winepath_of "$demo/shots")" uninstall "$command" | unix_paths
# The second stage goes on from the Windows folder's Temp; wait for it.
for _ in $(seq 1 120); do
    [ -d "$product" ] || break
    sleep 0.5
done
sleep 2
show
echo "screenshots are in $demo/shots"
