#!/usr/bin/env bash
# make demo: the simulator plays a register on a pseudo-terminal and COM1
# leads to it for this run only. With a display (DISPLAY or WAYLAND_DISPLAY
# set) the windowed kelvor starts in a fresh working folder, so the whole road
# from the connection window to a shown report can be taken by hand; without
# one kelvor-cli prints a monthly report and a settlement report of the whole
# memory. Nothing is left behind.
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

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    cat <<'EOF'
kelvor against the register simulator on COM1, in a fresh working folder.
The connection window's defaults (port 1, 9600 b/s, direct) reach it: press
"Dalej". The simulated memory holds January 2012 and is read-only, so choose
"1. MIESIĘCZNY ZA" Styczeń 2012 or "8. ROZLICZENIOWY CAŁOŚCI". Closing the
program ends the demo. (If kelvor is already running, this copy ends at once.)
EOF
    TEMP="$work/folder" KELVO_COM1="$work/com1" "$build/frontend/windows/kelvor"
    exit
fi

cli() {
    TEMP="$work/folder" KELVO_COM1="$work/com1" "$build/frontend/kelvor-cli" --port 1 --speed 9600 --mux 0 "$@"
}

echo "== kelvor-cli 1 2012.01  (monthly report for January 2012)"
cli 1 2012.01
echo
echo "== kelvor-cli 8  (settlement report of the whole memory)"
cli 8
