#!/usr/bin/env bash
# make demo: the simulator plays a register on a pseudo-terminal and COM1
# leads to it for this run only. Its memory holds a year of daily reports up
# to the end of the previous month, so the range window's default (the
# previous month) gives a report. With a display (DISPLAY or WAYLAND_DISPLAY
# set) the windowed kelvor starts in a fresh working folder, so the whole road
# from the connection window to a shown report can be taken by hand; without
# one kelvor-cli prints the previous month's report and a settlement report of
# the whole memory. What it says is Polish, as the programs are. Nothing is
# left behind.
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
    --generate 1 --recent > "$work/kelvosim.out" 2>&1 &
sim=$!
for _ in $(seq 50); do [ -e "$work/com1" ] && break; sleep 0.1; done
mkdir "$work/folder"

# The simulated register's reports and kept records stay in the demo's own
# folder: the user's report archive and cache hold only real registers.
demo_folders() {
    TEMP="$work/folder" KELVO_COM1="$work/com1" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" "$@"
}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    cat <<'EOF'
kelvor łączy się z symulatorem kasy na porcie COM1, w nowym folderze roboczym.
Ustawienia okna połączenia (port 1, 9600 b/s, bezpośrednio) prowadzą do niego:
naciśnij "Dalej". Pamięć symulowanej kasy ma raporty dobowe z ostatniego roku,
do końca poprzedniego miesiąca, i jest w trybie tylko do odczytu: "Dalej" w oknie
zakresu daje raport miesięczny za poprzedni miesiąc, a "8. ROZLICZENIOWY
CAŁOŚCI" raport całej pamięci. Zamknięcie programu kończy pokaz. (Gdy kelvor
już działa, ta kopia kończy się od razu.)
EOF
    demo_folders "$build/frontend/windows/kelvor"
    exit
fi

cli() {
    demo_folders "$build/frontend/kelvor-cli" --port 1 --speed 9600 --mux 0 "$@"
}

# The month before this one, as the range window proposes it.
month=$(date -d "$(date +%Y-%m-01) -1 month" +%Y.%m)
echo "== kelvor-cli 1 $month  (raport miesięczny za poprzedni miesiąc)"
cli 1 "$month"
echo
echo "== kelvor-cli 8  (raport rozliczeniowy całej pamięci)"
cli 8
