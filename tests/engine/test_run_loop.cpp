#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run_helpers.h"
#include "run_loop.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::RunSettings;
using qeltest::StartRun;

namespace {

class RunLoopTest : public qeltest::EngineTest {
 protected:
  void TearDown() override {
    SetClock(nullptr);
    SetKeptMoveObserver(nullptr);
    EngineTest::TearDown();
  }
  static void Lattice(int cols, int rows, unsigned seed = 1) {
    qeltest::LatticeSpec spec;
    spec.cols = cols;
    spec.rows = rows;
    spec.seed = seed;
    qeltest::BuildLattice(spec);
  }
  static RunSettings ThresholdOnly(int iterations) {
    RunSettings s;
    s.threshold = true;
    s.thresholdPop = 400;
    s.iterations = iterations;
    return s;
  }
  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : windows.calls) n += c == call;
    return n;
  }
  // Four blocks in a row whose layer-A zones alternate 1, 2, 1, 2: the
  // matching aggregation makes tract 1 of blocks 2 and 4, which one repair
  // (moving block 3 in) connects.
  void AlternatingRow() {
    std::string pat = WriteFile("row.pat",
                                "1 0 0 0 0 0\n2 1 1 100 100 1\n3 2 1 100 100 1\n"
                                "4 1 1 100 100 1\n5 2 1 100 100 1\n");
    std::string ctg = WriteFile("row.ctg",
                                "2 1 3\n2 3 1\n3 1 2\n3 4 1\n4 1 2\n4 5 1\n5 1 3\n");
    qeltest::LoadStudyArea(pat, ctg);
  }
};

// A double clock: the epoch second of today's local time h:m:s.
double LocalClock(int h, int m, int s) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  tm.tm_hour = h;
  tm.tm_min = m;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return static_cast<double>(std::mktime(&tm));
}

TEST_F(RunLoopTest, ACountBelowOneRunsNoIterationButTheEndSteps) {
  Lattice(4, 4);
  dblBestTP = 7;
  dblBestIAC = 3;
  RunSettings s = ThresholdOnly(0);
  StartRun(s);
  EXPECT_EQ(windows.progressCaptions.back(), "Progress with 0 iterations:");
  EXPECT_EQ(windows.progressValues, std::vector<int>{0});
  EXPECT_EQ(dblBestTP, 7);  // not reset without an iteration
  EXPECT_EQ(dblBestIAC, 3);
  EXPECT_TRUE(windows.progressLines.empty());
  EXPECT_EQ(windows.progressHidden, 1);
  EXPECT_EQ(windows.outputShown, 1);
  EXPECT_EQ(intNTracts, 0);  // no best solution after start-up
  EXPECT_EQ(windows.calls.back(), "ShowOutput");
}

TEST_F(RunLoopTest, NoConstraintsMakeOneUnsearchedIterationTheBest) {
  Lattice(5, 4);
  RunSettings s;
  s.iterations = 30;
  StartRun(s);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(intBestIteration, 1);
  ASSERT_EQ(windows.progressLines.size(), 1u);
  EXPECT_EQ(windows.progressLines[0].rfind("1 *NEW BEST* : ", 0), 0u);
  EXPECT_EQ(windows.selected, 0);
  EXPECT_EQ(windows.progressValues, std::vector<int>{0});  // the bar stays at 0
  EXPECT_EQ(dblBestIAC, 0);
  EXPECT_EQ(intNBestTracts, intNTracts);
  qeltest::ExpectTractsConsistent();
}

TEST_F(RunLoopTest, BarFollowsTheIterationsWithTiesToEven) {
  Lattice(5, 5);
  StartRun(ThresholdOnly(8));
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
  EXPECT_EQ(windows.progressCaptions.back(), "Progress with 8 iterations:");
}

TEST_F(RunLoopTest, TheLargestIterationCountEnds) {
  Lattice(2, 1);
  RunSettings s = ThresholdOnly(32767);
  s.thresholdPop = 10;
  StartRun(s);
  ASSERT_EQ(windows.progressValues.size(), 32768u);
  EXPECT_EQ(windows.progressValues.back(), 100);
  EXPECT_EQ(intNIterations, 32767);
  EXPECT_EQ(windows.outputShown, 1);
}

