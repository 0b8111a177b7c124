#!/usr/bin/env bash
# Takes the README's pictures from the real program under Wine, on a virtual
# 1920x1080 display: the saver in a quiet room, in a loud room, in a room
# whose loudness changes and without a sound input; the preview pane in its
# host window; the configuration dialog hearing a loud room. Writes PNG files into docs/pictures/.
set -uo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options -- "$@"
start_saver_script
out=$root/docs/pictures
work=$build/pictures
mkdir -p "$out" "$work"
keep_saver_ini

shoot() {  # shoot NAME [crop geometry]: the screen, halved unless cropped
    if [ -n "${2:-}" ]; then
        import -window root -crop "$2" +repage "$out/$1.png"
    else
        import -window root -resize 50% "$out/$1.png"
    fi
    echo "wrote $out/$1.png"
}

run_saver_for() {  # run_saver_for SECONDS NAME [VAR=value ...]
    local seconds=$1 name=$2
    shift 2
    start_saver "$@" >/dev/null 2>&1
    sleep "$seconds"
    shoot "$name"
    end_saver_with_key
}

write_saver_ini 55 2 4 8 16 32 64
run_saver_for 6 saver-quiet-room

sox -n -r 44100 -c 2 "$work/loud.wav" synth 20 square 200 vol 0.9 2>/dev/null
play_into_room "$work/loud.wav"
run_saver_for 7 saver-loud-room
kill "$PLAYER_PID" 2>/dev/null

# Loudness rising and falling: every band of the default thresholds shows.
sox -n -r 44100 -c 2 "$work/changing.wav" synth 20 square 200 vol 0.9 tremolo 0.2 100 2>/dev/null
play_into_room "$work/changing.wav"
run_saver_for 9 saver-changing-room
kill "$PLAYER_PID" 2>/dev/null

run_saver_for 6 saver-without-sound-input PULSE_SERVER="unix:$work/no-server" \
    WINEDLLOVERRIDES="$(pulse_only_overrides)"

# The preview pane: the host window sits at (100, 100).
start_preview_host "$work/host.txt"
start_saver /p "$PREVIEW_HANDLE" >/dev/null 2>&1
sleep 5
shoot preview-pane 200x180+80+60
{ kill "$PREVIEW_HOST_PID"; wait "$PREVIEW_HOST_PID"; } 2>/dev/null

# The dialog, in the Japanese code page its texts are written for, hearing
# a loud room.
play_into_room "$work/loud.wav"
start_saver LC_ALL=ja_JP.UTF-8 /c >/dev/null 2>&1
sleep 5
shoot config-dialog 420x552+0+0
xdotool key Escape
wait_for_saver_exit 10
kill "$PLAYER_PID" 2>/dev/null
