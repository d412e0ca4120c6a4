#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Loads the zsh completion through compinit in an interactive zsh on a
# pseudo-terminal, presses Tab after typical command lines and checks what
# the screen offers: units after a size, the --ga- options, file names for
# operands, no file names after a number option.
#
# Usage: zsh_completion_test.sh path/to/completions-folder path/to/quarrimel
set -u
if ! command -v zsh >/dev/null; then
  echo "zsh is not installed; skipped"
  exit 77
fi
dir=$(realpath "$1")
binary=$(realpath "$2")
zsh -n "$dir/_quarrimel" || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/fixture_dir"
touch "$work/fixture_file" "$work/7file"

# Prints what the terminal shows after typing the line and two Tabs, with
# the terminal's control sequences taken out.
screen() {
  HOME=$work ZDOTDIR=$work zsh -f -c '
    zmodload zsh/zpty
    zpty z zsh -f -i
    zpty -w z "PS1=; fpath=($1 \$fpath); autoload -Uz compinit; compinit -u -D"
    zpty -w z "unsetopt beep; LISTMAX=1000; cd $2; print READY"
    zpty -r z line "*READY*"
    zpty -w -n z "$3"$'"'"'\t\t'"'"'
    sleep 1
    zpty -w -n z $'"'"'\C-u'"'"'
    zpty -w z "print DONE"
    while zpty -r -t z line; do
      print -rn -- "$line"
      [[ $line == *DONE* ]] && break
    done
    zpty -d z' zsh "$dir" "$work" "$1" |
    sed 's/\x1b\[[0-9;?]*[a-zA-Z]//g' | tr -d '\r'
}

passed=0
failed=0
# expect LINE WORD...: every WORD must be on the screen; a WORD starting
# with ! must not.
expect() {
  line=$1
  shift
  shown=$(screen "$line")
  ok=1
  for word in "$@"; do
    case $word in
      !*) printf '%s' "$shown" | grep -qF -- "${word#!}" && ok=0 ;;
      *) printf '%s' "$shown" | grep -qF -- "$word" || ok=0 ;;
    esac
  done
  if [ $ok -eq 1 ]; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    printf 'FAIL: %s <Tab>; want %s\n  screen: %s\n' "$line" "$*" "$shown"
  fi
}

ga_options=$("$binary" -h | sed -n 's/^  \(--ga-.*\)/\1/p' | tr ',' '\n' |
  awk '{ print $1 }')
# shellcheck disable=SC2086  # one word per option
expect "quarrimel --ga-" $ga_options '!7file'
expect "quarrimel -t 7" 7k 7m 7g 7t '!7file'
expect "quarrimel -t " 700m 4.3g 23g '!7file'
expect "quarrimel --si --target " 700m 4.7g 25g '!4.3g' '!7file'
expect "quarrimel -t 7m fix" fixture_file fixture_dir
expect "quarrimel -t 7m --ga-s 7" '!7file'
expect "quarrimel --dw " 'NUL' 'newline' 'tab' '!7file'
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
