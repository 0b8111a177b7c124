#!/usr/bin/env bash
# Figures for the README's Linux rows, on a virtual 1920x1080 display with a
# private sound server playing a tone: the time of one tick against one bare
# copy, then the CPU time of `brasswick -root -period 55` beside a bare X
# client with the same capture stream (the floor), both running at once
# over --seconds N (default 60), and the program's resident memory after 1
# minute and after --minutes M (default 10). First, in a quiet room, sound
# to picture at -period 55 and 300 over --onsets K loud onsets (default 7),
# beside a minimal low-latency reader of the same source timed to the same
# onsets; then, over --gains R runs (default 3) of `brasswick -auto`,
# the time from a quiet room's start to its first tile of the top two bands
# and from a loud room turning quiet until they come back.
set -uo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options seconds=60 minutes=10 onsets=7 gains=3 -- "$@"
prepare_build native >/dev/null || exit 1
work=$build/bench-linux
rm -rf "$work"
mkdir -p "$work"
start_display 1920x1080x24 || exit 1
launch_sound_server "$work/room" || exit 1
export PULSE_SERVER=$LAUNCHED_PULSE_SERVER
for period in 55 300; do
    in_background "$build/native/linux/brasswick" -root -period "$period"
    saver=$BACKGROUND_PID
    sleep 4  # past the first stream's first samples
    echo "sound to picture at -period $period (load average $(cut -d' ' -f1-3 /proc/loadavg)):"
    "$build/native/tests/linux_bench" latency "$onsets" "$period" | sed 's/^/  /'
    kill -TERM $saver
    wait $saver
done

median_of() { sort -n | awk '{ v[NR] = $1 } END { if (NR) printf "%d ms (%d to %d)", v[int((NR + 1) / 2)], v[1], v[NR] }'; }
for run in $(seq 1 "$gains"); do
    in_background "$build/native/linux/brasswick" -root -period 55 -auto
    saver=$BACKGROUND_PID
    sleep 4
    "$build/native/tests/linux_bench" gain >>"$work/gain"
    kill -TERM $saver
    wait $saver
done
if [ "$gains" -gt 0 ]; then
    echo "the gain at -period 55, $gains runs (load average $(cut -d' ' -f1-3 /proc/loadavg)):"
    echo "  quiet room to the top two bands: median $(awk '/^quiet room/ { print $(NF - 1) }' "$work/gain" | median_of)"
    echo "  loud room turned quiet to the top two bands again: median $(awk '/^loud room/ { print $(NF - 1) }' "$work/gain" | median_of)"
fi

sox -n -r 44100 -c 2 "$work/tone.wav" synth $((minutes * 60 + seconds + 60)) square 200 vol 0.9 tremolo 0.2 100 2>/dev/null
play_into_room "$work/tone.wav"

"$build/native/tests/linux_bench" ticks || exit 1

in_background "$build/native/tests/linux_bench" floor 55
floor=$BACKGROUND_PID
in_background "$build/native/linux/brasswick" -root -period 55
saver=$BACKGROUND_PID
started=$(date +%s)
sleep 5  # start-up is not what is measured
hz=$(getconf CLK_TCK)
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Resident memory, and how much of it is the program's own (anonymous); the
# rest is library pages and the pages of the sound server's shared pool
# that have been touched so far.
rss_kb() { awk '/^(VmRSS|RssAnon|RssShmem|RssFile)/ { v[$1] = $2 } END {
    printf "%d kB (own %d kB, sound server pool %d kB, files %d kB)", v["VmRSS:"], v["RssAnon:"], v["RssShmem:"], v["RssFile:"] }' "/proc/$1/status"; }
saver_before=$(cpu_ticks $saver) floor_before=$(cpu_ticks $floor)
sleep "$seconds"
saver_used=$(($(cpu_ticks $saver) - saver_before)) floor_used=$(($(cpu_ticks $floor) - floor_before))
awk -v s="$seconds" -v hz="$hz" -v p="$saver_used" -v f="$floor_used" -v load="$(cut -d' ' -f1-3 /proc/loadavg)" 'BEGIN {
    printf "CPU time over %d s at -period 55 (load average %s):\n", s, load
    printf "  brasswick %.2f s (%.2f%% of one core), floor %.2f s (%.2f%%), ratio %.2f\n",
        p / hz, 100 * p / hz / s, f / hz, 100 * f / hz / s, (f > 0 ? p / f : 0) }'

sleep_until_elapsed() { local now; now=$(date +%s); [ $((started + $1)) -le "$now" ] || sleep $((started + $1 - now)); }
sleep_until_elapsed 60
echo "resident memory after 1 min: $(rss_kb $saver)"
if [ "$minutes" -gt 1 ]; then
    sleep_until_elapsed $((minutes * 60))
    echo "resident memory after $minutes min: $(rss_kb $saver)"
fi
kill -TERM $saver $floor
wait $saver
echo "brasswick ended with $?"
wait $floor
