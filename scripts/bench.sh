#!/usr/bin/env bash
# Figures for the README: the time of one tick at 1920x1080 against one
# BitBlt of a cached tile, and the CPU time of the running saver at FREQ 55
# over --seconds N (default 60), while a tone plays into the room.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
seconds=60
while [ $# -gt 0 ]; do
    case $1 in
        --seconds) seconds=$2; shift 2 ;;
        *) echo "usage: $0 [--seconds N]" >&2; exit 2 ;;
    esac
done

"$root/scripts/ensure-packages.sh" || exit 1
"$root/scripts/build.sh" windows >/dev/null || exit 1
source "$root/tests/harness/session.sh"
join_or_start_session "$build" || exit 1

(cd "$build/windows/bin" && wine tick_bench.exe) || exit 1

ini=$(saver_ini_path)
saved=$build/bench-saved.ini
rm -f "$saved"
[ -f "$ini" ] && cp "$ini" "$saved"
write_saver_ini 55 2 4 8 16 32 64
sox -n -r 8000 -c 1 "$build/bench-tone.wav" synth $((seconds + 10)) square 440 vol 0.3 2>/dev/null
paplay -d room "$build/bench-tone.wav" &
SESSION_PIDS+=($!)

wine "$build/windows/bin/Brasswick.scr" /s &
saver=$!
SESSION_PIDS+=($saver)
sleep 5  # start-up is not what is measured
ticks_per_second=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$saver/stat"; }
before=$(cpu_ticks)
sleep "$seconds"
after=$(cpu_ticks)
xdotool key space
wait "$saver"
if [ -f "$saved" ]; then cp "$saved" "$ini"; else rm -f "$ini"; fi

awk -v used=$((after - before)) -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN {
    printf "saver CPU time over %d s at FREQ 55: %.2f s, %.2f%% of one core\n", s, used / hz, 100 * used / hz / s }'
