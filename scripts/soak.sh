#!/usr/bin/env bash
# Runs the full-screen saver for a long time (--minutes N, default 30) at
# FREQ 55 on a 1920x1080 virtual display while the room's loudness changes
# every few seconds, sampling every 10 s its resident memory and a digest of
# the screen. Fails when memory grows by more than 1 MiB after the first
# minute, when the screen stops changing, or when the saver dies; at the end
# a key press must end it with exit code 0.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
minutes=30
while [ $# -gt 0 ]; do
    case $1 in
        --minutes) minutes=$2; shift 2 ;;
        *) echo "usage: $0 [--minutes N]" >&2; exit 2 ;;
    esac
done
seconds=$((minutes * 60))

if [ -z "${BRASSWICK_SESSION:-}" ]; then
    "$root/scripts/ensure-packages.sh" || exit 1
    "$root/scripts/build.sh" windows >/dev/null || exit 1
fi
source "$root/tests/harness/session.sh"
join_or_start_session "$build" || exit 1
require_wine soak.sh

work=$build/soak
mkdir -p "$work"
ini=$(saver_ini_path)
saved_ini=$work/saved.ini
rm -f "$saved_ini"
[ -f "$ini" ] && cp "$ini" "$saved_ini"
restore_ini() {
    if [ -f "$saved_ini" ]; then cp "$saved_ini" "$ini"; else rm -f "$ini"; fi
}
write_saver_ini 55 2 4 8 16 32 64

# Four seconds each of near silence, soft, middle and loud, over and over.
for volume in 0.01 0.08 0.3 0.9; do
    sox -n -r 8000 -c 1 -b 16 "$work/part-$volume.wav" synth 4 square 440 vol "$volume" 2>/dev/null
done
sox "$work"/part-0.01.wav "$work"/part-0.08.wav "$work"/part-0.3.wav "$work"/part-0.9.wav "$work/cycle.wav"
sox "$work/cycle.wav" "$work/room.wav" repeat $((seconds / 16 + 2))
paplay -d room "$work/room.wav" &
SESSION_PIDS+=($!)

wine "$build/windows/bin/Brasswick.scr" /s &
saver=$!
SESSION_PIDS+=($saver)

failures=0
fail() { echo "soak: FAIL: $*"; failures=$((failures + 1)); }
baseline=""
peak=0
previous=""
printf '%8s %10s  %s\n' seconds rss_kB screen
for ((t = 10; t <= seconds; t += 10)); do
    sleep 10
    if ! kill -0 "$saver" 2>/dev/null; then
        fail "the saver ended by itself after about $t s"
        break
    fi
    rss=$(awk '/VmRSS/ {print $2}' "/proc/$saver/status")
    digest=$(import -window root rgb:- 2>/dev/null | md5sum | cut -c1-12)
    printf '%8d %10d  %s\n' "$t" "$rss" "$digest"
    [ "$t" -eq 60 ] && baseline=$rss
    if [ -n "$baseline" ] && [ "$rss" -gt "$peak" ]; then peak=$rss; fi
    [ "$digest" = "$previous" ] && fail "the screen did not change in the 10 s before $t s"
    previous=$digest
done
if [ -n "$baseline" ]; then
    growth=$((peak - baseline))
    echo "resident memory: ${baseline} kB at 60 s, at most ${peak} kB later (growth ${growth} kB)"
    [ "$growth" -le 1024 ] || fail "memory grew by ${growth} kB after the first minute"
fi

if kill -0 "$saver" 2>/dev/null; then
    xdotool key space
    code=124
    for _ in $(seq 50); do
        kill -0 "$saver" 2>/dev/null || { wait "$saver"; code=$?; break; }
        sleep 0.1
    done
    [ "$code" -eq 0 ] || fail "a key press did not end the saver with 0 (got $code)"
fi
restore_ini
if [ "$failures" -eq 0 ]; then
    echo "soak: passed (${minutes} min)"
    exit 0
fi
exit 1
