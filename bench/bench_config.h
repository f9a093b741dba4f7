// The study areas and run settings of the benchmark. The golden-trace tests
// run the very same configurations, so a change that makes the benchmark
// faster by deciding differently cannot pass unnoticed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine.h"

namespace qelbench {

enum class Config { kThresholdOnly, kTargetShape, kTargetShapeHomog, kMatchingFixedA };

constexpr int kRunIterations = 2;

struct LatticeFiles {
  std::string pat, ctg;
};

// A lattice of cols x rows unit squares: record 1 is the outside, cell (x, y)
// record 2 + y * cols + x. Zone A: 3 x 3 squares; zone B: 2 x 2 squares
// shifted by one cell, so the layers cross. Populations 50..150; six
// homogeneity variables, the first two splitting population A.
inline LatticeFiles WriteLattice(const std::filesystem::path& dir, int cols, int rows) {
  std::filesystem::create_directories(dir);
  const std::string stem = "lattice_" + std::to_string(cols) + "x" + std::to_string(rows);
  LatticeFiles f{(dir / (stem + ".pat")).string(), (dir / (stem + ".ctg")).string()};
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

// From start-up to built IBBs: loads the lattice, sets the options and the
// configuration's constraints, seeds the generator and prepares the run.
inline void PrepareRun(const std::filesystem::path& dir, int cols, int rows, Config config) {
  using namespace qel;
  ResetEngineState();
  StartMain();
  intRandomSeed = 99;
  dblOffsetPct = 10;
  dblSAStart = 20;
  dblPopWeight = dblApxWeight = 1;
  const LatticeFiles files = WriteLattice(dir, cols, rows);
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

}  // namespace qelbench
