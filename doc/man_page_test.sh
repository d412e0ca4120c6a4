#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# The manual page must format without a single warning, and carry the
# version that the program prints.
#
# Usage: man_page_test.sh path/to/quarrimel.1 path/to/quarrimel
set -u
page=$1
binary=$2
if ! command -v groff >/dev/null; then
  echo "groff is not installed; skipped"
  exit 77
fi
passed=0
failed=0
warnings=$(groff -man -ww -z "$page" 2>&1)
if [ -n "$warnings" ]; then
  echo "FAIL: groff -man -ww -z reports:"
  echo "$warnings"
  failed=$((failed + 1))
else
  passed=$((passed + 1))
fi
version=$("$binary" --version | sed -n '1s/^quarrimel \([^ ]*\) .*/\1/p')
if ! grep -q "^\.TH QUARRIMEL 1 [^ ]* \"quarrimel $version\"" "$page"; then
  echo "FAIL: the page's title line does not name version $version"
  failed=$((failed + 1))
else
  passed=$((passed + 1))
fi
# whatis and apropos read the NAME line through lexgrog (man-db).
if command -v lexgrog >/dev/null; then
  if lexgrog "$page" | grep -q '"quarrimel - [a-z]'; then
    passed=$((passed + 1))
  else
    echo "FAIL: lexgrog finds no whatis entry: $(lexgrog "$page")"
    failed=$((failed + 1))
  fi
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
