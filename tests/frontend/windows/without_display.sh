#!/usr/bin/env bash
# kelvor without a display it can use: no DISPLAY nor WAYLAND_DISPLAY, an X
# display where no server listens, a Wayland socket that is not there. Each
# time it says so in one Polish line on standard error that points to
# kelvor-cli, and ends with 1, without Qt's English abort or a core dump.
# --version prints the project's version.
set -euo pipefail
kelvor=$1
version=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/run"

expect_refusal() {
    local what=$1 code=0
    shift
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$scratch/run" "$@" "$kelvor" \
        > "$scratch/out" 2> "$scratch/err" || code=$?
    [ "$code" = 1 ] || { echo "$what: exit code $code, not 1"; cat "$scratch/err"; exit 1; }
    [ ! -s "$scratch/out" ] || { echo "$what: wrote to standard output"; exit 1; }
    [ "$(wc -l < "$scratch/err")" = 1 ] || { echo "$what: not one line:"; cat "$scratch/err"; exit 1; }
    grep -q '^kelvor: .*; bez okien działa kelvor-cli$' "$scratch/err" \
        || { echo "$what: not the Polish line: $(cat "$scratch/err")"; exit 1; }
    echo "$what: $(cat "$scratch/err")"
}

expect_refusal "no display"
# A display number no X server uses: its socket is not there.
display=:4711
[ ! -e /tmp/.X11-unix/X4711 ] || { echo "an X server runs on $display"; exit 1; }
expect_refusal "no X server" DISPLAY=$display
expect_refusal "no Wayland compositor" WAYLAND_DISPLAY=wayland-kelvor-test
grep -q 'ekranem graficznym wayland-kelvor-test' "$scratch/err" || { echo "the display is not named"; exit 1; }

shown=$("$kelvor" --version)
[ "$shown" = "kelvor $version" ] || { echo "kelvor --version says \"$shown\", not kelvor $version"; exit 1; }
