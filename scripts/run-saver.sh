#!/usr/bin/env bash
# Builds Brasswick.scr and runs it full screen under Wine.
# With a display (DISPLAY set and answering) it runs there until a key, a
# click or a mouse move ends it. Without one it runs on a virtual display
# for a few seconds (--seconds N, default 10) while a tone of changing
# loudness plays into a private sound server, and leaves a screenshot.
set -euo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options seconds=10 -- "$@"
prepare_build windows >/dev/null
if ! runs_32bit_natively; then
    echo "Built $build/windows/bin/Brasswick.scr, but Wine cannot run it here: this kernel runs no 32-bit program natively." >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    start_wine_prefix "$build/windows/wineprefix"
    wine "$build/windows/bin/Brasswick.scr" /s
    exit $?
fi

start_display 1920x1080x24
start_wine_prefix "$build/windows/wineprefix"
start_sound_room "$build/sound-room"

# A room whose loudness rises and falls, so that every tile band shows.
tone=$build/sound-room/demo.wav
sox -n -r 44100 -c 2 "$tone" synth "$seconds" sine 440 vol 0.9 tremolo 0.3 100 2>/dev/null
play_into_room "$tone"

start_saver
sleep "$seconds"

shot=$build/screenshots/saver.png
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
end_saver_with_key || true
echo "Screenshot of the running saver: $shot"
