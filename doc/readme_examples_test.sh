#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every example of README.md, read from the README itself, on a small
# tree of files (sparse, so that they have the sizes of real videos and
# backups without taking room) and checks each one's status and the shape
# of what it makes. Also runs the README's first command on its real folder
# and checks that CI runs the README's test command as written.
#
# Usage: readme_examples_test.sh path/to/source-folder path/to/quarrimel
set -u
source_dir=$(realpath "$1")
binary=$(realpath "$2")
readme=$source_dir/README.md

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
mkdir "$root/bin" "$root/home"
ln -s "$binary" "$root/bin/quarrimel"
export PATH=$root/bin:$PATH HOME=$root/home
# Debian's default locale: there a shell that decodes names as UTF-8 can
# lose the NUL after a name that ends in an invalid byte.
export LC_ALL=C.UTF-8
cd "$HOME" || exit 1

# Sparse files: `sized PATH SIZE` with SIZE as truncate reads it.
sized() {
  mkdir -p "$(dirname "$1")"
  truncate -s "$2" "$1"
}
for i in 1 2 3 4 5 6 7 8 9 10 11 12; do
  sized "Videos/Holiday part $i.mkv" "$((700 + i * 170))MB"
done
sized "Videos/trailer.mp4" 90MB
for i in 1 2 3 4 5 6 7 8; do
  sized "Music/Album $i/01 - track.flac" "$((40 + i * 9))MiB"
  sized "Music/Album $i/02 - track.flac" "$((30 + i * 7))MiB"
done
sized "data/projects/src/main.c" 12KB
sized "data/projects/build.tar" 9GB
sized "data/virtual machine.img" 14GB
sized "data/mail archive.mbox" 6GB
sized "data/odd
name.txt" 2GB
sized "data/-dash" 11GB
sized "data/r"$'\351'"sum"$'\351' 2GB
sized "data/raw/scan 1.tif" 8GB
for i in 1 2 3 4 5 6 7; do
  sized "photos/$((2010 + i))/img.jpg" "$((900 + i * 150))MB"
done
sized "photos/wallpaper.png" 300MB

passed=0
failed=0
fail() {
  echo "FAIL [$name]: $*"
  failed=$((failed + 1))
}

# The summary line of a bin.
summary='^\[[0-9]+\] [0-9.]+[KMGT]?i?B(ytes)?/[0-9.]+[KMGT]?i?B(ytes)?'
summary+=' of [0-9.]+[KMGT]?i?B(ytes)?, Diff: [0-9.]+[KMGT]?i?B(ytes)?, Items: [0-9]+/[0-9]+$'

# Apparent size in bytes of the path given on standard input (NUL-ended).
apparent_sizes() { xargs -0 -r du -sb --apparent-size | awk '{ s += $1 } END { printf "%d\n", s }'; }

