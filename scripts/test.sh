#!/usr/bin/env bash
# Builds every build and runs every test: native unit tests (plain and under
# ASan/UBSan), short fuzz runs, Win32 tests under Wine, and end-to-end tests
# of Brasswick.scr. Ends with one line "N passed, N failed" and a non-zero
# status on any failure.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
builds=(native sanitize fuzz windows)

"$root/scripts/ensure-packages.sh" || exit 1
"$root/scripts/build.sh" || { echo "0 passed, 1 failed"; exit 1; }

source "$root/tests/harness/session.sh"
join_or_start_session "$build" || exit 1

status=0
not_run=0
not_run_names=""
for name in "${builds[@]}"; do
    rm -f "$build/$name"/test-results/*.xml "$build/$name/ctest-junit.xml"
    selection=()
    # Where Wine cannot run, only the checks that read the built files run;
    # the rest are counted as skipped, never as passed.
    if [ "$name" = windows ] && [ "${BRASSWICK_WINE:-1}" != 1 ]; then
        selection=(-L without_wine)
        not_run_names=$(cd "$build/$name" && ctest -N -LE without_wine | sed -n 's/^ *Test *#[0-9]*: //p' | tr '\n' ' ')
        not_run=$(wc -w <<<"$not_run_names")
    fi
    (cd "$build/$name" && ctest "${selection[@]}" --output-on-failure --timeout 1800 --output-junit ctest-junit.xml) || status=1
done

# A gtest program (named *_tests) counts its cases, and counts as a failure
# when it left no report (it crashed). Any other test (a fuzz run, a script)
# counts as one.
passed=0
failed=0
skipped=0
skipped_names=""
count_program() {
    local name=$1 ctest_status=$2 report=$3
    if [ -s "$report" ]; then
        local line tests failures errors disabled skips
        line=$(grep -m1 '<testsuites' "$report")
        tests=$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$line")
        failures=$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$line")
        errors=$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$line")
        disabled=$(sed -n 's/.* disabled="\([0-9]*\)".*/\1/p' <<<"$line")
        # Skips are counted per suite only; a skipped test has not passed.
        skips=$(grep -o '<testsuite [^>]* skipped="[0-9]*"' "$report" |
            sed -n 's/.* skipped="\([0-9]*\)"/\1/p' | awk '{ sum += $1 } END { print sum + 0 }')
        passed=$((passed + tests - failures - errors - disabled - skips))
        failed=$((failed + failures + errors))
        skipped=$((skipped + skips))
        skipped_names+=$(sed -n 's/.*<testcase name="\([^"]*\)".* result="skipped".* classname="\([^"]*\)".*/ \2.\1/p' "$report")
        [ "$ctest_status" != fail ] || [ $((failures + errors)) -gt 0 ] || failed=$((failed + 1))
    elif [[ $name != *_tests ]] && [ "$ctest_status" = run ]; then  # ctest says "run" for a pass
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
}
for name in "${builds[@]}"; do
    junit="$build/$name/ctest-junit.xml"
    [ -s "$junit" ] || { failed=$((failed + 1)); continue; }
    while read -r program result; do
        count_program "$program" "$result" "$build/$name/test-results/$program.xml"
    done < <(grep -o '<testcase name="[^"]*"[^>]*status="[a-z]*"' "$junit" |
             sed 's/<testcase name="\([^"]*\)".*status="\([a-z]*\)"/\1 \2/')
done
[ "$failed" -eq 0 ] || status=1
[ "$skipped" -eq 0 ] || echo "${skipped} skipped (see their reports in build/*/test-results):${skipped_names}"
if [ "$not_run" -gt 0 ]; then
    echo "${not_run} Wine test programs not run, their cases uncounted: ${not_run_names}(this kernel runs no 32-bit program natively; README, Troubleshooting)"
    skipped=$((skipped + not_run))
fi
if [ "$skipped" -gt 0 ]; then
    echo "${passed} passed, ${failed} failed, ${skipped} skipped"
else
    echo "${passed} passed, ${failed} failed"
fi
exit $status
