#!/usr/bin/env bash
# make demo on a display (run under xvfb-run): kelvor's connection window
# comes up, its defaults reach the simulated register on COM1 ("Dalej" leads to
# the range window), and "Zakończ" ends the program and the demo with it,
# which leaves nothing behind.
set -euo pipefail
top=$1
build=$2
source "$top/tools/xwindows.sh"
scratch=$(mktemp -d)
demo=""
trap '{ [ -n "$demo" ] && kill "$demo" 2>/dev/null; } || true; rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"

# A runtime folder of its own, so that a kelvor running elsewhere does not
# hold the single-copy lock; the demo's own temporary folder inside scratch.
XDG_RUNTIME_DIR="$scratch/run" TMPDIR="$scratch" bash "$top/tools/demo.sh" "$build" > "$scratch/demo.out" 2>&1 &
demo=$!
connection=$(wait_for_window "$demo" "PARAMETRY POŁĄCZENIA Z KASĄ") || { cat "$scratch/demo.out"; exit 1; }
press_keys "$connection" Return
next=$(wait_for_window "$demo" "ZAKRES RAPORTÓW OKRESOWYCH|UWAGA") || { cat "$scratch/demo.out"; exit 1; }
[ "$(xdotool getwindowname "$next")" = "ZAKRES RAPORTÓW OKRESOWYCH" ] \
    || { echo "the register did not answer on COM1: \"$(xdotool getwindowname "$next")\""; exit 1; }
press_keys "$next" alt+z
wait "$demo" || { cat "$scratch/demo.out"; echo "make demo failed"; exit 1; }

grep -q "kelvor against the register simulator" "$scratch/demo.out" || { cat "$scratch/demo.out"; exit 1; }
left=$(ls -A "$scratch" | grep -v -x -e run -e demo.out || true)
[ -z "$left" ] || { echo "the demo left behind: $left"; exit 1; }
echo "the windows came up, reached the register and ended with the demo"
