# bash completion for vireoscape

_vireoscape()
{
    local cur prev words cword
    _init_completion || return

    # Options that take a value complete it here; the rest are words of
    # their own.
    case $prev in
        -platform | -display | -style | -d | --delay | -r | --region)
            return
            ;;
        --screen)
            # The monitors as xrandr counts them.
            COMPREPLY=($(compgen -W "$(xrandr --listmonitors 2>/dev/null |
                sed -n 's/^ *\([0-9][0-9]*\):.*/\1/p')" -- "$cur"))
            return
            ;;
        -o | --output)
            _filedir '@(png|jpg|jpeg|bmp|xbm)'
            return
            ;;
    esac

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-s -d --delay -r --region --screen --window -o --output -c --clipboard
            --snapshot --tray -h --help -v --version' -- "$cur"))
    fi
} &&
    complete -F _vireoscape vireoscape
