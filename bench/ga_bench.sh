#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Times the default engine (the genetic algorithm, default settings, seed 1)
# end to end on instance files of "size identifier" records, and reports per
# file the median wall time and peak resident memory of `repeats` runs, the
# generation count and the time per generation. When a C compiler is at hand
# it also counts the calls of rand() in one run and times rand() alone: the
# engine must make exactly those draws, so their cost is a floor under the
# time ("draws s").
#
# Usage: bench/ga_bench.sh [path/to/quarrimel] [repeats] FILE...
# The capacity is taken from the file name (".c150.txt" means 150).
# Targets: the 1,000-item uniform instances under 2 s, the 10,000-item ones
# under 30 s and 500 MB. Exits with status 1 when a target is missed.
set -euo pipefail

binary=${1:-build/quarrimel}
repeats=${2:-5}
shift 2 || true
if [[ $# -eq 0 ]]; then
  set -- ../shared/bench-data/u1000_0[0-4].c150.txt ../shared/bench-data/u10000_0[0-1].c150.txt
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A preloaded wrapper around rand() that counts the calls of one run.
counter=""
if command -v cc >/dev/null; then
  cat >"$work/count.c" <<'EOF'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
static long long calls;
static int (*real_rand)(void);
static void report(void) { fprintf(stderr, "draws %lld\n", calls); }
int rand(void) {
  if (!real_rand) {
    real_rand = (int (*)(void))dlsym(RTLD_NEXT, "rand");
    atexit(report);
  }
  ++calls;
  return real_rand();
}
EOF
  if cc -O2 -shared -fPIC "$work/count.c" -o "$work/count.so" -ldl 2>/dev/null; then
    counter="$work/count.so"
  fi
  # What one call of rand() costs here, in a loop that does nothing else.
  cat >"$work/cost.c" <<'EOF'
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
int main(void) {
  struct timespec a, b;
  long sum = 0;
  srand(1);
  clock_gettime(CLOCK_MONOTONIC, &a);
  for (int i = 0; i < 50000000; ++i) sum += rand();
  clock_gettime(CLOCK_MONOTONIC, &b);
  printf("%.2f %ld\n", ((b.tv_sec - a.tv_sec) * 1e9 + (b.tv_nsec - a.tv_nsec)) / 5e7, sum & 1);
  return 0;
}
EOF
  if cc -O2 "$work/cost.c" -o "$work/cost" 2>/dev/null; then
    read -r ns_per_draw _ < <("$work/cost")
    echo "rand() costs ${ns_per_draw} ns per call on this machine"
  fi
fi

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ok=1
printf '%-22s %6s %5s %9s %8s %11s %11s %8s\n' file items gens "median s" "peak MB" "ms per gen" draws "draws s"
for file in "$@"; do
  capacity=$(basename "$file" | sed -E 's/.*\.c([0-9]+)\.txt$/\1/')
  items=$(wc -l <"$file")
  run=("$binary" - --di -t "$capacity" --hi --hs)
  # One verbose run for the generation count, counting its draws if it can
  # (the header and progress output take no draws).
  LD_PRELOAD=$counter "${run[@]}" -v <"$file" >"$work/verbose" 2>"$work/counted"
  generations=$(sed -n 's/^> Max number of generations: //p' "$work/verbose")
  : >"$work/times"
  : >"$work/rss"
  for ((i = 0; i < repeats; ++i)); do
    /usr/bin/time -f '%e %M' -o "$work/one" "${run[@]}" <"$file" >/dev/null
    read -r seconds kb <"$work/one"
    echo "$seconds" >>"$work/times"
    echo "$kb" >>"$work/rss"
  done
  seconds=$(median <"$work/times")
  peak_mb=$(sort -g "$work/rss" | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
  per_gen=$(awk -v s="$seconds" -v g="$generations" 'BEGIN { printf "%.2f", 1000 * s / g }')
  draws="-"
  draw_seconds="-"
  if [[ -n $counter ]]; then
    draws=$(sed -n 's/^draws //p' "$work/counted")
    if [[ -n ${ns_per_draw:-} ]]; then
      draw_seconds=$(awk -v d="$draws" -v c="$ns_per_draw" 'BEGIN { printf "%.2f", d * c / 1e9 }')
    fi
  fi
  printf '%-22s %6s %5s %9s %8s %11s %11s %8s\n' "$(basename "$file")" "$items" \
    "$generations" "$seconds" "$peak_mb" "$per_gen" "$draws" "$draw_seconds"
  if ((items <= 1000)); then
    (($(awk -v s="$seconds" 'BEGIN { print (s < 2) }'))) || ok=0
  else
    (($(awk -v s="$seconds" -v m="$peak_mb" 'BEGIN { print (s < 30 && m < 500) }'))) || ok=0
  fi
done
if ((ok)); then echo "targets met"; else echo "targets missed"; exit 1; fi
