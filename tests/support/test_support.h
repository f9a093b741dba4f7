// Helpers for the engine tests: scripted message boxes, a recording window
// interface, a fixture that returns the engine to its start-up state, and
// the loading and running of study areas.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "engine.h"
#include "study_area_gen.h"

namespace qeltest {

struct ShownBox {
  std::string prompt;
  int style = 0;
  std::string title;
  bool operator==(const ShownBox&) const = default;
};
std::ostream& operator<<(std::ostream& os, const ShownBox& box);

// Installs itself as the message-box handler. Answers are given first in,
// first out; with none queued a box is answered OK.
class ScriptedBoxes {
 public:
  ScriptedBoxes();
  ~ScriptedBoxes();
  void Answer(int button) { answers_.push_back(button); }
  const std::vector<ShownBox>& Shown() const { return shown_; }
  void Clear() { shown_.clear(), answers_.clear(); }
  // Number of boxes whose prompt starts with the text.
  int CountStartingWith(const std::string& text) const;

 private:
  std::deque<int> answers_;
  std::vector<ShownBox> shown_;
};

// Records every window operation of the engine, one text per call in
// `calls` (e.g. "ProgressValue 50"), and the values that tests read back.
class RecordingWindows : public qel::WindowOps {
 public:
  RecordingWindows() { qel::SetWindowOps(this); }
  ~RecordingWindows() override { qel::SetWindowOps(nullptr); }

  std::vector<std::string> calls, progressLines, progressCaptions;
  std::vector<int> progressValues;
  std::string summary[4];  // lblAmin, lblAmax, lblBmin, lblBmax
  int lutValue = 0, selected = -1, lineBorder = -1, outputShown = 0, progressHidden = 0;
  uint32_t shapeColor[11] = {};
  int shapeFill[11] = {}, shapeBorder[11] = {};

  void* CreateLoadShowMain() override { return Call("CreateLoadShowMain"), this; }
  void SetInputSummaryLabel(qel::SummaryLabel which, const std::string& text) override {
    summary[static_cast<int>(which)] = text;
  }
  void SetProgressCaption(const std::string& text, bool repaint) override {
    progressCaptions.push_back(text);
    Call(std::string("ProgressCaption ") + (repaint ? "repaint " : "") + text);
  }
  void SetProgressValue(int value) override { progressValues.push_back(value); }
  void AddProgressLine(const std::string& line) override { progressLines.push_back(line); }
  int ProgressLineCount() override { return static_cast<int>(progressLines.size()); }
  void SelectProgressLine(int index) override { selected = index; }
  void HideProgress() override { ++progressHidden, Call("HideProgress"); }
  int OptionsLUTValue() override { return lutValue; }
  void ShowOutput() override { ++outputShown, Call("ShowOutput"); }
  void SetMapShapeFillStyle(int shape, int style) override { Shape(shapeFill, shape, style, "MapFillStyle "); }
  void SetMapShapeBorderStyle(int shape, int style) override { Shape(shapeBorder, shape, style, "MapBorder "); }
  void SetMapShapeFillColor(int shape, uint32_t color) override { Shape(shapeColor, shape, color, "MapColor "); }
  void SetMapLineBorderStyle(int style) override { lineBorder = style; }
  void RefreshMap() override { Call("MapRefresh"); }
  void ShowMap() override { Call("MapShow"); }
  void FocusMapClose() override { Call("MapFocusClose"); }

 private:
  void Call(const std::string& text) { calls.push_back(text); }
  template <class T>
  void Shape(T (&values)[11], int shape, T value, const std::string& what) {
    if (shape >= 0 && shape < 11) values[shape] = value;
    Call(what + std::to_string(shape));
  }
};

// Returns the engine to start-up values, sets the capacity limits and the
// option defaults, and gives each test a scratch directory.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string TempPath(const std::string& name) const { return (tempDir / name).string(); }
  // Writes a text file in the scratch directory and returns its path.
  std::string WriteFile(const std::string& name, const std::string& content) const;

  ScriptedBoxes boxes;
  RecordingWindows windows;
  std::filesystem::path tempDir;
};

// Path of a data file of the repository (data/ or tests/data/).
std::string RepoPath(const std::string& relative);
std::string ReadWholeFile(const std::string& path);

// Sets the run settings to "nothing on" with the option defaults.
void SetDefaultRunSettings();

// Reads an intersection file (no header line) and its contiguity file, as
// the main window's two buttons do, and names the file for the run.
void LoadStudyArea(const std::string& patPath, const std::string& ctgPath);
void LoadRepoArea(const std::string& name);  // e.g. "data/QELdemo"

// A small study area written into dir and read: one text per block, record
// 2 onwards ("zoneA zoneB popA popB area [hom...]"), and the arcs "a b len"
// separated by commas. The IBBs are then built under the present settings.
void LoadArea(const std::filesystem::path& dir, const std::vector<std::string>& blocks, const std::string& arcs);

// Bare tables: records 1..nRecs, record 1 the outside, every record r from 2
// its own IBB r - 1, with no neighbours and no tract.
void OneIBBPerRecord(int nRecs);

struct RunSettings {
  bool threshold = false;
  double thresholdPop = 0;
  bool target = false;
  double targetPop = 0;
  bool shape = false, homog = false;
  std::vector<int> groups;  // homogeneity group sizes
  bool fixedA = false, fixedB = false;
  bool approx = false, iraApprox = false;
  bool sa = false;
  int popLayer = 1;
  int iterations = 5;
  int seed = 99;
};

// Copies the settings into the engine, derives the modes, seeds the
// generator, records the start time, then builds the IBBs and runs.
void StartRun(const RunSettings& s);

}  // namespace qeltest
