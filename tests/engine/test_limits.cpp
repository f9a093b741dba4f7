// Limits and settings that the program meets with a clear message or a
// defined value instead of a crash, a table overrun or a loop without end.
#include <algorithm>
#include <cmath>

#include "test_support.h"

using namespace qel;
using qeltest::RunSettings;

namespace {

class Limits : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    blnContCheck = false;
  }
  bool Shown(const std::string& prompt) const { return boxes.CountStartingWith(prompt) > 0; }
  // Runs the iterations on the IBBs as they stand, as the Run command does.
  void Run(int iterations) {
    intNIterations = static_cast<int16_t>(iterations);
    RunIterations(intNIterations);
  }
};

TEST_F(Limits, RefusedPreparationEndsTheRunAndKeepsTheLastResults) {
  // One zone A of 600 blocks: more than a list, a tract or a zone holds.
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 20, .zoneA = 30});
  RunSettings s;
  s.threshold = true, s.thresholdPop = 500, s.iterations = 1;
  qeltest::StartRun(s);
  WriteTractComposition(TempPath("before.csv"));
  const std::string tracts = qeltest::TractTableBytes();
  const std::pair<std::function<void(RunSettings&)>, std::string> refusals[] = {
      {[](RunSettings& r) { r.target = true, r.targetPop = 0; }, "Target population must be greater than 0"},
      {[](RunSettings& r) { r.fixedA = true; }, "Too many building blocks labelled as belonging to same zone A"},
      {[](RunSettings& r) { r.approx = true; },
       "Error 9 Index outside the bounds of a table: zone 1 has more than 500 records (line 502)"},
      {[this](RunSettings& r) { r.approx = true, intRunHeader = 1, boxes.Answer(kIdCancel); }, "Header Line reads "},
  };
  for (const auto& [set, prompt] : refusals) {
    boxes.Clear();
    windows.calls.clear();
    RunSettings r = s;
    set(r);
    qeltest::StartRun(r);
    EXPECT_TRUE(Shown(prompt)) << prompt;
    EXPECT_TRUE(std::find(windows.calls.begin(), windows.calls.end(), "ShowOutput") == windows.calls.end());
    EXPECT_EQ(intNRecs, 601);
    EXPECT_TRUE(qeltest::TractTableBytes() == tracts) << prompt;
    WriteTractComposition(TempPath("after.csv"));
    EXPECT_EQ(qeltest::ReadWholeFile(TempPath("after.csv")), qeltest::ReadWholeFile(TempPath("before.csv")));
  }
}

TEST_F(Limits, ClosuresTargetsAndReferencesBeyondTheirRange) {
  // Both layers fixed, their zones overlapping across the whole lattice: the
  // closure of every block is larger than a list holds.
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 20, .zoneA = 2, .zoneB = 2});
  blnFixedA = blnFixedB = true;
  BuildIntermediateBBs();
  EXPECT_TRUE(Shown("Too many small zones in fixed geography"));
  EXPECT_EQ(intNIBB, 0);
  // A target that implies more tracts than 16 bits hold: the warning gives
  // the true number and the preparation goes on.
  blnFixedA = blnFixedB = false;
  blnTargetPop = true, dblTarget = 0.001;
  BuildIntermediateBBs();
  EXPECT_TRUE(Shown("Resetting target number of tracts (" + Str(std::nearbyint(dblTotPopA / 0.001)) + ")"));
  EXPECT_EQ(intNIBB, 600);
  // A first homogeneity group that sums to nothing leaves the means at 0.
  blnTargetPop = false, blnHomog = true, intNHomGroups = 1, intGroupSize(1) = 2;
  qeltest::LoadArea(tempDir, {"1 1 10 10 1 0 0 4", "1 1 10 10 1 0 0 6"}, "2 3 1,2 1 1,3 1 1");
  EXPECT_TRUE(Shown("The first group of homogeneity variables sums to 0"));
  EXPECT_EQ(dblHomMean(3), 0);
  // 300 blocks in one zone of both fixed layers: layer B lists none again.
  boxes.Clear();
  blnHomog = false, blnFixedA = blnFixedB = true;
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 10, .zoneA = 30, .zoneB = 31});
  BuildIntermediateBBs();
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNIBB, 1);
}

