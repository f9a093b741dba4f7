// The run loop: its schedule, the new-best test and its list lines, the bar,
// and the end steps (elapsed time, look-up table, demo map, output window).
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

using namespace qel;
using qeltest::RunSettings;
using qeltest::StartRun;

namespace {

class RunLoopTest : public qeltest::EngineTest {
 protected:
  void LatticeFiles() { qeltest::LoadGenArea(qeltest::LatticeArea({}), tempDir); }
  static RunSettings Threshold(int iterations, double pop = 400) {
    RunSettings s;
    s.threshold = true, s.thresholdPop = pop, s.iterations = iterations;
    return s;
  }
};

TEST_F(RunLoopTest, NoIterationStillRunsTheEndSteps) {
  qeltest::BuildLattice({});
  dblBestTP = 7;
  StartRun(Threshold(0));
  EXPECT_EQ(windows.progressCaptions.back(), "Progress with 0 iterations:");
  EXPECT_EQ(windows.progressValues, std::vector<int>{0});
  EXPECT_EQ(dblBestTP, 7);  // not reset without an iteration
  EXPECT_EQ(intNTracts, 0);  // no best solution since start-up
  EXPECT_EQ(windows.progressHidden, 1);
  EXPECT_EQ(windows.calls.back(), "ShowOutput");
}

TEST_F(RunLoopTest, BarAndNewBestLinesFollowTheIterations) {
  qeltest::BuildLattice({});
  RunSettings s = Threshold(8);
  s.target = true, s.targetPop = 600, s.shape = true;
  StartRun(s);
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
  ASSERT_FALSE(windows.progressLines.empty());
  EXPECT_EQ(windows.progressLines.back(), Str(static_cast<int>(intBestIteration)) + " *NEW BEST* : " +
                                              Str(dblBestTP) + " " + Str(dblBestP2A) + " 0 " + Str(dblBestApx));
  EXPECT_EQ(windows.selected, static_cast<int>(windows.progressLines.size()) - 1);

  // The largest count ends.
  qeltest::BuildLattice({.cols = 2, .rows = 1});
  StartRun(Threshold(32767, 10));
  EXPECT_EQ(windows.progressValues.back(), 100);
  EXPECT_EQ(intNIterations, 32767);
}

TEST_F(RunLoopTest, OneUnsearchedIterationWithoutConstraintsAndAPerfectMatchAreKept) {
  qeltest::BuildLattice({});
  RunSettings s;
  s.iterations = 30;
  StartRun(s);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(windows.progressLines.size(), 1u);
  EXPECT_EQ(windows.progressValues, std::vector<int>{0});
  EXPECT_EQ(intNBestTracts, intNTracts);

  // Tracts built from contiguous zones match them exactly: an objective of
  // 0 against the best so far, the best there is.
  windows.progressLines.clear();
  LatticeFiles();
  s.approx = s.iraApprox = true, s.iterations = 3;
  StartRun(s);
  EXPECT_EQ(dblBestApx, 0);
  EXPECT_EQ(intNBestTracts, intNZones);
  ASSERT_EQ(windows.progressLines.size(), 1u);
  EXPECT_EQ(windows.progressLines[0].rfind("1 *NEW BEST* : ", 0), 0u);
}

TEST_F(RunLoopTest, CancelOfTheRepairEndsTheRunAfterThatIteration) {
  qeltest::LoadArea(tempDir, {"1 1 100 100 1", "2 1 100 100 1", "1 1 100 100 1", "2 1 100 100 1"},
                    "2 1 3,2 3 1,3 1 2,3 4 1,4 1 2,4 5 1,5 1 3");
  RunSettings s;
  s.approx = s.iraApprox = true, s.iterations = 5;
  boxes.Answer(kIdCancel);
  StartRun(s);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 100}));
  // Repaired in iteration 1, cancelled in 2 of 2: the bar shows 100, not 200.
  windows.progressValues.clear();
  for (int a : {kIdOk, kIdCancel}) boxes.Answer(a);
  s.iterations = 2;
  StartRun(s);
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 50, 100}));
}

TEST_F(RunLoopTest, TheLookUpTableIsWrittenOnceAtTheEndOnlyWhenAskedWithMatching) {
  LatticeFiles();
  const auto oldDir = std::filesystem::current_path();
  std::filesystem::current_path(tempDir);
  const auto lut = tempDir / "QELlut.csv";
  RunSettings s;
  s.target = true, s.targetPop = 900, s.iterations = 3;
  windows.lutValue = 1;
  StartRun(s);  // matching off
  EXPECT_FALSE(std::filesystem::exists(lut));
  s.approx = true;
  StartRun(s);
  const std::string text = qeltest::ReadWholeFile(lut.string());
  EXPECT_FALSE(blnWriteLUT);
  // Every line describes the best solution, now in the working tables.
  for (int z = 1; z <= intNZones; ++z) {
    const int t = arrZone(z).intBestTract;
    ASSERT_TRUE(t >= 1 && t <= intNBestTracts);
    EXPECT_NE(text.find(Str(static_cast<int>(arrZone(z).intCode)) + "," + Str(arrZone(z).dblPop) + "," +
                        Str(t) + "," + Str(arrBestTract(t).dblPop) + ","),
              std::string::npos);
  }
  std::filesystem::remove(lut);
  windows.lutValue = 0;
  StartRun(s);
  EXPECT_FALSE(std::filesystem::exists(lut));
  std::filesystem::current_path(oldDir);
}

TEST_F(RunLoopTest, TheDemoMapIsDrawnAfterEveryIterationAndAfterTheRestore) {
  qeltest::LoadRepoArea("data/QELdemo");
  RunSettings s;
  s.target = true, s.targetPop = 250, s.iterations = 4;
  StartRun(s);
  const auto& c = windows.calls;
  EXPECT_EQ(std::count(c.begin(), c.end(), "MapShow"), 5);
  // The last drawing shows the best solution, restored after the run.
  EXPECT_EQ(std::count(std::find(c.begin(), c.end(), "HideProgress"), c.end(), "MapShow"), 1);
  const uint32_t colours[8] = {0x0000FF, 0xFF0000, 0x00FFFF, 0x00FF00, 0xFFFFFF, 0x000000, 0xFF00FF, 0xFFFF00};
  for (int r = 2; r <= 11; ++r) {
    const int t = arrIBB(arrBB(r).intIBB).intTract;
    EXPECT_TRUE(t > 8 || windows.shapeColor[r - 2] == colours[t - 1]) << "record " << r;
  }
}

double LocalClock(int h, int m, int s) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  tm.tm_hour = h, tm.tm_min = m, tm.tm_sec = s, tm.tm_isdst = -1;
  return static_cast<double>(std::mktime(&tm));
}

TEST_F(RunLoopTest, ElapsedTimeSurvivesMidnightAndLongRuns) {
  const struct {
    double start;
    int h, m, s, expected;
  } cases[] = {{23 * 3600 + 59 * 60 + 50, 0, 0, 10, 20}, {0, 10, 0, 0, 32767}, {12 * 3600, 12, 1, 15, 75}};
  for (const auto& c : cases) {
    datRunStart = c.start;
    SetClock([&c] { return LocalClock(c.h, c.m, c.s); });
    int16_t none = 0;
    RunIterations(none);
    EXPECT_EQ(intElapsedSecs, c.expected);
  }
}

}  // namespace
