#!/bin/bash
# The main job: the whole life of Vantrel on one machine. Builds what is
# needed, makes the Vantrel install media with the media builder, installs
# Vantrel with setup.exe under Wine through every dialog, shows the product
# running (its programs and named objects), gives it a cache, uninstalls it
# through the command the uninstall list records (keeping nothing, deleting
# the cache) and compares the machine with a snapshot taken before the
# install. Prints every difference and whether the product leaves it by
# design; exits with 1 when anything else is left. A screenshot of every
# dialog goes to build/demo/MODE/shots.
#   tools/demo.sh           as Windows NT 4.0
#   tools/demo.sh --win95   as the Windows 95 family, with three user profiles
# Runs on the user's display when there is one, else on a private one.
set -e
mode=nt40
case "${1:-}" in
"") ;;
--win95) mode=win95 ;;
*)
    echo "usage: tools/demo.sh [--win95]" >&2
    exit 2
    ;;
esac
started=$(date +%s)
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
if [ "$(id -u)" = 0 ]; then
    tools/deps.sh
fi
. tools/cleanpath.sh
clean_path_up "$top/build/path" >/dev/null
export LC_ALL=C

echo "== building what the media and the demo need"
build="$top/build/win64"
native="$top/build/native"
[ -f "$build/CMakeCache.txt" ] || cmake --no-warn-unused-cli -S . -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake >/dev/null
[ -f "$native/CMakeCache.txt" ] || cmake --no-warn-unused-cli -S . -B "$native" -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2 --target vantrel_media_inputs demo_driver >/dev/null
cmake --build "$native" -j2 --target mediabuild >/dev/null

demo="$top/build/demo/$mode"
shots="$demo/shots"
rm -rf "$demo"
mkdir -p "$shots"
echo "== the Vantrel install media (build/demo/$mode/media)"
tools/make-vantrel-media.sh "$build" "$demo/media"
if [ ! -f "$demo/media/vscript.dll" ]; then
    echo "   FAILED: no vscript.dll on the media" >&2
    exit 1
fi
"$native/bin/mediabuild" verify "$demo/media" | sed 's/^/   /'
ls "$demo/media" | sed 's/^/   /' | paste -sd ' '

. tools/wine/wineenv.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINE_USE_DISPLAY=$DISPLAY
fi
wine_env_up "$build"
driver() { wine_run "$build/bin/demo_driver.exe" "$@" </dev/null; }
registry() { wine_run reg "$@" </dev/null >/dev/null 2>&1; }
reg_text() {
    wine_run reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p'
}

folder='C:\Program Files\Vantrel'
windows="$WINEPREFIX/drive_c/windows"
apps='HKCU\Software\Wine\AppDefaults'
default_shell_folders='HKU\.Default\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
user_shell_folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders'
start_menu='HKCU\Software\Microsoft\Windows\CurrentVersion\ProfileReconciliation'
profile_list='HKLM\Software\Microsoft\Windows\CurrentVersion\ProfileList'
mstcp='HKLM\System\CurrentControlSet\Services\VxD\MSTCP'
product_key='HKLM\Software\Halvern Dynamics Limited\Vantrel'
entry='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel'

# The machine as the mode needs it: Wine tells setup.exe and the tuning
# helper that they run on that Windows. A Windows 95 machine also gets its
# TCP/IP parameters key and three user profiles, each with its own Start
# menu beside the default user's; all of it is put back at the end. Wine
# gives the default user the current user's Programs folder, which is where
# it goes back to, also after a run that ended before it could put it back.
machine_up() {
    registry add "$apps\\setup.exe" /v Version /d "$mode" /f
    registry add "$apps\\hdlutil.exe" /v Version /d "$mode" /f
    [ "$mode" = win95 ] || return 0
    registry add "$default_shell_folders" /v Programs /d 'C:\windows\Start Menu\Programs' /f
    mkdir -p "$windows/Start Menu/Programs"
    registry add "$start_menu\\Start Menu" /v LocalFile /d 'Start Menu' /f
    for user in ann bob cid; do
        registry add "$profile_list\\$user" /v ProfileImagePath /d "C:\\windows\\Profiles\\$user" /f
        mkdir -p "$windows/Profiles/$user/Start Menu/Programs"
    done
    registry add "$mstcp" /f
    echo "   Windows 95 family: profiles ann, bob and cid under C:\\windows\\Profiles, the default user's"
    echo "   Start menu in C:\\windows\\Start Menu, the TCP/IP parameters key $mstcp"
}
machine_down() {
    registry delete "$apps\\setup.exe" /f || true
    registry delete "$apps\\hdlutil.exe" /f || true
    [ "$mode" = win95 ] || return 0
    registry add "$default_shell_folders" /v Programs /d "$(reg_text "$user_shell_folders" Programs)" /f || true
    registry delete "$start_menu" /f || true
    registry delete "$profile_list" /f || true
    registry delete "$mstcp" /f || true
    rm -rf "$windows/Profiles" "$windows/Start Menu"
}

