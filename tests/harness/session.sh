# Shared by the scripts: a virtual display, a private Wine prefix and a
# private sound server, each started here and ended here by process id.
# Source it, then call the start_* functions; stop_session runs on exit.

SESSION_PIDS=()
SESSION_AFTER_STOP=()  # functions to run once the session's processes have ended

session_log() { echo "[harness] $*" >&2; }

# The tile faces' colours, quietest band first, as resources/artwork draws them.
TileFaceColours="50,50,50 128,128,128 245,245,245 255,255,127 128,255,127 128,127,255 255,51,51"

# in_background COMMAND...: started, to be ended with the session; sets
# BACKGROUND_PID.
in_background() {
    "$@" &
    BACKGROUND_PID=$!
    SESSION_PIDS+=("$BACKGROUND_PID")
}

# wait_until SECONDS COMMAND...: runs COMMAND every tenth of a second until
# it succeeds; fails when it still fails after SECONDS.
wait_until() {
    local tenths=$(($1 * 10)) i
    shift
    for ((i = 1; i < tenths; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# A virtual X display on a number that Xvfb picks itself (-displayfd), so a
# display somebody else runs is never touched.
start_display() {
    local geometry=${1:-1920x1080x24}
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
    SESSION_PIDS+=($!)
    wait_until 10 test -s "$number_file" || { session_log "Xvfb did not start"; return 1; }
    export DISPLAY=":$(tr -d '\n' <"$number_file")"
    rm -f "$number_file"
    session_log "virtual display $DISPLAY ($geometry)"
}

# A Wine prefix of our own inside the build tree; created once, then reused.
# Bump PrefixSetup when the settings below change.
PrefixSetup=2
start_wine_prefix() {
    export WINEPREFIX=$1
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
    export WINEARCH=win64
    SESSION_WINE_PREFIX=$WINEPREFIX
    if [ "$(cat "$WINEPREFIX/.brasswick-ready" 2>/dev/null)" = "$PrefixSetup" ]; then
        forget_test_registry_changes
        return 0
    fi
    session_log "setting up Wine prefix $WINEPREFIX (first time only)"
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    # A crash must end the program, not wait for somebody at a dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    # There is no window manager: without this Wine waits two seconds for one
    # whenever a top-level window goes away.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    echo "$PrefixSetup" >"$WINEPREFIX/.brasswick-ready"
}

# Tests put these back themselves; a test program that crashed could not, and
# would leave the saver running as on Windows 98, or deaf, for the next run.
forget_test_registry_changes() {
    wine reg delete 'HKCU\Software\Wine\AppDefaults\Brasswick.scr' /f >/dev/null 2>&1 || true
    wine reg delete 'HKCU\Software\Wine\Drivers' /v Audio /f >/dev/null 2>&1 || true
}

# A PulseAudio server of our own in DIR with a null sink "room" whose monitor
# is the default source, so that what is played into "room" is what the
# saver hears. Wine names the monitor by the sink's description: "Monitor of
# room". Sets LAUNCHED_PULSE_PID and LAUNCHED_PULSE_SERVER.
launch_sound_server() {
    local dir=$1
    mkdir -p "$dir"
    chmod 700 "$dir"
    cat >"$dir/room.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=room sink_properties=device.description=room
set-default-sink room
set-default-source room.monitor
PA
    PULSE_RUNTIME_PATH=$dir PULSE_STATE_PATH=$dir HOME=$dir \
        pulseaudio -n -F "$dir/room.pa" --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no --system=false >"$dir/pulseaudio.log" 2>&1 &
    LAUNCHED_PULSE_PID=$!
    SESSION_PIDS+=($LAUNCHED_PULSE_PID)
    LAUNCHED_PULSE_SERVER="unix:$dir/native"
    wait_until 10 env PULSE_SERVER="$LAUNCHED_PULSE_SERVER" pactl info >/dev/null 2>&1 && return 0
    session_log "PulseAudio did not start"
    cat "$dir/pulseaudio.log" >&2
    return 1
}

# The session's sound server: every Wine process started from here hears it.
start_sound_room() {
    launch_sound_server "$1" || return 1
    export PULSE_SERVER=$LAUNCHED_PULSE_SERVER
    session_log "sound room at $PULSE_SERVER"
}

stop_session() {
    if [ -n "${SESSION_WINE_PREFIX:-}" ]; then
        WINEPREFIX=$SESSION_WINE_PREFIX wineserver -k 2>/dev/null || true
    fi
    local pid
    for pid in "${SESSION_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${SESSION_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    SESSION_PIDS=()
    local step
    for step in "${SESSION_AFTER_STOP[@]}"; do
        "$step"
    done
    SESSION_AFTER_STOP=()
}
trap stop_session EXIT

# Why Wine cannot run the 32-bit build here, in one line; nothing (and a
# failure) when it can. Wine runs a 32-bit Windows program as a 32-bit Linux
# process: some kernels run none (no IA-32 emulation), and an emulator
# registered for them (qemu-user) runs Wine minutes per process, too slow for
# any of our waits. WINDOWS_BUILD=windows64 asks for the twin on a machine
# that could. The Windows test trees ask this when they are configured.
why_no_32bit_wine() {
    if [ ! -e /usr/lib/wine/wine ]; then
        echo "32-bit Wine (wine32:i386) is not installed; scripts/ensure-packages.sh, as root, says why"
    elif grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386 || ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
        echo "this kernel runs no 32-bit program natively (README, Troubleshooting)"
    elif [ "${WINDOWS_BUILD:-}" = windows64 ]; then
        echo "WINDOWS_BUILD=windows64 asks for the 64-bit twin"
    else
        return 1
    fi
}

# The Windows build that the Wine tests run: the 32-bit one that ships, or,
# where Wine cannot run it (why_no_32bit_wine), its 64-bit twin (windows64)
# under Wine's 64-bit loader alone. Sets WINDOWS_BUILD (the build's name),
# WINDOWS_TREE (its folder) and, for the twin, puts wine and wineboot on PATH
# that start no 32-bit loader. A WINDOWS_BUILD set beforehand is kept.
choose_windows_build() {
    local build=$1
    [ -z "${WINDOWS_TREE:-}" ] || return 0
    if [ -z "${WINDOWS_BUILD:-}" ]; then
        if why_no_32bit_wine >/dev/null; then WINDOWS_BUILD=windows64; else WINDOWS_BUILD=windows; fi
    fi
    if [ "$WINDOWS_BUILD" = windows64 ]; then
        local loader=$build/wine64-loader
        mkdir -p "$loader"
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$loader/wine"
        printf '#!/bin/sh\nexec /usr/lib/wine/wine64 wineboot "$@"\n' >"$loader/wineboot"
        chmod +x "$loader/wine" "$loader/wineboot"
        export PATH=$loader:$PATH
    fi
    export WINDOWS_BUILD WINDOWS_TREE=$build/$WINDOWS_BUILD
}

# Scripts run from the test command share its display, prefix and sound
# server; run alone they start their own.
join_or_start_session() {
    local build=$1
    if [ -n "${BRASSWICK_SESSION:-}" ]; then
        session_log "joining the running session ($DISPLAY, $PULSE_SERVER)"
        return 0
    fi
    choose_windows_build "$build"
    [ "$WINDOWS_BUILD" = windows ] ||
        session_log "the Wine tests run the 64-bit build: $(why_no_32bit_wine)"
    start_display 1920x1080x24 && start_wine_prefix "$WINDOWS_TREE/wineprefix" &&
        start_sound_room "$build/sound-room" && export BRASSWICK_SESSION=1
}

# For what only the 32-bit build can show (the installer, the shipped
# program's figures): ends the script with a message elsewhere.
require_32bit_wine() {
    [ "$WINDOWS_BUILD" = windows ] && return 0
    session_log "$1 needs the 32-bit build under Wine: $(why_no_32bit_wine)"
    exit 1
}

# The settings file that the saver reads, in the prefix's local
# application-data folder: write_saver_ini FREQ THRES0 .. THRES5
saver_ini_path() {
    echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Korvane/Brasswick/Brasswick.ini"
}
write_saver_ini() {
    local ini
    ini=$(saver_ini_path)
    mkdir -p "$(dirname "$ini")"
    printf '[SETTINGS]\r\nFREQ=%s\r\nTHRES0=%s\r\nTHRES1=%s\r\nTHRES2=%s\r\nTHRES3=%s\r\nTHRES4=%s\r\nTHRES5=%s\r\n' \
        "$@" >"$ini"
}
