# bash completion for se-host                              -*- shell-script -*-
#
# se-host answers itself (se-host __complete INDEX WORDS...): commands,
# options, plugin names, pin names and choice items come from the program and
# its plugins, so they are always the ones it takes. The first line of its
# answer says how to complete: words (the lines that follow), files,
# files:EXT, dirs or none.

_se_host()
{
    local cur prev words cword
    # "=" and ":" stay inside words: --set Resonance=7, --set vcf.Type=HP.
    _init_completion -n =: || return

    local -a answer
    mapfile -t answer < <("${words[0]}" __complete "$cword" "${words[@]}" 2>/dev/null)
    [[ ${#answer[@]} -gt 0 ]] || return

    case ${answer[0]} in
        files)
            _filedir
            ;;
        files:*)
            _filedir "${answer[0]#files:}"
            ;;
        dirs)
            _filedir -d
            ;;
        words)
            # Readline replaces only the text after the last word-break
            # character of the word ("=", ":"): each candidate loses what
            # comes before it, as many of them as have been typed.
            local breaks="" word quoted i
            [[ $COMP_WORDBREAKS == *=* ]] && breaks+="="
            [[ $COMP_WORDBREAKS == *:* ]] && breaks+=":"
            local typed=${cur//[^$breaks]/}
            [[ -n $breaks ]] || typed=""
            COMPREPLY=()
            for word in "${answer[@]:1}"; do
                for ((i = 0; i < ${#typed}; i++)); do
                    word=${word#*[$breaks]}
                done
                # Pin names hold spaces: escape them unless the word is quoted.
                if [[ $cur == [\"\']* ]]; then
                    COMPREPLY+=("$word")
                else
                    quoted=""
                    for ((i = 0; i < ${#word}; i++)); do
                        [[ ${word:i:1} == [[:space:]\\\'\"\(\)\&\;\|\<\>\$\`\!\*\?\[\]\{\}\#] ]] && quoted+="\\"
                        quoted+=${word:i:1}
                    done
                    COMPREPLY+=("$quoted")
                fi
            done
            # "Resonance=", "vcf.": the value follows without a space.
            if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *[=.,] ]]; then
                compopt -o nospace
            fi
            ;;
    esac
} &&
    complete -F _se_host se-host
