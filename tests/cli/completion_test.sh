#!/usr/bin/env bash
# Loads the bash completion of orbisel-mine and checks what it offers.
# Usage: completion_test.sh COMPLETION_FILE ORBISEL_MINE
set -uo pipefail
script=$1
mine=$(realpath "$2")
# shellcheck source=/dev/null
source "$script" || {
    echo "cannot load $script"
    exit 1
}
failures=0

# The completions of a command line; the last word is the one being completed ("" after a space).
complete_line() {
    local -a words
    read -r -a words <<<"$1"
    [[ $1 == *" " ]] && words+=("")
    COMP_WORDS=("${words[@]}")
    COMP_CWORD=$((${#words[@]} - 1))
    COMP_LINE=$1
    COMP_POINT=${#1}
    COMPREPLY=()
    _orbisel_mine orbisel-mine "${words[COMP_CWORD]}" "${words[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' ' -
}

expect() {
    local got
    got=$(complete_line "$1")
    if [[ $got != "$2" ]]; then
        echo "FAIL '$1': got '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

expect "orbisel-mine " "diff export list resume roots run title"
expect "orbisel-mine r" "resume roots run"
expect "orbisel-mine --v" "--version"
expect "orbisel-mine run --de" "--depth"
expect "orbisel-mine run --ex" "--exclude --expand"
expect "orbisel-mine title 3 --ex" "--explain"
expect "orbisel-mine list --st" "--store"
expect "orbisel-mine run --pace " "adaptive fixed"
expect "orbisel-mine run --sources pc,mo" "pc,mobile"
expect "orbisel-mine run --sources pc,arrow," "pc,arrow,longtail pc,arrow,mobile pc,arrow,related"
expect "orbisel-mine run --expand l" "letters"
expect "orbisel-mine run --depth " ""

# --out offers folders and the files of the three formats.
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/sub"
touch "$folder/a.csv" "$folder/B.XLSX" "$folder/c.jsonl" "$folder/notes.txt"
cd "$folder" || exit 1
expect "orbisel-mine export 1 --out " "B.XLSX a.csv c.jsonl sub"
expect "orbisel-mine run --seeds n" "notes.txt"

# Every command and option the program knows is offered.
commands=$("$mine" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && /^  [a-z]/ {print $1}')
[[ -n $commands ]] || {
    echo "FAIL no commands in $mine --help"
    failures=$((failures + 1))
}
offered=" $(complete_line "orbisel-mine ") "
for command in $commands; do
    [[ $offered == *" $command "* ]] || {
        echo "FAIL command $command is not offered"
        failures=$((failures + 1))
    }
    options=" $(complete_line "orbisel-mine $command -") "
    for option in $("$mine" "$command" --help | grep -oE '^ +(-[a-zA-Z],)?--[a-z-]+' | grep -oE -- '--[a-z-]+'); do
        [[ $options == *" $option "* ]] || {
            echo "FAIL option $option of $command is not offered"
            failures=$((failures + 1))
        }
    done
done

[[ $failures -eq 0 ]] && echo "all completions as expected"
exit $((failures > 0))
