# Shared by tools/bench-instructions.sh and tools/bench-compare.sh: builds the
# count_runs driver against a source tree and measures its runs. Instruction
# counts come from callgrind (the same on a loaded machine); memory and wall
# times from native runs pinned to one core (BENCH_CPU, default 2).

BENCH_CONFIGS="threshold target-shape target-shape-homog matching-fixed-a"
BENCH_SIZES="25x20 40x25 46x43"  # 500, 1000 and 1978 blocks, as in bench_runs
BENCH_STARTUP_SIZE="10x10"       # the small area whose start-up is timed
BENCH_STARTUP_RUNS=${BENCH_STARTUP_RUNS:-20}
BENCH_DRIVER_SOURCE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/bench/count_runs.cpp"

bench_install_deps() {
  . "$(dirname "${BASH_SOURCE[0]}")/deps.sh"
  QEL_PACKAGES="$QEL_PACKAGES valgrind"
  qel_install_deps
}

# bench_build SRC BUILD: the engine of source tree SRC built by its own CMake
# files as a Release build, and the driver compiled against SRC's headers
# with the same optimisation. Leaves BUILD/count_runs. No -g: with line
# information callgrind_annotate splits a function over several rows.
bench_build() {
  local src=$1 build=$2
  # A folder configured from another source tree (an earlier comparison) is
  # started afresh: CMake refuses to reuse it.
  if [ -f "$build/CMakeCache.txt" ] &&
     ! grep -qxF "CMAKE_HOME_DIRECTORY:INTERNAL=$(cd "$src" && pwd)" "$build/CMakeCache.txt"; then
    rm -rf "$build"
  fi
  mkdir -p "$build"
  if ! { cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS= \
           -DQEL_WORKBENCH=OFF -DQEL_BENCH=OFF &&
         cmake --build "$build" -j 4 --target qel_engine &&
         g++ -std=c++20 -O3 -DNDEBUG -I"$src/engine" -I"$src/bench" "$BENCH_DRIVER_SOURCE" \
           "$build/engine/libqel_engine.a" -o "$build/count_runs"; } >"$build/bench-build.log" 2>&1; then
    cat "$build/bench-build.log" >&2
    echo "bench: building $src failed" >&2
    return 1
  fi
}

# Runs a command pinned to one core when taskset is there.
bench_pinned() {
  if command -v taskset >/dev/null; then
    taskset -c "${BENCH_CPU:-2}" "$@"
  else
    "$@"
  fi
}

# bench_field KEY LINE: a value of the driver's key=value line.
bench_field() {
  tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p"
}

# bench_inclusive ANNOTATION NAME: the inclusive instructions of the function
# NAME (its full name with parameters; clones such as .cold are not counted).
bench_inclusive() {
  awk -v name=":$2 [" 'index($0, name) { gsub(",", "", $1); sum += $1 } END { print sum + 0 }' "$1"
}

