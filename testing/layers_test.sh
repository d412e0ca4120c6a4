#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The folders are layers, each including only itself and those below it:
#
#   cmdline <- base <- input <- engines <- output <- app
#
# Reads the quoted #include lines of every source of those folders outside
# the tests and names each file whose include points against that order (or
# at a folder that is not a layer of the program, such as testing/).
#
# Usage: testing/layers_test.sh ROOT      check the tree at ROOT
#        testing/layers_test.sh --self    check that a tree with an upward
#                                         include is refused, by name
set -euo pipefail

layers=(cmdline base input engines output app)

rank() {
  local i
  for i in "${!layers[@]}"; do
    [[ ${layers[$i]} == "$1" ]] && { echo "$i"; return; }
  done
  echo -1
}

# Prints one line per include against the order; exits 1 if there is any.
check() {
  local root=$1 bad=0 folder file include target
  for folder in "${layers[@]}"; do
    [[ -d $root/$folder ]] || continue
    while IFS= read -r -d '' file; do
      case $file in
        *_test.cpp | *_test.h | */test_util.h | */*test_support.h) continue ;;
      esac
      while IFS= read -r include; do
        target=${include%%/*}
        if [[ $include != */* ]]; then continue; fi  # Same folder.
        if (($(rank "$target") < 0 || $(rank "$target") > $(rank "$folder"))); then
          echo "${file#"$root"/} includes \"$include\": $folder/ may use only" \
            "itself and the layers below it: cmdline <- base <- input <- engines <- output <- app"
          bad=1
        fi
      done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
    done < <(find "$root/$folder" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) -print0 | sort -z)
  done
  return "$bad"
}

if [[ ${1:-} == --self ]]; then
  tree=$(mktemp -d)
  trap 'rm -rf "$tree"' EXIT
  mkdir -p "$tree/base" "$tree/engines" "$tree/app"
  printf '#include "base/params.h"\n' >"$tree/engines/fine.cpp"
  printf '#include "engines/fine.h"\n' >"$tree/app/main.cpp"
  printf '#include "app/progress_line.h"\n' >"$tree/engines/upward.cpp"
  printf '#include "app/x.h"\n' >"$tree/engines/upward_test.cpp"  # A test.
  if out=$(check "$tree"); then
    echo "an include of app/ from engines/ was let through"
    exit 1
  fi
  [[ $out == *'engines/upward.cpp includes "app/progress_line.h"'* ]] ||
    { echo "the upward include was not named: $out"; exit 1; }
  [[ $out != *fine* && $out != *upward_test* ]] ||
    { echo "a sound include or a test was refused: $out"; exit 1; }
  exit 0
fi

check "${1:?usage: testing/layers_test.sh ROOT | --self}"
