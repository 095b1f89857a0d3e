#!/usr/bin/env bash
# make demo on a display (run under xvfb-run): kelvor's connection window
# comes up, its defaults reach the simulated register on COM1 ("Dalej" leads to
# the range window), whose default (the previous month's monthly report)
# gives a report; the program's end ends the demo, which leaves nothing
# behind.
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
# Enter takes the window's defaults: kind 1, the previous month.
press_keys "$next" Return
previous=$(date -d "$(date +%Y-%m-01) -1 month" +%m.%Y | sed 's/./& /g; s/ $//')
# The run report names the report command on its first line and its result
# on the second, which the driver writes when the command ends.
finished() {
    local run
    run=$(ls "$scratch"/tmp.*/folder/kelvor-*/RAPORT.TXT 2>/dev/null | head -1)
    [ -n "$run" ] && head -1 "$run" | grep -q X000028X && [ "$(sed -n 2p "$run" | cut -c1)" = "#" ]
}
until finished; do
    kill -0 "$demo" 2>/dev/null || { cat "$scratch/demo.out"; echo "the demo ended before a report"; exit 1; }
    sleep 0.2
done
sed -n 2p "$scratch"/tmp.*/folder/kelvor-*/RAPORT.TXT | grep -q $'^#0\t' \
    || { echo "the report command failed: $(sed -n 2p "$scratch"/tmp.*/folder/kelvor-*/RAPORT.TXT)"; exit 1; }
report=$(find "$scratch" -name '*_SZCZ*.txt' | head -1)
[ -n "$report" ] || { echo "no report file among: $(ls "$scratch"/tmp.*/folder/kelvor-*)"; exit 1; }
iconv -f CP1250 -t UTF-8 "$report" | grep -q "M I E S I Ę C Z N Y  Z A   $previous" \
    || { echo "$report is not the monthly report of $previous"; exit 1; }
# The program ends as a killed one would; the demo then cleans up after it.
kelvor=$(pgrep -P "$demo" -x kelvor)
kill "$kelvor"
wait "$demo" && { echo "the demo did not pass on kelvor's end"; exit 1; }

grep -q "kelvor łączy się z symulatorem kasy" "$scratch/demo.out" || { cat "$scratch/demo.out"; exit 1; }
left=$(ls -A "$scratch" | grep -v -x -e run -e demo.out || true)
[ -z "$left" ] || { echo "the demo left behind: $left"; exit 1; }
echo "the windows came up, gave the previous month's report and ended with the demo"
