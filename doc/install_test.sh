#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a DESTDIR under the prefix /usr and checks that
# every file lands where Debian's tools look for it, and nothing else, and
# that the binary carries no debugging data or compiler stamps.
#
# Usage: install_test.sh path/to/build-folder [cmake]
set -u
build=$1
cmake=${2:-cmake}
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

# Stripped, as the README installs it.
if ! DESTDIR=$stage "$cmake" --install "$build" --prefix /usr --strip >"$stage.log" 2>&1; then
  echo "FAIL: cmake --install"
  cat "$stage.log"
  rm -f "$stage.log"
  exit 1
fi
rm -f "$stage.log"

expected="usr/bin/quarrimel
usr/share/bash-completion/completions/quarrimel
usr/share/doc/quarrimel/LICENSE
usr/share/doc/quarrimel/README.md
usr/share/doc/quarrimel/changelog.gz
usr/share/doc/quarrimel/copyright
usr/share/man/man1/quarrimel.1.gz
usr/share/zsh/site-functions/_quarrimel"
actual=$(cd "$stage" && find . -type f | sed 's:^\./::' | LC_ALL=C sort)

passed=0
failed=0
check() {
  if eval "$2"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $1"
    failed=$((failed + 1))
  fi
}
check "installed files differ:
$(diff <(echo "$expected") <(echo "$actual"))" '[[ $actual == "$expected" ]]'
check "the binary is not executable" '[[ -x $stage/usr/bin/quarrimel ]]'
if command -v readelf >/dev/null; then
  check "the installed binary keeps debugging data or a .comment section" \
    '! readelf -S -W "$stage/usr/bin/quarrimel" | grep -qE " \.(debug_[a-z]+|symtab|comment) "'
fi
check "the installed binary does not run" \
  '"$stage/usr/bin/quarrimel" --version | grep -q "^quarrimel "'
check "the manual page is not a gzip file" \
  'gzip -t "$stage/usr/share/man/man1/quarrimel.1.gz" 2>/dev/null'
check "man cannot read the installed page" \
  '! command -v man >/dev/null ||
   MANPATH=$stage/usr/share/man man -P cat quarrimel 2>/dev/null |
   grep -q "^NAME"'
check "LICENSE is not the GPL-3.0 text" \
  'grep -q "GNU GENERAL PUBLIC LICENSE" "$stage/usr/share/doc/quarrimel/LICENSE" &&
   grep -q "Version 3, 29 June 2007" "$stage/usr/share/doc/quarrimel/LICENSE"'
check "the changelog's latest entry is not this version" \
  '[[ $(gzip -dc "$stage/usr/share/doc/quarrimel/changelog.gz" | head -n1) == \
     "quarrimel ($("$stage/usr/bin/quarrimel" --version | sed -n "1s/^quarrimel \([^ ]*\).*/\1/p")) "* ]]'
check "the copyright file is not in the machine-readable format" \
  'grep -qx "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" \
     "$stage/usr/share/doc/quarrimel/copyright" &&
   grep -qx "License: GPL-3.0-or-later" "$stage/usr/share/doc/quarrimel/copyright"'
# The shells find the completions where they were installed, as they look
# in /usr/share: bash-completion in $XDG_DATA_DIRS/bash-completion/completions
# when the command is first completed, zsh along its fpath.
cd "$stage" || exit 1
if [[ -r /usr/share/bash-completion/bash_completion ]]; then
  check "bash-completion does not load the installed completion" \
    'XDG_DATA_DIRS=$stage/usr/share bash -c "
      source /usr/share/bash-completion/bash_completion
      __load_completion quarrimel && complete -p quarrimel" 2>/dev/null |
     grep -q " -F _quarrimel "'
else
  echo "note: bash-completion not installed; its loading not checked"
fi
if command -v zsh >/dev/null; then
  check "zsh's compinit does not find the installed completion" \
    '[[ $(HOME=$stage zsh -f -c "fpath=($stage/usr/share/zsh/site-functions \$fpath)
      autoload -Uz compinit && compinit -u -D && print \${_comps[quarrimel]}") == _quarrimel ]]'
else
  echo "note: zsh not installed; its loading not checked"
fi
echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
