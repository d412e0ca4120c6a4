#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that two builds of the program, made with different compilers or
# standard libraries (CI: g++ with GNU libstdc++ against clang with LLVM's
# libc++), give byte-identical listings: a seed and an input must give one
# packing on every system. On every instance file of a folder: the default
# engine with each seed, plain and verbose (the verbose listing shows every
# improvement along the run); Best Fit (--approximate) and the in-order
# split (--split), each with and without -s.
#
# Usage: bench/compare_builds.sh FIRST SECOND [DIR]
#   FIRST, SECOND  the two binaries
#   DIR            instance files named "*.cN.txt" (N the capacity); default
#                  bench/instances/small, the 40 files of
#                  ../shared/bench-data/ below 5,000 items
# Environment: SEEDS (default "1 7").
# Prints one line per difference (standard output or exit status), then a
# count, and exits with status 1 on any difference. The two binaries run
# side by side.
set -euo pipefail

first=${1:?usage: bench/compare_builds.sh FIRST SECOND [DIR]}
second=${2:?usage: bench/compare_builds.sh FIRST SECOND [DIR]}
dir=${3:-$(dirname "$0")/instances/small}
seeds=${SEEDS:-1 7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Runs BINARY with the arguments, standard input from INPUT, standard output
# to OUT and the exit status to OUT.status.
run() {
  local binary=$1 input=$2 out=$3 status=0
  shift 3
  "$binary" "$@" <"$input" >"$out" 2>/dev/null || status=$?
  echo "$status" >"$out.status"
}

same=0
differ=0
compare() {
  local label=$1 input=$2
  shift 2
  run "$first" "$input" "$work/first" "$@" &
  run "$second" "$input" "$work/second" "$@"
  wait
  if cmp -s "$work/first.status" "$work/second.status" &&
     cmp -s "$work/first" "$work/second"; then
    same=$((same + 1))
  else
    differ=$((differ + 1))
    printf 'DIFFER  %s (status %s vs %s)\n' "$label" \
      "$(cat "$work/first.status")" "$(cat "$work/second.status")"
  fi
}

shopt -s nullglob
files=("$dir"/*.c*.txt)
if ((${#files[@]} == 0)); then
  echo "no instance files in $dir" >&2
  exit 2
fi
for file in "${files[@]}"; do
  capacity=$(basename "$file" | sed -E 's/.*\.c([0-9]+)\.txt$/\1/')
  name=$(basename "$file")
  for seed in $seeds; do
    compare "$name --ga-seed $seed" "$file" - --di -t "$capacity" \
      --ga-seed "$seed"
    compare "$name --ga-seed $seed -v" "$file" - --di -t "$capacity" \
      --ga-seed "$seed" -v
  done
  for engine in --approximate --split; do
    compare "$name $engine" "$file" - --di -t "$capacity" "$engine"
    compare "$name $engine -s" "$file" - --di -t "$capacity" "$engine" -s
  done
done

echo "$((same + differ)) comparisons: $same same, $differ differ"
((differ == 0))
