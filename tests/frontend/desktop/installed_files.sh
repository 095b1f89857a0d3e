#!/usr/bin/env bash
# make install puts the desktop entry, the program it starts and the icon it
# names where desktop environments look for them, and the installed entry
# passes desktop-file-validate and starts the program by its full path, also
# under a prefix with a space in its name.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/my programs"
cmake --install "$build" --prefix "$prefix" > "$scratch/install.log"

entry=$prefix/share/applications/kelvor.desktop
[ -f "$entry" ] || { echo "no desktop entry in share/applications"; exit 1; }
desktop-file-validate "$entry"

exec_line=$(sed -n 's/^Exec=//p' "$entry")
[ "$exec_line" = "\"$prefix/bin/kelvor\"" ] || { echo "the entry starts $exec_line, not $prefix/bin/kelvor"; exit 1; }
program=$prefix/bin/kelvor
[ -x "$program" ] || { echo "the program $program is not installed"; exit 1; }

icon=$(sed -n 's/^Icon=//p' "$entry")
svg=$prefix/share/icons/hicolor/scalable/apps/$icon.svg
[ -f "$svg" ] || { echo "the icon $icon is not in the hicolor theme's scalable apps"; exit 1; }
grep -q '<svg' "$svg" || { echo "$svg is not an SVG drawing"; exit 1; }
echo "entry, program $program and icon $icon installed"
