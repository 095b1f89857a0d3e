#!/usr/bin/env bash
# The Polish guide's table of result codes is what kelvo_guide_codes makes
# from the front end's messages and the advice file: a message changed,
# added or removed without the guide made anew fails here.
set -euo pipefail
tool=$1
source_dir=$2
made=$(mktemp)
trap 'rm -f "$made"' EXIT
"$tool" "$source_dir/docs/porady_do_kodow.tsv" "$source_dir/docs/instrukcja.md" > "$made"
diff -u "$source_dir/docs/instrukcja.md" "$made" || {
    echo "docs/instrukcja.md differs from what kelvo_guide_codes makes; see README, \"The Polish guide\""
    exit 1
}
rows=$(grep -c '^| [0-9]' "$made")
[ "$rows" -gt 50 ] || { echo "only $rows rows in the table"; exit 1; }
# Every picture the guide shows is in the tree.
for picture in $(grep -o '](screenshots/[^)]*)' "$source_dir/docs/instrukcja.md" | sed 's/^](//; s/)$//'); do
    [ -f "$source_dir/docs/$picture" ] || { echo "the guide shows $picture, which is not there"; exit 1; }
done
echo "the guide's table of $rows codes is the program's own"
