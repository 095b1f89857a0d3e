#!/usr/bin/env bash
# make demo without a display: kelvor-cli prints the monthly report of the
# previous month and the settlement report of the whole memory, in Polish
# words, and the demo stops its simulator.
set -euo pipefail
top=$1
build=$2
out=$(mktemp)
trap 'rm -f "$out"' EXIT
env -u DISPLAY -u WAYLAND_DISPLAY bash "$top/tools/demo.sh" "$build" > "$out" 2>&1 \
    || { cat "$out"; echo "make demo failed"; exit 1; }
# The report's title spaces out its letters: "M I E S I Ę C Z N Y  Z A   1 1 . 2 0 2 6".
previous=$(date -d "$(date +%Y-%m-01) -1 month" +%m.%Y | sed 's/./& /g; s/ $//')
grep -q "M I E S I Ę C Z N Y  Z A   $previous" "$out" || { cat "$out"; echo "no monthly report of $previous"; exit 1; }
grep -q 'raport miesięczny za poprzedni miesiąc' "$out" || { cat "$out"; echo "the demo does not speak Polish"; exit 1; }
grep -q 'R O Z L I C Z E N I O W Y' "$out" || { cat "$out"; echo "no settlement report"; exit 1; }
[ "$(grep -c 'SKLEP SPOZYWCZY KELVO' "$out")" = 2 ] || { echo "not two reports"; exit 1; }
echo "two reports printed"
