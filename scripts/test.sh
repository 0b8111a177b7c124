#!/usr/bin/env bash
# Builds every build and runs every test: native unit tests (plain and under
# ASan/UBSan), short fuzz runs, Win32 tests under Wine, and end-to-end tests
# of Brasswick.scr. Ends with one line "N passed, N failed" (", N skipped"
# when any were) and a non-zero status on any failure.
set -uo pipefail
source "$(dirname "$0")/../tests/harness/script.sh"
parse_options -- "$@"
# Packages first: whether 32-bit Wine runs can only be told once it is installed.
"$root/scripts/ensure-packages.sh" || { echo "0 passed, 1 failed"; exit 1; }
choose_windows_build "$build"
builds=(native sanitize fuzz windows)
[ "$WINDOWS_BUILD" = windows ] || builds+=(windows64)

"$root/scripts/build.sh" "${builds[@]}" || { echo "0 passed, 1 failed"; exit 1; }
join_or_start_session "$build" || exit 1

status=0
not_run_names=""
trees=()
for name in "${builds[@]}"; do
    rm -f "$build/$name"/test-results/*.xml "$build/$name/ctest-junit.xml"
    # On a kernel without 32-bit programs the 32-bit tree runs only the checks
    # that read its files, and the 64-bit twin the Wine tests; what only the
    # 32-bit build can show is counted as skipped, never as passed.
    selection=()
    if [ "$WINDOWS_BUILD" = windows64 ]; then
        case $name in
            windows)
                selection=(-L without_wine)
                not_run_names=$(cd "$build/$name" && ctest -N -L needs_32bit | sed -n 's/^ *Test *#[0-9]*: //p' | tr '\n' ' ') ;;
            windows64) selection=(-LE 'without_wine|needs_32bit') ;;
        esac
    fi
    (cd "$build/$name" && ctest "${selection[@]}" --output-on-failure --timeout 1800 --output-junit ctest-junit.xml) || status=1
    trees+=("$build/$name")
done
not_run=$(wc -w <<<"$not_run_names")
if [ "$not_run" -gt 0 ]; then
    echo "${not_run} test programs not run, their cases uncounted: ${not_run_names}(they need the 32-bit build under Wine, and this kernel runs no 32-bit program natively; README, Troubleshooting)"
fi
"$build/native/tests/count_tests" --not-run "$not_run" "${trees[@]}" || status=1
exit $status
