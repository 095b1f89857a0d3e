#!/usr/bin/env bash
# make demo: the simulator plays a register on a pseudo-terminal, COM1 leads
# to it for this run only, and kelvor-cli prints a monthly report and a
# settlement report of the whole memory. Nothing is left behind.
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
sim=""
cleanup() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

"$build/simulator/kelvosim" --pty "$work/com1" --scenario "$top/simulator/scenarios/orvan-read-only.json" \
    > "$work/kelvosim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
mkdir "$work/folder"

cli() {
    TEMP="$work/folder" KELVO_COM1="$work/com1" "$build/frontend/kelvor-cli" --port 1 --speed 9600 --mux 0 "$@"
}

echo "== kelvor-cli 1 2012.01  (monthly report for January 2012)"
cli 1 2012.01
echo
echo "== kelvor-cli 8  (settlement report of the whole memory)"
cli 8
