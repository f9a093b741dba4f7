// What a run leaves for the log, the composition file and the report: the
// results of the study area and run that made them, whatever is loaded, set
// or refused between the run and the save.
#include <filesystem>
#include <stdexcept>
#include <string>

#include "run_loop.h"
#include "test_support.h"

using namespace qel;
using qeltest::RunSettings;
using qeltest::ShownBox;

namespace {

class RunResults : public qeltest::EngineTest {
 protected:
  // The log without its time line, and the composition file; "" for a file
  // that was not written.
  std::string Log() {
    const std::string p = TempPath("QELlog.txt");
    std::filesystem::remove(p);
    WriteProgramLog(p);
    std::string log = qeltest::ReadWholeFile(p);
    const std::size_t at = log.find("QEL Program Log written at ");
    return log.erase(at, log.find('\n', at) - at);
  }
  std::string Composition() {
    const std::string p = TempPath("QELout.csv");
    std::filesystem::remove(p);
    try {
      WriteTractComposition(p);
    } catch (const RuntimeError& e) {
      return "refused: " + e.Description();
    }
    return qeltest::ReadWholeFile(p);
  }
  void LatticeIn(const char* dir, const qeltest::Lattice& l) {
    std::filesystem::create_directories(tempDir / dir);
    qeltest::LoadLattice(tempDir / dir, l);
  }
  static bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