TEST_F(Limits, ByteOrderMarkIsNoPartOfTheFirstLine) {
  std::string n1, n2;
  ReadIntersectionFile(0, WriteFile("bom.pat", "\xEF\xBB\xBF" "1 0 0 0 0 0\r\n2 1 1 10 10 1\r\n"), n1, n2);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNRecs, 2);
}

TEST_F(Limits, BlocksOutsideEveryTract) {
  // Record 4 has no neighbour and record 5 no positive number: neither can be
  // placed; a self-arc is no boundary; the composition file names tract 0.
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "1 1 10 10 1", "2 2 10 10 1", "1 1 10 10 1"},
                    "2 3 1,2 2 5,2 1 3,3 1 3");
  arrBB(5).intID = 0;
  BuildIntermediateBBs();
  EXPECT_EQ(arrBB(2).intNNbrs, 2);
  blnThresholdPop = true, dblThreshold = 5, blnMinOnly = true;
  Run(1);
  EXPECT_TRUE(Shown("Intermediate BB 3 omitted from IRA"));
  WriteTractComposition(TempPath("out.csv"));
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("out.csv")), "2,1\r\n3,2\r\n4,0\r\n0,0\r\n");
}

TEST_F(Limits, DominantZonesOfAnyCodeAndFullTracts) {
  // Codes 0, negative and beyond the block count each found a tract.
  blnApprox = blnIRAApprox = true;
  qeltest::LoadArea(tempDir, {"0 1 10 10 1", "-5 1 10 10 1", "30000 1 10 10 1", "30000 1 10 10 1"},
                    "2 3 1,3 4 1,4 5 1,2 1 1");
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 3);
  EXPECT_EQ(qeltest::Members(3), (std::vector<int>{3, 4}));

  // One zone of 600 IBBs fills one tract to its 500 members; the rest start
  // another. (A zone table cannot hold that zone: its preparation is refused.)
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 20, .zoneA = 30});
  blnApprox = false;
  BuildIntermediateBBs();
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  EXPECT_EQ(qeltest::TractsDiffer(true), "");
}

TEST_F(Limits, RepairThatEmptiesATractTakesItOut) {
  blnApprox = blnIRAApprox = blnContCheck = true;
  // Zone 1 at both ends of a strip, zone 2 between: moving the middle joins
  // tract 1 and empties tract 2, which leaves the table.
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "2 1 10 10 1", "1 1 10 10 1"}, "2 3 1,3 4 1,2 1 1");
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 1);
  EXPECT_TRUE(qeltest::IsTractConnected(1));
}

TEST_F(Limits, RunCountsAndTimes) {
  qeltest::LoadLattice(tempDir, {.cols = 2, .rows = 2});
  blnThresholdPop = blnMinOnly = true, dblThreshold = 150;
  BuildIntermediateBBs();
  // The largest count still ends, and the bar never passes 100.
  Run(32767);
  EXPECT_EQ(windows.progressValues.size(), 32768u);  // 0, then one value per iteration
  EXPECT_EQ(windows.progressValues.back(), 100);
  // A start later in the day than now lies before midnight: elapsed time is
  // counted across it and held within 16 bits.
  datRunStart = TimeOfDay() + 60;
  Run(1);
  EXPECT_EQ(intElapsedSecs, 32767);
}

TEST_F(Limits, LookUpTableThatCannotBeWrittenKeepsTheResults) {
  qeltest::LoadLattice(tempDir, {.cols = 4, .rows = 4});
  std::filesystem::create_directory(tempDir / "QELlut.csv");  // the name is taken
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(tempDir);
  windows.lutValue = 1;
  RunSettings s;
  s.approx = true, s.iterations = 2;
  qeltest::StartRun(s);
  std::filesystem::current_path(cwd);
  EXPECT_EQ(boxes.CountStartingWith("The look-up table QELlut.csv could not be written"), 1);
  EXPECT_GT(intNBestTracts, 0);
  EXPECT_TRUE(std::isfinite(dblBestApx));
}

}  // namespace
