#!/usr/bin/env bash
# Times kelvor-cli --all over COUNT simulated registers (32 unless given) on
# as many pseudo-terminals at 9600 bit/s, from one register list, against
# each register read alone, and prints the batch's time over the slowest
# single register's (the goal: at most 1.2). While the batch runs, the
# resident memory of kelvor-cli and its children together and the parent's
# open descriptors are sampled; their peaks are printed.
#
#   bench/batch_parallel.sh [BUILD_FOLDER] [RECORDS] [COUNT]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
records=${2:-300}
count=${3:-32}
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
    sed -i "s/^ \"model\": 121,/ \"model\": 121, \"unique_number\": \"$(printf BEN%08d "$n")\",/" "reg$n.json"
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
    env TEMP="$work/temp" "${ports[@]}" "$build/frontend/kelvor-cli" --port "$n" --speed 9600 --output "single$n" 3 1 2060 > "single$n.txt" 2> /dev/null
    end=$(seconds)
    slowest=$(awk -v a="$slowest" -v b="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" 'BEGIN { print (b > a ? b : a) }')
done

: > kasy.txt
for n in $(seq "$count"); do printf '$%d\tCOM%d:9600:MUX0:1\t5\tKELVO\r\n' "$n" "$n" >> kasy.txt; done
start=$(seconds)
env TEMP="$work/temp" "${ports[@]}" "$build/frontend/kelvor-cli" --all --registers kasy.txt --output out 3 1 2060 > table.txt 2> /dev/null &
batch=$!
# Peaks while the batch runs: the resident kB of the batch and its children, the batch's descriptors.
peak_kb=0
peak_fds=0
while kill -0 "$batch" 2> /dev/null; do
    kb=$(ps -o rss= --pid "$batch" --ppid "$batch" 2> /dev/null | awk '{ s += $1 } END { print s + 0 }')
    fds=$(ls /proc/"$batch"/fd 2> /dev/null | wc -l)
    [ "$kb" -gt "$peak_kb" ] && peak_kb=$kb
    [ "$fds" -gt "$peak_fds" ] && peak_fds=$fds
    sleep 0.2
done
wait "$batch" || true
end=$(seconds)
cat table.txt
awk -v start="$start" -v end="$end" -v slowest="$slowest" -v count="$count" -v records="$records" -v kb="$peak_kb" -v fds="$peak_fds" 'BEGIN {
    batch = end - start
    printf "registers:               %d on %d ptys, %d records each, 9600 bit/s, a report of every daily report by numbers\n", count, count, records
    printf "slowest single register: %.1f s\n", slowest
    printf "batch of all:            %.1f s\n", batch
    printf "batch / slowest:         %.3f (goal: at most 1.2)\n", batch / slowest
    printf "peak resident memory:    %.1f MiB (the batch and its children together)\n", kb / 1024
    printf "peak open descriptors:   %d (the batch process)\n", fds
}'
