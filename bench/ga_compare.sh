#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks that two builds of the program give byte-identical listings with the
# default engine: for every instance file of a folder (default settings, for
# each seed, the plain listing and the verbose one, whose progress reports
# show every improvement of the best packing along the run) and for a run over files
# on disk with many items per bin. Any change to the genetic algorithm that
# must not change which packing a seed gives is checked with it against a
# build of the commit before the change.
#
# Usage: bench/ga_compare.sh BASE NEW [DIR] [--large]
#   BASE, NEW  the two binaries
#   DIR        instance files named "*.cN.txt" (N the capacity); default
#              ../shared/bench-data
#   --large    also the files of 5,000 items or more (minutes each; only
#              their verbose listing)
# Environment: SEEDS (default "1 7"), DISK_GLOB (default /usr/share/doc/*),
# DISK_TARGET (default 5m), LARGE_ONLY=1 (with --large: the large files
# alone).
# Prints one line per comparison and exits with status 1 on any difference.
set -euo pipefail

base=${1:?usage: bench/ga_compare.sh BASE NEW [DIR] [--large]}
new=${2:?usage: bench/ga_compare.sh BASE NEW [DIR] [--large]}
shift 2
dir=../shared/bench-data
large=0
for arg in "$@"; do
  case $arg in
    --large) large=1 ;;
    *) dir=$arg ;;
  esac
done
seeds=${SEEDS:-1 7}
disk_target=${DISK_TARGET:-5m}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

same=0
differ=0
# Runs both binaries with the same arguments and standard input and compares
# their standard output and exit status.
compare() {
  local label=$1 input=$2
  shift 2
  local base_status=0 new_status=0
  "$base" "$@" <"$input" >"$work/base" 2>/dev/null || base_status=$?
  "$new" "$@" <"$input" >"$work/new" 2>/dev/null || new_status=$?
  if [[ $base_status == "$new_status" ]] && cmp -s "$work/base" "$work/new"; then
    same=$((same + 1))
    printf 'same    %s (%s lines)\n' "$label" "$(wc -l <"$work/new")"
  else
    differ=$((differ + 1))
    printf 'DIFFER  %s (status %s vs %s)\n' "$label" "$base_status" "$new_status"
  fi
}

# LARGE_ONLY=1 skips the smaller files, to check the large ones separately.
for file in "$dir"/*.c*.txt; do
  capacity=$(basename "$file" | sed -E 's/.*\.c([0-9]+)\.txt$/\1/')
  items=$(wc -l <"$file")
  if ((items >= 5000 && !large)); then continue; fi
  if ((items < 5000 && ${LARGE_ONLY:-0})); then continue; fi
  for seed in $seeds; do
    name="$(basename "$file") seed $seed"
    # The verbose listing holds the plain one; on large files, whose runs
    # take minutes, it alone is compared.
    if ((items < 5000)); then
      compare "$name" "$file" - --di -t "$capacity" --ga-seed "$seed"
    fi
    compare "$name -v" "$file" - --di -t "$capacity" --ga-seed "$seed" -v
  done
done

# Files on disk: large bins of small files. Both binaries measure the same
# tree within moments of each other.
shopt -s nullglob
paths=(${DISK_GLOB:-/usr/share/doc/*})
if ((${#paths[@]} > 0)); then
  for seed in $seeds; do
    compare "${#paths[@]} paths, -t $disk_target, seed $seed -v" /dev/null \
      -t "$disk_target" --ga-seed "$seed" -v "${paths[@]}"
  done
fi

echo "$same same, $differ differ"
((differ == 0))
