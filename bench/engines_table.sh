#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The three engines side by side on the instances in bench/instances/
# (copies of ../shared/bench-data/): bins and wall time per instance, as a
# Markdown table for the README. The default engine runs with its defaults
# and seed 1, so its bin counts repeat from run to run; the times are CPU
# seconds, the median of `repeats` runs.
#
# Usage: bench/engines_table.sh [path/to/quarrimel] [repeats] [FILE...]
set -euo pipefail

binary=${1:-build/quarrimel}
repeats=${2:-3}
shift $(($# < 2 ? $# : 2))
if [[ $# -eq 0 ]]; then
  # Triplet, then uniform instances, each by growing size.
  dir=$(dirname "$0")/instances
  mapfile -t files < <(cd "$dir" && ls -- *.txt | sort -t _ -k1.1,1.1 -k1.2n)
  set -- "${files[@]/#/$dir/}"
fi

# Median CPU seconds (user + system) of `repeats` runs of the binary on the
# instance file, or of one run when that takes more than ten seconds: CPU
# time, since wall time on a shared machine counts the other jobs too. The
# bin count (one summary line per bin with --hi) goes to $work/bins.
timed_bins() {
  local file=$1
  shift
  local times=() cpu
  for ((i = 0; i < repeats; ++i)); do
    /usr/bin/time -o "$work/time" -f '%U %S' "$binary" "$@" <"$file" |
      wc -l >"$work/bins"
    cpu=$(awk '{ printf "%.3f", $1 + $2 }' "$work/time")
    times+=("$cpu")
    if awk -v t="$cpu" 'BEGIN { exit !(t > 10) }'; then break; fi
  done
  printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 }
    END { print t[int((NR + 1) / 2)] }'
}

# Seconds as people read them: < 0.01 s (the clock's resolution), 0.31 s,
# 12 s, 3.2 min.
human() {
  awk -v t="$1" 'BEGIN {
    if (t < 0.01) printf "< 0.01 s"
    else if (t < 10) printf "%.2f s", t
    else if (t < 100) printf "%.0f s", t
    else printf "%.1f min", t / 60 }'
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "| instance | items | lower bound | default bins | default time | --approximate bins | --approximate time | --split bins | --split time |"
echo "|---|--:|--:|--:|--:|--:|--:|--:|--:|"
for file in "$@"; do
  name=$(basename "$file" .txt)
  capacity=${name##*.c}
  read -r items bound < <(awk -v c="$capacity" '{ n++; s += $1 }
    END { b = s / c; printf "%d %d\n", n, (b == int(b)) ? b : int(b) + 1 }' "$file")
  row="| ${name%%.*} | $items | $bound"
  for engine in "" --approximate --split; do
    # shellcheck disable=SC2086  # an empty engine means the default
    seconds=$(timed_bins "$file" - --di -t "$capacity" --hi $engine)
    row+=" | $(<"$work/bins") | $(human "$seconds")"
  done
  echo "$row |"
done
echo
echo "quarrimel $("$binary" --version | sed -n '1s/^quarrimel \([^ ]*\).*/\1/p')" \
  "at $(git -C "$(dirname "$0")" rev-parse --short HEAD 2>/dev/null || echo '?')," \
  "$(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)," \
  "$(uname -sm), CPU time (user + system), median of up to $repeats runs"
