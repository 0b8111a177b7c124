#!/usr/bin/env bash
# Faults a screen saver meets unattended, each against the real Brasswick.scr
# under Wine: its sound server dies or comes late, its sound driver blocks,
# keeps a buffer or vanishes, its settings file goes bad, its preview host
# vanishes. After each, the saver must still paint and
# end with 0 on a key press (or, with no host left, refuse to start).
# Joins the test command's session, or starts its own.
set -uo pipefail
source "$(dirname "$0")/../harness/script.sh"
parse_options -- "$@"
start_saver_script

work=$build/faults
rm -rf "$work"
mkdir -p "$work"
source "$root/tests/outside/check.sh"

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

# Face colours of the 120 whole cells of the saver's 1920 x 1080 grid (128-pixel
# tiles from x 0 and y 28), one a line as rrggbb.
faces() {
    local shot=$work/faces.rgb x y
    import -window root -depth 8 "rgb:$shot" 2>/dev/null || return 1
    for ((y = 92; y < 1016; y += 128)); do
        for ((x = 64; x < 1920; x += 128)); do
            od -An -tx1 -j $(((y * 1920 + x) * 3)) -N3 "$shot" | tr -d ' \n'
            echo
        done
    done
}
Band106=80ff7f  # pale green: levels 16 to 31 with the default thresholds
Band108=ff3333  # red: 64 and up

# most_cells_show COLOUR: at least two thirds of the cells show it.
most_cells_show() { [ "$(faces | grep -c "^$1\$")" -ge 80 ]; }

# newly_painted_show COLOUR: of the cells that changed in the last two
# seconds, at least 8 and two thirds show it now.
newly_painted_show() {
    faces >"$work/faces.before"
    sleep 2
    faces >"$work/faces.after"
    local changed new
    changed=$(paste "$work/faces.before" "$work/faces.after" | awk '$1 != $2' | wc -l)
    new=$(paste "$work/faces.before" "$work/faces.after" | awk -v c="$1" '$1 != $2 && $2 == c' | wc -l)
    echo "$changed cells changed, $new of them to $1" >"$work/faces.verdict"
    [ "$changed" -ge 8 ] && [ $((new * 3)) -ge $((changed * 2)) ]
}

# play_into SERVER LEVEL: a square wave that the saver measures near LEVEL,
# for longer than the run.
play_into() {
    sox -n -r 44100 -c 1 -b 16 "$work/tone-$2.wav" synth 120 square 200 vol "$(awk -v l="$2" 'BEGIN { printf "%.3f", l / 127 }')" 2>/dev/null
    in_background env PULSE_SERVER="$1" paplay -d room "$work/tone-$2.wav"
}

# 1. The sound server dies under a running saver and a new one comes a few
# seconds later with another loudness: the picture follows the new room.
write_saver_ini 55 2 4 8 16 32 64
room=$work/dying-room
launch_sound_server "$room" >/dev/null
doomed=$LAUNCHED_PULSE_PID
play_into "$LAUNCHED_PULSE_SERVER" 24
start_saver_quietly PULSE_SERVER="$LAUNCHED_PULSE_SERVER"
sleep 10  # a whole cycle of 170 ticks after the first capture
check "sound server alive: most tiles of the tone's band" most_cells_show $Band106
{ kill -9 "$doomed"; wait "$doomed"; } 2>/dev/null
sleep 7  # past the saver's wait for a capture that will not come
check "sound server gone: still painting" still_painting
launch_sound_server "$room" >/dev/null
play_into "$LAUNCHED_PULSE_SERVER" 110
back=$SECONDS
recovered() {
    local deadline=$((SECONDS + 30))
    while [ "$SECONDS" -lt "$deadline" ]; do
        newly_painted_show $Band108 && return 0
    done
    return 1
}
check "sound server back: newly painted tiles of the new band within 30 s" recovered
echo "# $(cat "$work/faces.verdict") after $((SECONDS - back)) s"
check "sound server back: a key ends it with 0" end_saver_with_key

