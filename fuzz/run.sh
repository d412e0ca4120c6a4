#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every fuzz target of a build from its seed corpus for a bounded time.
# Usage: fuzz/run.sh BUILD_DIR [SECONDS] [TARGET...]
# New inputs go to BUILD_DIR/fuzz-corpus/<target>, never into the tree's
# seed corpus; a crashing input is saved as BUILD_DIR/fuzz-crashes/<target>/
# crash-<hash> and fails the run. Ends with one line per target: its
# executions and libFuzzer's last coverage figures.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: fuzz/run.sh BUILD_DIR [SECONDS] [TARGET...]}" && pwd)"
seconds="${2:-60}"
shift $(($# < 2 ? $# : 2))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(options records sizes engines)

failed=()
summary=()
for target in "${targets[@]}"; do
  fuzzer="$build/fuzz/${target}_fuzzer"
  work="$build/fuzz-corpus/$target"
  crashes="$build/fuzz-crashes/$target"
  log="$build/fuzz-logs/$target.log"
  mkdir -p "$work" "$crashes" "$(dirname "$log")"
  echo "== $target: ${seconds}s from fuzz/corpus/$target"
  dict=()
  [ -f "$here/$target.dict" ] && dict=(-dict="$here/$target.dict")
  status=0
  # -timeout: an input that runs this long is a hang, and fails like a crash.
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    "${dict[@]}" -artifact_prefix="$crashes/" "$work" "$here/corpus/$target" \
    >"$log" 2>&1 || status=$?
  last="$(grep -E '^#[0-9]+' "$log" | tail -n 1 || true)"
  runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  summary+=("$target: ${runs:-?} executions; ${last#*	}")
  if [ "$status" -ne 0 ]; then
    failed+=("$target")
    tail -n 60 "$log"
    # The inputs themselves, so that a failure elsewhere (CI) can be replayed.
    for input in "$crashes"/*; do
      [ -f "$input" ] && { echo "== $input (base64):"; base64 "$input"; }
    done
    echo "== $target FAILED (status $status); inputs in $crashes"
  fi
done

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]}"
  exit 1
fi
