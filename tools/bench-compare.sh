#!/usr/bin/env bash
# Two engines side by side: both built the same way (Release, one core), the
# same whole runs counted with callgrind, peak memory and the start-up of a
# 100-block area measured natively. The driver is this tree's
# bench/count_runs.cpp, compiled against each side's own headers.
#   tools/bench-compare.sh OLD          revision OLD against this work tree as it stands
#   tools/bench-compare.sh OLD NEW      two revisions
# Builds and callgrind files go to build-compare/.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/bench-lib.sh

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  sed -n '2,/^set /p' "$0" | sed '$d' >&2
  exit 2
fi
bench_install_deps
root=build-compare

# A revision's files, unpacked once: a revision never changes.
bench_source() {
  local rev dir
  rev=$(git rev-parse --verify --quiet "$1^{commit}") || {
    echo "bench-compare: no revision $1" >&2
    return 1
  }
  dir=$root/src-$rev
  if [ ! -d "$dir" ]; then
    mkdir -p "$dir.tmp"
    git archive "$rev" | tar -x -C "$dir.tmp"
    mv "$dir.tmp" "$dir"
  fi
  echo "$dir"
}

old_src=$(bench_source "$1")
old_name=$(git rev-parse --short "$1^{commit}")
if [ $# -eq 2 ]; then
  new_src=$(bench_source "$2")
  new_name=$(git rev-parse --short "$2^{commit}")
else
  new_src=.
  new_name="work tree ($(git rev-parse --short HEAD)$(git diff --quiet HEAD -- engine bench/bench_config.h || echo ' + changes'))"
fi

for side in old new; do
  src_var=${side}_src
  echo "building $side: ${!src_var}" >&2
  bench_build "${!src_var}" "$root/build-$side"
  bench_measure "$root/build-$side/count_runs" "$root/results-$side"
  bench_startup "$root/build-$side/count_runs" "$root/results-$side"
done

echo "old: $old_name    new: $new_name"
echo "$(nproc) cores, $(sed -n 's/^model name[[:space:]]*: //p' /proc/cpuinfo | head -1); instructions from callgrind"
echo
awk -F'\t' "$BENCH_AWK_LIB"'
function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
BEGIN {
  print "| configuration | blocks | whole run, old | new | old/new | without lattice writing, old/new | per trial move in the move pass, old | new | old/new | initial aggregation, old | new | peak RSS, old | new | decisions |"
  print "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|"
}
FNR == NR { old[$1 "|" $2] = $0; next }
{
  split(old[$1 "|" $2], o, "\t")
  po = o[3] > 0 ? o[7] / o[3] : 0
  pn = $3 > 0 ? $7 / $3 : 0
  same = (o[3] == $3 && o[5] "" == $5 "") ? "same" : "DIFFERENT"
  printf "| %s | %d | %s | %s | %s | %s | %s | %s | %s | %s | %s | %.0f MB | %.0f MB | %s |\n", label($1), $2,
         group(o[6]), group($6), ratio(o[6], $6), ratio(o[6] - o[10], $6 - $10), group(po), group(pn), ratio(po, pn),
         group(o[8]), group($8), o[9] / 1024, $9 / 1024, same
}' "$root/results-old/results.tsv" "$root/results-new/results.tsv"

echo
awk -F'\t' "$BENCH_AWK_LIB"'
FNR == NR { for (k = 1; k <= NF; ++k) o[k] = $k; next }
{
  printf "| start-up, %s area (threshold run, whole process) | old | new |\n|---|---:|---:|\n", size
  printf "| instructions | %s | %s |\n", group(o[1]), group($1)
  printf "| best wall time of %d runs | %.1f ms | %.1f ms |\n", runs, o[2], $2
  printf "| preparation, in the driver | %.1f ms | %.1f ms |\n", o[3], $3
  printf "| run, in the driver | %.2f ms | %.2f ms |\n", o[4], $4
  printf "| page faults | %s | %s |\n", group(o[5]), group($5)
  printf "| peak RSS | %.0f MB | %.0f MB |\n", o[6] / 1024, $6 / 1024
}' size="$BENCH_STARTUP_SIZE" runs="$BENCH_STARTUP_RUNS" "$root/results-old/startup.tsv" "$root/results-new/startup.tsv"
