#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Loads the bash completion, as bash does on demand, and checks what it
# offers after typical command lines: options, units after a size, nothing
# after a number, file names for operands. Runs once in plain bash and once
# on top of the bash-completion package when that is installed.
#
# Usage: bash_completion_test.sh path/to/quarrimel.bash path/to/quarrimel
set -u
completion=$(realpath "$1")
binary=$(realpath "$2")
framework=/usr/share/bash-completion/bash_completion

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/fixture_dir" "$work/7dir"
touch "$work/fixture_file" "$work/7file" "$work/-dash"

# The options of the help text, in the form `-a -b ...`, sorted.
help_options=$("$binary" -h | sed -n 's/^  \(-.*\)/\1/p' |
  tr ',' '\n' | awk '{ print $1 }' | sort -u | tr '\n' ' ')

# Prints the offers for a command line whose last word is being completed
# (an empty last word is written as ''), sorted, on one line.
offers() {
  local setup=$1 line=$2
  (
    cd "$work" || exit 1
    eval "$setup"
    # shellcheck source=/dev/null
    source "$completion"
    eval "COMP_WORDS=($line)"
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    _quarrimel quarrimel "${COMP_WORDS[COMP_CWORD]}" \
      "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sed 's:/$::' | sort | tr '\n' ' '
  )
}

ga_options=$(printf '%s\n' $help_options | grep -- '^--ga-' | tr '\n' ' ')

# Each case: command line | expected offers (sorted, space-separated).
cases=(
  "quarrimel --ga-|$ga_options"
  "quarrimel -t 7|7g 7k 7m 7t "
  "quarrimel --max-size 1.5|1.5g 1.5k 1.5m 1.5t "
  "quarrimel -t ''|700m 4.3g 23g "
  "quarrimel --si --target ''|700m 4.7g 25g "
  "quarrimel --min ''|"
  "quarrimel -t 7m --bins 7|"
  "quarrimel -B ''|"
  "quarrimel --ga-cp 0|"
  "quarrimel --dw ''|\\\\0 \\\\n \\\\t "
  "quarrimel --bs '\\\\n'|\\\\n "
  "quarrimel -t 7m fix|fixture_dir fixture_file "
  "quarrimel -t 7m --ga-theo 7|7dir 7file "
  "quarrimel -t 7m -- -|-dash "
  "quarrimel -|- $help_options"
)

setups=("unset -f _filedir 2>/dev/null; true")
if [[ -r $framework ]]; then
  setups+=("source $framework")
else
  echo "note: $framework not found; checked without the bash-completion package"
fi

passed=0
failed=0
for setup in "${setups[@]}"; do
  for case in "${cases[@]}"; do
    line=${case%%|*}
    want=$(printf '%s\n' ${case#*|} | sort | tr '\n' ' ')
    [[ -z ${case#*|} ]] && want=""
    got=$(offers "$setup" "$line")
    [[ $got == " " ]] && got=""
    if [[ $got == "$want" ]]; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1))
      printf 'FAIL [%s] %s\n  want: %s\n  got:  %s\n' "$setup" "$line" "$want" "$got"
    fi
  done
done
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