TEST_F(RunLoopTest, NewBestLinesShowTheBestValuesAndTheLastIsSelected) {
  Lattice(6, 6);
  RunSettings s;
  s.target = true;
  s.targetPop = 600;
  s.shape = true;
  s.iterations = 6;
  StartRun(s);
  ASSERT_FALSE(windows.progressLines.empty());
  int lastIteration = 0;
  for (const auto& l : windows.progressLines) {
    const size_t mark = l.find(" *NEW BEST* : ");
    ASSERT_NE(mark, std::string::npos) << l;
    const int iteration = std::stoi(l.substr(0, mark));
    EXPECT_EQ(l.substr(0, mark), Str(iteration));
    EXPECT_GT(iteration, lastIteration);
    lastIteration = iteration;
    std::istringstream values(l.substr(mark + 14));
    std::vector<std::string> v;
    for (std::string x; values >> x;) v.push_back(x);
    ASSERT_EQ(v.size(), 4u) << l;
    EXPECT_EQ(v[2], "0");  // homogeneity off: IAC shows 0
  }
  EXPECT_EQ(lastIteration, intBestIteration);
  EXPECT_EQ(windows.progressLines.back(), Str(lastIteration) + " *NEW BEST* : " + Str(dblBestTP) + " " +
                                              Str(dblBestP2A) + " 0 " + Str(dblBestApx));
  EXPECT_EQ(windows.selected, static_cast<int>(windows.progressLines.size()) - 1);
}

TEST_F(RunLoopTest, APerfectMatchIsKeptAsTheBest) {
  // Contiguous zones and matching as the start: the tracts are the zones,
  // the mismatch is 0 and so is the objective against the best so far.
  const auto files = qeltest::WriteLatticeFiles({}, tempDir);
  qeltest::LoadStudyArea(files.patPath, files.ctgPath);
  RunSettings s;
  s.approx = s.iraApprox = true;
  s.iterations = 3;
  StartRun(s);
  EXPECT_EQ(dblBestApx, 0);
  EXPECT_EQ(intBestIteration, 1);
  EXPECT_EQ(intNBestTracts, intNZones);
  ASSERT_EQ(windows.progressLines.size(), 1u);
  EXPECT_EQ(windows.progressLines[0].rfind("1 *NEW BEST* : ", 0), 0u);
}

TEST_F(RunLoopTest, TheEndRestoresTheBestSolutionIntoTheWorkingTables) {
  Lattice(8, 7, 3);
  RunSettings s;
  s.target = true;
  s.targetPop = 700;
  s.threshold = true;
  s.thresholdPop = 500;
  s.iterations = 7;
  s.sa = true;
  StartRun(s);
  ASSERT_GT(intNBestTracts, 0);
  ASSERT_EQ(intNTracts, intNBestTracts);
  for (int t = 1; t <= intNTracts; ++t) {
    EXPECT_EQ(arrTract(t).intID, t);
    EXPECT_EQ(arrTract(t).dblPop, arrBestTract(t).dblPop);
    EXPECT_EQ(qeltest::TractMemberSet(t), std::set<int>(&arrBestTract(t).intMember(1),
                                                         &arrBestTract(t).intMember(1) + arrBestTract(t).intNMembers));
  }
  qeltest::ExpectTractsConsistent();
  for (int g = 1; g <= intNIBB; ++g)
    for (int j = 1; j <= intBestIBBCount(g); ++j) EXPECT_EQ(arrBB(intBestIBBMember(g, j)).intIBB, g);
}

TEST_F(RunLoopTest, KeptMovesRespectTheThresholdAndNeverEmptyADonor) {
  Lattice(10, 8, 5);
  int kept = 0;
  SetKeptMoveObserver([&](int16_t ibb, int16_t from, int16_t to) {
    ++kept;
    EXPECT_EQ(arrIBB(ibb).intTract, to);
    EXPECT_GE(arrTract(from).intNMembers, 1);
    EXPECT_GE(arrTract(from).dblPop, dblThreshold) << "donor " << from << " fell below the threshold";
  });
  RunSettings s = ThresholdOnly(6);
  s.target = true;
  s.targetPop = 800;
  s.shape = true;
  s.sa = true;
  StartRun(s);
  EXPECT_GT(kept, 0);
}

