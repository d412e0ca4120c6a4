#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times two builds of the program against each other with the default engine:
# per instance file and seed, runs A and B in turn `repeats` times (A B A B
# ...), and reports the median CPU time (user + system) of each, their
# ratio A/B, and the peak resident memory of each; then the sums over all
# files and seeds and their ratio. Taking turns keeps the ratio meaningful
# on a machine whose speed drifts with other work.
#
# Usage: bench/ga_versus.sh A B [repeats] FILE...
#   A, B     the two binaries (A the one judged, B the yardstick)
#   repeats  runs of each per file and seed (default 3)
#   FILE     instance files "*.cN.txt" (N the capacity)
# Environment: SEEDS (default "1 7"); ARGS, more options for both (e.g.
# "--ga-ng 3").
set -euo pipefail

a=${1:?usage: bench/ga_versus.sh A B [repeats] FILE...}
b=${2:?usage: bench/ga_versus.sh A B [repeats] FILE...}
shift 2
repeats=3
if [[ $# -gt 0 && $1 =~ ^[0-9]+$ ]]; then
  repeats=$1
  shift
fi
seeds=${SEEDS:-1 7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# One timed run: appends "cpu peak_kb" to $work/$2.
timed() {
  local binary=$1 label=$2 file=$3 capacity=$4 seed=$5
  # shellcheck disable=SC2086
  /usr/bin/time -f '%U %S %M' -o "$work/one" "$binary" - --di -t "$capacity" \
    --ga-seed "$seed" ${ARGS:-} <"$file" >/dev/null
  awk '{ print $1 + $2, $3 }' "$work/one" >>"$work/$label"
}

total_a=0
total_b=0
printf '%-22s %4s %9s %9s %7s %9s %9s\n' file seed "A cpu s" "B cpu s" "A/B" "A MB" "B MB"
for file in "$@"; do
  capacity=$(basename "$file" | sed -E 's/.*\.c([0-9]+)\.txt$/\1/')
  for seed in $seeds; do
    : >"$work/A"
    : >"$work/B"
    for ((i = 0; i < repeats; ++i)); do
      timed "$a" A "$file" "$capacity" "$seed"
      timed "$b" B "$file" "$capacity" "$seed"
    done
    cpu_a=$(cut -d' ' -f1 "$work/A" | median)
    cpu_b=$(cut -d' ' -f1 "$work/B" | median)
    peak_a=$(cut -d' ' -f2 "$work/A" | sort -g | tail -1)
    peak_b=$(cut -d' ' -f2 "$work/B" | sort -g | tail -1)
    total_a=$(awk -v s="$total_a" -v x="$cpu_a" 'BEGIN { print s + x }')
    total_b=$(awk -v s="$total_b" -v x="$cpu_b" 'BEGIN { print s + x }')
    awk -v f="$(basename "$file")" -v s="$seed" -v a="$cpu_a" -v b="$cpu_b" \
      -v pa="$peak_a" -v pb="$peak_b" 'BEGIN {
        printf "%-22s %4s %9.2f %9.2f %7.3f %9.1f %9.1f\n", f, s, a, b, a / b,
          pa / 1024, pb / 1024 }'
  done
done
awk -v a="$total_a" -v b="$total_b" 'BEGIN {
  printf "%-27s %9.2f %9.2f %7.3f\n", "all", a, b, a / b }'
