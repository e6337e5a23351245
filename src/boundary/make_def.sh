#!/usr/bin/env bash
# Writes the module definition file of the DLL from exports.list. GNU ld takes a
# non-ASCII export name only in quotes; the names must be GBK bytes.
set -euo pipefail
list=$1
out=$2
{
  printf 'LIBRARY "Quillora.cqp.dll"\r\nEXPORTS\r\n'
  grep -v '^#' "$list" | while read -r name symbol bytes; do
    [ -n "$name" ] || continue
    printf '  "%s"=%s@%s\r\n' "$name" "$symbol" "$bytes"
  done
} | iconv -f UTF-8 -t GBK > "$out.tmp"
mv "$out.tmp" "$out"
