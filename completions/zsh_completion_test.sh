#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Loads the zsh completion through compinit, as zsh does from its fpath,
# and checks that it parses and defines its completer for quarrimel.
#
# Usage: zsh_completion_test.sh path/to/completions-folder
set -u
if ! command -v zsh >/dev/null; then
  echo "zsh is not installed; skipped"
  exit 77
fi
dir=$1
zsh -n "$dir/_quarrimel" || exit 1
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
result=$(HOME=$home ZDOTDIR=$home zsh -f -c '
  fpath=("$1" $fpath)
  autoload -Uz compinit && compinit -u -D
  print -r -- "${_comps[quarrimel]}"' zsh "$dir" 2>&1)
if [ "$result" != "_quarrimel" ]; then
  echo "FAIL: quarrimel is completed by '$result', not _quarrimel"
  exit 1
fi
echo "1 passed, 0 failed"