  const RunSettings threshold{.threshold = true, .thresholdPop = 300, .iterations = 2};
};

TEST_F(RunResults, SavesWriteTheRunThatMadeThem) {
  LatticeIn("a", {.cols = 6, .rows = 6});
  const std::string areaA = strInputFile;
  qeltest::StartRun(threshold);
  ASSERT_GT(intNBestTracts, 0);
  const std::string log = Log(), composition = Composition();
  ASSERT_TRUE(Has(log, "Input file : " + areaA) && Has(log, "Threshold population : 300"));
  ASSERT_TRUE(Has(composition, "37,"));

  // A load refused at line 4, a run refused, and the settings changed: the
  // saves still write the run as it was.
  std::string nameA, nameB;
  ReadIntersectionFile(0, WriteFile("bad.pat", "1 0 0 0 0 0\n2 1 1 10 10 1\n3 1 1 10 10 1\nx\n"), nameA, nameB);
  EXPECT_EQ(boxes.CountStartingWith("Error 13 "), 1);
  qeltest::StartRun({.target = true, .targetPop = 0});
  EXPECT_EQ(boxes.CountStartingWith("Target population must be greater than 0"), 1);
  blnShape = blnHomog = true;
  EXPECT_EQ(Log(), log);
  EXPECT_EQ(Composition(), composition);

  // Another area loaded: nothing of area a is saved any more.
  LatticeIn("b", {.cols = 4, .rows = 3, .seed = 7});
  EXPECT_EQ(intNBestTracts, 0);
  const std::string gone =
      "The results of the last run, on " + areaA + ", are no longer held: an intersection file has been loaded since";
  EXPECT_EQ(RunResultRefusal(false), gone);
  EXPECT_EQ(Composition(), "refused: " + gone + " (" + TempPath("QELout.csv") + ")");
  EXPECT_FALSE(std::filesystem::exists(TempPath("QELout.csv")));
}

TEST_F(RunResults, ARunWithoutASolutionOfItsAreaListsNoTracts) {
  LatticeIn("a", {.cols = 6, .rows = 6});
  qeltest::StartRun(threshold);
  ASSERT_GT(intNBestTracts, 0);
  // On a new area, a run of no iteration has no best solution to restore.
  LatticeIn("b", {.cols = 4, .rows = 3, .seed = 7});
  const std::string areaB = strInputFile;
  boxes.Clear();
  windows.calls.clear();
  qeltest::StartRun({.threshold = true, .thresholdPop = 300, .iterations = 0});
  const ShownBox none{"The run found no solution: there are no tracts to report or save", 48, "No solution"};
  EXPECT_EQ(boxes.Shown(), std::vector<ShownBox>{none});
  EXPECT_EQ(windows.calls.back(), "ShowOutput");
  const std::string log = Log();
  EXPECT_TRUE(Has(log, "Input file : " + areaB));
  EXPECT_TRUE(Has(log, "Best iteration : 0\r\nBest TP value  : 0\r\n"));
  EXPECT_TRUE(Has(log, "Tract ID, Pop, No. parts, BBinput IDs\r\n=====")) << log;
  EXPECT_EQ(RunResultRefusal(true), "The last run found no solution: there are no tracts to save");
  EXPECT_EQ(Composition(), "refused: The last run found no solution: there are no tracts to save (" +
                               TempPath("QELout.csv") + ")");
  EXPECT_FALSE(std::filesystem::exists(TempPath("QELout.csv")));

  // No iteration passes the new-best test (populations near the float
  // limit): the same.
  qeltest::LoadArea(tempDir, {"1 1 1e308 1 1", "1 1 1e308 1 1", "1 1 1e308 1 1"}, "2 3 1,3 4 1,2 1 1,4 1 1");
  boxes.Clear();
  qeltest::StartRun({.target = true, .targetPop = 1000, .iterations = 2});
  EXPECT_EQ(boxes.CountStartingWith(none.prompt), 1);
  EXPECT_EQ(udtLastRun.intTractID.size(), 0u);

  // Within one area the best solution outlives the run that made it, and
  // a run that stores no best of its own leaves that run's results as they
  // were: its settings, best iteration, values and tracts.
  LatticeIn("c", {.cols = 5, .rows = 5});
  qeltest::StartRun(threshold);
  const std::string kept = Log(), composition = Composition();
  boxes.Clear();
  qeltest::StartRun({.threshold = true, .thresholdPop = 2000, .iterations = 0});
  qeltest::StartRun({.target = true, .targetPop = 900, .popLayer = 2, .iterations = -1});
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(Log(), kept);
  EXPECT_EQ(Composition(), composition);
  // ... as long as the run's IBBs are those it was found on: with a layer
  // fixed the blocks form other IBBs, and the best cannot be put into them.
  qeltest::StartRun({.threshold = true, .thresholdPop = 300, .fixedA = true, .iterations = 0});
  EXPECT_EQ(boxes.CountStartingWith(none.prompt), 1);
  EXPECT_EQ(intNBestTracts, 0);
}

// A run that fails after storing a best leaves no best that a later run
// could list under its own settings; the results kept before stay.
TEST_F(RunResults, ARunThatFailsLeavesNoBestOfItsOwn) {
  struct FailAtSecondIteration : RunObserver {
    void Started(int iteration, double, double) override {
      if (iteration == 2) throw std::runtime_error("failed");
    }
  } fail;
  LatticeIn("a", {.cols = 6, .rows = 6});
  qeltest::StartRun(threshold);
  const std::string log = Log();
  ASSERT_TRUE(qeltest::PrepareRun({.threshold = true, .thresholdPop = 200, .iterations = 2}));
  SetRunObserver(&fail);
  EXPECT_THROW(RunIterations(intNIterations), std::runtime_error);
  SetRunObserver(nullptr);
  EXPECT_EQ(intNBestTracts, 0);
  EXPECT_EQ(Log(), log);
  qeltest::StartRun({.threshold = true, .thresholdPop = 200, .iterations = 0});
  EXPECT_EQ(boxes.CountStartingWith("The run found no solution"), 1);
}

// A term that a run does not compute shows 0, not the value an earlier run
// left: a threshold run after a target and shape run.
TEST_F(RunResults, ATermNotInUseIsZero) {
  LatticeIn("a", {.cols = 6, .rows = 6, .homVars = 2});
  qeltest::StartRun(
      {.target = true, .shape = true, .homog = true, .targetPop = 500, .groups = {2}, .approx = true, .iterations = 1});
  ASSERT_TRUE(dblBestTP > 0 && dblBestP2A > 0 && dblBestIAC > 0 && dblBestApx > 0);
  qeltest::StartRun(threshold);
  EXPECT_EQ(dblBestTP + dblBestP2A + dblBestIAC + dblBestApx, 0);
  EXPECT_EQ(dblCurTP + dblCurP2A + dblCurIAC + dblCurApx, 0);
  EXPECT_GT(dblBestMin, 0);
  const std::string log = Log();
  EXPECT_TRUE(Has(log, "Best TP value  : 0\r\nBest P2A value : 0\r\nBest IAC value : 0\r\n")) << log;
  // And back: the threshold's term is not in use with a target.
  qeltest::StartRun({.threshold = true, .target = true, .thresholdPop = 100, .targetPop = 500, .iterations = 0});
  EXPECT_EQ(dblBestMin, 0);
}

}  // namespace