check_dvd_lists() {
  local lists=(dvd*.list) list
  [[ ${#lists[@]} -ge 3 && -f ${lists[0]} ]] || fail "expected several dvd*.list, got: ${lists[*]}"
  diff <(cat dvd*.list | sort) <(printf '%s\n' "$HOME"/Videos/* | sort) >/dev/null ||
    fail "the lists do not hold every video exactly once"
  for list in "${lists[@]}"; do
    local bytes
    bytes=$(tr '\n' '\0' <"$list" | apparent_sizes)
    ((bytes <= 4700000000)) || fail "$list holds $bytes bytes, more than a DVD"
  done
}

check_backup_tar() {
  local archives=(volume*.tar) archive members=0
  # Every entry of data in exactly one list, names compared byte for byte.
  cmp -s <(cat volume*.list | LC_ALL=C sort -z) \
    <(find data -mindepth 1 -maxdepth 1 -print0 | LC_ALL=C sort -z) ||
    fail "the lists do not hold every entry of data exactly once"
  [[ ${#archives[@]} -ge 2 && -f ${archives[0]} ]] || fail "expected several volume*.tar, got: ${archives[*]}"
  mkdir restore
  for archive in "${archives[@]}"; do
    members=$((members + $(tar -tf "$archive" | grep -cE '^data/[^/]+/?$')))
    tar -xSf "$archive" -C restore || fail "$archive does not extract"
  done
  local entries
  entries=$(find data -mindepth 1 -maxdepth 1 -printf . | wc -c)
  ((members == entries)) || fail "$members entries archived, $entries in data"
  diff <(cd restore && find data -printf '%p %s\n' | sort) \
    <(find data -printf '%p %s\n' | sort) >/dev/null ||
    fail "the archives together do not restore data as it was"
}

check_fullest_set() {
  local count
  count=$(grep -cE "$summary" <<<"$stdout")
  ((count == 1)) || fail "expected one bin, got $count summary lines"
  grep -qE "^\[1\] .*Items: [0-9]+/8$" <<<"$stdout" || fail "the summary does not count 8 albums"
  grep -vE "$summary" <<<"$stdout" | grep -v '^$' | grep -qv "^$HOME/Music/Album [1-8]$" &&
    fail "a line is neither an album nor the summary"
}

check_size_records() {
  local count
  count=$(grep -cE "$summary" <<<"$stdout")
  ((count >= 2)) || fail "expected several bins, got $count"
  grep -vE "$summary" <<<"$stdout" | grep -v '^$' | grep -qv "^$HOME/photos/" &&
    fail "a line is neither a photos entry nor a summary"
  [[ $(grep -vE "$summary" <<<"$stdout" | grep -cv '^$') -eq 8 ]] ||
    fail "not every entry of photos is packed once"
}

check_engines() {
  grep -qvxE '[0-9]+' <<<"$stdout" && fail "expected bin counts, got: $stdout"
  [[ $(wc -l <<<"$stdout") -eq 4 ]] || fail "expected four counts, got: $stdout"
  local counts
  mapfile -t counts <<<"$stdout"
  ((counts[0] >= counts[1] && counts[1] >= counts[2] && counts[2] >= 4)) ||
    fail "split, approximate and default should need ever fewer bins here: ${counts[*]}"
  ((counts[3] <= counts[2])) || fail "--ga-theo needs more bins than the default run"
  [[ $(grep -c '^real' <<<"$stderr") -eq 4 ]] || fail "time reported no runs: $stderr"
  stderr=$(grep -v -e '^real' -e '^user' -e '^sys' -e '^$' <<<"$stderr")
}

# The blocks of README.md that follow an "example:" comment, by name.
declare -A examples
order=()
while IFS= read -r -d '' record; do
  examples[${record%%$'\n'*}]=${record#*$'\n'}
  order+=("${record%%$'\n'*}")
done < <(awk '
  /^<!-- example: .* -->$/ { name = $3; next }
  name != "" && /^```sh$/ { printf "%s\n", name; inside = 1; next }
  inside && /^```$/ { printf "%c", 0; inside = 0; name = ""; next }
  inside { print }' "$readme")

for name in "${order[@]}"; do
  check=check_${name//-/_}
  if ! declare -F "$check" >/dev/null; then
    fail "the README has an example that this test has no check for"
    continue
  fi
  stdout=$(bash -c "${examples[$name]}" 2>"$root/stderr")
  status=$?
  stderr=$(<"$root/stderr")
  before=$failed
  ((status == 0)) || fail "exit status $status"
  "$check"
  [[ -z $stderr ]] || fail "unexpected standard error: $stderr"
  ((failed == before)) && passed=$((passed + 1))
done
for name in dvd-lists backup-tar fullest-set size-records engines; do
  [[ -n ${examples[$name]+set} ]] || fail "the README lost its example"
done

# A glob can yield a name that starts with a dash, which would be read as
# an option unless "--" comes first.
name=double-dash-before-globs
unguarded=""
for example in "${order[@]}"; do
  while IFS= read -r line; do
    [[ $line == *quarrimel*'*'* && $line != *' -- '*'*'* ]] && unguarded+=$'\n'"  $line"
  done <<<"${examples[$example]}"
done
if [[ -z $unguarded ]]; then
  passed=$((passed + 1))
else
  fail "a glob without -- before it:$unguarded"
fi

# The manual page shows the same examples: every line of every README
# example must stand in it, as a line of its own.
name=man-page-examples
page_lines=$(sed -e 's/\\-/-/g' -e 's/\\(aq/'"'"'/g' -e 's/\\e/\\/g' \
  "$source_dir/doc/quarrimel.1.in")
missing=""
for example in "${order[@]}"; do
  while IFS= read -r line; do
    [[ -z $line ]] || grep -qxF -- "$line" <<<"$page_lines" || missing+=$'\n'"  $line"
  done <<<"${examples[$example]}"
done
if [[ -z $missing ]]; then
  passed=$((passed + 1))
else
  fail "README example lines missing from doc/quarrimel.1.in:$missing"
fi

name=first-command
# It builds the program alone: no test, so no GoogleTest needed.
first=$(grep -m1 '^    cmake -S . -B build -DBUILD_TESTING=OFF && cmake --build build -j2 && ./build/quarrimel ' "$readme")
if [[ -z $first ]]; then
  fail "the README lost its first command"
else
  stdout=$(eval "${first##*&& ./build/}" 2>/dev/null)
  status=$?
  if ((status != 0)) || grep -qvE "$summary" <<<"$stdout"; then
    fail "status $status, or a line that is no summary line"
  else
    passed=$((passed + 1))
  fi
fi

name=ci-runs-readme-test-command
test_command=$(grep -m1 '^    cmake -S . -B build -DBUILD_TESTING=ON && .* && ctest ' "$readme" | sed 's/^    //')
if [[ -n $test_command ]] && grep -qxF -- "$test_command" "$source_dir/.ci/run"; then
  passed=$((passed + 1))
else
  fail ".ci/run does not run the README's test command as written"
fi

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
