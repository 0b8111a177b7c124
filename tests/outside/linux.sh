#!/usr/bin/env bash
# The Linux program against a virtual display and sound servers of its own:
# what -root paints for a loud and a quiet room and without a server, a
# server restart, a stopped server, a source that delivers nothing, a quiet
# room followed with -auto, the tiles of a small window named by id, the
# ending signals, a lost display, a bad option, and the .deb.
# linux.sh BRASSWICK X_WINDOW BUILD_DIR
set -uo pipefail
program=$1
x_window=$2
build=$(cd "$3" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/tests/harness/session.sh"
work=$build/linux-e2e
rm -rf "$work"
mkdir -p "$work"
source "$root/tests/outside/check.sh"
note() { echo "  $*" >&2; }

start_display 1920x1080x24 || exit 1
screen_width=1920

# Tile faces by image, 102 (quietest) to 108.
declare -A face=()
image=102
for colour in $TileFaceColours; do face[$image]=$colour; image=$((image + 1)); done
face_list=$(for id in "${!face[@]}"; do printf '%s %s ' "$id" "${face[$id]}"; done)
face_id() {
    local id
    for id in "${!face[@]}"; do [ "${face[$id]}" = "$1" ] && { echo "$id"; return; }; done
    echo "$1"
}

shot() { import -window root -depth 8 "rgb:$1" 2>/dev/null; }
pixel() {  # pixel SHOT X Y: R,G,B
    od -An -tu1 -j $((($3 * screen_width + $2) * 3)) -N3 "$1" | awk '{ printf "%d,%d,%d", $1, $2, $3 }'
}

# What the visible tile centres of a 1920x1080 grid show, one word each:
# an image number or the background's R,G,B. One read per row of tiles.
root_centres() {
    local s=$1 r
    for r in $(seq 1 8); do
        od -An -tu1 -v -w$((screen_width * 3)) -j $(((r * 128 - 36) * screen_width * 3)) -N $((screen_width * 3)) "$s" |
            awk -v faces="${face_list}" 'BEGIN { n = split(faces, f, " "); for (i = 1; i <= n; i += 2) id[f[i + 1]] = f[i] }
                { for (c = 1; c <= 15; ++c) { x = (c * 128 - 64) * 3; p = $(x + 1) "," $(x + 2) "," $(x + 3)
                  print (p in id) ? id[p] : p } }'
    done
}
count_of() { grep -cx -- "$1" || true; }

# The display keeps what the last program drew on the root (it is started
# not to reset between clients): a window over the whole screen, gone again,
# leaves the root's own black.
clear_root() {
    rm -f "$work/cover"  # its id, once it is mapped, is the sign to end it
    "$x_window" "$screen_width" 1080 >"$work/cover" &
    local cover=$!
    wait_until 5 test -s "$work/cover"
    kill "$cover"
    wait "$cover" 2>/dev/null
}
start_brasswick() {  # start_brasswick PULSE_SERVER ARGS...: sets BRASSWICK
    local server=$1
    shift
    clear_root
    in_background env PULSE_SERVER="$server" "$program" "$@" >"$work/out" 2>"$work/err"
    BRASSWICK=$BACKGROUND_PID
}
end_brasswick() {  # SIGTERM, and the exit status
    kill -TERM "$BRASSWICK" 2>/dev/null
    wait "$BRASSWICK"
}

launch_sound_server "$work/room" || exit 1
room=$LAUNCHED_PULSE_SERVER
room_pid=$LAUNCHED_PULSE_PID
sox -n -r 44100 -c 2 "$work/tone.wav" synth 600 square 200 vol 0.9 2>/dev/null
play_tone() {  # play_tone [FILE]
    in_background env PULSE_SERVER="$room" paplay -d room "${1:-$work/tone.wav}" 2>/dev/null
    TONE=$BACKGROUND_PID
    sleep 0.5
}
stop_tone() { kill "$TONE" 2>/dev/null; wait "$TONE" 2>/dev/null; sleep 0.3; }

# Only tiles of one image, on black, and enough of them.
root_shows_only() {
    local id=$1 centres
    centres=$(root_centres "$work/shot")
    local tiles black
    tiles=$(count_of "$id" <<<"$centres")
    black=$(count_of 0,0,0 <<<"$centres")
    note "$id: $tiles, black: $black, others: $(grep -vx -e "$id" -e 0,0,0 <<<"$centres" | sort | uniq -c | tr '\n' ' ')"
    [ "$tiles" -ge 10 ] && [ $((tiles + black)) -eq 120 ]
}

# A shot once ten tiles show (within 10 s): a new stream's first samples
# come a second or more after it opens, and until then a tick paints nothing.
shot_with_tiles() {
    shot "$work/shot" && [ "$(root_centres "$work/shot" | grep -cvx 0,0,0)" -ge 10 ]
}

play_tone
start_brasswick "$room" -root -period 55
wait_until 10 shot_with_tiles
check "a loud room paints the loudest tiles on black" root_shows_only 108
check "SIGTERM ends it with 0" end_brasswick
stop_tone

start_brasswick "$room" -root -period 55
wait_until 10 shot_with_tiles
check "a quiet room paints the quietest tiles on black" root_shows_only 102

# The stream is closed at the end: the server has no recording left.
no_recording_left() { [ -z "$(PULSE_SERVER=$room pactl list short source-outputs)" ]; }
ends_within_a_second() {  # ends_within_a_second SIGNAL
    local start=$(date +%s%N) status
    kill -"$1" "$BRASSWICK"
    wait "$BRASSWICK"
    status=$?
    local took=$((($(date +%s%N) - start) / 1000000))
    note "SIG$1: status $status after $took ms"
    [ "$status" -eq 0 ] && [ "$took" -lt 1000 ] && no_recording_left
}
check "SIGTERM ends it with 0 within a second, stream closed" ends_within_a_second TERM
for signal in INT HUP; do
    start_brasswick "$room" -root -period 3000
    sleep 1
    check "SIG$signal ends it with 0 within a second, stream closed" ends_within_a_second $signal
done

# -input: with a second, silent sink's monitor as the default source, the
# tone played to the default sink is heard only through -input monitor (or
# the room's monitor by name); a missing source falls back to the default
# source, and says so.
quiet_module=$(PULSE_SERVER=$room pactl load-module module-null-sink sink_name=quiet)
PULSE_SERVER=$room pactl set-default-source quiet.monitor
play_tone
start_brasswick "$room" -root -period 55 -input monitor
wait_until 10 shot_with_tiles
check "-input monitor hears the tone the desktop plays" root_shows_only 108
end_brasswick
start_brasswick "$room" -root -period 55
wait_until 10 shot_with_tiles
check "without -input, the quiet default source" root_shows_only 102
end_brasswick
start_brasswick "$room" -root -period 55 -input room.monitor
wait_until 10 shot_with_tiles
check "-input room.monitor by name hears the tone" root_shows_only 108
end_brasswick
start_brasswick "$room" -root -period 55 -input unplugged.microphone
wait_until 10 shot_with_tiles
missing_said() {
    note "stderr: $(cat "$work/err")"
    [ "$(cat "$work/err")" = "brasswick: no sound input unplugged.microphone; listening to the default source" ]
}
check "-input of a missing source: the default source, said on stderr" eval 'root_shows_only 102 && missing_said'
end_brasswick
stop_tone
PULSE_SERVER=$room pactl set-default-source room.monitor
PULSE_SERVER=$room pactl unload-module "$quiet_module"

# Without a server: images by chance, several of them, on white.
random_on_white() {
    local centres
    centres=$(root_centres "$work/shot")
    local white kinds
    white=$(count_of 255,255,255 <<<"$centres")
    kinds=$(grep -x '10[2-8]' <<<"$centres" | sort -u | wc -l)
    note "white: $white, images: $kinds, others: $(grep -vx -e '10[2-8]' -e 255,255,255 <<<"$centres" | sort -u | tr '\n' ' ')"
    [ "$kinds" -ge 4 ] && [ "$white" -ge 20 ] && [ $((white + $(grep -cx '10[2-8]' <<<"$centres"))) -eq 120 ]
}
start_brasswick "unix:$work/no-server/native" -root -period 55
sleep 2.5
shot "$work/shot"
check "without a sound server, tiles by chance on white" random_on_white
end_brasswick
start_brasswick "$room" -root -period 55 -no-sound
sleep 2.5
shot "$work/shot"
check "-no-sound: tiles by chance on white, no stream opened" eval 'random_on_white && no_recording_left'
end_brasswick

# A client configuration that lets a client start a sound server of its own
# (autospawn), for a user who is not root (the library never spawns for
# root): while no server answers, the program starts none, since each
# attempt would block a reconnect.
if [ "$(id -u)" = 0 ]; then
    spawning=$work/autospawn
    rm -rf "$spawning"
    mkdir -p "$spawning/run"
    printf '#!/bin/sh\ntouch %s/spawned\nexit 1\n' "$spawning" >"$spawning/spawn.sh"
    printf 'autospawn = yes\ndaemon-binary = %s/spawn.sh\n' "$spawning" >"$spawning/client.conf"
    chmod 755 "$spawning/spawn.sh"
    chmod 777 "$spawning"
    chown 65534:65534 "$spawning/run"
    in_background setpriv --reuid=65534 --regid=65534 --clear-groups env -u PULSE_SERVER HOME="$spawning" \
        XDG_RUNTIME_DIR="$spawning/run" PULSE_CLIENTCONFIG="$spawning/client.conf" "$program" -root -period 55
    BRASSWICK=$BACKGROUND_PID
    sleep 3
    check "a client configuration allowing autospawn: no sound server spawned" [ ! -e "$spawning/spawned" ]
    end_brasswick
fi

# A restart of the server: by chance while it is gone, the room again after.
changed_tiles() {  # changed_tiles SHOT_A SHOT_B: images of the centres that changed
    paste -d' ' <(root_centres "$1") <(root_centres "$2") | awk '$1 != $2 { print $2 }'
}
play_tone
start_brasswick "$room" -root -period 55
sleep 1.5
kill "$room_pid"
wait "$room_pid" 2>/dev/null
sleep 0.5
shot "$work/gone-a"
sleep 2.5
shot "$work/gone-b"
changes=$(changed_tiles "$work/gone-a" "$work/gone-b")
note "while gone: $(sort <<<"$changes" | uniq -c | tr '\n' ' ')"
check "with the server gone, tiles by chance" test "$(grep -x '10[2-7]' <<<"$changes" | sort -u | wc -l)" -ge 3
launch_sound_server "$work/room" || exit 1
room_pid=$LAUNCHED_PULSE_PID
sleep 2.5  # a retry every half second, then the new stream's first samples
shot "$work/back-a"
sleep 2.5
shot "$work/back-b"
changes=$(changed_tiles "$work/back-a" "$work/back-b")
note "back, quiet: $(sort <<<"$changes" | uniq -c | tr '\n' ' ')"
check "with the server back, the quiet room again" \
    test "$(grep -cx 102 <<<"$changes")" -ge 10 -a "$(grep -cvx 102 <<<"$changes")" -eq 0
check "and it still ends with 0" end_brasswick

# A server that stops answering and a source that delivers nothing: tiles
# by chance once nothing has come for 5 s, the room again after.
changes_over() {  # changes_over SECONDS: images of the centres that changed meanwhile
    shot "$work/over-a"
    sleep "$1"
    shot "$work/over-b"
    changed_tiles "$work/over-a" "$work/over-b"
}
by_chance_at_six() {  # by_chance_at_six START_NS: changes from 5.5 to 6.5 s after START_NS are by chance
    sleep "$(awk -v s="$1" -v now="$(date +%s%N)" 'BEGIN { w = 5.5 - (now - s) / 1e9; print (w > 0 ? w : 0) }')"
    local changes
    changes=$(changes_over 1)
    note "5.5 to 6.5 s: $(sort <<<"$changes" | uniq -c | tr '\n' ' ')"
    [ "$(grep -x '10[2-7]' <<<"$changes" | sort -u | wc -l)" -ge 3 ]
}
follows_room() {  # follows_room ID: at least ten tiles changed over 1.5 s, all to ID
    LOOK_STARTED=$(date +%s%N)
    LOOKED=$(changes_over 1.5)
    [ "$(grep -cx "$1" <<<"$LOOKED")" -ge 10 ] && [ "$(grep -cvx "$1" <<<"$LOOKED")" -eq 0 ]
}
follows_room_again() {  # follows_room_again START_NS ID: within 15 s (each look takes 2 s or more)
    if wait_until 15 follows_room "$2"; then
        note "following the room again in a look that began $((($LOOK_STARTED - $1) / 1000000)) ms after"
    else
        note "the last look: $(sort <<<"$LOOKED" | uniq -c | tr '\n' ' ')"
        return 1
    fi
}

play_tone
start_brasswick "$room" -root -period 55
wait_until 10 follows_room 108
stopped_at=$(date +%s%N)
kill -STOP "$room_pid"
by_chance_at_six "$stopped_at"
heard_nothing=$?
# One started now gets no answer from the server, and still ends at once.
heard_one=$BRASSWICK
start_brasswick "$room" -window -period 55
sleep 0.5
exited() { [ ! -e "/proc/$1" ] || [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" = Z ]; }
signal_started=$(date +%s%N)
kill -TERM "$BRASSWICK"
wait_until 2 exited "$BRASSWICK" || kill -KILL "$BRASSWICK"  # a blocked signal would never end it
signal_took=$((($(date +%s%N) - signal_started) / 1000000))
wait "$BRASSWICK"
signal_status=$?
BRASSWICK=$heard_one
continued_at=$(date +%s%N)
kill -CONT "$room_pid"
check "a stopped server: tiles by chance within 6 s" test "$heard_nothing" -eq 0
note "started against it, SIGTERM: status $signal_status after $signal_took ms"
check "started against a stopped server, SIGTERM ends it with 0 within a second" \
    test "$signal_status" -eq 0 -a "$signal_took" -lt 1000
check "continued, the loud room again" follows_room_again "$continued_at" 108
end_brasswick

PULSE_SERVER=$room pactl suspend-sink room 1
started_at=$(date +%s%N)
start_brasswick "$room" -root -period 55
check "a source that delivers nothing: tiles by chance within 6 s" by_chance_at_six "$started_at"
resumed_at=$(date +%s%N)
PULSE_SERVER=$room pactl suspend-sink room 0
check "delivering again, the loud room again" follows_room_again "$resumed_at" 108
check "and it ends with 0" end_brasswick
stop_tone

# -auto in a room very quiet and quiet by turns, 3 s each (levels about 1
# and 10, the yellow band): the quiet phases soon reach the top two bands
# and the very quiet ones stay at the bottom, so the tiles that change are
# of the two ends, not the middle. (Counted whatever the phase: a player
# falls behind the clock by seconds under load.)
sox -n -r 44100 -c 2 "$work/very-quiet.wav" synth 3 square 200 vol 0.008 2>/dev/null
sox -n -r 44100 -c 2 "$work/quiet.wav" synth 3 square 200 vol 0.08 2>/dev/null
sox $(for i in $(seq 10); do echo "$work/very-quiet.wav $work/quiet.wav"; done) "$work/alternating.wav"
follows_loudness() {  # follows_loudness START_NS
    local changes="" first_top=none now
    shot "$work/auto-a"
    while now=$((($(date +%s%N) - $1) / 1000000)) && [ "$now" -lt 24000 ]; do
        sleep 1
        shot "$work/auto-b"
        local latest
        latest=$(changed_tiles "$work/auto-a" "$work/auto-b")
        [ "$first_top" = none ] && grep -qx '10[78]' <<<"$latest" && first_top=$now
        changes+=$latest$'\n'
        mv "$work/auto-b" "$work/auto-a"
    done
    local low middle top
    low=$(grep -cx '10[23]' <<<"$changes") middle=$(grep -cx '10[456]' <<<"$changes") top=$(grep -cx '10[78]' <<<"$changes")
    note "first top band $first_top ms after the tone began; $(sort <<<"$changes" | uniq -c | tr '\n' ' ')"
    [ "$first_top" != none ] && [ "$first_top" -le 20000 ] && [ "$low" -ge 20 ] && [ "$top" -ge 20 ] &&
        [ $((middle * 100)) -le $(((low + middle + top) * 15)) ]
}
tone_started=$(date +%s%N)
play_tone "$work/alternating.wav"
start_brasswick "$room" -root -period 55 -auto
check "-auto: a quiet room's quiet phases reach the top two bands, its very quiet ones stay at the bottom" \
    follows_loudness "$tone_started"
end_brasswick
stop_tone

# A 152 x 112 window by id: 16-pixel tiles at the grid's places (columns
# from x = -12, rows from y = -16), black corners on a white background.
small_tiles_in_place() {
    local painted=0 misplaced=0 c r x y centre
    for r in $(seq 1 7); do
        for c in $(seq 1 9); do
            x=$((c * 16 - 12)) y=$((r * 16 - 16))
            centre=$(pixel "$work/shot" $((x + 8)) $((y + 8)))
            [ "$centre" = 255,255,255 ] && continue
            painted=$((painted + 1))
            [ "$(pixel "$work/shot" "$x" "$y")" = 0,0,0 ] && [ "$(pixel "$work/shot" $((x + 15)) $((y + 15)))" = 0,0,0 ] &&
                [ "$(pixel "$work/shot" $((x + 2)) $((y + 2)))" = "$centre" ] &&
                [ "$(pixel "$work/shot" $((x + 13)) $((y + 13)))" = "$centre" ] &&
                [ "$(face_id "$centre")" != "$centre" ] || misplaced=$((misplaced + 1))
        done
    done
    note "small window: $painted tiles seen, $misplaced not as drawn"
    [ "$painted" -ge 10 ] && [ "$misplaced" -eq 0 ] && [ "$(pixel "$work/shot" 152 50)" != 255,255,255 ]
}
coproc HOST { exec "$x_window" 152 112; }
SESSION_PIDS+=($HOST_PID)
read -r window <&"${HOST[0]}"
start_brasswick "$room" -window-id "$window" -period 55 -no-sound
sleep 2.5
shot "$work/shot"
check "-window-id of a 152 x 112 window: 16-pixel tiles in place" small_tiles_in_place
end_brasswick
kill "$HOST_PID"

# Its own window: titled Brasswick, laid out again when made small, ended
# by a key press with 0.
own_window_resized() {
    start_brasswick "$room" -period 55 -no-sound
    own_window() { xdotool search --name '^Brasswick$' 2>/dev/null | head -1 | grep .; }
    wait_until 5 own_window >/dev/null || { note "no window titled Brasswick within 5 s"; return 1; }
    local window
    window=$(own_window)
    xdotool windowsize "$window" 152 112
    sleep 2.5
    shot "$work/shot"
    small_tiles_in_place || return 1
    xdotool mousemove 60 60 key space
    ended() { ! kill -0 "$BRASSWICK" 2>/dev/null; }
    wait_until 10 ended || { note "still running 10 s after the key"; kill "$BRASSWICK"; }
    wait "$BRASSWICK"
}
check "its own window is laid out again on resize and ends on a key with 0" own_window_resized

# A bad option: one line, status 2, before any display is opened.
bad_option() {
    local status
    env -u DISPLAY "$program" -thres3 200 2>"$work/err"
    status=$?
    note "status $status: $(cat "$work/err")"
    [ "$status" -eq 2 ] && [ "$(cat "$work/err")" = "brasswick: -thres3 200: the value must be a number from 0 to 127" ]
}
check "a bad value ends with 2 and names it" bad_option
unknown_option() {
    env -u DISPLAY "$program" -loud 2>"$work/err"
    [ $? -eq 2 ] && [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q '^brasswick: unknown option -loud (accepted: ' "$work/err"
}
check "an unknown option ends with 2 and names it" unknown_option

# The display goes away under it: a non-zero status and one line.
display_lost() {
    local main_display=$DISPLAY
    start_display 640x480x24 || return 1
    local xvfb=${SESSION_PIDS[-1]}
    start_brasswick "$room" -root -period 55
    DISPLAY=$main_display
    sleep 1
    kill "$xvfb"
    wait "$BRASSWICK"
    local status=$?
    note "status $status: $(cat "$work/err")"
    [ "$status" -ne 0 ] && [ "$(cat "$work/err")" = "brasswick: lost the connection to the X display" ]
}
check "a lost display ends it with a non-zero status and one line" display_lost

# The package: three files, installable into a scratch root.
package_installs() {
    (cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; return 1; }
    local deb
    deb=$(ls "$work"/package/brasswick_*_*.deb 2>/dev/null) || return 1
    note "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort >"$work/files"
    printf '%s\n' ./usr/libexec/xscreensaver/brasswick ./usr/share/man/man6/brasswick.6.gz \
        ./usr/share/xscreensaver/config/brasswick.xml | diff - "$work/files" >&2 || return 1
    dpkg-deb -f "$deb" Depends | grep -q 'libx11-6' && dpkg-deb -f "$deb" Depends | grep -q 'libpulse0' || return 1
    dpkg -x "$deb" "$work/scratch" &&
        "$work/scratch/usr/libexec/xscreensaver/brasswick" -help | grep -q -- -period &&
        zcat "$work/scratch/usr/share/man/man6/brasswick.6.gz" | grep -q '^\.TH BRASSWICK 6' &&
        grep -q '<screensaver name="brasswick"' "$work/scratch/usr/share/xscreensaver/config/brasswick.xml"
}
check "the .deb holds the three files and installs with dpkg -x" package_installs

echo "linux: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
