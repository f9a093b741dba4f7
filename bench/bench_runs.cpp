// Whole runs on generated square lattices: seconds per iteration of the run
// and trial moves per second, in four configurations of constraints.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine.h"
#include "run_loop.h"

namespace {

using namespace qel;

constexpr int kRunIterations = 2;

enum class Config { kThresholdOnly, kTargetShape, kTargetShapeHomog, kMatchingFixedA };

// A lattice of cols x rows unit squares: record 1 is the outside, cell (x, y)
// record 2 + y * cols + x. Zone A: 3 x 3 squares; zone B: 2 x 2 squares
// shifted by one cell, so the layers cross. Populations 50..150; six
// homogeneity variables, the first two splitting population A.
struct LatticeFiles {
  std::string pat, ctg;
};

LatticeFiles WriteLattice(int cols, int rows) {
  const auto dir = std::filesystem::temp_directory_path() / "qel_bench";
  std::filesystem::create_directories(dir);
  LatticeFiles f{(dir / ("lattice_" + std::to_string(cols) + "x" + std::to_string(rows) + ".pat")).string(),
                 (dir / ("lattice_" + std::to_string(cols) + "x" + std::to_string(rows) + ".ctg")).string()};
  std::ofstream pat(f.pat), ctg(f.ctg);
  uint32_t state = 12345;
  auto next = [&state](int lo, int hi) {
    state = state * 1103515245u + 12345u;
    return lo + static_cast<int>((state >> 16) % static_cast<uint32_t>(hi - lo + 1));
  };
  pat << "1 0 0 0 0 0 0 0 0 0 0 0\n";
  const int zaCols = (cols + 2) / 3, zbCols = (cols + 2) / 2 + 1;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < cols; ++x) {
      const int r = 2 + y * cols + x;
      const int popA = next(50, 150), popB = next(50, 150), share = next(0, 100);
      const int h1 = popA * share / 100;
      pat << r << ' ' << (x / 3 + (y / 3) * zaCols + 1) << ' ' << ((x + 1) / 2 + ((y + 1) / 2) * zbCols + 1)
          << ' ' << popA << ' ' << popB << " 1 " << h1 << ' ' << popA - h1;
      for (int v = 3; v <= 6; ++v) pat << ' ' << next(0, 100);
      pat << '\n';
      if (x == 0 || y == 0 || x == cols - 1 || y == rows - 1) {
        const int edges = (x == 0) + (y == 0) + (x == cols - 1) + (y == rows - 1);
        ctg << r << " 1 " << edges << '\n';
      }
      if (x + 1 < cols) ctg << r << ' ' << r + 1 << " 1\n";
      if (y + 1 < rows) ctg << r << ' ' << r + cols << " 1\n";
    }
  }
  return f;
}

void PrepareRun(int cols, int rows, Config config) {
  ResetEngineState();
  StartMain();
  intRandomSeed = 99;
  dblOffsetPct = 10;
  dblSAStart = 20;
  dblPopWeight = dblApxWeight = 1;
  const LatticeFiles files = WriteLattice(cols, rows);
  std::string nameA, nameB;
  strInputFile = strRunFile = files.pat;
  intRunHeader = 0;
  ReadIntersectionFile(0, files.pat, nameA, nameB);
  int16_t arcs = 0;
  ReadContiguityFile(files.ctg, arcs);

  intPopLayer = 1;
  blnSA = true;
  switch (config) {
    case Config::kThresholdOnly:
      blnThresholdPop = blnMinOnly = true;
      dblThreshold = 1500;
      break;
    case Config::kTargetShapeHomog:
      blnHomog = true;
      dblHomWeight = 1;
      intNHomGroups = 2;
      intGroupSize(1) = 2;
      intGroupSize(2) = 4;
      [[fallthrough]];
    case Config::kTargetShape:
      blnTargetPop = blnShape = true;
      dblTarget = 2000;
      dblShapeWeight = 1;
      break;
    case Config::kMatchingFixedA:
      blnFixedA = blnApprox = blnFixedCount = true;
      break;
  }
  Randomize(intRandomSeed);
  BuildIntermediateBBs();
}

void BM_Run(benchmark::State& state, Config config) {
  const int cols = static_cast<int>(state.range(0)), rows = static_cast<int>(state.range(1));
  PrepareRun(cols, rows, config);
  const int64_t trialsBefore = TrialMoveCount();
  for (auto _ : state) {
    intNIterations = kRunIterations;
    datRunStart = TimeOfDay();
    RunIterations(intNIterations);
  }
  const double trials = static_cast<double>(TrialMoveCount() - trialsBefore);
  const double runIterations = static_cast<double>(state.iterations()) * kRunIterations;
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
