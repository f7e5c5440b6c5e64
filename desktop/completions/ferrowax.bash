# bash completion for ferrowax: its options, and folders where a folder goes.

_ferrowax_folders()
{
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -d -- "$1")
}

_ferrowax()
{
    local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD - 1]} i
    COMPREPLY=()
    for ((i = 1; i < COMP_CWORD; i++)); do
        # After --, every word is a folder.
        if [[ ${COMP_WORDS[i]} == -- ]]; then
            _ferrowax_folders "$current"
            return
        fi
    done
    case $previous in
    -e | --ext)
        return
        ;;
    -E | --exclude | --folder)
        _ferrowax_folders "$current"
        return
        ;;
    esac
    if [[ $current == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--list --folder -e --ext -E --exclude -i --ignore-case -0 --null
            --one-file-system -h --help -V --version --' -- "$current")
        return
    fi
    _ferrowax_folders "$current"
}

complete -F _ferrowax ferrowax
