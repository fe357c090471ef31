# bash completion for qrt58cli. The commands, their options, the board kinds
# and the setting names are asked of qrt58cli itself (--list-commands,
# --list-board-kinds, set --list), so the completion follows the program it
# completes.

# The board texts --board takes: each kind's name, and NAME: for those that
# take a file or a device, whose paths follow the colon.
_qrt58cli_boards()
{
    local cli=$1 cur=$2 kind name path
    while read -r kind; do
        name=${kind%%[\[:]*}
        if [[ $kind == "$name" ]]; then
            COMPREPLY+=($(compgen -W "$name" -- "$cur"))
        elif [[ $cur == "$name":* ]]; then
            path=${kind#*[\[:]}
            path=${path%]}
            case $path in
                /dev/*) COMPREPLY+=($(compgen -P "$name:" -G "${cur#*:}*" -- "") ) ;;
                *) COMPREPLY+=($(compgen -P "$name:" -f -- "${cur#*:}")) ;;
            esac
        else
            [[ $kind == *"[:"* ]] && COMPREPLY+=($(compgen -W "$name" -- "$cur"))
            COMPREPLY+=($(compgen -W "$name:" -- "$cur"))
        fi
    done < <("$cli" --list-board-kinds 2>/dev/null)
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *: ]] && compopt -o nospace
}

# Setting names for set NAME=VALUE; N in a listed name is the number typed.
_qrt58cli_settings()
{
    local cli=$1 cur=$2 names number
    names=$("$cli" set --list 2>/dev/null | cut -d' ' -f1)
    if [[ $cur =~ ^[a-z_]+(\.[a-z_]+)*\.([0-9]+)(\.|$) ]]; then
        number=${BASH_REMATCH[2]}
        names=${names//.N./.$number.}
    fi
    COMPREPLY=($(compgen -S = -W "$names" -- "$cur"))
    compopt -o nospace
}

_qrt58cli()
{
    local cur prev words cword
    _init_completion -n := || return

    local cli=${words[0]} listing line command="" options="" synopsis="" i word
    listing=$("$cli" --list-commands 2>/dev/null) || return
    for ((i = 1; i < cword; i++)); do
        [[ ${words[i]} == -* ]] && continue
        command=${words[i]}
        break
    done
    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$(cut -f1 <<<"$listing") --help --help-all --version" -- "$cur"))
        return
    fi
    while IFS=$'\t' read -r word options synopsis; do
        [[ $word == "$command" ]] && break
        options="" synopsis=""
    done <<<"$listing"

    # The value of an option: a board, a file, or nothing to offer.
    local option value
    for option in $options; do
        [[ $option == "$prev="* ]] || continue
        value=${option#*=}
        case $value in
            BOARD) _qrt58cli_boards "$cli" "$cur"; __ltrim_colon_completions "$cur" ;;
            *FILE* | *.csv | *.tbl | *.vcd) _filedir ;;
        esac
        return
    done
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "${options//=+([^ ])/}" -- "$cur"))
        return
    fi

    # The positional words: sub-commands, settings, a board or files.
    local count=0 subcommands
    for ((i = i + 1; i < cword; i++)); do
        word=${words[i]}
        if [[ $word == -* ]]; then
            [[ " $options " == *" $word="* ]] && ((i++))
            continue
        fi
        ((count++))
    done
    subcommands=$(tr ' |()[]' '\n' <<<"$synopsis" | grep -E '^[a-z]+$' | sort -u)
    if [[ -n $subcommands ]] && ((count == 0)); then
        COMPREPLY=($(compgen -W "$subcommands" -- "$cur"))
    elif [[ $synopsis == *NAME=VALUE* ]] && ((count >= 1)); then
        _qrt58cli_settings "$cli" "$cur"
    elif [[ $synopsis == "[BOARD"* ]]; then
        _qrt58cli_boards "$cli" "$cur"
        __ltrim_colon_completions "$cur"
    else
        _filedir
    fi
} &&
    complete -F _qrt58cli qrt58cli
