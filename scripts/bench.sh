#!/usr/bin/env bash
# Figures for the README: the time of one tick at 1920x1080 against one
# BitBlt of a cached tile, and the CPU time of the running saver at FREQ 55
# over --seconds N (default 60), while a tone plays into the room.
set -uo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options seconds=60 -- "$@"
start_saver_script

(cd "$build/windows/bin" && wine tick_bench.exe) || exit 1

keep_saver_ini
write_saver_ini 55 2 4 8 16 32 64
sox -n -r 8000 -c 1 "$build/bench-tone.wav" synth $((seconds + 10)) square 440 vol 0.3 2>/dev/null
play_into_room "$build/bench-tone.wav"

start_saver
sleep 5  # start-up is not what is measured
ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$SAVER_PID/stat"; }
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
end_saver_with_key

awk -v used=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN {
    printf "saver CPU time over %d s at FREQ 55: %.2f s, %.2f%% of one core\n", s, used / hz, 100 * used / hz / s }'
