// Whole runs on generated square lattices: seconds per iteration of the run
// and trial moves per second, in four configurations of constraints.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>

#include "bench_config.h"
#include "engine.h"
#include "run_loop.h"

namespace {

using namespace qel;
using qelbench::Config;

void BM_Run(benchmark::State& state, Config config) {
  const int cols = static_cast<int>(state.range(0)), rows = static_cast<int>(state.range(1));
  qelbench::PrepareRun(std::filesystem::temp_directory_path() / "qel_bench", cols, rows, config);
  const int64_t trialsBefore = TrialMoveCount();
  for (auto _ : state) {
    intNIterations = qelbench::kRunIterations;
    datRunStart = TimeOfDay();
    RunIterations(intNIterations);
  }
  const double trials = static_cast<double>(TrialMoveCount() - trialsBefore);
  const double runIterations = static_cast<double>(state.iterations()) * qelbench::kRunIterations;
  state.counters["blocks"] = cols * rows;
  state.counters["tracts"] = intNBestTracts;
  state.counters["trial_moves_per_s"] = benchmark::Counter(trials, benchmark::Counter::kIsRate);
  state.counters["s_per_iteration"] =
      benchmark::Counter(runIterations, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Args({25, 20})->Args({40, 25})->Args({46, 43})->Unit(benchmark::kMillisecond);
}

BENCHMARK_CAPTURE(BM_Run, threshold_only, Config::kThresholdOnly)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Run, target_shape, Config::kTargetShape)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Run, target_shape_homog, Config::kTargetShapeHomog)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_Run, matching_fixed_a, Config::kMatchingFixedA)->Apply(Sizes);

}  // namespace

BENCHMARK_MAIN();
