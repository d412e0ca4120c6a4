#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times reading and accepting 1,000,000 direct-input records ("size name"
# lines, names of 20 bytes) against `LC_ALL=C sort -n --parallel=1` of the
# same file, in the same run, and reports the peak memory of the tool.
# The tool runs Split with nothing printed, so the input reader dominates.
# Targets: faster than the sort; peak resident memory under 150 MB.
#
# Usage: bench/input_direct.sh [path/to/quarrimel] [records] [repeats]
set -euo pipefail

binary=${1:-build/quarrimel}
records=${2:-1000000}
repeats=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

awk -v n="$records" 'BEGIN {
  srand(3)
  for (i = 0; i < n; ++i) printf "%d i_%014d.dat\n", 1 + int(rand() * 1000000), i
}' >"$work/records.txt"

calc() { awk "BEGIN { print $1 }"; }

# Best wall-clock seconds of `repeats` runs of the command.
best_of() {
  local best="" t start end
  for ((i = 0; i < repeats; ++i)); do
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    t=$(calc "$end - $start")
    if [[ -z $best ]] || (($(calc "$t < $best"))); then best=$t; fi
  done
  echo "$best"
}

run_sort() { LC_ALL=C sort -n --parallel=1 "$work/records.txt" >/dev/null; }
tool_args=(- --di -t 1e18 --split --hide-items --hide-summary)
run_tool() { "$binary" "${tool_args[@]}" <"$work/records.txt" >/dev/null; }

# Every record must be accepted: count them in a listing of the names.
accepted=$("$binary" - --di -t 1e18 --split --hide-summary \
  <"$work/records.txt" | grep -c '^i_')
peak_kb=$(/usr/bin/time -f %M "$binary" "${tool_args[@]}" \
  <"$work/records.txt" 2>&1 >/dev/null | tail -n 1)

sort_s=$(best_of run_sort)
tool_s=$(best_of run_tool)

printf '%s records, %s accepted, best of %s runs\n' "$records" "$accepted" "$repeats"
printf '  sort -n --parallel=1  %6.3f s\n' "$sort_s"
printf '  quarrimel             %6.3f s  (%s x sort; target < 1)\n' "$tool_s" \
  "$(awk "BEGIN { printf \"%.2f\", $tool_s / $sort_s }")"
peak_mb=$(calc "$peak_kb * 1024 / 1000000")  # time reports KiB.
printf '  peak memory           %6.1f MB (target < 150)\n' "$peak_mb"

ok=1
((accepted == records)) || ok=0
(($(calc "$tool_s < $sort_s"))) || ok=0
(($(calc "$peak_mb < 150"))) || ok=0
if ((ok)); then echo "targets met"; else echo "targets missed"; exit 1; fi
