#!/usr/bin/env bash
# Figures for the README, in one session on one display: the time of one
# tick at 1920x1080 against one BitBlt of a cached tile; the saver's CPU
# share at FREQ 55 over --seconds N (default 60), with a tone playing into
# the room and with no sound input, each beside the floor program run the
# same way; and the latency from a loud tone's onset to the first loud tile.
# CPU shares are only as good as the machine is idle: the load is printed.
set -uo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options seconds=60 -- "$@"
start_saver_script
# The shipped file's sizes always; the rest runs the build that Wine can run
# here (the 64-bit twin on a kernel without 32-bit programs).
[ "$WINDOWS_BUILD" = windows ] || "$root/scripts/build.sh" windows >/dev/null || exit 1
shipped=$build/windows/bin/Brasswick.scr
bin=$WINDOWS_TREE/bin
echo "Running the $WINDOWS_BUILD build"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

section_bytes() { printf '%d' "0x$(i686-w64-mingw32-objdump -h "$shipped" | awk -v name="$1" '$2 == name { print $3 }')"; }
echo "Brasswick.scr: $(stat -c %s "$shipped") bytes, code (.text) $(section_bytes .text)," \
     "resources (.rsrc) $(section_bytes .rsrc)"
status=0
(cd "$bin" && wine tick_bench.exe) || { echo "tick bench failed"; status=1; }

keep_saver_ini
write_saver_ini 55 2 4 8 16 32 64

# cpu_share [VAR=VALUE...] PROGRAM: its share of one core, in percent, over
# $seconds after five seconds of start-up; a key ends it as a user ends the
# saver.
cpu_share() {
    in_background env "$@" >/dev/null 2>&1
    SAVER_PID=$BACKGROUND_PID
    sleep 5
    local before after
    before=$(awk '{print $14 + $15}' "/proc/$SAVER_PID/stat")
    sleep "$seconds"
    after=$(awk '{print $14 + $15}' "/proc/$SAVER_PID/stat")
    end_saver_with_key
    awk -v used=$((after - before)) -v hz="$(getconf CLK_TCK)" -v s="$seconds" \
        'BEGIN { printf "%.2f", 100 * used / hz / s }'
}

sox -n -r 8000 -c 1 "$build/bench-tone.wav" synth $((2 * seconds + 30)) square 440 vol 0.3 2>/dev/null
play_into_room "$build/bench-tone.wav"
saver_sound=$(cpu_share wine "$bin/Brasswick.scr" /s)
floor_sound=$(cpu_share wine "$bin/floor_meter.exe")
kill "$PLAYER_PID" 2>/dev/null
wait "$PLAYER_PID" 2>/dev/null

# As the no-sound test does it: a server that is not there, no other driver.
no_sound=(PULSE_SERVER="unix:$build/no-sound-server/native"
          WINEDLLOVERRIDES="$(pulse_only_overrides)")
saver_quiet=$(cpu_share "${no_sound[@]}" wine "$bin/Brasswick.scr" /s)
floor_quiet=$(cpu_share "${no_sound[@]}" wine "$bin/floor_timer.exe")

# A quiet room, then loud onsets.
start_saver >/dev/null 2>&1
latency=$(wine "$bin/latency_probe.exe" 2>/dev/null | tr -d '\r')
end_saver_with_key

echo "CPU share of one core over $seconds s at FREQ 55, $(nproc) cores," \
     "load average $load_before before and $(cut -d' ' -f1-3 /proc/loadavg) after:"
awk -v s="$saver_sound" -v f="$floor_sound" 'BEGIN {
    printf "  with a sound input:    saver %.2f%%, floor %.2f%%: %.2f x the floor, %.2f points above it\n",
        s, f, (f > 0 ? s / f : 0), s - f }'
awk -v s="$saver_quiet" -v f="$floor_quiet" 'BEGIN {
    printf "  without a sound input: saver %.2f%%, floor %.2f%%: %.2f points above it\n", s, f, s - f }'
echo "$latency"
[ -n "$latency" ] || status=1
exit $status
