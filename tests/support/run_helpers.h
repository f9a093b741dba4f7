// Study areas and whole runs for the engine tests: load an area (from the
// repository, from short text, or a bare table) and start a run the way the
// Run command does once its checks have passed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace qeltest {

struct RunSettings {
  bool threshold = false;
  double thresholdPop = 0;
  bool target = false;
  double targetPop = 0;
  bool shape = false;
  bool homog = false;
  std::vector<int> groups;  // homogeneity group sizes
  bool fixedA = false, fixedB = false;
  bool approx = false, iraApprox = false;
  bool sa = false;
  int popLayer = 1;
  int iterations = 5;
  int seed = 99;
};

// Reads an intersection file (no header line) and its contiguity file, as
// the main window's two buttons do.
void LoadStudyArea(const std::string& patPath, const std::string& ctgPath);

// A small study area written into dir and read: one text per block, record
// 2 onwards ("zoneA zoneB popA popB area [hom...]"), and the arcs "a b len"
// separated by commas. The IBBs are then built under the present settings.
void LoadArea(const std::filesystem::path& dir, const std::vector<std::string>& blocks,
              const std::string& arcs);

// Bare tables: records 1..nRecs, record 1 the outside, every record r from 2
// its own IBB r - 1, with no neighbours and no tract.
void OneIBBPerRecord(int nRecs);

// Copies the settings into the engine, derives the modes, seeds the
// generator, records the start time, then builds the IBBs and runs.
void StartRun(const RunSettings& s);

}  // namespace qeltest
