#!/usr/bin/env bash
# Checks built programs for the hardening Debian's build flags give, as the
# ELF files show it: a position-independent executable, relocations made
# read-only after loading (GNU_RELRO) and all bound at start (BIND_NOW), the
# stack protector, and fortified libc calls (__*_chk).
# Usage: hardening_test.sh [--no-fortify] PROGRAM...
#   --no-fortify  for builds without the optimiser or with sanitizers
set -uo pipefail
fortify=1
if [ "${1:-}" = --no-fortify ]; then fortify=0; shift; fi
[ $# -gt 0 ] || { echo "usage: $0 [--no-fortify] PROGRAM..." >&2; exit 2; }
status=0
for p in "$@"; do
  header=$(readelf -W -h "$p") || { echo "$p: not an ELF file"; status=1; continue; }
  dynamic=$(readelf -W -d "$p")
  segments=$(readelf -W -l "$p")
  symbols=$(readelf -W --dyn-syms "$p")
  missing=()
  { grep -q 'Type: *DYN' <<<"$header" && grep -Eq 'FLAGS_1\).*\bPIE\b' <<<"$dynamic"; } || missing+=(pie)
  grep -q 'GNU_RELRO' <<<"$segments" || missing+=(relro)
  grep -Eq '\(FLAGS\).*\bBIND_NOW\b|\(FLAGS_1\).*\bNOW\b' <<<"$dynamic" || missing+=(bindnow)
  grep -q ' __stack_chk_fail' <<<"$symbols" || missing+=(stack-protector)
  if [ $fortify -eq 1 ]; then
    grep -Eq ' __[a-z0-9_]+_chk(@|$)' <<<"$symbols" || missing+=(fortify)
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "$(basename "$p"): missing ${missing[*]}"
    status=1
  else
    echo "$(basename "$p"): hardened"
  fi
done
exit $status
