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
trees=()
for name in "${builds[@]}"; do
    rm -f "$build/$name"/test-results/*.xml "$build/$name/ctest-junit.xml"
    # Each tree knows which of its tests fit this machine (tests/CMakeLists.txt).
    (cd "$build/$name" && ctest --output-on-failure --timeout 1800 --output-junit ctest-junit.xml) || status=1
    trees+=("$build/$name")
done
"$build/native/tests/count_tests" "${trees[@]}" || status=1
exit $status
