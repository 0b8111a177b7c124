#!/usr/bin/env bash
# Figures for the README, in one session on one display: the time of one
# tick at 1920x1080 against one BitBlt of a cached tile (tick); the saver's
# CPU share at FREQ 55 over --seconds N (default 60), with a tone playing into
# the room and with no sound input, each beside the floor program run the
# same way (cpu); the latency from a loud tone's onset to the first loud tile
# at FREQ 55 and 300, each beside the floor that keeps the meter's pattern
# (latency); and how long a key takes to end the saver while its sound driver
# blocks in every call (key). Name some of them to run only those.
# CPU shares are only as good as the machine is idle: the load is printed.
set -uo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options --words seconds=60 -- "$@"
[ ${#WORDS[@]} -gt 0 ] || WORDS=(tick cpu latency key)
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
keep_saver_ini
write_saver_ini 55 2 4 8 16 32 64

bench_tick() { (cd "$bin" && wine tick_bench.exe) || { echo "tick bench failed"; status=1; }; }

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

bench_cpu() {
    sox -n -r 8000 -c 1 "$build/bench-tone.wav" synth $((2 * seconds + 30)) square 440 vol 0.3 2>/dev/null
    play_into_room "$build/bench-tone.wav"
    local saver_sound floor_sound saver_quiet floor_quiet
    saver_sound=$(cpu_share wine "$bin/Brasswick.scr" /s)
    floor_sound=$(cpu_share wine "$bin/floor_meter.exe")
    kill "$PLAYER_PID" 2>/dev/null
    wait "$PLAYER_PID" 2>/dev/null

    # As the no-sound test does it: a server that is not there, no other driver.
    local no_sound=(PULSE_SERVER="unix:$build/no-sound-server/native"
                    WINEDLLOVERRIDES="$(pulse_only_overrides)")
    saver_quiet=$(cpu_share "${no_sound[@]}" wine "$bin/Brasswick.scr" /s)
    floor_quiet=$(cpu_share "${no_sound[@]}" wine "$bin/floor_timer.exe")
    echo "CPU share of one core over $seconds s at FREQ 55, $(nproc) cores," \
         "load average $load_before before and $(cut -d' ' -f1-3 /proc/loadavg) after:"
    awk -v s="$saver_sound" -v f="$floor_sound" 'BEGIN {
        printf "  with a sound input:    saver %.2f%%, floor %.2f%%: %.2f x the floor, %.2f points above it\n",
            s, f, (f > 0 ? s / f : 0), s - f }'
    awk -v s="$saver_quiet" -v f="$floor_quiet" 'BEGIN {
        printf "  without a sound input: saver %.2f%%, floor %.2f%%: %.2f points above it\n", s, f, s - f }'
}

# probe_latency WHAT [PROBE ARGUMENT]: a quiet room, then loud onsets; the
# probe's last line (the median).
probe_latency() {
    local result
    result=$(wine "$bin/latency_probe.exe" "${@:2}" 2>/dev/null | tr -d '\r' | tail -1)
    end_saver_with_key >/dev/null
    echo "  $1: $result"
    [[ $result == *median* ]] || status=1
}

# The floor reads the same room through the same pattern and shows red at
# once: what it takes is the sound path's, the rest the saver's.
bench_latency() {
    local freq
    echo "Sound to picture, median of 7 onsets:"
    for freq in 55 300; do
        write_saver_ini "$freq" 2 4 8 16 32 64
        start_saver >/dev/null 2>&1
        probe_latency "saver at FREQ $freq"
        in_background wine "$bin/floor_meter.exe" "$freq" >/dev/null 2>&1
        SAVER_PID=$BACKGROUND_PID
        probe_latency "floor at $freq ms" floor
    done
    write_saver_ini 55 2 4 8 16 32 64
}

# The stand-in driver stops completing 2 s after its first open and blocks
# 3 s in each later reset, close and open; the key comes while the saver's
# recovery waits in them.
bench_key() {
    local run results=() line
    for run in 1 2 3 4 5; do
        start_saver BRASSWICK_WINMM="blocking 2" \
                    WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winmm=n,b" >/dev/null 2>&1
        sleep 10
        line=$(wine "$bin/latency_probe.exe" key 2>/dev/null | tr -d '\r')
        wait_for_saver_exit 10 >/dev/null
        echo "  run $run: ${line:-no figure}"
        [ -n "$line" ] && results+=("$line")
    done
    rm -f "$bin/winmm.dll.log" "$bin/winmm.dll.answer"
    [ ${#results[@]} -gt 0 ] || { status=1; return; }
    median() { printf '%s\n' "${results[@]}" | awk -v f="$1" '{ print $f }' | sort -n |
                   awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
    echo "  median of ${#results[@]}: window gone $(median 5) ms, process ended $(median 10) ms"
}

for part in "${WORDS[@]}"; do
    case $part in
        tick) bench_tick ;;
        cpu) bench_cpu ;;
        latency) bench_latency ;;
        key) echo "Key to the saver gone while its sound driver blocks:"; bench_key ;;
        *) echo "unknown part: $part (tick, cpu, latency, key)" >&2; status=2 ;;
    esac
done
echo "load average $load_before before and $(cut -d' ' -f1-3 /proc/loadavg) after"
exit $status
