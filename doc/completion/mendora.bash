# Bash completion for mendora, mendora-revert, mendora-station, mendora-vdrive and
# bootpack. Options and commands are read from the program's own --help, so they always
# match the program that is installed.

# The commands a help text lists: the first word of each line under "Subcommands:".
_mendora_commands() {
    awk 'tolower($0) ~ /^subcommands:/ { listing = 1; next }
         listing && NF == 0 { exit }
         listing { print $1 }' <<<"$1"
}

# Every long option a help text names.
_mendora_options() {
    grep -o -- '--[[:alnum:]][[:alnum:]-]*' <<<"$1" | sort -u
}

_mendora_complete() {
    local program=${COMP_WORDS[0]/#\~/$HOME} current=${COMP_WORDS[COMP_CWORD]}
    COMPREPLY=()
    # mendora starts the repair for any other argument, so it is never run to ask.
    if [[ ${program##*/} == mendora ]]; then
        mapfile -t COMPREPLY < <(compgen -W '--help --version' -- "$current")
        return
    fi

    local help commands
    help=$("$program" --help 2>/dev/null)
    commands=$(_mendora_commands "$help")
    if [[ -n $commands ]]; then
        # The command is the first word after the program.
        if ((COMP_CWORD == 1)) && [[ $current != -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$current")
            return
        fi
        if ((COMP_CWORD > 1)) && grep -qxF -- "${COMP_WORDS[1]}" <<<"$commands"; then
            help=$("$program" "${COMP_WORDS[1]}" --help 2>/dev/null)
        fi
    fi

    if [[ $current == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$(_mendora_options "$help")" -- "$current")
        return
    fi
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$current")
}

complete -F _mendora_complete mendora mendora-revert mendora-station mendora-vdrive bootpack
