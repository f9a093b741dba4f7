// Helpers for the engine tests: scripted message boxes, a recording window
// interface, a fixture that returns the engine to its start-up state,
// generated lattices, whole runs, and from-scratch checks of the tract table.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "engine.h"

namespace qeltest {

struct ShownBox {
  std::string prompt;
  int style = 0;
  std::string title;
  bool operator==(const ShownBox&) const = default;
};
// A box as a failed expectation shows it.
inline void PrintTo(const ShownBox& b, std::ostream* os) {
  *os << '{' << b.style << " \"" << b.title << "\" \"" << b.prompt << "\"}";
}

// Installs itself as the message-box handler; queued answers first in,
// first out, OK when none is left.
class ScriptedBoxes {
 public:
  ScriptedBoxes();
  ~ScriptedBoxes();
  void Answer(int button) { answers_.push_back(button); }
  const std::vector<ShownBox>& Shown() const { return shown_; }
  void Clear() { shown_.clear(), answers_.clear(); }
  int CountStartingWith(const std::string& text) const;

 private:
  std::deque<int> answers_;
  std::vector<ShownBox> shown_;
};

// Records the engine's window operations that tests read back.
class RecordingWindows : public qel::WindowOps {
 public:
  RecordingWindows() { qel::SetWindowOps(this); }
  ~RecordingWindows() override { qel::SetWindowOps(nullptr); }
  std::vector<std::string> calls;
  std::vector<int> progressValues;
  std::string summary[4];
  int lutValue = 0;

  void SetInputSummaryLabel(qel::SummaryLabel which, const std::string& text) override {
    summary[static_cast<int>(which)] = text;
  }
  void SetProgressCaption(const std::string& text, bool) override { calls.push_back(text); }
  void SetProgressValue(int value) override { progressValues.push_back(value); }
  int OptionsLUTValue() override { return lutValue; }
  void ShowOutput() override { calls.push_back("ShowOutput"); }
};

// Start-up state, capacity limits and option defaults, and a scratch
// directory of the test's own.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string TempPath(const std::string& name) const { return (tempDir / name).string(); }
  std::string WriteFile(const std::string& name, const std::string& content) const;

  ScriptedBoxes boxes;
  RecordingWindows windows;
  std::filesystem::path tempDir;
};

std::string ReadWholeFile(const std::string& path);

// The number of the run-time error that f raises, 0 when none.
inline int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const qel::RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

// The message the user's box shows for the failure, "" when there is none.
inline std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const qel::RuntimeError& e) {
    return qel::ErrorMessageText(e);
  }
  return "";
}
void SetDefaultRunSettings();
// Reads both files as the main window's two buttons do.
void LoadStudyArea(const std::string& patPath, const std::string& ctgPath);
// Blocks "zoneA zoneB popA popB area [hom...]" as records 2.., arcs "a b len"
// separated by commas; written into dir, read, and the IBBs built.
void LoadArea(const std::filesystem::path& dir, const std::vector<std::string>& blocks, const std::string& arcs);

// cols x rows unit cells, cell (x, y) record 2 + y * cols + x. Zone A squares
// of zoneA cells, zone B squares of zoneB offset by one; variables 1 and 2
// split population A. A king lattice also joins diagonal cells (short arcs),
// so a cell meets several cells of one tract. With emptyEvery, every such
// record has no population A.
struct Lattice {
  int cols = 10, rows = 10, zoneA = 3, zoneB = 2, homVars = 0;
  unsigned seed = 1;
  bool king = false;
  int emptyEvery = 0;
};
// Writes and reads the lattice; the IBBs are not built.
void LoadLattice(const std::filesystem::path& dir, const Lattice& l);

struct RunSettings {
  bool threshold = false, target = false, shape = false, homog = false;
  double thresholdPop = 0, targetPop = 0;
  std::vector<int> groups = {};
  bool fixedA = false, fixedB = false, approx = false, iraApprox = false, sa = false;
  int popLayer = 1, iterations = 5, seed = 99;
};
// Copies the settings into the engine as the main window does, seeds the
// generator and builds the IBBs (false when refused); StartRun then runs the
// iterations unless the preparation was refused.
bool PrepareRun(const RunSettings& s);
void StartRun(const RunSettings& s);

// The first difference between tracts 1..intNTracts and what their members
// give, or "": every IBB in one tract, members naming their tract,
// population, area, the neighbour set, lengths, P2 and the homogeneity sums
// and proportions. TractDiffers checks one tract.
std::string TractsDiffer();
std::string TractDiffers(int t);
bool IsTractConnected(int t);
std::vector<int> Members(int t);

// The terms as the last evaluation left them against a fresh computation,
// bit for bit, every zone's mismatch included: "" when they agree.
std::string TermsRecomputedDiffer();

// Runs the check as a user without privileges: in a child process that has
// given up root's rights when the tests run as root (so that a file's
// permissions hold), in this process otherwise. True when the check held.
bool AsUnprivileged(const std::function<bool()>& check);

}  // namespace qeltest
