#!/bin/bash
# Runs bash's completion function of qrt58cli (dist/completion/qrt58cli.bash)
# on partial command lines, with the qrt58cli of this build, and checks what
# it offers. Usage: test_completion.sh COMPLETION_SCRIPT QRT58CLI_FOLDER
set -u
script=$1
PATH=$2:$PATH
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
. /usr/share/bash-completion/bash_completion
. "$script"
compopt() { :; } # the builtin works only inside a completion bash runs
cd "$scratch" && touch receiver.tbl run.csv && mkdir parts

failures=0
# complete LINE: COMPREPLY for the last word of LINE (after a trailing space: an empty word).
complete_line() {
    local line=$1
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    _qrt58cli qrt58cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
}
# expect LINE WORD...: each WORD is offered.   refuse LINE WORD...: none is.
expect() {
    local line=$1 word
    shift
    complete_line "$line"
    for word in "$@"; do
        if ! printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$word"; then
            echo "FAIL: '$line' does not offer '$word' (offers: ${COMPREPLY[*]:0:12})"
            failures=$((failures + 1))
        fi
    done
}
refuse() {
    local line=$1 word
    shift
    complete_line "$line"
    for word in "$@"; do
        if printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$word"; then
            echo "FAIL: '$line' offers '$word'"
            failures=$((failures + 1))
        fi
    done
}

expect "qrt58cli " new show diff set job registry read write verify boards board --help --version
expect "qrt58cli wr" write
refuse "qrt58cli wr" read verify
expect "qrt58cli write receiver.tbl --c" --count
expect "qrt58cli write receiver.tbl --" --count --log --board --line-delay --trace-vcd --quiet --verbose --help
refuse "qrt58cli read receiver.tbl --" --count --log --json
expect "qrt58cli show r" receiver.tbl
expect "qrt58cli write receiver.tbl --log r" run.csv
expect "qrt58cli read receiver.tbl --board " sim sim: ppdev ppdev: io i2c i2c:
expect "qrt58cli read receiver.tbl --board i" io i2c i2c:
expect "qrt58cli board s" sim sim: sim-i2c sim-i2c:
expect "qrt58cli job " run
expect "qrt58cli registry ex" export
expect "qrt58cli set receiver.tbl display.con" display.contrast=
expect "qrt58cli set receiver.tbl capcodes.3.cap" capcodes.3.capcode=
expect "qrt58cli set receiver.tbl prompts.12" prompts.12.text=
expect "qrt58cli set receiver.tbl frequency" frequency.box= frequency.range=
refuse "qrt58cli set receiver.tbl capcodes.3.cap" capcodes.N.capcode=
expect "qrt58cli set r" receiver.tbl
expect "qrt58cli set --" --list --from --help
# Every setting family set --list names is offered, so none can be left out.
complete_line "qrt58cli set receiver.tbl "
for name in $(qrt58cli set --list | cut -d' ' -f1); do
    printf '%s\n' "${COMPREPLY[@]}" | grep -qxF -- "$name=" || { echo "FAIL: set does not offer $name="; failures=$((failures + 1)); }
done

if [ "$failures" -ne 0 ]; then
    echo "$failures failures"
    exit 1
fi
echo "completion: ok"
