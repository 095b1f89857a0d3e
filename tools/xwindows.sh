# Shell helpers for driving kelvor's windows on an X display with xdotool;
# sourced by tools/screenshots.sh and the tests that take the road by key.

# Prints the id of the visible window with this caption once it is there;
# fails when the process pid has ended first.
wait_for_window() {
    local pid=$1 caption=$2 id
    while :; do
        kill -0 "$pid" 2>/dev/null || { echo "process $pid ended before showing \"$caption\"" >&2; return 1; }
        id=$(xdotool search --onlyvisible --name "$caption" 2>/dev/null | head -1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
}

# Gives the window the keyboard and presses the keys, one after another.
press_keys() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id"
    xdotool key --delay 80 "$@"
}
