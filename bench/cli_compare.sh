#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that two builds of the program behave the same from outside on a
# table of command lines: errors and warnings, every printing option,
# --verbose, direct-input units and the three engines, on a small tree of
# files and on standard input. For each line it compares standard output,
# standard error and the exit status. Run it across a change that must not
# change behaviour (a move of files, a new way of routing messages).
#
# Usage: bench/cli_compare.sh BASE NEW
# Prints one line per command line and exits with status 1 on any
# difference.
set -euo pipefail

base=${1:?usage: bench/cli_compare.sh BASE NEW}
new=${2:?usage: bench/cli_compare.sh BASE NEW}
base=$(realpath "$base")
new=$(realpath "$new")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir -p tree/sub tree/empty
printf 'aaaa' >tree/a
head -c 3000 /dev/zero >tree/b
head -c 70000 /dev/zero >tree/sub/c
head -c 5000 /dev/zero >'tree/d e'
head -c 0 /dev/zero >tree/zero
# Records with distinct sizes, so that no order of equal keys is involved.
awk 'BEGIN { for (i = 1; i <= 60; i++) printf "%d item%02d\n", 20 + (i * 37) % 81 + i / 100, i }' \
  >records.txt
printf '10 x\nnot-a-number y\n\n5000 big\n-3 neg\n0 zero\n7.5 frac\n' >odd.txt
printf 'tree/a\0tree/b\0tree/sub\0' >names0.txt

same=0
differ=0
# compare LABEL INPUT ARGS...: runs both with ARGS and INPUT on stdin.
compare() {
  local label=$1 input=$2
  shift 2
  local bs=0 ns=0
  "$base" "$@" <"$input" >base.out 2>base.err || bs=$?
  "$new" "$@" <"$input" >new.out 2>new.err || ns=$?
  if [[ $bs == "$ns" ]] && cmp -s base.out new.out && cmp -s base.err new.err; then
    same=$((same + 1))
    printf 'same    %s (status %s)\n' "$label" "$ns"
  else
    differ=$((differ + 1))
    printf 'DIFFER  %s (status %s vs %s)\n' "$label" "$bs" "$ns"
  fi
}

tree=(tree/a tree/b tree/sub 'tree/d e' tree/zero tree/empty tree/missing)
while IFS= read -r line; do
  [[ -z $line || $line == \#* ]] && continue
  read -r -a args <<<"$line"
  compare "tree: $line" /dev/null "${args[@]}" "${tree[@]}"
done <<'LINES'
# Errors and help.
-h
--version
--ga-ps
-t
-t 0
-t abc
--no-such-option -t 10k
-t 1
# Printing options.
-t 10k
-t 10k -v
-t 10k --hi
-t 10k --hs
-t 10k --ss
-t 10k --sb
-t 10k -s
-t 10k -s -r
-t 10k -n -r
-t 10k --si --ss
-t 10k -Z -0
-t 10k --bins 1
-t 10k -B 4096 --sb
-t 10k --min 100 --max 6k
-t 100k --split -v
-t 100k --approximate -v
LINES

while IFS= read -r line; do
  [[ -z $line || $line == \#* ]] && continue
  read -r -a args <<<"$line"
  compare "records: $line" records.txt - --di "${args[@]}"
done <<'LINES'
-t 150
-t 150 -v
-t 150 --ga-s 7 -v
-t 150 --ga-theo -v
-t 150 --ga-ng 3 --ga-ps 5 --ga-sp 4 --ga-cp 0.5 --ga-mp 0.3 -v
-t 150 --approximate -s
-t 150 --split -s -r
-t 150 --di-b --ss
-t 150 --di-k --si --sb
-t 150 --hi --bins 3
-t 150 --ga-ng 5 --ga-ng 7
-t 150 --ga-cp 3
LINES
compare "odd records" odd.txt - --di -t 100 -v
compare "odd records, bytes" odd.txt - --di --di-b -t 1k
compare "NUL names" names0.txt - -z -t 100k -Z -0
echo "$same same, $differ differ"
((differ == 0))
