#!/bin/zsh -f
# Runs the zsh completion function of qrt58cli (dist/completion/_qrt58cli) on
# partial command lines, with the qrt58cli of this build and stand-ins for
# compsys's compadd, _files, compset and _call_program that record what is
# offered. Usage: test_completion.zsh COMPLETION_FILE QRT58CLI_FOLDER
setopt extendedglob
path=($2 $path)
local -a offered
compadd() {
  local suffix='' arrays=0 item
  while (( $# )); do
    case $1 in
      -S) suffix=$2; shift 2 ;;
      -a) arrays=1; shift ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  for item in "$@"; do
    if (( arrays )); then offered+=(${(P)item/%/$suffix}); else offered+=($item$suffix); fi
  done
}
_files() { offered+=('<files>') }
_path_files() { offered+=('<files>') }
compset() { [[ $1 == -P ]] && PREFIX=${PREFIX#*:} }
_call_program() { shift; "$@" }
autoload -Uz +X ${1:A}

failures=0
expect() {
  local line=$1 word
  shift
  words=(${(z)line})
  [[ $line == *' ' ]] && words+=('')
  CURRENT=$#words
  PREFIX=$words[CURRENT]
  offered=()
  _qrt58cli
  for word in "$@"; do
    if (( ! ${offered[(Ie)$word]} )); then
      print "FAIL: '$line' does not offer '$word' (offers: ${offered[1,12]})"
      (( failures++ ))
    fi
  done
}

expect 'qrt58cli ' new show set job write boards --help
expect 'qrt58cli write f.tbl --' --count --log --board --verbose
expect 'qrt58cli show ' '<files>'
expect 'qrt58cli job ' run
expect 'qrt58cli read f.tbl --board ' sim sim: io i2c: sim-i2c:
expect 'qrt58cli read f.tbl --board i2c:' '<files>'
expect 'qrt58cli set f.tbl capcodes.3.ca' capcodes.3.capcode= display.contrast=
expect 'qrt58cli set f.tbl ' frequency.box= prompts.N.text=

(( failures )) && { print "$failures failures"; exit 1 }
print "zsh completion: ok"
