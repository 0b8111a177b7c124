# The verdicts of the scripts in this folder, one line each. Source it;
# passed, failed and skipped count them.
passed=0
failed=0
skipped=0
SKIPPED_ROWS=()
check() {  # check NAME COMMAND...: the command's status is the verdict
    local name=$1
    shift
    if "$@"; then
        echo "ok - $name"
        passed=$((passed + 1))
    else
        echo "not ok - $name"
        failed=$((failed + 1))
    fi
}
skip() {  # skip NAME REASON: a row this run cannot show; never a pass
    echo "ok - $1 # SKIP $2"
    skipped=$((skipped + 1))
    SKIPPED_ROWS+=("$1")
}
# write_report FILE SUITE: the counts as a GoogleTest report, which the test
# command's tally reads, skipped rows by name.
write_report() {
    local row
    {
        echo "<testsuites tests=\"$((passed + failed + skipped))\" failures=\"$failed\" disabled=\"0\" errors=\"0\">"
        echo "<testsuite name=\"$2\" tests=\"$((passed + failed + skipped))\" failures=\"$failed\" skipped=\"$skipped\">"
        for row in "${SKIPPED_ROWS[@]}"; do
            row=${row//&/&amp;}; row=${row//</&lt;}; row=${row//\"/&quot;}
            echo "<testcase name=\"$row\" classname=\"$2\" result=\"skipped\"/>"
        done
        echo "</testsuite>"
        echo "</testsuites>"
    } >"$1"
}
