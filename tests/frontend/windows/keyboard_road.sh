#!/bin/bash
# The real kelvor as a user starts it, under Xvfb (run by xvfb-run), against
# the register simulator: key presses alone reach the shown report, which is
# then copied from the display and compared with the report file the driver
# wrote. Arguments: the kelvor and kelvosim programs, the scenario folder.
set -u
kelvor=$1
kelvosim=$2
scenarios=$3
dir=$(mktemp -d)
simulator=0
program=0
finish() {
    [ "$program" != 0 ] && kill "$program" 2>/dev/null
    [ "$simulator" != 0 ] && kill "$simulator" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$dir"
}
trap finish EXIT
fail() {
    echo "FAIL: $*" >&2
    for log in sim.out kelvor.out; do
        [ -s "$dir/$log" ] && { echo "--- $log:" >&2; tail -20 "$dir/$log" >&2; }
    done
    [ "$program" != 0 ] && ! kill -0 "$program" 2>/dev/null && echo "kelvor is no longer running" >&2
    import -window root "$dir/../kelvor-keyboard-road-failure.png" 2>/dev/null
    exit 1
}

# Waits for a window whose caption begins with the text; prints its id.
window() {
    for _ in $(seq 1200); do
        id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}

keys() {
    xdotool windowfocus --sync "$1" && sleep 0.3
    shift
    xdotool key --delay 80 "$@"
}

"$kelvosim" --pty "$dir/com" --scenario "$scenarios/orvan-read-only.json" > "$dir/sim.out" 2>&1 &
simulator=$!
for _ in $(seq 300); do grep -q "^listening on " "$dir/sim.out" && break; sleep 0.1; done
grep -q "^listening on " "$dir/sim.out" || fail "the simulator did not start"

# The user's own folders stay untouched: kept records, settings and anything
# else kelvor keeps live in the test's folder.
mkdir "$dir/work" "$dir/run" "$dir/cache" "$dir/config" "$dir/data"
chmod 700 "$dir/run"
TEMP="$dir/work" KELVO_COM1="$dir/com" XDG_RUNTIME_DIR="$dir/run" XDG_CACHE_HOME="$dir/cache" \
    XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" "$kelvor" > "$dir/kelvor.out" 2>&1 &
program=$!

# The port field has the focus: Enter acts as "&Dalej".
connection=$(window "PARAMETRY POŁĄCZENIA Z KASĄ") || fail "no connection window"
keys "$connection" Return
# Kind 1 has the focus; seven steps down is the settlement of the whole
# memory; Enter presses the default button.
range=$(window "ZAKRES RAPORTÓW OKRESOWYCH") || fail "no range window"
keys "$range" Down Down Down Down Down Down Down Return
main=$(window "KELVOR_1_1") || fail "no main window"

report=""
for _ in $(seq 600); do
    report=$(ls "$dir/work/kelvor-$(id -u)" | grep '_SZCZ\.txt$' | head -1)
    [ -n "$report" ] && [ -z "$(xdotool search --onlyvisible --name '^ZAKRES' 2>/dev/null)" ] && break
    sleep 0.1
done
[ -n "$report" ] || fail "no report file in the working folder: $(ls "$dir/work/kelvor-$(id -u)")"
sleep 1
# The display has the focus once the report is shown: select all, copy.
# A slow build (the sanitizers) may show the report a moment after its file is
# complete: the copy is tried again, ten times at most.
copied=no
for _ in $(seq 10); do
    keys "$main" ctrl+a ctrl+c
    sleep 0.5
    if xclip -o -selection clipboard > "$dir/shown.txt" 2>/dev/null && [ -s "$dir/shown.txt" ]; then
        copied=yes
        break
    fi
done
[ "$copied" = yes ] || fail "nothing copied from the display"
iconv -f CP1250 -t UTF-8 "$dir/work/kelvor-$(id -u)/$report" | tr -d '\r' > "$dir/written.txt"
cmp -s "$dir/shown.txt" "$dir/written.txt" || {
    diff "$dir/shown.txt" "$dir/written.txt" | head -20 >&2
    fail "the shown report differs from the report file"
}
grep -q "R O Z L I C Z E N I O W Y" "$dir/shown.txt" || fail "not the settlement report"
kill -0 "$program" || fail "kelvor ended"
echo "shown report of $(wc -l < "$dir/shown.txt") lines equals $report"
