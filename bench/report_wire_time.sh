#!/usr/bin/env bash
# Times reports of a full fiscal memory (2060 records, read-only mode) read by
# kelvor-cli from the simulator, and compares each run's wall time with the
# time the wire itself needs for the bytes that crossed it (ten bits a byte,
# both ways; the simulator paces both directions). Two reports: a settlement
# of the whole memory and a monthly report of the memory's last month, each
# at every speed given (9600, 57600 and 115200 bit/s unless given). When
# kelvor-cli has a record cache (its --no-cache option), each report is also
# run with a warm cache: once to fill it, then timed; else that column shows
# "-". Prints one table and the machine's load.
#
#   bench/report_wire_time.sh [BUILD_FOLDER [SPEED...]]
#
# REPORTS="monthly" (or "settlement") in the environment runs only that report.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
shift || true
speeds=("$@")
[ ${#speeds[@]} -gt 0 ] || speeds=(9600 57600 115200)
sim_bin="$build/simulator/kelvosim"
cli_bin="$build/frontend/kelvor-cli"
work=$(mktemp -d)
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

"$sim_bin" --save-scenario full.json --model 121 --generate 6 --seed 1 --records 2060 > /dev/null
sed -i -e 's/"read_only": false/"read_only": true/' -e 's/"last_line": ""/"last_line": "", "read_only_since": "2013-04-16 09:00"/' full.json
last_month=$(grep -o '"date": *"[0-9-]*"' full.json | tail -1 | sed 's/.*"\([0-9]*\)-\([0-9]*\)-.*/\1.\2/')

cache_known=no
# All of the help is read: a reader that stops at the match would end the writer with SIGPIPE.
"$cli_bin" --help 2>&1 | grep -- '--no-cache' > /dev/null && cache_known=yes

# The front end's working folder and cache live in the run's own folder.
export TEMP="$work/tmp" XDG_CACHE_HOME="$work/cache" KELVO_COM9="$work/com"
folder="$TEMP/kelvor-$(id -u)"
mkdir -p "$folder" && chmod 700 "$folder"

# One run of kelvor-cli ARGS... at SPEED; sets wall, received and sent.
run_once() {
    local speed=$1
    shift
    rm -f "$work/com"
    "$sim_bin" --pty "$work/com" --scenario full.json --baud "$speed" > sim.out 2>&1 &
    sim=$!
    for _ in $(seq 100); do [ -e "$work/com" ] && break; sleep 0.1; done
    printf '$1\tCOM9:%s:MUX0:1\t5\tKELVO\r\n' "$speed" > "$folder/KONFIG.TXT"
    local start end code
    start=$(date +%s.%N)
    set +e
    "$cli_bin" "$@" > report.txt 2> cli.err
    code=$?
    set -e
    end=$(date +%s.%N)
    kill -TERM "$sim"
    wait "$sim" || true
    sim=""
    if [ "$code" -ne 0 ]; then
        echo "kelvor-cli $* ended with $code: $(tr '\n' ' ' < cli.err)" >&2
        exit 1
    fi
    local counts
    counts=$(grep -o '[0-9]* bytes received, [0-9]* bytes sent' sim.out)
    wall=$(awk -v start="$start" -v end="$end" 'BEGIN { print end - start }')
    received=${counts%% bytes received*}
    sent=$(echo "$counts" | sed 's/.*, \([0-9]*\) bytes sent/\1/')
}

# "wire wall ratio" of one run's figures at SPEED.
figures() {
    awk -v speed="$1" -v wall="$2" -v received="$3" -v sent="$4" 'BEGIN {
        wire = (received + sent) * 10 / speed
        printf "%.2f | %.2f | %.3f", wire, wall, wall / wire
    }'
}

echo "| report | bit/s | bytes to / from the register | wire s | wall s | wall / wire | with cache: bytes to / from | wire s | wall s | wall / wire |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for report in ${REPORTS:-settlement monthly}; do
    if [ "$report" = settlement ]; then args=(8); else args=(1 "$last_month"); fi
    for speed in "${speeds[@]}"; do
        rm -rf "$XDG_CACHE_HOME"
        no_cache=()
        [ "$cache_known" = yes ] && no_cache=(--no-cache)
        run_once "$speed" "${no_cache[@]}" "${args[@]}"
        row="| $report ${args[*]} | $speed | $received / $sent | $(figures "$speed" "$wall" "$received" "$sent")"
        if [ "$cache_known" = yes ]; then
            run_once "$speed" "${args[@]}"
            run_once "$speed" "${args[@]}"
            row="$row | $received / $sent | $(figures "$speed" "$wall" "$received" "$sent") |"
        else
            row="$row | - | - | - | - |"
        fi
        echo "$row"
    done
done
echo
echo "machine's $(uptime | sed 's/.*load average/load average/') (1, 5, 15 minutes) at the end"