failed=0
fail() {
    echo "   FAILED: $1"
    failed=1
}

echo "== a fresh start: Vantrel and the traces of earlier runs taken off the machine"
driver remove-product "$folder" || fail "an earlier install could not be removed"
machine_up
trap 'machine_down' EXIT
driver snapshot "$folder" "$(winepath_of "$demo/before.txt")"
echo "   snapshot of the machine: $(wc -l <"$demo/before.txt") lines (build/demo/$mode/before.txt)"

echo "== install: setup.exe from the media, through every dialog"
# The connection: a LAN. The 95 family also tunes the network for it (the
# box is disabled on NT).
connection='101;1'
[ "$mode" = nt40 ] || connection='101;102;1'
driver walk "$(winepath_of "$shots")" 1-install "Welcome=1" "License Agreement=1" "Install Path=100:$folder;1" \
    "Connection=$connection" "Copying Files=" -- "\"$(winepath_of "$demo/media")\\setup.exe\"" ||
    { fail "the install"; exit 1; }
driver snapshot "$folder" "$(winepath_of "$demo/installed.txt")"
echo "   what the install wrote:"
driver added "$(winepath_of "$demo/before.txt")" "$(winepath_of "$demo/installed.txt")"

echo "== the product running"
echo "   the install started the main application; the DDE process starts as Windows starts it"
echo "   at logon (its Run value), the button program from its Start-menu shortcut:"
driver start-run ddeproc || fail "the DDE process did not start"
driver start-shortcut Vantrel || fail "the shortcut did not start"
sleep 2
driver running "$folder" || fail "the product is not running as it should"
driver spread-windows "$folder" || true
xwd -display "$DISPLAY" -silent -root | convert xwd:- "$shots/2-the-product-running.png"
echo "   the desktop: $shots/2-the-product-running.png"

echo "== the product's cache"
# As the product's proxy keeps it: the index "cache_data" naming the data
# file at bytes 12 to 47, the data, the error pages and the saved pages in
# folders of their own.
cache="$WINEPREFIX/drive_c/Program Files/Vantrel/cache"
mkdir -p "$cache/pages/www.example.com/images"
{
    printf 'VCIX\001\000\000\000\000\000\000\000'
    printf 'vcache.dat'
    head -c 26 /dev/zero
} >"$cache/cache_data"
head -c 20000 /dev/urandom >"$cache/vcache.dat"
for n in 1 2 3 4; do
    echo "<html><body>Vantrel: page error $n</body></html>" >"$cache/err$n.html"
done
echo "<html><body>Example</body></html>" >"$cache/pages/www.example.com/index.html"
head -c 3000 /dev/urandom >"$cache/pages/www.example.com/images/logo.gif"
registry add "$product_key" /v cacheDir /d "$folder\\cache" /f
echo "   $folder\\cache (cacheDir of $product_key):"
(cd "$cache" && find . -type f | sort | sed 's|^\./|     |')

echo "== uninstall: the command of the uninstall list, keeping nothing, deleting the cache"
command=$(reg_text "$entry" UninstallString)
echo "   $command"
if [ -z "$command" ]; then
    fail "no UninstallString in $entry"
else
    driver walk "$(winepath_of "$shots")" 3-uninstall "Remove Vantrel=1" "Verify Uninstall=1" "Removing Vantrel=" \
        "Cache=2" -- "$command" || fail "the uninstall's first stage"
    echo "   the second stage runs from the Windows folder's Temp:"
    driver wait-for-end setup.exe 180 || fail "the second stage did not end"
fi
echo "== the product after the uninstall"
driver stopped "$folder" || fail "the product still runs"

echo "== what is left, compared with the snapshot before the install"
driver snapshot "$folder" "$(winepath_of "$demo/after.txt")"
driver left "$(winepath_of "$demo/before.txt")" "$(winepath_of "$demo/after.txt")" || failed=1

echo "== screenshots of every dialog: $shots"
ls "$shots" | sed 's/^/   /'
echo "== $mode: $([ $failed = 0 ] && echo "done" || echo "FAILED") in $(($(date +%s) - started)) s"
exit $failed