# bench_measure DRIVER OUT: every configuration and size, one line each in
# OUT/results.tsv: config blocks trials kept decisions whole pass aggregation
# maxrss_kb lattice preparation. Whole is the process from its first
# instruction; the move pass MovePass's inclusive count less the driver's own
# observer; the initial aggregation BuildInitialTracts' and
# BuildApproxTracts'; lattice the benchmark's writing of its study area
# (the same for every engine); preparation PrepareRun's, lattice included.
# The callgrind files stay in OUT for profiles.
bench_measure() {
  local driver=$1 out=$2 cfg size cols rows blocks cg line native pass recorder whole agg lattice prepare
  mkdir -p "$out"
  : >"$out/results.tsv"
  for cfg in $BENCH_CONFIGS; do
    for size in $BENCH_SIZES; do
      cols=${size%x*} rows=${size#*x} blocks=$((cols * rows))
      cg="$out/callgrind.$cfg.$blocks"
      line=$(valgrind --tool=callgrind --callgrind-out-file="$cg" "$driver" "$cfg" "$cols" "$rows" 2>"$cg.log") || {
        cat "$cg.log" >&2
        return 1
      }
      native=$(bench_pinned "$driver" "$cfg" "$cols" "$rows") || return 1
      if [ "$(bench_field decisions "$line")" != "$(bench_field decisions "$native")" ]; then
        echo "bench: $cfg $blocks decides differently under valgrind than natively" >&2
        return 1
      fi
      callgrind_annotate --inclusive=yes --threshold=100 "$cg" >"$cg.inclusive"
      pass=$(bench_inclusive "$cg.inclusive" 'qel::(anonymous namespace)::MovePass(double)')
      if [ "$pass" = 0 ]; then
        echo "bench: no MovePass in the profile of $cfg $blocks: keep it a function of its own" >&2
        return 1
      fi
      recorder=$(bench_inclusive "$cg.inclusive" '(anonymous namespace)::DecisionRecorder::Tried(short, short, short, double, bool)')
      agg=$(($(bench_inclusive "$cg.inclusive" 'qel::BuildInitialTracts()') +
        $(bench_inclusive "$cg.inclusive" 'qel::BuildApproxTracts()')))
      lattice=$(bench_inclusive "$cg.inclusive" 'qelbench::WriteLattice(std::filesystem::__cxx11::path const&, int, int)')
      prepare=$(bench_inclusive "$cg.inclusive" \
        'qelbench::PrepareRun(std::filesystem::__cxx11::path const&, int, int, qelbench::Config)')
      whole=$(sed -n 's/^totals: //p' "$cg")
      printf '%s\t%d\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$cfg" "$blocks" "$(bench_field trials "$line")" \
        "$(bench_field kept "$line")" "$(bench_field decisions "$line")" "$whole" $((pass - recorder)) "$agg" \
        "$(bench_field maxrss_kb "$native")" "$lattice" "$prepare" >>"$out/results.tsv"
      echo "  measured $cfg $blocks" >&2
    done
  done
}

# bench_startup DRIVER OUT: a threshold run on a 100-block lattice, whole
# process: instructions under callgrind, then the best of BENCH_STARTUP_RUNS
# native runs (wall milliseconds from exec to exit, the driver's own
# preparation and run times, page faults, peak memory). One line in
# OUT/startup.tsv: whole wall_ms prepare_ms run_ms minflt maxrss_kb.
bench_startup() {
  local driver=$1 out=$2 cols=${BENCH_STARTUP_SIZE%x*} rows=${BENCH_STARTUP_SIZE#*x} k t0 us line
  local best="" prepare="" run="" whole
  mkdir -p "$out"
  valgrind --tool=callgrind --callgrind-out-file="$out/callgrind.startup" "$driver" threshold "$cols" "$rows" \
    >/dev/null 2>"$out/callgrind.startup.log" || return 1
  whole=$(sed -n 's/^totals: //p' "$out/callgrind.startup")
  for ((k = 0; k < BENCH_STARTUP_RUNS; ++k)); do
    t0=$(date +%s%N)
    line=$(bench_pinned "$driver" threshold "$cols" "$rows") || return 1
    us=$((($(date +%s%N) - t0) / 1000))
    if [ -z "$best" ] || [ "$us" -lt "$best" ]; then best=$us; fi
    prepare=$(awk -v a="$prepare" -v b="$(bench_field prepare_ms "$line")" 'BEGIN { print ((a == "" || b + 0 < a + 0) ? b : a) }')
    run=$(awk -v a="$run" -v b="$(bench_field run_ms "$line")" 'BEGIN { print ((a == "" || b + 0 < a + 0) ? b : a) }')
  done
  printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$whole" "$(awk -v us="$best" 'BEGIN { print us / 1000 }')" "$prepare" "$run" "$(bench_field minflt "$line")" \
    "$(bench_field maxrss_kb "$line")" >"$out/startup.tsv"
}

# awk functions for the tables: thousands separators and labels.
BENCH_AWK_LIB='
function group(n,   s, r) {
  s = sprintf("%d", n); r = ""
  while (length(s) > 3) { r = "," substr(s, length(s) - 2) r; s = substr(s, 1, length(s) - 3) }
  return s r
}
function label(c) {
  if (c == "threshold") return "threshold only"
  if (c == "target-shape") return "target + shape"
  if (c == "target-shape-homog") return "target + shape + homogeneity"
  if (c == "matching-fixed-a") return "matching, layer A fixed"
  return c
}'
