#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the default engine (the genetic algorithm, default settings, seed 1)
# end to end on instance files of "size identifier" records, and reports per
# file the median wall and CPU time (user + system) and the peak resident
# memory of `repeats` runs, the population size P and generation count G,
# and the time per offspring (the median CPU time over P * G: every
# generation, the initial population included, makes about P individuals).
#
# Usage: bench/ga_bench.sh [path/to/quarrimel] [repeats] FILE...
# The capacity is taken from the file name (".c150.txt" means 150).
# Targets: each file of up to 1,000 items at most 1.0 s; each larger file at
# most 15 s and under 500 MB; the time per offspring of the largest files at
# most 11 times that of the 1,000-item files. Times are judged on the wall
# clock, as a user sees them; on a machine shared with other work the wall
# time exceeds the CPU time, which is then the figure to trust. Exits with
# status 1 when a target is missed.
set -euo pipefail

binary=${1:-build/quarrimel}
repeats=${2:-5}
shift 2 || true
if [[ $# -eq 0 ]]; then
  set -- ../shared/bench-data/u1000_0[0-4].c150.txt ../shared/bench-data/u10000_0[0-1].c150.txt
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ok=1
small_offspring=()
large_offspring=()
printf '%-20s %6s %4s %4s %8s %8s %8s %12s\n' file items P G "wall s" "cpu s" "peak MB" "us/offspring"
for file in "$@"; do
  capacity=$(basename "$file" | sed -E 's/.*\.c([0-9]+)\.txt$/\1/')
  items=$(wc -l <"$file")
  run=("$binary" - --di -t "$capacity" --ga-seed 1)
  # The header gives P and G; it takes no draws.
  "${run[@]}" -v <"$file" >"$work/verbose"
  population=$(sed -n 's/^> Population size: //p' "$work/verbose")
  generations=$(sed -n 's/^> Max number of generations: //p' "$work/verbose")
  : >"$work/wall"
  : >"$work/cpu"
  : >"$work/rss"
  for ((i = 0; i < repeats; ++i)); do
    /usr/bin/time -f '%e %U %S %M' -o "$work/one" "${run[@]}" <"$file" >/dev/null
    read -r wall user system kb <"$work/one"
    echo "$wall" >>"$work/wall"
    awk -v u="$user" -v s="$system" 'BEGIN { print u + s }' >>"$work/cpu"
    echo "$kb" >>"$work/rss"
  done
  wall=$(median <"$work/wall")
  cpu=$(median <"$work/cpu")
  peak_mb=$(sort -g "$work/rss" | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
  per_offspring=$(awk -v c="$cpu" -v p="$population" -v g="$generations" \
    'BEGIN { printf "%.1f", 1e6 * c / (p * g) }')
  printf '%-20s %6s %4s %4s %8s %8s %8s %12s\n' "$(basename "$file")" "$items" \
    "$population" "$generations" "$wall" "$cpu" "$peak_mb" "$per_offspring"
  if ((items <= 1000)); then
    small_offspring+=("$per_offspring")
    (($(awk -v s="$wall" 'BEGIN { print (s <= 1.0) }'))) || ok=0
  else
    large_offspring+=("$per_offspring")
    (($(awk -v s="$wall" -v m="$peak_mb" 'BEGIN { print (s <= 15 && m < 500) }'))) || ok=0
  fi
done
if ((${#small_offspring[@]} > 0 && ${#large_offspring[@]} > 0)); then
  growth=$(printf '%s\n' "${small_offspring[@]}" | awk -v large="${large_offspring[*]}" '
    { small += $1; n += 1 }
    END { m = split(large, l, " "); for (i = 1; i <= m; ++i) sum += l[i]
          printf "%.2f", (sum / m) / (small / n) }')
  echo "time per offspring grows ${growth} times from the smaller files to the larger ones"
  (($(awk -v g="$growth" 'BEGIN { print (g <= 11) }'))) || ok=0
fi
if ((ok)); then echo "targets met"; else echo "targets missed"; exit 1; fi
