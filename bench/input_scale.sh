#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times --approximate end to end on 5,000,000 direct-input records (five
# copies of a file of 1,000,000 "size some/dir/file-NNNNNNNNN.dat" lines,
# sizes 1 to 1000000, target 4000000: about eight items a bin), the listing
# written to a file, against `LC_ALL=C sort -n --parallel=1` of the same
# file in the same run, and compares the peak resident memory of the two.
# Targets: at most 1.5 times the sort's time, a peak no larger than the
# sort's. --split is reported beside them.
#
# Usage: bench/input_scale.sh [path/to/quarrimel] [copies] [records] [repeats]
set -euo pipefail

binary=${1:-build/quarrimel}
copies=${2:-5}
records=${3:-1000000}
repeats=${4:-3}
target=4000000
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v n="$records" 'BEGIN {
  srand(7)
  for (i = 1; i <= n; ++i)
    printf "%d some/dir/file-%09d.dat\n", 1 + int(rand() * 1000000), i
}' >"$work/one.txt"
for ((c = 0; c < copies; ++c)); do cat "$work/one.txt"; done >"$work/items.txt"
rm "$work/one.txt"

calc() { awk "BEGIN { print $1 }"; }

# Runs the command `repeats` times under /usr/bin/time; prints the best wall
# seconds and the largest peak (KiB).
measure() {
  local best="" peak=0 line t kb
  for ((i = 0; i < repeats; ++i)); do
    line=$(/usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -n 1)
    read -r t kb <<<"$line"
    if [[ -z $best ]] || (($(calc "$t < $best"))); then best=$t; fi
    ((kb > peak)) && peak=$kb
  done
  echo "$best $peak"
}

sh_sort="LC_ALL=C exec sort -n --parallel=1 '$work/items.txt' >'$work/sorted.txt'"
sh_approximate="exec '$binary' - --di -t $target --approximate <'$work/items.txt' >'$work/approximate.txt'"
sh_split="exec '$binary' - --di -t $target --split <'$work/items.txt' >'$work/split.txt'"

read -r sort_s sort_kb <<<"$(measure sh -c "$sh_sort")"
read -r approximate_s approximate_kb <<<"$(measure sh -c "$sh_approximate")"
read -r split_s split_kb <<<"$(measure sh -c "$sh_split")"

items=$((copies * records))
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
mb() { awk "BEGIN { printf \"%.0f\", $1 * 1024 / 1000000 }"; }
printf '%s records, best time of %s runs, largest peak, listings written to files\n' \
  "$items" "$repeats"
printf '  sort -n        %6.2f s  %5s MB\n' "$sort_s" "$(mb "$sort_kb")"
printf '  --approximate  %6.2f s  %5s MB  (%s x sort time, target <= 1.5; %s x sort peak, target <= 1)\n' \
  "$approximate_s" "$(mb "$approximate_kb")" "$(ratio "$approximate_s" "$sort_s")" \
  "$(ratio "$approximate_kb" "$sort_kb")"
printf '  --split        %6.2f s  %5s MB  (%s x sort time; %s x sort peak)\n' \
  "$split_s" "$(mb "$split_kb")" "$(ratio "$split_s" "$sort_s")" \
  "$(ratio "$split_kb" "$sort_kb")"
printf '  bytes a record at the peak: %s (approximate)\n' \
  "$(awk "BEGIN { printf \"%.0f\", $approximate_kb * 1024 / $items }")"
bins=$(grep -c '^\[' "$work/approximate.txt")
listed=$(grep -c '^some/dir/file-' "$work/approximate.txt")
printf '  bins: %s, items listed: %s\n' "$bins" "$listed"

ok=1
((listed == items)) || ok=0
(($(calc "$approximate_s <= 1.5 * $sort_s"))) || ok=0
((approximate_kb <= sort_kb)) || ok=0
if ((ok)); then echo "targets met"; else echo "targets missed"; exit 1; fi
