#!/usr/bin/env bash
# make install puts the desktop entry, the program it starts and the icon it
# names where desktop environments look for them, and the installed entry
# passes desktop-file-validate.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > "$prefix/install.log"

entry=$prefix/share/applications/kelvor.desktop
[ -f "$entry" ] || { echo "no desktop entry in share/applications"; exit 1; }
desktop-file-validate "$entry"

program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
[ -x "$prefix/bin/$program" ] || { echo "the program $program is not installed in bin"; exit 1; }

icon=$(sed -n 's/^Icon=//p' "$entry")
svg=$prefix/share/icons/hicolor/scalable/apps/$icon.svg
[ -f "$svg" ] || { echo "the icon $icon is not in the hicolor theme's scalable apps"; exit 1; }
grep -q '<svg' "$svg" || { echo "$svg is not an SVG drawing"; exit 1; }
echo "entry, program $program and icon $icon installed"
