#!/usr/bin/env bash
# Instructions of the engine in this work tree, counted with callgrind (the
# same counts on a loaded machine): whole runs of every benchmark
# configuration at 500, 1000 and 1978 blocks, the move pass per trial move,
# the initial aggregation, whether the cost per trial move stays flat from
# 500 to 1978 blocks, and the start-up of a 100-block area.
#   tools/bench-instructions.sh              the tables
#   tools/bench-instructions.sh --profile [N]
#                                            also the N (default 15) costliest
#                                            functions of each configuration at
#                                            1978 blocks, inclusive and self
# The callgrind files stay in build-count/results for callgrind_annotate.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/bench-lib.sh

profile=0
if [ "${1:-}" = "--profile" ]; then
  profile=${2:-15}
elif [ $# -gt 0 ]; then
  sed -n '2,/^set /p' "$0" | sed '$d' >&2
  exit 2
fi

bench_install_deps
bench_build . build-count
out=build-count/results
bench_measure build-count/count_runs "$out"
bench_startup build-count/count_runs "$out"

echo "Whole runs of ${BENCH_SIZES// /, } lattices ($(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1)):"
echo
awk -F'\t' "$BENCH_AWK_LIB"'
BEGIN {
  print "| configuration | blocks | trial moves | whole run | lattice writing | preparation | initial aggregation | move pass | move pass per trial move | peak RSS |"
  print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
}
{
  printf "| %s | %d | %s | %s | %s | %s | %s (%.0f %%) | %s | %s | %.0f MB |\n", label($1), $2, group($3), group($6),
         group($10), group($11 - $10), group($8), 100 * $8 / $6, group($7), ($3 > 0 ? group($7 / $3) : "-"), $9 / 1024
  if ($2 == 500) small[$1] = ($3 > 0 ? $7 / $3 : 0)
  if ($2 == 1978) large[$1] = ($3 > 0 ? $7 / $3 : 0)
  order[++n] = $1
}
END {
  print ""
  print "Cost per trial move in the move pass, 1978 blocks against 500 (flat: at most 1.5 times):"
  for (k = 1; k <= n; ++k) {
    c = order[k]
    if (c in done || !(c in small) || !(c in large) || small[c] == 0) continue
    done[c] = 1
    r = large[c] / small[c]
    printf "  %-30s %.2f  %s\n", label(c), r, (r <= 1.5 ? "flat" : "NOT FLAT")
  }
}' "$out/results.tsv"

echo
awk -F'\t' "$BENCH_AWK_LIB"'{
  printf "Start-up of a %s area (threshold run, whole process): %s instructions, best wall time %.1f ms of %d runs (preparation %.1f ms, run %.2f ms), %s page faults, %.0f MB peak RSS\n",
    size, group($1), $2, runs, $3, $4, group($5), $6 / 1024
}' size="$BENCH_STARTUP_SIZE" runs="$BENCH_STARTUP_RUNS" "$out/startup.tsv"

[ "$profile" = 0 ] && exit 0
# The rows below main, file names and binaries dropped.
bench_top() {
  grep -vE '\(below main\)|libc_start|:0x[0-9a-f]+ \[|:main \[|PROGRAM TOTALS' "$1" |
    sed -n 's/^ *\([0-9,]\+\) *( *\([0-9.]\+\)%) *[^:]*:\(.*\) \[[^]]*\]$/\1|\2|\3/p' |
    awk -F'|' -v n="$profile" 'NR <= n { printf "  %14s %6.2f %%  %s\n", $1, $2, (length($3) > 110 ? substr($3, 1, 107) "..." : $3) }'
}
for cfg in $BENCH_CONFIGS; do
  cg="$out/callgrind.$cfg.1978"
  echo
  echo "== $cfg, 1978 blocks: inclusive (% of the whole run)"
  bench_top "$cg.inclusive"
  echo "-- self"
  callgrind_annotate --threshold=100 "$cg" >"$cg.self"
  bench_top "$cg.self"
done
