# Shared by the scripts: a virtual display, a private Wine prefix and a
# private sound server, each started here and ended here by process id.
# Source it, then call the start_* functions; stop_session runs on exit.

SESSION_PIDS=()

session_log() { echo "[harness] $*" >&2; }

# A virtual X display on a number that Xvfb picks itself (-displayfd), so a
# display somebody else runs is never touched.
start_display() {
    local geometry=${1:-1920x1080x24}
    local number_file
    number_file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
    SESSION_PIDS+=($!)
    local i
    for i in $(seq 100); do
        [ -s "$number_file" ] && break
        sleep 0.1
    done
    [ -s "$number_file" ] || { session_log "Xvfb did not start"; return 1; }
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
# saver hears. Sets LAUNCHED_PULSE_PID and LAUNCHED_PULSE_SERVER.
launch_sound_server() {
    local dir=$1
    mkdir -p "$dir"
    chmod 700 "$dir"
    cat >"$dir/room.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
load-module module-null-sink sink_name=room
set-default-sink room
set-default-source room.monitor
PA
    PULSE_RUNTIME_PATH=$dir PULSE_STATE_PATH=$dir HOME=$dir \
        pulseaudio -n -F "$dir/room.pa" --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no --system=false >"$dir/pulseaudio.log" 2>&1 &
    LAUNCHED_PULSE_PID=$!
    SESSION_PIDS+=($LAUNCHED_PULSE_PID)
    LAUNCHED_PULSE_SERVER="unix:$dir/native"
    local i
    for i in $(seq 100); do
        PULSE_SERVER=$LAUNCHED_PULSE_SERVER pactl info >/dev/null 2>&1 && return 0
        sleep 0.1
    done
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
}
trap stop_session EXIT

# Wine runs a 32-bit Windows program as a 32-bit Linux process. Some
# kernels run none (no IA-32 emulation); an emulator registered for them
# (qemu-user) runs Wine minutes per process, too slow for any of our waits.
runs_32bit_natively() {
    grep -qsx enabled /proc/sys/fs/binfmt_misc/qemu-i386 && return 1
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Scripts run from the test command share its display, prefix and sound
# server; run alone they start their own. BRASSWICK_WINE says whether Wine
# can run the program here (1) or not (0).
join_or_start_session() {
    local build=$1
    if [ -n "${BRASSWICK_SESSION:-}" ]; then
        session_log "joining the running session ($DISPLAY, $PULSE_SERVER)"
        return 0
    fi
    export BRASSWICK_WINE=1
    start_display 1920x1080x24 || return 1
    if runs_32bit_natively; then
        start_wine_prefix "$build/windows/wineprefix" || return 1
    else
        BRASSWICK_WINE=0
        session_log "this kernel runs no 32-bit program natively: no Wine here"
    fi
    start_sound_room "$build/sound-room" && export BRASSWICK_SESSION=1
}

# For the scripts that need Wine: ends them with a message where it cannot run.
require_wine() {
    [ "${BRASSWICK_WINE:-1}" = 1 ] && return 0
    session_log "$1 needs Wine, and this kernel runs no 32-bit program natively"
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
