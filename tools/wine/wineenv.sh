# Wine environment for the tests and the demo. A Wine machine is a prefix,
# a private Xvfb display and a persistent wineserver, with its own emulated
# drives. Each build folder has one for the demo (BUILD/wine) and
# WINE_LANES "lanes" for the tests (BUILD/wine/lane0, lane1, ...): CTest
# hands each Windows test a lane of its own (tools/wine/wine-run), so tests
# run side by side without sharing a registry, a window list or a drive.
# Source this file, then call wine_env_up BUILD_DIR [LANE]; afterwards
# WINEPREFIX, DISPLAY and the other variables are exported and
# `wine_run PROGRAM ARGS...` runs a program. Making a machine is guarded by
# a lock, so jobs started together share one setup.

# The package wine64 puts its programs under /usr/lib/wine only: wineboot
# and wineserver are not on PATH on a fresh machine, so both are called by
# their full paths. wineboot is a Windows program of libwine (a dependency
# of wine64) that the loader runs from its file.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WINEBOOT_EXE=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/wineboot.exe

# Four lanes: the tests mostly wait (on dialogs and the installer's pacing),
# so four of them keep two cores busy.
WINE_LANES=4

# wine_env_vars BUILD_DIR [LANE]
wine_env_vars() {
    export WINE_STATE="$1/wine${2:+/lane$2}"
    export WINEPREFIX="$WINE_STATE/prefix"
    export WINELOADER=$WINE64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
}

# The prefix holds the drive letters the tests use: R: an emulated CD-ROM drive,
# S: an emulated removable drive and B: a second fixed disk before C:, each
# backed by a folder under the build.
# Wine's mount manager reads the CD's label (".windows-label") when its
# services start and keeps it while the persistent wineserver runs, so the
# label is fixed here, before anything starts: "VANTREL_TEST_CD".
WINE_CD_LABEL=VANTREL_TEST_CD

wine_prefix_init() {
    mkdir -p "$WINE_STATE/cdrom" "$WINE_STATE/floppy" "$WINE_STATE/fixed"
    printf '%s' "$WINE_CD_LABEL" > "$WINE_STATE/cdrom/.windows-label"
    if [ ! -f "$WINEBOOT_EXE" ]; then
        echo "wine: $WINEBOOT_EXE is missing (package libwine)" >&2
        return 1
    fi
    DISPLAY= "$WINE64" "$WINEBOOT_EXE" --init </dev/null >/dev/null 2>&1 9>&-
    "$WINESERVER" -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine: could not make the prefix $WINEPREFIX" >&2
        return 1
    fi
    local reg="$WINE_STATE/init.reg"
    cat > "$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="1024x768"

[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]
"r:"="cdrom"
"s:"="floppy"
"b:"="hd"
REG
    "$WINE64" regedit /S "$(winepath_of "$reg")" >/dev/null 2>&1
    ln -sfn "$WINE_STATE/cdrom" "$WINEPREFIX/dosdevices/r:"
    ln -sfn "$WINE_STATE/floppy" "$WINEPREFIX/dosdevices/s:"
    ln -sfn "$WINE_STATE/fixed" "$WINEPREFIX/dosdevices/b:"
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w
    touch "$WINE_STATE/prefix2.ready"
}

winepath_of() {
    printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\\\')"
}

wine_display_up() {
    if [ -n "${WINE_USE_DISPLAY:-}" ]; then
        export DISPLAY=$WINE_USE_DISPLAY
        return
    fi
    local f="$WINE_STATE/display"
    if [ -f "$f" ] && kill -0 "$(cut -d' ' -f2 "$f")" 2>/dev/null; then
        export DISPLAY=":$(cut -d' ' -f1 "$f")"
        return
    fi
    local fifo="$WINE_STATE/displayfd.$$"
    rm -f "$fifo"; mkfifo "$fifo"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" </dev/null >/dev/null 2>&1 9>&- &
    local pid=$!
    local num
    read -r num < "$fifo"
    rm -f "$fifo"
    echo "$num $pid" > "$f"
    export DISPLAY=":$num"
}

# The server and Wine's own services (device manager, desktop) are started
# here with every descriptor detached: started by a test program they would
# inherit its output pipe and keep CTest waiting for it to close.
wine_server_up() {
    "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&- || true
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
}

# wine_env_up BUILD_DIR [LANE]
wine_env_up() {
    wine_env_vars "$1" "${2:-}"
    mkdir -p "$WINE_STATE"
    (
        flock 9
        [ -f "$WINE_STATE/prefix2.ready" ] || wine_prefix_init
        wine_display_up
        wine_server_up
    ) 9>"$WINE_STATE/lock"
    wine_display_up
}

# wine_env_down BUILD_DIR [LANE]: stops the machine's wineserver and display.
wine_env_down() {
    wine_env_vars "$1" "${2:-}"
    "$WINESERVER" -k 2>/dev/null
    local f="$WINE_STATE/display"
    if [ -f "$f" ]; then
        kill "$(cut -d' ' -f2 "$f")" 2>/dev/null
        rm -f "$f"
    fi
}

# Makes and starts every lane of the build folder, side by side, and writes
# the resource file that hands them to CTest (one test per lane at a time):
#   ctest --resource-spec-file BUILD_DIR/wine/lanes.json -j$WINE_LANES
wine_lanes_up() {
    local lane ids="" failed=0
    for lane in $(seq 0 $((WINE_LANES - 1))); do
        (wine_env_up "$1" "$lane") &
        ids="$ids${ids:+,}{\"id\":\"$lane\",\"slots\":1}"
    done
    for lane in $(seq 1 "$WINE_LANES"); do
        wait -n || failed=1
    done
    # Loopback port 80 in four shares: see KPORT80_CLIENT in cmake/kproject.cmake.
    printf '{"version":{"major":1,"minor":0},"local":[{"wine":[%s],"port80":[{"id":"loopback","slots":4}]}]}\n' \
        "$ids" > "$1/wine/lanes.json"
    return $failed
}

# Stops the wineserver and display of every lane of the build folder.
wine_lanes_down() {
    local state
    for state in "$1"/wine/lane*/; do
        [ -d "$state" ] || continue
        state=${state%/}
        (wine_env_down "$1" "${state##*/lane}")
    done
}

wine_run() {
    "$WINE64" "$@"
}
