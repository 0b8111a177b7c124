#!/usr/bin/env bash
# Builds Brasswick.scr and runs it full screen under Wine.
# With a display (DISPLAY set and answering) it runs there until a key, a
# click or a mouse move ends it. Without one it runs on a virtual display
# while a tone of changing loudness plays into a private sound server, until
# the room has been heard (60 tiles of at least five bands on the screen, at most
# --seconds N, default 60), and leaves a screenshot.
# Where Wine cannot run the 32-bit build (a kernel without 32-bit programs),
# it runs the 64-bit twin of Brasswick.scr (build/windows64) under Wine's
# 64-bit loader, and says so; only where Wine runs nothing at all it shows
# the same mosaic with the Linux program, brasswick.
set -euo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options seconds=60 -- "$@"

ensure_packages || exit 1
choose_windows_build "$build"
wine_runs() { [ "$WINDOWS_BUILD" = windows ] || /usr/lib/wine/wine64 --version >/dev/null 2>&1; }
if wine_runs; then
    [ "$WINDOWS_BUILD" = windows ] ||
        echo "32-bit Wine cannot run Brasswick.scr here ($(why_no_32bit_wine)): running its 64-bit twin, build/windows64." >&2
    linux=0
    prepare_build "$WINDOWS_BUILD" >/dev/null
    saver=("$WINDOWS_TREE/bin/Brasswick.scr")
    in_front() { start_wine_prefix "$WINDOWS_TREE/wineprefix"; wine "${saver[@]}" /s; }
    # Ticks of 100 ms fill the screen in seconds, from a settings file of the
    # private prefix that is put back afterwards.
    headless() {
        start_wine_prefix "$WINDOWS_TREE/wineprefix"
        keep_saver_ini
        write_saver_ini 100 2 4 8 16 32 64
        start_saver
    }
else
    echo "Wine runs no Windows program here ($(why_no_32bit_wine), and its 64-bit loader does not start):" \
        "showing the Linux program, brasswick, instead." >&2
    linux=1
    prepare_build native >/dev/null
    saver=("$build/native/linux/brasswick")
    in_front() { "${saver[@]}"; }
    headless() { in_background "${saver[@]}" -root -period 100; SAVER_PID=$BACKGROUND_PID; }
fi

if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
    in_front
    exit $?
fi

start_display 1920x1080x24
start_sound_room "$build/sound-room"

# A room whose loudness rises and falls, so that every tile band shows.
tone=$build/sound-room/demo.wav
sox -n -r 44100 -c 2 "$tone" synth "$seconds" sine 440 vol 0.9 tremolo 0.3 100 2>/dev/null
play_into_room "$tone"

shot=$build/screenshots/saver.png
mkdir -p "$(dirname "$shot")"
headless
started=$SECONDS
bands=0 tiles=0   # until a screenshot could be read
# A new Wine prefix's first capture comes late, and until then a tick paints
# the quietest band: the picture is taken once the room has been heard.
room_heard() {
    import -window root "$shot" 2>/dev/null || return 1
    read -r bands tiles < <(tile_faces_shown "$shot")
    [ "$bands" -ge 5 ] && [ "$tiles" -ge 60 ]
}
until room_heard || [ $((SECONDS - started)) -ge "$seconds" ]; do sleep 0.5; done
if [ "$bands" -ge 5 ]; then heard="$tiles tiles of $bands bands"; else heard="only $bands bands: see Troubleshooting in README.md"; fi
ran=$((SECONDS - started))
if [ "$linux" = 0 ]; then end_saver_with_key || true; else kill "$SAVER_PID"; wait "$SAVER_PID" || true; fi
echo "Screenshot of the running saver after ${ran} s ($heard): $shot"