# 2. No sound server at start; one appears later. No other driver may stand in.
late_dir=$work/late-room
# At 55 ms the tiles cover the whole screen within ten seconds, white and all.
write_saver_ini 300 2 4 8 16 32 64
start_saver_quietly PULSE_SERVER="unix:$late_dir/native" WINEDLLOVERRIDES="$(pulse_only_overrides)"
white_background() { [ "$(pixel 1 1)" = "#FFFFFF" ] || [ "$(pixel 1900 1070)" = "#FFFFFF" ]; }
check "sound server absent: white background" wait_until 10 white_background
launch_sound_server "$late_dir" >/dev/null
sleep 1
check "sound server appeared: still painting" still_painting
check "sound server appeared: a key ends it with 0" end_saver_with_key

# 3. Sound drivers that misbehave: the stand-in winmm.dll beside the saver
# (tests/doubles/winmm_dll.cpp) blocks for seconds in its calls, keeps a
# buffer, or vanishes and comes back. It logs every header lent to a device
# while another still held it.
driver_log=$WINDOWS_TREE/bin/winmm.dll.log
driver_level=$WINDOWS_TREE/bin/winmm.dll.answer
start_with_driver() {  # start_with_driver "BEHAVIOUR FROM [UNTIL]"
    rm -f "$driver_log"
    start_saver_quietly BRASSWICK_WINMM="$1" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winmm=n,b"
}
# Both read the stand-in's log, so they fail when Wine loaded its own winmm.dll.
driver_opened() { grep -q '^open' "$driver_log" 2>/dev/null; }
no_header_lent_twice() { driver_opened && ! grep -q '^held:' "$driver_log"; }
echo 24 >"$driver_level"
write_saver_ini 55 2 4 8 16 32 64
start_with_driver "blocking 3"
sleep 8  # the capture given up, the recovery thread blocked in the driver
check "driver blocking: the stand-in is the driver" driver_opened
check "driver blocking: still painting" still_painting
check "driver blocking: a key ends it with 0 within 3 s" end_saver_with_key 3
start_with_driver "refusing 2"
sleep 14  # two devices given up, the first one's late completion come
check "driver keeping a buffer: another device opened" [ "$(grep -c '^open' "$driver_log")" -ge 2 ]
check "driver keeping a buffer: no header held by two devices" no_header_lent_twice
check "driver keeping a buffer: still painting" still_painting
check "driver keeping a buffer: a key ends it with 0" end_saver_with_key
start_with_driver "vanishing 5 11"
wait_until 20 grep -q '^vanished' "$driver_log"
echo 110 >"$driver_level"  # heard only once the driver is back
back=$SECONDS
check "driver vanished and back: newly painted tiles of the new level within 30 s" recovered
echo "# $(cat "$work/faces.verdict") after $((SECONDS - back)) s"
check "driver vanished and back: no header held by two devices" no_header_lent_twice
check "driver vanished and back: a key ends it with 0" end_saver_with_key
rm -f "$driver_log" "$driver_level"

# 4. The settings file goes bad under a running saver, which keeps what it read.
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

# 5. The preview's host is killed under it, or is gone before it starts.
start_preview_host "$work/host.txt"
start_saver_quietly /p "$PREVIEW_HANDLE"
{ kill -9 "$PREVIEW_HOST_PID"; wait "$PREVIEW_HOST_PID"; } 2>/dev/null
check "preview host killed: the saver ends with 0" wait_for_saver_exit 10
wine "$WINDOWS_TREE/bin/Brasswick.scr" /p "$PREVIEW_HANDLE" >/dev/null 2>&1
code=$?
check "preview host gone before the start: the saver refuses with -1" [ "$code" = 255 ]

echo "faults: ${passed} passed, ${failed} failed"
[ "$failed" -eq 0 ]
