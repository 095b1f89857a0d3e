#!/usr/bin/env bash
# Times kelvor-cli --all over 8 simulated registers on 8 pseudo-terminals at
# 9600 bit/s against each register read alone, and prints the batch's time
# over the slowest single register's (the goal: at most 1.2).
#
#   bench/batch_parallel.sh [BUILD_FOLDER] [RECORDS]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
records=${2:-300}
count=8
work=$(mktemp -d)
sims=()
cleanup() {
    for sim in "${sims[@]}"; do kill "$sim" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
cd "$work"
mkdir -p temp/kelvor-"$(id -u)"
chmod 700 temp/kelvor-"$(id -u)"
folder=temp/kelvor-$(id -u)

ports=()
for n in $(seq "$count"); do
    "$build/simulator/kelvosim" --save-scenario "reg$n.json" --generate 2 --seed "$n" --records "$records" > /dev/null
    # Each register its own unique number, so that each report has its own file.
    sed -i "s/^ \"model\": 121,/ \"model\": 121, \"unique_number\": \"BEN0000000$n\",/" "reg$n.json"
    "$build/simulator/kelvosim" --pty "$work/com$n" --scenario "reg$n.json" --baud 9600 > "sim$n.out" 2>&1 &
    sims+=($!)
    ports+=("KELVO_COM$n=$work/com$n")
done
for n in $(seq "$count"); do
    for _ in $(seq 50); do [ -e "$work/com$n" ] && break; sleep 0.1; done
done

seconds() { date +%s.%N; }
slowest=0
for n in $(seq "$count"); do
    start=$(seconds)
    env TEMP="$work/temp" "${ports[@]}" "$build/frontend/kelvor-cli" --port "$n" --speed 9600 3 1 2060 > "single$n.txt" 2> /dev/null
    end=$(seconds)
    slowest=$(awk -v a="$slowest" -v b="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" 'BEGIN { print (b > a ? b : a) }')
done

: > "$folder/KONFIG.TXT"
for n in $(seq "$count"); do printf '$%d\tCOM%d:9600:MUX0:1\t5\tKELVO\r\n' "$n" "$n" >> "$folder/KONFIG.TXT"; done
start=$(seconds)
env TEMP="$work/temp" "${ports[@]}" "$build/frontend/kelvor-cli" --all 3 1 2060 > table.txt 2> /dev/null
end=$(seconds)
cat table.txt
awk -v start="$start" -v end="$end" -v slowest="$slowest" -v count="$count" -v records="$records" 'BEGIN {
    batch = end - start
    printf "registers:               %d on %d ptys, %d records each, 9600 bit/s, a report of every daily report by numbers\n", count, count, records
    printf "slowest single register: %.1f s\n", slowest
    printf "batch of all:            %.1f s\n", batch
    printf "batch / slowest:         %.3f (goal: at most 1.2)\n", batch / slowest
}'
