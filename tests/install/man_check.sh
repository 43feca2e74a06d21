#!/bin/sh
# Checks the manual pages in DIR with `mandoc -T lint` and `man -l`: every
# message fails the check, but for mandoc's note that the other programs'
# pages are not installed on this machine. Exit status 77 (skipped) when
# neither mandoc nor a man that renders pages is there.
set -u
dir=$1
checked=0
failed=0
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
if command -v mandoc >/dev/null 2>&1; then
  checked=1
  for page in "$dir"/*.1; do
    mandoc -T lint "$page" 2>&1 | grep -v 'STYLE: referenced manual not found: Xr vorn[a-z0-9_]* 1$' >"$out"
    if [ -s "$out" ]; then
      cat "$out"
      failed=1
    fi
  done
else
  echo "mandoc is not installed: mandoc -T lint skipped"
fi
# Minimal systems may put a stub in the place of man that renders nothing.
if command -v man >/dev/null 2>&1 && MANWIDTH=80 man -l "$dir/vornpc_map.1" 2>/dev/null | grep -q '^NAME'; then
  checked=1
  for page in "$dir"/*.1; do
    if ! MANWIDTH=80 man -l --warnings=all "$page" >"$out" 2>"$err" || [ -s "$err" ] || ! [ -s "$out" ]; then
      echo "man -l $page:"
      cat "$err"
      failed=1
    fi
  done
else
  echo "man cannot render pages here: man -l skipped"
fi
[ "$checked" -eq 1 ] || exit 77
exit "$failed"
