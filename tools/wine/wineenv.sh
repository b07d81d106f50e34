# Wine environment for the tests and the demo: one prefix per build folder,
# one private Xvfb display, one persistent wineserver. Source this file, then
# call wine_env_up BUILD_DIR; afterwards WINEPREFIX, DISPLAY and the other
# variables are exported and `wine_run PROGRAM ARGS...` runs a program.
# Everything is guarded by a lock, so parallel CTest jobs share one setup.

# The package wine64 puts its programs under /usr/lib/wine only: wineboot
# and wineserver are not on PATH on a fresh machine, so both are called by
# their full paths. wineboot is a Windows program of libwine (a dependency
# of wine64) that the loader runs from its file.
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
WINEBOOT_EXE=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows/wineboot.exe

wine_env_vars() {
    export WINEPREFIX="$1/wine/prefix"
    export WINELOADER=$WINE64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
    export WINE_STATE="$1/wine"
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

wine_env_up() {
    wine_env_vars "$1"
    mkdir -p "$WINE_STATE"
    (
        flock 9
        [ -f "$WINE_STATE/prefix2.ready" ] || wine_prefix_init
        wine_display_up
        wine_server_up
    ) 9>"$WINE_STATE/lock"
    wine_display_up
}

# Stops the wineserver and the private display of this build folder.
wine_env_down() {
    wine_env_vars "$1"
    "$WINESERVER" -k 2>/dev/null
    local f="$WINE_STATE/display"
    if [ -f "$f" ]; then
        kill "$(cut -d' ' -f2 "$f")" 2>/dev/null
        rm -f "$f"
    fi
}

wine_run() {
    "$WINE64" "$@"
}
