#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every option and alias that `quarrimel -h` lists must appear in the
# manual page's OPTIONS and in both shell completions, and the manual page
# must describe no option that the help does not list: the four cannot
# drift apart.
#
# Usage: options_drift_test.sh quarrimel quarrimel.1 quarrimel.bash _quarrimel
set -u
binary=$1
page=$2
bash_completion=$3
zsh_completion=$4

# "  -t <f>[unit], --target <f>[unit]" gives -t and --target.
help_options=$("$binary" -h | sed -n 's/^  \(-.*\)/\1/p' |
  tr ',' '\n' | awk '{ print $1 }' | sort -u)
if [[ $(wc -l <<<"$help_options") -lt 40 ]]; then
  echo "FAIL: only $(wc -l <<<"$help_options") options read from -h"
  exit 1
fi

# The option words of the page's OPTIONS section, roff dashes made plain.
page_options=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" | sed 's/\\-/-/g; s/\\f[RBIP]//g' |
  grep -oE '(^|[^-[:alnum:]])--?[[:alnum:]][-[:alnum:]]*' |
  sed 's/^[^-]*//' | sort -u)

# Whether the word stands in the file as a whole option word.
has_word() {
  grep -qE -- "(^|[^-[:alnum:]])$1([^-[:alnum:]]|\$)" "$2"
}

passed=0
failed=0
fail() {
  echo "FAIL: $*"
  failed=$((failed + 1))
}
for option in $help_options; do
  grep -qxF -- "$option" <<<"$page_options" ||
    fail "$option is missing from the manual page's OPTIONS"
  has_word "$option" "$bash_completion" ||
    fail "$option is missing from the bash completion"
  has_word "$option" "$zsh_completion" ||
    fail "$option is missing from the zsh completion"
  passed=$((passed + 1))
done
# Options that the page names but the help does not list ("-" reads
# standard input; -print0 and friends belong to other programs' examples).
for option in $(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page" |
  sed -n '/^\.TP/{n;p}' | sed 's/\\-/-/g; s/\\f[RBIP]//g' |
  grep -oE '(^|[ "])--?[[:alnum:]][-[:alnum:]]*' | sed 's/^[ "]*//' | sort -u); do
  grep -qxF -- "$option" <<<"$help_options" ||
    fail "the manual page describes $option, which -h does not list"
done
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
