#!/usr/bin/env bash
# Pictures of kelvor's windows for README: the program runs under Xvfb
# against the register simulator, is driven with key presses alone, and each
# window is saved as a PNG: the connection window, the range window, the main
# window with the notice and its progress bar during a slow read, and the main
# window with the report.
#
#   tools/screenshots.sh [BUILD_FOLDER [OUTPUT_FOLDER]]
#
# Needs xvfb-run, xdotool and ImageMagick (import, convert).
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${2:-$top/docs/screenshots}" && cd "${2:-$top/docs/screenshots}" && pwd)

if [ -z "${KELVO_UNDER_XVFB:-}" ]; then
    exec env KELVO_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 1024x800x24" bash "$0" "$build" "$out"
fi

work=$(mktemp -d)
sim=""
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$sim" ] && kill "$sim" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
source "$top/tools/xwindows.sh"

# A read-only memory of 600 records up to the end of the previous month,
# answered at 9600 bit/s: a settlement of the whole memory takes about 45
# seconds, long enough to see the notice.
"$build/simulator/kelvosim" --pty "$work/com1" --scenario "$top/simulator/scenarios/orvan-read-only.json" \
    --generate 2 --recent --records 600 --baud 9600 > "$work/kelvosim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
mkdir "$work/folder" "$work/run"
chmod 700 "$work/run"

TEMP="$work/folder" KELVO_COM1="$work/com1" XDG_RUNTIME_DIR="$work/run" "$build/frontend/windows/kelvor" \
    > "$work/kelvor.out" 2>&1 &
app=$!

# Saves the window as a small PNG.
snap() {
    sleep 0.5  # let it paint
    import -window "$1" "$work/shot.png"
    convert "$work/shot.png" -strip -colors 128 "PNG8:$out/$2.png"
    echo "$out/$2.png"
}

connection=$(wait_for_window "$app" "PARAMETRY POŁĄCZENIA Z KASĄ")
snap "$connection" connection
press_keys "$connection" Return

range=$(wait_for_window "$app" "ZAKRES RAPORTÓW OKRESOWYCH")
# From kind 1 down the radio buttons to kind 8, the settlement of the whole memory.
press_keys "$range" Down Down Down Down Down Down Down
snap "$range" range
press_keys "$range" Return

main=$(wait_for_window "$app" "KELVOR_1_1")
sleep 8
snap "$main" reading

# The run report's result line names the report command once it has finished.
until grep -q X000028X "$work/folder/kelvor-$(id -u)/RAPORT.TXT" 2>/dev/null; do sleep 0.5; done
sleep 1
snap "$main" report
