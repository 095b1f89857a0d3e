# bash completion for kelvor-cli: options, their allowed values, report kinds.
_kelvor_cli()
{
    local current previous
    current=${COMP_WORDS[COMP_CWORD]}
    previous=${COMP_WORDS[COMP_CWORD-1]}
    case $previous in
        --speed) COMPREPLY=($(compgen -W "9600 19200 28800 57600" -- "$current")); return ;;
        --mux) COMPREPLY=($(compgen -W "0 1 4" -- "$current")); return ;;
        --channel) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$current")); return ;;
        --port) COMPREPLY=($(compgen -W "$(seq 1 16)" -- "$current")); return ;;
        --save|--trace) COMPREPLY=($(compgen -f -- "$current")); return ;;
        --device) COMPREPLY=($(compgen -W "$(ls /dev/serial/by-id/* /dev/ttyUSB* /dev/ttyACM* /dev/ttyS* 2>/dev/null)" -- "$current")); return ;;
        --tcp|--converter-id|--timeout|--repeats) return ;;
    esac
    if [[ $current == -* ]]; then
        COMPREPLY=($(compgen -W "--port --speed --mux --channel --tcp --converter --converter-id --timeout
            --repeats --device --detect --save --trace --all --no-cache --forget-cache --show-folder --list-ports --help --version" -- "$current"))
    else
        COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$current"))
    fi
}
complete -F _kelvor_cli kelvor-cli
