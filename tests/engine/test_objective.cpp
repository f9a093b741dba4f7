// The objective terms and their combination, and the matching term with its
// look-up table.
#include <cmath>
#include <filesystem>

#include "run_loop.h"
#include "term_cache.h"
#include "test_support.h"

using namespace qel;

namespace {

class Objective : public qeltest::EngineTest {
 protected:
  // Tracts of the given populations, area 1, squared perimeter 4.
  static void Tracts(const std::vector<double>& pops) {
    intNTracts = static_cast<int16_t>(pops.size());
    for (int t = 1; t <= intNTracts; ++t) {
      arrTract(t) = udtTract{};
      arrTract(t).dblPop = pops[static_cast<size_t>(t - 1)];
      arrTract(t).dblArea = 1, arrTract(t).dblP2 = 4;
    }
  }
  // A zone whose members, each a block of its own IBB, are (tract, population).
  static void Zone(int code, const std::vector<std::pair<int, double>>& members) {
    udtZone& z = arrZone(++intNZones);
    z.intCode = static_cast<int16_t>(code);
    for (const auto& [t, pop] : members) {
      const int r = ++intNRecs, g = ++intNIBB;
      arrBB(r).intIBB = static_cast<int16_t>(g);
      arrIBB(g).intTract = static_cast<int16_t>(t);
      z.intBB(++z.intNBB) = static_cast<int16_t>(r);
      z.dblBBPop(z.intNBB) = pop;
      z.dblPop += pop;
    }
  }
};

TEST_F(Objective, HomogeneityWorkedExample) {
  // Two tracts of weight 10, overall proportions 0.5, tract proportions
  // 0.8/0.2 and 0.2/0.8.
  Tracts({10, 10});
  blnHomog = true;
  intNHomVars = intGroupSize(1) = 2;
  intNHomGroups = 1;
  dblHomPopTot = 20;
  dblHomMean(1) = dblHomMean(2) = 0.5;
  for (int t = 1; t <= 2; ++t) {
    arrTract(t).dblHomTotal = 10;
    arrTract(t).dblHomProp(1) = t == 1 ? 0.8 : 0.2;
    arrTract(t).dblHomProp(2) = t == 1 ? 0.2 : 0.8;
  }
  CalcHomogeneity();
  EXPECT_DOUBLE_EQ(dblHomN0, 10);
  EXPECT_NEAR(dblCurIAC, 31.0 / 45.0, 1e-12);
  intNTracts = 1;  // one tract: nothing to compare (the other cases are pinned by the golden runs)
  CalcHomogeneity();
  EXPECT_EQ(dblCurIAC, 0);
}

TEST_F(Objective, ATractWithoutAreaAddsNoShape) {
  Tracts({5, 7});
  arrTract(2).dblArea = 0;
  CalcShape();
  EXPECT_EQ(dblCurP2A, 4);
}

TEST_F(Objective, WeightsThatAddUpToNothingCountTheTermsAlike) {
  Tracts({10, 30});
  blnTargetPop = blnShape = blnHomog = blnApprox = true;
  dblTarget = 20, dblCurTP = 100, dblCurP2A = 4;  // 200 and 8 against these
  dblPopWeight = dblShapeWeight = dblHomWeight = dblApxWeight = 0;
  double result = 0;
  EvaluateObjective(result, 2);
  EXPECT_DOUBLE_EQ(result, (2.0 + 2.0 + 1.0 + 1.0) / 4);  // no variables nor zones: 0 against 0
}

TEST_F(Objective, AReferenceOfZeroIsTheTinyFloor) {
  Tracts({10, 30});
  blnTargetPop = true;
  dblTarget = 20, dblPopWeight = 1;
  dblCurTP = 0;  // a perfect match as the reference; 200 against it
  double result = 0;
  EvaluateObjective(result, 2);
  EXPECT_EQ(result, 200 / kTinyValue);
}

TEST_F(Objective, DegenerateTablesGiveFiniteValues) {
  for (const auto& pops : {std::vector<double>{}, {0}, {5, 0, 7}})
    for (int mask = 0; mask < 32; ++mask)
      for (int mode = 1; mode <= 3; ++mode) {
        Tracts(pops);
        for (int t = 1; t <= intNTracts; ++t) arrTract(t).dblArea = t % 2;
        blnTargetPop = mask & 1, blnShape = mask & 2, blnHomog = mask & 4, blnApprox = mask & 8, blnMinOnly = mask & 16;
        intNHomVars = intNHomGroups = 2, intGroupSize(1) = intGroupSize(2) = 1;
        dblHomPopTot = dblTarget = dblThreshold = 0;
        dblPopWeight = dblShapeWeight = dblHomWeight = dblApxWeight = 0;
        dblCurTP = dblCurP2A = dblCurIAC = dblCurMin = dblCurApx = 0;
        dblBestTP = dblBestP2A = dblBestIAC = dblBestMin = dblBestApx = 0;
        double result = -1;
        EvaluateObjective(result, static_cast<int16_t>(mode));
        for (double v : {result, dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblHomN0})
          ASSERT_TRUE(std::isfinite(v)) << "terms " << mask << " mode " << mode;
      }
}

TEST_F(Objective, TermsOverflowingInOppositeDirectionsGiveNoNumber) {
  // Both ratios reach the largest value against a tiny reference; weights of
  // opposite sign take them past it, one up and one down.
  Tracts({1});
  blnTargetPop = blnShape = true;
  dblTarget = 0;
  dblPopWeight = 2, dblShapeWeight = -3;
  dblCurTP = dblCurP2A = 1e-309;
  arrTract(1).dblP2 = 1;
  double result = 0;
  EvaluateObjective(result, 2);
  EXPECT_TRUE(std::isnan(result)) << result;  // never "as good as" (1): the move is rejected
  EXPECT_TRUE(std::isfinite(dblCurTP) && std::isfinite(dblCurP2A));
}

TEST_F(Objective, CachedTermsStayTrueThroughManyMovesBetweenEvaluations) {
  // Between two evaluations of a move pass there is normally one move; the
  // cache notes up to 64 one by one, and past them computes every part again.
  qeltest::LoadLattice(tempDir, {.cols = 12, .rows = 12, .zoneA = 3});
  qeltest::StartRun({.target = true, .shape = true, .targetPop = dblTotPopA / 12, .approx = true, .iterations = 1});
  for (const int wanted : {20, 80}) {
    double v = 0;
    EvaluateObjective(v, 2);
    StartTermCache(true);
    int moved = 0;
    for (int16_t g = 1; g <= intNIBB && moved < wanted; ++g) {
      const int16_t from = arrIBB(g).intTract;
      for (int q = 1; q <= arrIBB(g).intNNbrs && arrTract(from).intNMembers > 1; ++q) {
        const int16_t x = arrBB(arrIBB(g).intNbr(q)).intIBB, to = x > 0 ? arrIBB(x).intTract : 0;
        if (to < 1 || to == from) continue;
        MoveIBBToTract(to, g);
        moved += arrIBB(g).intTract == to;
        break;
      }
    }
    ASSERT_EQ(moved, wanted);
    EvaluateObjective(v, 2);
    StopTermCache();
    EXPECT_EQ(qeltest::TermsRecomputedDiffer(), "") << wanted << " moves";
  }
}

TEST_F(Objective, AnErrorInTheMovePassLeavesNoCachedTerms) {
  // The next run would otherwise sum the parts this one left.
  struct FailAtFirstTrial : RunObserver {
    void Tried(int16_t, int16_t, int16_t, double, bool) override { throw std::runtime_error("failed"); }
  } fail;
  qeltest::LoadLattice(tempDir, {.cols = 8, .rows = 8});
  ASSERT_TRUE(qeltest::PrepareRun({.target = true, .targetPop = dblTotPopA / 8, .iterations = 1}));
  SetRunObserver(&fail);
  EXPECT_THROW(RunIterations(intNIterations), std::runtime_error);
  SetRunObserver(nullptr);
  EXPECT_FALSE(TermCacheOn());
}

TEST_F(Objective, MatchingTakesTheLargestShareAndTheFirstOfEqualOnes) {
  const auto oldDir = std::filesystem::current_path();
  std::filesystem::current_path(tempDir);  // the look-up table goes to the current directory
  intNRecs = 1;
  intNTracts = 5;
  for (int t = 1; t <= 5; ++t) arrTract(t).dblPop = t == 2 ? 20 : t == 3 ? 150 : 100;
  Zone(7, {{3, 60}, {2, 20}, {3, 40}});
  Zone(2, {{5, 50}, {2, 50}});
  Zone(9, {{4, 0}});  // no population: no best tract, and nothing to the term
  Zone(4, {{1, 0.5}});  // less than one person still counts
  blnWriteLUT = true;
  CalcApproxMatch();
  std::filesystem::current_path(oldDir);
  EXPECT_EQ(qeltest::ReadWholeFile((tempDir / "QELlut.csv").string()),
            "7,120,3,150,100,20,50\r\n2,100,5,100,50,50,50\r\n9,0,0,0,0,0,0\r\n4,0.5,1,100,0.5,0,99.5\r\n");
  EXPECT_NEAR(dblCurApx, 2900.0 / 120.0 + 5000.0 / 100.0 + 99.5 * 99.5 / 0.5, 1e-9);
}

}  // namespace
