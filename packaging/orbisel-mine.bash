# bash completion for orbisel-mine                         -*- shell-script -*-
# Completes the commands, their options and the values of --sources, --expand,
# --pace and the file options. Needs nothing of the bash-completion package.

_orbisel_mine_options() {
    local testing="--suggest-host --search-host --ca-file --service-host --service-port --retry-base-ms"
    case $1 in
    run)
        echo "--seeds --seed --expand --sources --depth --concurrency --interval-ms --pace" \
            "--min-interval-ms --backoff-ms --max-queries --cache-hours --include --exclude" \
            "--min-chars --max-chars --name --out --store $testing --help"
        ;;
    title) echo "--seed --must --avoid --limit --count --explain --out --store $testing --help" ;;
    list) echo "--store $testing --help" ;;
    resume | export | diff | roots) echo "--out --store $testing --help" ;;
    esac
}

# Completes the last item of a comma list from the given names.
_orbisel_mine_list() {
    local cur=$1 names=$2 given='' last=$1
    if [[ $cur == *,* ]]; then
        given=${cur%,*},
        last=${cur##*,}
    fi
    local name
    for name in $names; do
        [[ $name == "$last"* && ,$given != *,$name,* ]] && COMPREPLY+=("$given$name")
    done
    [[ ${#COMPREPLY[@]} -eq 1 ]] && compopt -o nospace 2>/dev/null
}

# Files whose name ends in one of the extensions (any letter case), and folders.
_orbisel_mine_files() {
    local cur=$1 file
    shift
    compopt -o filenames 2>/dev/null
    while IFS= read -r file; do
        if [[ -d $file ]]; then
            COMPREPLY+=("$file")
            continue
        fi
        local extension lower=${file,,}
        for extension; do
            [[ $lower == *."$extension" ]] && COMPREPLY+=("$file") && break
        done
        [[ $# -eq 0 ]] && COMPREPLY+=("$file")
    done < <(compgen -f -- "$cur")
}

_orbisel_mine() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local commands="run resume list export diff roots title"
    COMPREPLY=()

    case $prev in
    --out)
        _orbisel_mine_files "$cur" csv xlsx jsonl
        return
        ;;
    --seeds | --store | --ca-file)
        _orbisel_mine_files "$cur"
        return
        ;;
    --sources)
        _orbisel_mine_list "$cur" "pc arrow mobile longtail related"
        return
        ;;
    --expand)
        _orbisel_mine_list "$cur" "letters digits modifiers questions"
        return
        ;;
    --pace)
        mapfile -t COMPREPLY < <(compgen -W "adaptive fixed" -- "$cur")
        return
        ;;
    --seed | --must | --avoid | --limit | --count | --depth | --concurrency | --interval-ms | \
        --min-interval-ms | --backoff-ms | --max-queries | --cache-hours | --include | --exclude | \
        --min-chars | --max-chars | --name | --suggest-host | --search-host | --service-host | \
        --service-port | --retry-base-ms)
        return
        ;;
    esac

    local command='' i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ " $commands " == *" ${COMP_WORDS[i]} "* ]]; then
            command=${COMP_WORDS[i]}
            break
        fi
    done
    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            mapfile -t COMPREPLY < <(compgen -W "--help --version" -- "$cur")
        else
            mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
        fi
        return
    fi
    [[ $cur == -* ]] && mapfile -t COMPREPLY < <(compgen -W "$(_orbisel_mine_options "$command")" -- "$cur")
}

complete -F _orbisel_mine orbisel-mine
