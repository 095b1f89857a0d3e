#!/usr/bin/env bash
# Times a settlement report of a full fiscal memory (2060 records) read by the
# driver from the simulator at 57600 bit/s, and compares it with the time the
# wire itself needs for the bytes that crossed it (ten bits a byte, both ways).
#
#   bench/report_wire_time.sh [BUILD_FOLDER]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
speed=57600
work=$(mktemp -d)
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"

# A full memory in read-only mode, as a settlement of the whole memory needs.
"$build/simulator/kelvosim" --save-scenario full.json --model 121 --generate 6 --seed 1 --records 2060
sed -i -e 's/"read_only": false/"read_only": true/' -e 's/"last_line": ""/"last_line": "", "read_only_since": "2013-04-16 09:00"/' full.json

"$build/simulator/kelvosim" --pty "$work/com" --scenario full.json --baud "$speed" --once > sim.out 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/com" ] && break; sleep 0.1; done

printf '$1\tCOM9:%s:MUX0:1\t5\tKELVO\r\n' "$speed" > KONFIG.TXT
printf '#1\r\n#\r\n#\r\n$8\r\n' > in
start=$(date +%s.%N)
set +e
KELVO_COM9="$work/com" "$build/tools/kelvodrv" X000028X in report.txt > result.txt
code=$?
set -e
end=$(date +%s.%N)
wait "$sim" || true
sim=""

if [ "$code" -ne 0 ]; then
    echo "the report command ended with $(tr '\n' ' ' < result.txt)" >&2
    exit 1
fi
counts=$(grep -o '[0-9]* bytes received, [0-9]* bytes sent' sim.out)
received=${counts%% bytes received*}
sent=$(echo "$counts" | sed 's/.*, \([0-9]*\) bytes sent/\1/')
awk -v start="$start" -v end="$end" -v received="$received" -v sent="$sent" -v speed="$speed" \
    -v lines="$(wc -l < report.txt)" 'BEGIN {
    wall = end - start
    wire = (received + sent) * 10 / speed
    printf "report lines:      %d\n", lines
    printf "bytes on the line: %d to the register, %d from it\n", received, sent
    printf "wall time:         %.2f s\n", wall
    printf "wire time:         %.2f s at %d bit/s\n", wire, speed
    printf "ratio:             %.3f\n", wall / wire
}'
