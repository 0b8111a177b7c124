#!/usr/bin/env bash
# Faults a screen saver meets unattended, each against the real Brasswick.scr
# under Wine: its sound server dies or comes late, its settings file goes
# bad, its preview host vanishes. After each, the saver must still paint and
# end with 0 on a key press (or, with no host left, refuse to start).
# Joins the test command's session, or starts its own.
set -uo pipefail
source "$(dirname "$0")/../harness/script.sh"
parse_options -- "$@"
start_saver_script

work=$build/faults
rm -rf "$work"
mkdir -p "$work"
passed=0
failed=0
check() {  # check NAME COMMAND...: the command's status is the verdict
    local name=$1
    shift
    if "$@"; then
        echo "ok - $name"
        passed=$((passed + 1))
    else
        echo "not ok - $name"
        failed=$((failed + 1))
    fi
}

keep_saver_ini
ini=$SAVER_INI

pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -1; }

# The saver paints when the screen differs from itself a second later.
still_painting() {
    local before
    before=$(screen_digest)
    sleep 1.5
    [ "$(screen_digest)" != "$before" ]
}

start_saver_quietly() {  # start_saver_quietly [VAR=value ...] [SWITCH ...]
    start_saver "$@" >/dev/null 2>&1
    sleep 3
}

# 1. The sound server dies under a running saver.
write_saver_ini 55 2 4 8 16 32 64
launch_sound_server "$work/doomed-room" >/dev/null
doomed=$LAUNCHED_PULSE_PID
start_saver_quietly PULSE_SERVER="$LAUNCHED_PULSE_SERVER"
{ kill -9 "$doomed"; wait "$doomed"; } 2>/dev/null
sleep 2
check "sound server killed: still painting" still_painting
check "sound server killed: a key ends it with 0" end_saver_with_key

# 2. No sound server at start; one appears later. No other driver may stand in.
late_dir=$work/late-room
start_saver_quietly PULSE_SERVER="unix:$late_dir/native" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,wineoss.drv=d"
white_background() { [ "$(pixel 1 1)" = "#FFFFFF" ] || [ "$(pixel 1900 1070)" = "#FFFFFF" ]; }
check "sound server absent: white background" white_background
launch_sound_server "$late_dir" >/dev/null
sleep 1
check "sound server appeared: still painting" still_painting
check "sound server appeared: a key ends it with 0" end_saver_with_key

# 3. The settings file goes bad under a running saver, which keeps what it read.
write_saver_ini 55 2 4 8 16 32 64
start_saver_quietly
rm -f "$ini"
check "settings deleted: still painting" still_painting
head -c 3000 /dev/urandom >"$ini"
check "settings garbage: still painting" still_painting
rm -f "$ini"
mkdir "$ini"  # unreadable as a file, even for root
check "settings unreadable: still painting" still_painting
check "settings gone bad: a key ends it with 0" end_saver_with_key
rmdir "$ini"
restore_saver_ini

# 4. The preview's host is killed under it, or is gone before it starts.
start_preview_host "$work/host.txt"
start_saver_quietly /p "$PREVIEW_HANDLE"
{ kill -9 "$PREVIEW_HOST_PID"; wait "$PREVIEW_HOST_PID"; } 2>/dev/null
check "preview host killed: the saver ends with 0" wait_for_saver_exit 10
wine "$build/windows/bin/Brasswick.scr" /p "$PREVIEW_HANDLE" >/dev/null 2>&1
code=$?
check "preview host gone before the start: the saver refuses with -1" [ "$code" = 255 ]

echo "faults: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
