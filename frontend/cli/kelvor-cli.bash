# bash completion for kelvor-cli: options, their allowed values, report kinds
# and, once the kind is given, the ranges it takes.

# The report kind among the words before the current one ("-" when none is
# given yet), and how many range words follow it; options' values are skipped.
_kelvor_cli_kind()
{
    local i word kind="" after=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
            --port|--speed|--mux|--channel|--device|--tcp|--converter-id|--timeout|--repeats|--save|--trace|--registers|--output) ((i++)) ;;
            -*) ;;
            *) if [[ -z $kind ]]; then kind=$word; else ((after++)); fi ;;
        esac
    done
    echo "${kind:--} $after"
}

# The ranges a kind takes at its position: months and days counted back from
# today, report numbers from the first to the highest.
_kelvor_cli_ranges()
{
    local kind=$1 position=$2 n
    case $kind:$position in
        1:0) for ((n = 0; n < 12; n++)); do date -d "$(date +%Y-%m-15) -$n month" +%Y.%m; done ;;
        2:0|6:0) date +%Y.%m.01; date -d "$(date +%Y-%m-15) -1 month" +%Y.%m.01 ;;
        2:1|6:1) date +%Y.%m.%d; date -d "$(date +%Y-%m-01) -1 day" +%Y.%m.%d ;;
        3:0|7:0) echo 1 ;;
        3:1|7:1) echo 2060 ;;
    esac
}

# The unique numbers of the registers the report archive keeps reports of,
# a blank in one escaped so that it stays one word.
_kelvor_cli_archived()
{
    local IFS=$'\n' folder=${XDG_DATA_HOME:-$HOME/.local/share}/kelvor/raporty
    COMPREPLY=($(compgen -W "$(ls -- "$folder" 2>/dev/null)" -- "$1"))
    COMPREPLY=("${COMPREPLY[@]// /\\ }")
}

_kelvor_cli()
{
    local current previous kind after
    current=${COMP_WORDS[COMP_CWORD]}
    previous=${COMP_WORDS[COMP_CWORD-1]}
    case $previous in
        --speed) COMPREPLY=($(compgen -W "9600 19200 28800 57600" -- "$current")); return ;;
        --mux) COMPREPLY=($(compgen -W "bezposrednio mux4 mux8" -- "$current")); return ;;
        --channel) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$current")); return ;;
        --port) COMPREPLY=($(compgen -W "$(seq 1 16)" -- "$current")); return ;;
        --save|--trace|--registers) COMPREPLY=($(compgen -f -- "$current")); return ;;
        --output) COMPREPLY=($(compgen -d -- "$current")); return ;;
        --device) COMPREPLY=($(compgen -W "$(ls /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* 2>/dev/null)" -- "$current")); return ;;
        --tcp|--converter-id|--timeout|--repeats) return ;;
        --archive) _kelvor_cli_archived "$current"; return ;;
    esac
    if [[ $current == -* ]]; then
        COMPREPLY=($(compgen -W "--port --speed --mux --channel --tcp --converter --converter-id --timeout
            --repeats --device --detect --save --trace --all --registers --add-register --output --no-cache --forget-cache --show-folder --list-ports --archive --help --version" -- "$current"))
        return
    fi
    read -r kind after <<< "$(_kelvor_cli_kind)"
    if [[ $kind == - ]]; then
        COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$current"))
    else
        COMPREPLY=($(compgen -W "$(_kelvor_cli_ranges "$kind" "$after")" -- "$current"))
    fi
}
complete -F _kelvor_cli kelvor-cli
