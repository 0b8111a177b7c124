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
# As on Windows 95, 98 and Me, a thread started without somewhere to put its
# id is refused: the meter's thread starts all the same and brings the input back.
echo 24 >"$driver_level"
start_with_driver "vanishing 5 11 win9x"
wait_until 20 grep -q '^vanished' "$driver_log"
echo 110 >"$driver_level"
back=$SECONDS
check "threads as on Windows 9x: newly painted tiles of the new level within 30 s" recovered
echo "# $(cat "$work/faces.verdict") after $((SECONDS - back)) s"
check "threads as on Windows 9x: none refused" eval '! grep -q "^refused" "$driver_log"'
check "threads as on Windows 9x: a key ends it with 0" end_saver_with_key

# key_figures: sets KEY_FIGURES to "GONE ENDED", the milliseconds from a
# key to the window gone and to the process ended, as the bench measures
# them; fails unless the saver ended with 0.
key_figures() {
    local line code
    line=$(wine "$WINDOWS_TREE/bin/latency_probe.exe" key 2>/dev/null | tr -d '\r')
    wait_for_saver_exit 10
    code=$?
    echo "# ${line:-no figure from the key}, exit code $code"
    set -- $line  # key to window gone: G ms, to process ended: E ms
    KEY_FIGURES="${5:-} ${10:-}"
    [ "$code" = 0 ] && [ -n "${10:-}" ]
}
# key_ends_saver_within GONE_MS ENDED_MS: a key takes the window away and
# ends the process within these times more than with a driver that behaves,
# measured in the same session (the machine's load adds to both).
key_ends_saver_within() {
    key_figures || return 1
    [ "${KEY_FIGURES% *}" -le $((${well_key% *} + $1)) ] && [ "${KEY_FIGURES#* }" -le $((${well_key#* } + $2)) ]
}
echo 24 >"$driver_level"
start_with_driver "well"
check "driver behaving: a key ends it with 0" key_figures
well_key=$KEY_FIGURES
[ "$well_key" != " " ] || well_key="0 0"
# The driver blocks 3 s in each prepare, add and start from 3 s on: the
# key comes while the meter's thread waits in one of them.
start_with_driver "slow-queue 3"
sleep 3
check "driver slow to queue a capture: a key ends the window within 100 ms and the process within 1 s" \
    key_ends_saver_within 100 1000
# Reset and close block 3 s while captures still complete: the key within
# the first 5 s finds a device in use, which closing must not wait for.
start_with_driver "slow-close 0"
check "driver slow to close, still capturing: a key ends the window within 100 ms and the process within 1 s" \
    key_ends_saver_within 100 1000
# The capture given up leaves a device that closes while still holding its
# header, which the driver fills 2 s later from its own thread.
start_with_driver "late 2"
sleep 14
check "driver filling after its close: the fill came" grep -q '^late completion' "$driver_log"
check "driver filling after its close: another device opened" [ "$(grep -c '^open' "$driver_log")" -ge 2 ]
check "driver filling after its close: no header held by two devices" no_header_lent_twice
check "driver filling after its close: still painting" still_painting
check "driver filling after its close: a key ends it with 0" end_saver_with_key
# Each open takes 3 s and fails: the answer comes too late for the window's
# creation, whose window shows (on black) before it, and turns the saver to
# random tiles on white once it comes.
write_saver_ini 300 2 4 8 16 32 64
rm -f "$driver_log"
start_saver BRASSWICK_WINMM="slow-vanishing 0 60" \
    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winmm=n,b" >/dev/null 2>&1
saver_window_shown() { xdotool search --onlyvisible --name '^Screen Saver$' >/dev/null 2>&1; }
check "input answering late: the window shows before the answer" \
    eval 'wait_until 15 saver_window_shown && ! grep -qs "^vanished" "$driver_log"'
check "input answering late and absent: then white" wait_until 10 white_background
check "input answering late and absent: a key ends it with 0" end_saver_with_key
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
