#!/usr/bin/env bash
# Builds the native and the Windows build and runs every test: native unit
# tests, Win32 tests under Wine, and end-to-end tests of Brasswick.scr.
# Ends with one line "N passed, N failed" and a non-zero status on failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build

"$root/scripts/ensure-packages.sh" || exit 1
"$root/scripts/build.sh" || { echo "0 passed, 1 failed"; exit 1; }

source "$root/tests/harness/session.sh"
start_display || exit 1
start_wine_prefix "$build/windows/wineprefix" || exit 1
start_sound_room "$build/sound-room" || exit 1

rm -f "$build"/native/test-results/*.xml "$build"/windows/test-results/*.xml
status=0
(cd "$build/native" && ctest --output-on-failure) || status=1
(cd "$build/windows" && ctest --output-on-failure --timeout 1800) || status=1

# Sum the reports; a test program that left none counts as one failure.
passed=0
failed=0
for dir in "$build/native" "$build/windows"; do
    programs=$(cd "$dir" && ctest -N | sed -n 's/^ *Test *#[0-9]*: //p')
    for program in $programs; do
        report="$dir/test-results/$program.xml"
        if [ ! -s "$report" ]; then
            failed=$((failed + 1))
            continue
        fi
        line=$(grep -m1 '<testsuites' "$report")
        tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
        failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
        errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$line")
        disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$line")
        bad=$((failures + errors))
        passed=$((passed + tests - bad - disabled))
        failed=$((failed + bad))
    done
done
[ "$failed" -eq 0 ] || status=1
echo "${passed} passed, ${failed} failed"
exit $status
