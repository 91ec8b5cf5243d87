# bash completion for tranchor (bash-completion loads it from its completions folder)
# The options; the size words after --split; folders after --dir; after --count and --name a
# value of the user's own. The names to work on are files, and for --glue and --check piece 1 of
# a set (NAME.1), which names the whole set. After "--" every word is a name.

_tranchor()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        --split)
            COMPREPLY=($(compgen -W 'fat32 cd dvd bd 1M 100M 1G' -- "$cur"))
            return
            ;;
        --dir)
            _filedir -d
            return
            ;;
        --count | --name | -h | --help | --version)
            return
            ;;
    esac
    $split && return

    local i names_only='' pieces=''
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            --)
                names_only=1
                break
                ;;
            --glue | --check) pieces=1 ;;
        esac
    done

    if [[ -z $names_only && $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--split --count --glue --check --dir --name --stdout
            --progress --verbose -h --help --version --' -- "$cur"))
    elif [[ $pieces ]]; then
        _filedir 1
    else
        _filedir
    fi
} &&
    complete -F _tranchor tranchor

# ex: filetype=sh
