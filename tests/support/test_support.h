// Helpers for the engine tests: scripted message boxes, a recording window
// interface, a fixture that returns the engine to its start-up state, and
// generated study areas (square lattices).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
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
std::ostream& operator<<(std::ostream& os, const ShownBox& box);

// Installs itself as the message-box handler. Answers are given first in,
// first out; with none queued a box is answered OK (kIdOk) and, when
// strict(), fails the test.
class ScriptedBoxes {
 public:
  ScriptedBoxes();
  ~ScriptedBoxes();
  void Answer(int button) { answers_.push_back(button); }
  void SetStrict(bool strict) { strict_ = strict; }
  const std::vector<ShownBox>& Shown() const { return shown_; }
  void Clear() { shown_.clear(); answers_.clear(); }
  // Number of boxes whose prompt starts with the text.
  int CountStartingWith(const std::string& text) const;

 private:
  std::deque<int> answers_;
  std::vector<ShownBox> shown_;
  bool strict_ = false;
};

// Records every window operation of the engine.
class RecordingWindows : public qel::WindowOps {
 public:
  RecordingWindows();
  ~RecordingWindows() override;

  std::vector<std::string> calls;  // one text per call, e.g. "ProgressValue 50"
  std::vector<std::string> progressLines;
  std::string summary[4];  // lblAmin, lblAmax, lblBmin, lblBmax
  std::vector<int> progressValues;
  std::vector<std::string> progressCaptions;
  int lutValue = 0;
  int selected = -1;
  uint32_t shapeColor[11] = {};
  int shapeFill[11] = {};
  int shapeBorder[11] = {};
  int lineBorder = -1;
  int outputShown = 0;
  int mapShown = 0;
  int progressHidden = 0;

  void* CreateLoadShowMain() override;
  void SetInputSummaryLabel(qel::SummaryLabel which, const std::string& text) override;
  void SetProgressCaption(const std::string& text, bool repaint) override;
  void SetProgressValue(int value) override;
  void AddProgressLine(const std::string& line) override;
  int ProgressLineCount() override { return static_cast<int>(progressLines.size()); }
  void SelectProgressLine(int index) override;
  void HideProgress() override;
  int OptionsLUTValue() override { return lutValue; }
  void ShowOutput() override;
  void SetMapShapeFillStyle(int shape, int style) override;
  void SetMapShapeBorderStyle(int shape, int style) override;
  void SetMapShapeFillColor(int shape, uint32_t color) override;
  void SetMapLineBorderStyle(int style) override;
  void RefreshMap() override;
  void ShowMap() override;
  void FocusMapClose() override;
};

// Returns the engine to start-up values, sets the capacity limits and the
// option defaults, and gives each test a scratch directory.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string TempPath(const std::string& name) const;
  // Writes a text file in the scratch directory and returns its path.
  std::string WriteFile(const std::string& name, const std::string& content) const;

  ScriptedBoxes boxes;
  RecordingWindows windows;
  std::filesystem::path tempDir;
};

// A generated study area: cols x rows square cells of side `side`.
// Record 1 is the outside; cell (x, y) is record 2 + y * cols + x.
struct LatticeSpec {
  int cols = 10;
  int rows = 10;
  double side = 1.0;
  int zoneASize = 3;   // zone A: squares of zoneASize x zoneASize cells
  int zoneBSize = 2;   // zone B: squares of zoneBSize x zoneBSize cells, offset by 1
  int nHomVars = 0;    // variables 1 and 2 split population A; the rest arbitrary
  unsigned seed = 1;   // populations vary with the seed
  double minPop = 50;
  double maxPop = 150;
};

// Fills arrBB records 1..n and the input totals directly, as the readers would.
void BuildLattice(const LatticeSpec& spec);

// The same study area as text files (intersection, contiguity), in the
// program's formats, LF line ends unless crlf.
struct LatticeFiles {
  std::string patPath;
  std::string ctgPath;
};
LatticeFiles WriteLatticeFiles(const LatticeSpec& spec, const std::filesystem::path& dir,
                               bool crlf = false);
std::string LatticePatText(const LatticeSpec& spec, bool crlf = false);
std::string LatticeCtgText(const LatticeSpec& spec, bool crlf = false);

// Path of a data file of the repository (data/ or tests/data/).
std::string RepoPath(const std::string& relative);
std::string ReadWholeFile(const std::string& path);

// Sets the run settings to "nothing on" with the option defaults.
void SetDefaultRunSettings();

}  // namespace qeltest
