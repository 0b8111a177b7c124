#!/usr/bin/env bash
# Builds Brasswick.scr and runs it full screen under Wine.
# With a display (DISPLAY set and answering) it runs there until a key, a
# click or a mouse move ends it. Without one it runs on a virtual display
# for a few seconds (--seconds N, default 10) while a tone of changing
# loudness plays into a private sound server, and leaves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
seconds=10
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) seconds=$2; shift 2 ;;
        *) echo "usage: $0 [--seconds N]" >&2; exit 2 ;;
    esac
done

"$root/scripts/ensure-packages.sh"
"$root/scripts/build.sh" windows >/dev/null
saver=$build/windows/bin/Brasswick.scr

source "$root/tests/harness/session.sh"
if ! runs_32bit_natively; then
    echo "Built $saver, but Wine cannot run it here: this kernel runs no 32-bit program natively." >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    start_wine_prefix "$build/windows/wineprefix"
    wine "$saver" /s
    exit $?
fi

start_display 1920x1080x24
start_wine_prefix "$build/windows/wineprefix"
start_sound_room "$build/sound-room"

# A room whose loudness rises and falls, so that every tile band shows.
tone=$build/sound-room/demo.wav
sox -n -r 44100 -c 2 "$tone" synth "$seconds" sine 440 vol 0.9 tremolo 0.3 100 2>/dev/null
paplay -d room "$tone" &
SESSION_PIDS+=($!)

wine "$saver" /s &
saver_pid=$!
SESSION_PIDS+=($saver_pid)
sleep "$seconds"

shot=$build/screenshots/saver.png
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
# A key press ends the saver as a user's would.
xdotool key space 2>/dev/null || true
wait "$saver_pid" 2>/dev/null || true
echo "Screenshot of the running saver: $shot"
