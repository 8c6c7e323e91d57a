# bash completion for vireoscape

_vireoscape()
{
    local cur prev words cword
    _init_completion || return

    # Options that take a value complete it here; the rest are words of
    # their own.
    case $prev in
        -platform | -display | -style)
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-s --snapshot --tray -h --help -v --version' -- "$cur"))
    fi
} &&
    complete -F _vireoscape vireoscape
