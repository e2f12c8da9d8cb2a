#!/usr/bin/env bash
# Completes orbisk-cli command lines the way bash does on Tab, and checks the offers.
# Usage: completion_test.sh COMPLETION_FILE
set -u
source /usr/share/bash-completion/bash_completion
source "$1"
failures=0
# complete LINE EXPECTED...: LINE ends where Tab is pressed (a trailing blank: a new word).
check() {
  local line=$1; shift
  read -ra COMP_WORDS <<<"$line"
  [[ $line == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE=$line COMP_POINT=${#line}
  COMPREPLY=()
  _orbisk_cli orbisk-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}"
  local got="${COMPREPLY[*]}" want="$*"
  if [[ $got != "$want" ]]; then
    echo "FAIL: '$line' offered '$got', expected '$want'"
    failures=$((failures + 1))
  fi
}
check "orbisk-cli " search categories details --database --help --version
check "orbisk-cli se" search
check "orbisk-cli search " company contact
check "orbisk-cli --database x.mdb search co" company contact
check "orbisk-cli search company --export " access excel csv xml html column
check "orbisk-cli search company --export c" csv column
check "orbisk-cli search contact --order-by e" email employees
check "orbisk-cli search company --area-code " = '\>' '\>=' '\<' '\<=' '\<\>'
check "orbisk-cli search company --year \\>" '\>' '\>='
check "orbisk-cli search company --year = " ""
check "orbisk-cli search company --area-code = 204 --with-u" --with-url
check "orbisk-cli search company --location Ontario --to" --top
check "orbisk-cli search company --top a" all
check "orbisk-cli search company --location Montreal --ig" --ignore-accents
check "orbisk-cli search company --column Company_N" Company_Name
check "orbisk-cli categories " ""
[[ $failures -eq 0 ]] && echo "all completions as expected"
exit $((failures > 0))
