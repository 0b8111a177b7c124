#!/usr/bin/env bash
# Faults a screen saver meets unattended, each against the real Brasswick.scr
# under Wine: its sound server dies or comes late, its settings file goes
# bad, its preview host vanishes. After each, the saver must still paint and
# end with 0 on a key press (or, with no host left, refuse to start).
# Joins the test command's session, or starts its own.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build
source "$root/tests/harness/session.sh"
join_or_start_session "$build" >/dev/null || exit 1

bin=$build/windows/bin
work=$build/faults
rm -rf "$work"
mkdir -p "$work"
source "$root/tests/outside/check.sh"

ini=$(saver_ini_path)
[ -e "$ini" ] && cp -r "$ini" "$work/saved.ini"
restore_ini() {
    rm -rf "$ini"
    if [ -e "$work/saved.ini" ]; then cp "$work/saved.ini" "$ini"; fi
}

digest() { import -window root rgb:- 2>/dev/null | md5sum | cut -c1-16; }
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -1; }

# The saver paints when the screen differs from itself a second later.
still_painting() {
    local before
    before=$(digest)
    sleep 1.5
    [ "$(digest)" != "$before" ]
}

start_saver() {  # start_saver [VAR=value ...]: sets SAVER
    env "$@" wine "$bin/Brasswick.scr" /s >/dev/null 2>&1 &
    SAVER=$!
    SESSION_PIDS+=($SAVER)
    sleep 3
}

# A key press ends the saver with 0 within 10 s.
key_ends_with_zero() {
    xdotool key space
    local i
    for i in $(seq 100); do
        if ! kill -0 "$SAVER" 2>/dev/null; then
            wait "$SAVER"
            [ $? -eq 0 ]
            return
        fi
        sleep 0.1
    done
    kill "$SAVER" 2>/dev/null
    return 1
}

# 1. The sound server dies under a running saver.
write_saver_ini 55 2 4 8 16 32 64
launch_sound_server "$work/doomed-room" >/dev/null
doomed=$LAUNCHED_PULSE_PID
start_saver PULSE_SERVER="$LAUNCHED_PULSE_SERVER"
{ kill -9 "$doomed"; wait "$doomed"; } 2>/dev/null
sleep 2
check "sound server killed: still painting" still_painting
check "sound server killed: a key ends it with 0" key_ends_with_zero

# 2. No sound server at start; one appears later. No other driver may stand in.
late_dir=$work/late-room
start_saver PULSE_SERVER="unix:$late_dir/native" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,wineoss.drv=d"
white_background() { [ "$(pixel 1 1)" = "#FFFFFF" ] || [ "$(pixel 1900 1070)" = "#FFFFFF" ]; }
check "sound server absent: white background" white_background
launch_sound_server "$late_dir" >/dev/null
sleep 1
check "sound server appeared: still painting" still_painting
check "sound server appeared: a key ends it with 0" key_ends_with_zero

# 3. The settings file goes bad under a running saver, which keeps what it read.
write_saver_ini 55 2 4 8 16 32 64
start_saver
rm -f "$ini"
check "settings deleted: still painting" still_painting
head -c 3000 /dev/urandom >"$ini"
check "settings garbage: still painting" still_painting
rm -f "$ini"
mkdir "$ini"  # unreadable as a file, even for root
check "settings unreadable: still painting" still_painting
check "settings gone bad: a key ends it with 0" key_ends_with_zero
rmdir "$ini"
restore_ini

# 4. The preview's host is killed under it, or is gone before it starts.
wine "$bin/preview_host.exe" >"$work/host.txt" 2>/dev/null &
host=$!
SESSION_PIDS+=($host)
for _ in $(seq 100); do [ -s "$work/host.txt" ] && break; sleep 0.1; done
handle=$(tr -dc '0-9' <"$work/host.txt")
wine "$bin/Brasswick.scr" /p "$handle" >/dev/null 2>&1 &
SAVER=$!
SESSION_PIDS+=($SAVER)
sleep 3
{ kill -9 "$host"; wait "$host"; } 2>/dev/null
code=timeout
for _ in $(seq 100); do
    if ! kill -0 "$SAVER" 2>/dev/null; then wait "$SAVER"; code=$?; break; fi
    sleep 0.1
done
check "preview host killed: the saver ends with 0" [ "$code" = 0 ]
wine "$bin/Brasswick.scr" /p "$handle" >/dev/null 2>&1
code=$?
check "preview host gone before the start: the saver refuses with -1" [ "$code" = 255 ]

echo "faults: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
