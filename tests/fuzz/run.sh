#!/usr/bin/env bash
# Builds the libFuzzer targets in a clang tree of their own (configured once)
# and runs each for a bounded number of inputs.
# Usage: tests/fuzz/run.sh BUILD_DIR [RUNS] [extra libFuzzer flags...]
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
dir="${1:?usage: run.sh BUILD_DIR [RUNS]}"
runs="${2:-200000}"
shift $(( $# >= 2 ? 2 : 1 ))
if [ ! -f "$dir/build.ninja" ]; then
  mkdir -p "$dir"
  CC=clang CXX=clang++ cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORBISK_FUZZ=ON -DORBISK_GUI=OFF -DORBISK_BENCH=OFF >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; rm -f "$dir/build.ninja"; exit 1; }
fi
cmake --build "$dir" --target fuzz_bytesearch fuzz_template fuzz_collation
# Seeds: the shipped templates as detail templates (option byte 1), plus a few tricky texts.
seeds="$dir/seeds"
mkdir -p "$seeds/template" "$seeds/bytesearch" "$seeds/collation"
for t in "$src"/assets/Database/*.htm; do
  { printf '\001'; cat "$t"; } >"$seeds/template/$(basename "$t")"
done
printf '\002H{$x}<!--#MasterBegin=1 Repeat-->{$RecNo}<!--#DetailBegin=0-->{$Company_Name}<!--#DetailEnd-->t<!--#MasterEnd-->' >"$seeds/template/master"
printf '\001<!--#DetailBegin=7-->{$Notes}<!--#DetailEnd--><!--#DetailBegin-->{$RecNo}{$RowType}<!--#DetailEnd-->' >"$seeds/template/detail"
printf '\020\003\000<!--#DetailBegin<!--#DetailBegin-->x<!--#DetailEnd-->' >"$seeds/bytesearch/markers"
printf '\006\001\100aaaaaaaaaaabababab' >"$seeds/bytesearch/long"
# Names as the directory holds them: French, English, case, punctuation, controls.
printf '\012\013Banque LtéeBANQUE LTEEBanque-Ltée' >"$seeds/collation/french"
printf '\006\007\303\211toileetoileZurich' >"$seeds/collation/accent"
printf '\007\007FINANCE\357\254\201nancea\001b\011ab' >"$seeds/collation/ligature"
printf "\\010\\011O'Brien Obrien O Brien" >"$seeds/collation/apostrophe"
status=0
# Longer inputs find nothing new in the byte search; templates need room for the shipped ones.
declare -A max_len=([bytesearch]=512 [template]=4096 [collation]=256)
for f in bytesearch template collation; do
  corpus="$dir/corpus/$f"
  mkdir -p "$corpus"
  echo "== fuzz_$f: $runs runs"
  "$dir/fuzz/fuzz_$f" -runs="$runs" -seed=1 -timeout=20 -max_len="${max_len[$f]}" -artifact_prefix="$dir/" -print_final_stats=1 "$@" \
    "$corpus" "$seeds/$f" 2>"$dir/fuzz_$f.log" || { status=1; tail -40 "$dir/fuzz_$f.log"; }
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir/fuzz_$f.log" || true
done
exit $status
