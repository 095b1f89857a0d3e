#!/usr/bin/env bash
# make install puts a manual page for each program in share/man/man1, each
# renders through man -l without a warning and names its program, and the
# bash completion for kelvor-cli is installed where bash-completion looks
# and completes the allowed speeds, the link kinds' words and, once the
# report kind is given, its ranges rather than the kinds again, and after
# --archive the unique numbers the report archive keeps.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > "$prefix/install.log"

for program in kelvor kelvor-cli kelvodrv kelvosim kelvotrace kelvobus; do
    page=$prefix/share/man/man1/$program.1
    [ -f "$page" ] || { echo "no manual page $page"; exit 1; }
    [ -x "$prefix/bin/$program" ] || { echo "the page $program.1 has no installed program"; exit 1; }
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >"$prefix/$program.txt")
    [ -z "$warnings" ] || { echo "man -l $program.1 warns: $warnings"; exit 1; }
    grep -q "^NAZWA" "$prefix/$program.txt" || { echo "$program.1 has no NAZWA section"; exit 1; }
    grep -q "$program" "$prefix/$program.txt" || { echo "$program.1 does not name $program"; exit 1; }
done
# Every option kelvor-cli --help lists is described on its page.
for option in $("$prefix/bin/kelvor-cli" --help | grep -o '^  --[a-z-]*'); do
    grep -q -- "$option" "$prefix/kelvor-cli.txt" || { echo "kelvor-cli.1 does not describe $option"; exit 1; }
done

completion=$prefix/share/bash-completion/completions/kelvor-cli
[ -f "$completion" ] || { echo "no bash completion in share/bash-completion/completions"; exit 1; }
speeds=$(bash -c 'source "$1"; COMP_WORDS=(kelvor-cli --speed ""); COMP_CWORD=2; _kelvor_cli; echo "${COMPREPLY[*]}"' _ "$completion")
[ "$speeds" = "9600 19200 28800 57600" ] || { echo "completion after --speed gives: $speeds"; exit 1; }
options=$(bash -c 'source "$1"; COMP_WORDS=(kelvor-cli --con); COMP_CWORD=1; _kelvor_cli; echo "${COMPREPLY[*]}"' _ "$completion")
[ "$options" = "--converter --converter-id" ] || { echo "completion of --con gives: $options"; exit 1; }
complete_after() {
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _kelvor_cli; echo "${COMPREPLY[*]}"' _ "$completion" "$@"
}
kinds=$(complete_after kelvor-cli --port 2 "")
[ "$kinds" = "1 2 3 4 5 6 7 8" ] || { echo "completion of the kind gives: $kinds"; exit 1; }
months=$(complete_after kelvor-cli 1 "")
[ "$(wc -w <<< "$months")" = 12 ] && [[ $months =~ ^([0-9]{4}\.[0-9]{2} ?)+$ ]] && [[ $months == *"$(date +%Y.%m)"* ]] \
    || { echo "completion after kind 1 gives: $months"; exit 1; }
days=$(complete_after kelvor-cli --mux mux4 6 2012.01.01 "")
[[ $days =~ ^([0-9]{4}\.[0-9]{2}\.[0-9]{2} ?)+$ && $days == *"$(date +%Y.%m.%d)"* ]] || { echo "completion of kind 6's end gives: $days"; exit 1; }
numbers=$(complete_after kelvor-cli --save out.txt 3 "")
[ "$numbers" = 1 ] || { echo "completion of kind 3's first number gives: $numbers"; exit 1; }
listed=$(complete_after kelvor-cli --all --registers kasy.txt --output wyniki 1 "")
[ "$(wc -w <<< "$listed")" = 12 ] || { echo "completion after the list's and the output's values gives: $listed"; exit 1; }
adding=$(complete_after kelvor-cli --add)
[ "$adding" = "--add-register" ] || { echo "completion of --add gives: $adding"; exit 1; }
none=$(complete_after kelvor-cli 4 "")
[ -z "$none" ] || { echo "completion after kind 4, which takes no range, gives: $none"; exit 1; }
mux=$(complete_after kelvor-cli --mux "")
[ "$mux" = "bezposrednio mux4 mux8" ] || { echo "completion after --mux gives: $mux"; exit 1; }
mkdir -p "$prefix/data/kelvor/raporty/ABC 12345678" "$prefix/data/kelvor/raporty/XYZ00000001"
archived=$(XDG_DATA_HOME=$prefix/data complete_after kelvor-cli --archive "")
[ "$archived" = 'ABC\ 12345678 XYZ00000001' ] || { echo "completion after --archive gives: $archived"; exit 1; }
echo "manual pages and completion installed"
