#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks a build's default-engine listings against listings stored from a
# reference build, byte for byte, instead of running the reference again
# (its runs on the large files take minutes).
#
# Usage: bench/ga_compare_stored.sh NEW REFDIR [DIR]
#   NEW     the binary to check
#   REFDIR  stored listings named NAME.sSEED.plain.txt (the plain listing)
#           and NAME.sSEED.v.txt (with -v), NAME the instance file's name
#           without ".txt"; each listing there is checked, others are not
#   DIR     the instance files, "*.cN.txt" (N the capacity); default
#           ../shared/bench-data
# Each stored listing is the output of
#   quarrimel - --di -t N --ga-seed SEED [-v] < DIR/NAME.txt
# Environment: JOBS (default 2) runs that many checks at once; ONLY, a
# regular expression, checks only the listings whose file names match.
# Prints one line per listing and exits with status 1 on any difference.
set -euo pipefail

new=${1:?usage: bench/ga_compare_stored.sh NEW REFDIR [DIR]}
refdir=${2:?usage: bench/ga_compare_stored.sh NEW REFDIR [DIR]}
dir=${3:-../shared/bench-data}
jobs=${JOBS:-2}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

check() {
  local stored=$1
  local base name seed mode capacity
  base=$(basename "$stored" .txt)
  mode=${base##*.}
  base=${base%.*}
  seed=${base##*.s}
  name=${base%.s*}
  capacity=${name##*.c}
  local args=(- --di -t "$capacity" --ga-seed "$seed")
  [[ $mode == v ]] && args+=(-v)
  local out="$work/$base.$mode"
  "$new" "${args[@]}" <"$dir/$name.txt" >"$out" 2>/dev/null || true
  if cmp -s "$stored" "$out"; then
    printf 'same    %s\n' "$(basename "$stored")"
  else
    printf 'DIFFER  %s\n' "$(basename "$stored")"
  fi
  rm -f "$out"
}
export -f check
export new dir work

for stored in "$refdir"/*.s*.plain.txt "$refdir"/*.s*.v.txt; do
  [[ -e $stored && $(basename "$stored") =~ ${ONLY:-.} ]] && echo "$stored"
done | xargs -r -P "$jobs" -I{} bash -c 'check "$1"' _ {} | tee "$work/results"
same=$(grep -c '^same' "$work/results" || true)
differ=$(grep -c '^DIFFER' "$work/results" || true)
echo "$same same, $differ differ"
((differ == 0 && same > 0))
