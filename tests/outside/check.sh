# The verdicts of the scripts in this folder, one line each. Source it;
# passed and failed count them.
passed=0
failed=0
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
