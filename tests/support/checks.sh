# The shell checks' counting, sourced by the scripts under tests/:
#   check NAME COMMAND...   counts COMMAND's success, says "FAIL: NAME" otherwise
#   checks_done             prints "N passed, N failed", fails if one failed
passed=0 failed=0
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL: $name" >&2
    fi
}
checks_done() {
    echo "$passed passed, $failed failed"
    [ "$failed" = 0 ]
}
