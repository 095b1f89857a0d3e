#!/usr/bin/env bash
# The packages on this machine as a shop would install them, and gone again:
# apt-get installs kelvor and libkelvodrv-dev from the built files; the
# installed kelvor-cli prints a report from the register simulator of the
# build; the menu entry's command brings up the connection window under
# Xvfb; a C program builds with pkg-config against the -dev package and runs;
# then both are purged, whatever happened, and nothing of them is left.
# Needs root; ends with 77 (skipped) without it, or when kelvor is already
# installed here, which the test then leaves alone.
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$2
version=$3

if [ "${KELVO_WINDOW_STEP:-}" = 1 ]; then
    # Under xvfb-run: the installed menu entry's command to its first window.
    source "$source_dir/tools/xwindows.sh"
    command=$(sed -n 's/^Exec=//p' /usr/share/applications/kelvor.desktop)
    $command > "$KELVO_SCRATCH/kelvor.out" 2>&1 &
    program=$!
    wait_for_window "$program" "PARAMETRY POŁĄCZENIA Z KASĄ" > /dev/null
    kill "$program"
    exit 0
fi

[ "$(id -u)" = 0 ] || { echo "SKIPPED: installing packages needs root"; exit 77; }
if dpkg-query -W -f '${Status}' kelvor libkelvodrv-dev 2>/dev/null | grep -q 'ok installed'; then
    echo "SKIPPED: kelvor is installed on this machine already; the test leaves it alone"
    exit 77
fi
kelvor=$(ls "$build"/packages/kelvor_"$version"_*.deb)
dev=$(ls "$build"/packages/libkelvodrv-dev_"$version"_*.deb)
scratch=$(mktemp -d)
sim=""
apt=(apt-get -y -q -o DPkg::Lock::Timeout=600)
finish() {
    [ -n "$sim" ] && kill "$sim" 2>/dev/null
    DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge kelvor libkelvodrv-dev > "$scratch/purge.log" 2>&1 \
        || cat "$scratch/purge.log"
    rm -rf "$scratch"
}
trap finish EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Their dependencies are here already (make deps), so that the purge leaves
# the machine as it was.
others=$("${apt[@]}" --simulate --no-install-recommends install "$kelvor" "$dev" 2>&1 | awk '/^Inst /{print $2}' \
    | grep -v -x -e kelvor -e libkelvodrv-dev || true)
[ -z "$others" ] || { trap - EXIT; rm -rf "$scratch"; fail "installing would add packages not in PACKAGES: $others"; }
DEBIAN_FRONTEND=noninteractive "${apt[@]}" --no-install-recommends install "$kelvor" "$dev" > "$scratch/install.log" 2>&1 \
    || { cat "$scratch/install.log"; fail "apt-get install"; }
{ dpkg-deb -c "$kelvor"; dpkg-deb -c "$dev"; } | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' > "$scratch/files"

[ "$(command -v kelvor-cli)" = /usr/bin/kelvor-cli ] || fail "kelvor-cli is not on the PATH"
[ "$(kelvor-cli --version)" = "kelvor-cli $version" ] || fail "kelvor-cli --version: $(kelvor-cli --version)"
[ "$(kelvor --version)" = "kelvor $version" ] || fail "kelvor --version: $(kelvor --version)"

"$build/simulator/kelvosim" --pty "$scratch/com1" --scenario "$source_dir/simulator/scenarios/orvan-read-only.json" \
    > "$scratch/kelvosim.out" 2>&1 &
sim=$!
for _ in $(seq 100); do [ -e "$scratch/com1" ] && break; sleep 0.1; done
mkdir "$scratch/folder"
TEMP="$scratch/folder" KELVO_COM1="$scratch/com1" XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache" kelvor-cli --port 1 --speed 9600 --mux 0 8 > "$scratch/report.txt" \
    || { cat "$scratch/report.txt"; fail "the installed kelvor-cli did not read a report"; }
grep -q 'R O Z L I C Z E N I O W Y' "$scratch/report.txt" || fail "no settlement report: $(head "$scratch/report.txt")"

mkdir -m 700 "$scratch/run"
KELVO_WINDOW_STEP=1 KELVO_SCRATCH="$scratch" XDG_RUNTIME_DIR="$scratch/run" TEMP="$scratch/folder" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$build" "$source_dir" "$version" \
    || { cat "$scratch/kelvor.out"; fail "the installed kelvor showed no connection window"; }

flags=$(pkg-config --cflags --libs kelvodrv)
[[ "$flags" != *..* ]] || fail "pkg-config gives paths with ..: $flags"
mkdir "$scratch/abi"
cc -std=c11 "$source_dir/tests/abi/abi_test.c" $flags -o "$scratch/abi/with-package"
(cd "$scratch/abi" && ./with-package) || fail "the C program built against the package failed"

trap - EXIT
[ -n "$sim" ] && kill "$sim"
sim=""
finish_output=$(DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge kelvor libkelvodrv-dev 2>&1) \
    || { echo "$finish_output"; rm -rf "$scratch"; fail "apt-get purge"; }
! dpkg-query -W -f '${Status}\n' kelvor libkelvodrv-dev 2>/dev/null | grep -q 'installed' \
    || { rm -rf "$scratch"; fail "a package is still installed"; }
left=$(while read -r path; do [ -e "$path" ] || [ -L "$path" ] && echo "$path"; done < "$scratch/files" || true)
[ ! -e /usr/share/doc/kelvor ] || left="$left /usr/share/doc/kelvor"
rm -rf "$scratch"
[ -z "$left" ] || fail "left after the purge: $left"
echo "installed with apt-get, read a report, showed the window, built with pkg-config, purged without a trace"
