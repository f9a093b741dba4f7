// Whole runs for the engine tests: load a study area and start a run the way
// the Run command does once its checks have passed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qeltest {

struct RunSettings {
  bool threshold = false;
  double thresholdPop = 0;
  bool target = false;
  double targetPop = 0;
  bool shape = false;
  double shapeWeight = 1;
  bool homog = false;
  std::vector<int> groups;  // homogeneity group sizes
  double homWeight = 1;
  bool fixedA = false, fixedB = false;
  bool approx = false, iraApprox = false;
  bool sa = false;
  int popLayer = 1;
  int iterations = 5;
  int seed = 99;
  bool contCheck = true;
};

// Reads an intersection file (no header line) and its contiguity file, as
// the main window's two buttons do.
void LoadStudyArea(const std::string& patPath, const std::string& ctgPath);

// Hand-made tables: records 1..nRecs with record 1 the outside, and each
// record r from 2 its own IBB r - 1, with no neighbours and no tract.
void OneIBBPerRecord(int nRecs);

// Copies the settings into the engine, derives the modes, seeds the
// generator, records the start time, then builds the IBBs and runs.
void StartRun(const RunSettings& s);

}  // namespace qeltest
