# bash completion for mirtel-cli

_mirtel_cli() {
    local cur prev words cword
    _init_completion || return

    case $prev in
        --log)
            _filedir
            return
            ;;
        --versions)
            _filedir -d
            return
            ;;
        --keep-versions)
            # A number of days.
            return
            ;;
        --save-job | --job | --delete-job)
            # A name or a number of the user's own.
            return
            ;;
    esac

    local i
    for ((i = 1; i < cword; i++)); do
        if [[ ${words[i]} == -- ]]; then
            _filedir -d
            return
        fi
    done

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--sync --last --remember -n --dry-run
            --force-remove --versions --keep-versions --log --count-first --parallel -v --verbose -q --quiet -h --help
            --version --save-job --job --jobs --delete-job --' -- "$cur"))
        return
    fi
    _filedir -d
} &&
    complete -F _mirtel_cli mirtel-cli
