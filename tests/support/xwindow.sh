# Waiting for a window on the X display, sourced by the smoke tests:
#   window NAME_PATTERN [SECONDS]   prints the first visible window whose name
#                                   matches, waited for (20 s unless given)
# xdotool's own --sync ends with an X error when a window goes while it looks
# (wine makes and drops short-lived windows, a dialog closing): every failed
# look is simply tried again.
window() {
    local pattern=$1 until=$((SECONDS + ${2:-20})) id
    while :; do
        id=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1) || true
        [ -n "$id" ] && { echo "$id"; return 0; }
        [ "$SECONDS" -ge "$until" ] && return 1
        sleep 0.1
    done
}
