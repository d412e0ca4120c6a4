#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times measuring a tree of 100,000 sparse files in nested directories
# against `du -s --apparent-size -B1` of the same tree, warm cache, in the
# same run, and checks that both give the same total (block size 1).
# Target: at most 1.2 times the time of du.
#
# Usage: bench/input_tree.sh [path/to/quarrimel] [repeats]
set -euo pipefail

binary=${1:-build/quarrimel}
repeats=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# 10 x 10 x 10 directories, 100 files in each of the innermost ones, files
# of one length per group of 25 so that truncate runs 4,000 times only.
tree="$work/tree"
for a in $(seq -w 0 9); do
  for b in $(seq -w 0 9); do
    for c in $(seq -w 0 9); do
      dir="$tree/a$a/b$b/c$c"
      mkdir -p "$dir"
      for g in 0 1 2 3; do
        truncate -s $((RANDOM * 97 + g)) $(seq -f "$dir/file_${g}_%02g" 0 24)
      done
    done
  done
done
files=$(find "$tree" -type f | wc -l)

calc() { awk "BEGIN { print $1 }"; }

# Best wall-clock seconds of `repeats` runs of the command.
best_of() {
  local best="" t start end
  for ((i = 0; i < repeats; ++i)); do
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    t=$(calc "$end - $start")
    if [[ -z $best ]] || (($(calc "$t < $best"))); then best=$t; fi
  done
  echo "$best"
}

run_du() { du -s --apparent-size -B1 "$tree"; }
# One item; the summary line with --show-bytes carries its size in bytes.
run_tool() { "$binary" -t 1000t --split --hide-items --show-bytes "$tree"; }

du_total=$(run_du | cut -f 1)
tool_total=$(run_tool | sed -n 's/^\[1\] [^(]*(\([0-9]*\)).*/\1/p')

du_s=$(best_of run_du)
tool_s=$(best_of run_tool)

printf '%s files, best of %s runs, warm cache\n' "$files" "$repeats"
printf '  du -s --apparent-size -B1  %6.3f s  total %s\n' "$du_s" "$du_total"
printf '  quarrimel                  %6.3f s  total %s  (%s x du; target <= 1.2)\n' \
  "$tool_s" "$tool_total" "$(awk "BEGIN { printf \"%.2f\", $tool_s / $du_s }")"

ok=1
[[ $tool_total == "$du_total" ]] || ok=0
(($(calc "$tool_s <= 1.2 * $du_s"))) || ok=0
if ((ok)); then echo "targets met"; else echo "targets missed"; exit 1; fi
