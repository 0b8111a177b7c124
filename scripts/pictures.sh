#!/usr/bin/env bash
# Takes the README's pictures from the real program under Wine, on a virtual
# 1920x1080 display: the saver in a quiet room, in a loud room, in a room
# whose loudness changes and without a sound input; the preview pane in its
# host window; the configuration dialog. Writes PNG files into docs/pictures/.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
out=$root/docs/pictures
mkdir -p "$out"

"$root/scripts/ensure-packages.sh" || exit 1
"$root/scripts/build.sh" windows >/dev/null || exit 1
source "$root/tests/harness/session.sh"
join_or_start_session "$build" || exit 1
require_wine pictures.sh
bin=$build/windows/bin
work=$build/pictures
mkdir -p "$work"

ini=$(saver_ini_path)
rm -f "$work/saved.ini"
[ -f "$ini" ] && cp "$ini" "$work/saved.ini"

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
    env "$@" wine "$bin/Brasswick.scr" /s >/dev/null 2>&1 &
    local saver=$!
    SESSION_PIDS+=($saver)
    sleep "$seconds"
    shoot "$name"
    xdotool key space
    wait "$saver"
}

write_saver_ini 55 2 4 8 16 32 64
run_saver_for 6 saver-quiet-room

play_into_room() {  # play_into_room FILE: sets PLAYER
    paplay -d room "$1" &
    PLAYER=$!
    SESSION_PIDS+=($PLAYER)
}

sox -n -r 44100 -c 2 "$work/loud.wav" synth 20 square 200 vol 0.9 2>/dev/null
play_into_room "$work/loud.wav"
run_saver_for 7 saver-loud-room
kill "$PLAYER" 2>/dev/null

# Loudness rising and falling: every band of the default thresholds shows.
sox -n -r 44100 -c 2 "$work/changing.wav" synth 20 square 200 vol 0.9 tremolo 0.2 100 2>/dev/null
play_into_room "$work/changing.wav"
run_saver_for 9 saver-changing-room
kill "$PLAYER" 2>/dev/null

run_saver_for 6 saver-without-sound-input PULSE_SERVER="unix:$work/no-server" \
    WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winealsa.drv,wineoss.drv=d"

# The preview pane: the host window sits at (100, 100).
wine "$bin/preview_host.exe" >"$work/host.txt" 2>/dev/null &
host=$!
SESSION_PIDS+=($host)
for _ in $(seq 100); do [ -s "$work/host.txt" ] && break; sleep 0.1; done
wine "$bin/Brasswick.scr" /p "$(tr -dc '0-9' <"$work/host.txt")" >/dev/null 2>&1 &
SESSION_PIDS+=($!)
sleep 5
shoot preview-pane 200x180+80+60
{ kill "$host"; wait "$host"; } 2>/dev/null

# The dialog, in the Japanese code page its texts are written for.
LC_ALL=ja_JP.UTF-8 wine "$bin/Brasswick.scr" /c >/dev/null 2>&1 &
dialog=$!
SESSION_PIDS+=($dialog)
sleep 4
shoot config-dialog 420x480+0+0
xdotool key Escape
wait "$dialog"

rm -f "$ini"
[ -f "$work/saved.ini" ] && cp "$work/saved.ini" "$ini"
