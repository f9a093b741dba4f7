#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS, two at a time.
#   tools/fuzz.sh [SECONDS] [NAME ...]    default 30 seconds, every harness
# Seeds come from data/ and tests/data; what a run learns is kept in
# build-fuzz/corpus/NAME and a crashing input in build-fuzz/crash-NAME-*.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/deps.sh
QEL_PACKAGES="$QEL_PACKAGES clang libclang-rt-dev"
qel_install_deps

seconds=${1:-30}
shift || true
names=("$@")
[ ${#names[@]} -eq 0 ] && names=(split_line_fuzz intersection_fuzz contiguity_fuzz match_zones_fuzz threshold_run_fuzz)

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQEL_SANITIZE=ON -DQEL_FUZZ=ON -DQEL_WORKBENCH=OFF -DQEL_BENCH=OFF -DQEL_WERROR=ON >/dev/null
cmake --build build-fuzz --target fuzzers -j "$(( $(nproc) < 4 ? $(nproc) : 4 ))"

# Seeds: the files themselves, behind the options byte the harness reads
# first where it has one, and each study area as one run input.
seeds=build-fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{split_line_fuzz,intersection_fuzz,contiguity_fuzz,match_zones_fuzz,threshold_run_fuzz}
for area in data/QELdemo tests/data/sids; do
  base=$(basename "$area")
  head -n 3 "$area.pat" >"$seeds/split_line_fuzz/$base-lines"
  cp "$area.ctg" "$seeds/contiguity_fuzz/$base.ctg"
  for opt in 0 1; do
    { printf "\\00$opt"; cat "$area.pat"; } >"$seeds/intersection_fuzz/$base-$opt.pat"
  done
  for opt in 0 3; do
    { printf "\\00$opt"; cat "$area.pat"; } >"$seeds/match_zones_fuzz/$base-$opt.pat"
  done
  { printf '\010'; cat "$area.pat"; printf '%%%%\n'; cat "$area.ctg"; } >"$seeds/threshold_run_fuzz/$base-run"
  { printf '\013'; cat "$area.pat"; printf '%%%%\n'; cat "$area.ctg"; } >"$seeds/threshold_run_fuzz/$base-fixed"
done

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
run() {
  local name=$1
  mkdir -p "build-fuzz/corpus/$name"
  # A failure is reported below, with its log, before the script fails.
  local rc=0
  "build-fuzz/tests/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 -max_len=65536 \
    -artifact_prefix="build-fuzz/crash-$name-" "build-fuzz/corpus/$name" "$seeds/$name" \
    >"build-fuzz/$name.log" 2>&1 || rc=$?
  local execs
  execs=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "build-fuzz/$name.log" | grep -o '[0-9]*$' || echo "?")
  if [ $rc -eq 0 ]; then
    echo "$name: no failure in ${seconds}s, $execs execs/s"
  else
    echo "$name: FAILED (exit $rc), see build-fuzz/$name.log"
    tail -n 30 "build-fuzz/$name.log"
  fi
  return $rc
}

# Two at a time: CI machines have two cores.
failed=0
pids=()
for name in "${names[@]}"; do
  run "$name" &
  pids+=($!)
  if [ ${#pids[@]} -eq 2 ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[1]}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
exit $failed