TEST_F(RunLoopTest, ElapsedTimeSurvivesMidnightAndLongRuns) {
  Lattice(3, 3);
  // Started at 23:59:50, ended at 00:00:10.
  datRunStart = 23 * 3600 + 59 * 60 + 50;
  SetClock([] { return LocalClock(0, 0, 10); });
  int16_t none = 0;
  RunIterations(none);
  EXPECT_EQ(intElapsedSecs, 20);
  // Ten hours do not fit: the largest value stands for "at least that".
  datRunStart = 0;
  SetClock([] { return LocalClock(10, 0, 0); });
  RunIterations(none);
  EXPECT_EQ(intElapsedSecs, 32767);
  // An ordinary run of 75 seconds.
  datRunStart = 12 * 3600;
  SetClock([] { return LocalClock(12, 1, 15); });
  RunIterations(none);
  EXPECT_EQ(intElapsedSecs, 75);
}

TEST_F(RunLoopTest, TheLookUpTableIsWrittenOnceAtTheEndOnlyWhenAskedWithMatching) {
  const auto files = qeltest::WriteLatticeFiles({}, tempDir);
  qeltest::LoadStudyArea(files.patPath, files.ctgPath);
  const auto oldDir = std::filesystem::current_path();
  std::filesystem::current_path(tempDir);
  const std::string lut = (tempDir / "QELlut.csv").string();

  RunSettings s;
  s.target = true;
  s.targetPop = 900;
  s.iterations = 3;
  windows.lutValue = 1;  // box ticked, matching off: no table
  StartRun(s);
  EXPECT_FALSE(std::filesystem::exists(lut));

  s.approx = true;
  StartRun(s);
  EXPECT_FALSE(blnWriteLUT);
  ASSERT_TRUE(std::filesystem::exists(lut));
  // Every line describes the best solution, now in the working tables.
  std::string text = qeltest::ReadWholeFile(lut);
  int lines = 0;
  for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2) ++lines;
  EXPECT_EQ(lines, intNZones);
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
  qeltest::LoadStudyArea(qeltest::RepoPath("data/QELdemo.pat"), qeltest::RepoPath("data/QELdemo.ctg"));
  ASSERT_TRUE(blnDemoFile);
  RunSettings s;
  s.target = true;
  s.targetPop = 250;
  s.iterations = 4;
  StartRun(s);
  EXPECT_EQ(Count("MapShow"), 5);
  // The last drawing shows the best solution, after the run's last iteration.
  size_t lastShow = windows.calls.size(), lastValue = 0;
  for (size_t k = 0; k < windows.calls.size(); ++k) {
    if (windows.calls[k] == "MapShow") lastShow = k;
    if (windows.calls[k].rfind("ProgressValue", 0) == 0) lastValue = k;
  }
  EXPECT_GT(lastShow, lastValue);
  for (int r = 2; r <= 11; ++r) {
    const int t = arrIBB(arrBB(r).intIBB).intTract;
    const uint32_t colours[8] = {0x0000FF, 0xFF0000, 0x00FFFF, 0x00FF00, 0xFFFFFF, 0x000000, 0xFF00FF, 0xFFFF00};
    if (t >= 1 && t <= 8) {
      EXPECT_EQ(windows.shapeColor[r - 2], colours[t - 1]) << "record " << r;
    }
  }
}

TEST_F(RunLoopTest, CancelOfTheContiguityRepairEndsTheRunAfterThatIteration) {
  AlternatingRow();
  RunSettings s;
  s.approx = true;
  s.iraApprox = true;
  s.iterations = 5;
  boxes.Answer(kIdCancel);
  StartRun(s);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 100}));
  EXPECT_EQ(boxes.CountStartingWith("Tract 1 not fully contiguous"), 1);

  // Repaired in iteration 1, cancelled in iteration 2 of 2: the bar shows
  // 100, not 200.
  windows.progressValues.clear();
  boxes.Clear();
  boxes.Answer(kIdOk);
  boxes.Answer(kIdCancel);
  s.iterations = 2;
  StartRun(s);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 50, 100}));
  EXPECT_EQ(boxes.CountStartingWith("Tract 1 not fully contiguous"), 2);
}

}  // namespace
