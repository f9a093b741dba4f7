// The objective terms, the matching term with its look-up table, and the
// two initial aggregations.
#include <cmath>
#include <filesystem>

#include "test_support.h"

using namespace qel;
using Ints = std::vector<int>;

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
  intNHomGroups = 2, intGroupSize(1) = intGroupSize(2) = 1;  // groups of one: no m - 1 = 0 division
  CalcHomogeneity();
  EXPECT_NEAR(dblCurIAC, 31.0 / 45.0, 1e-12);
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

TEST_F(Objective, MatchingTakesTheLargestShareAndTheFirstOfEqualOnes) {
  const auto oldDir = std::filesystem::current_path();
  std::filesystem::current_path(tempDir);  // the look-up table goes to the current directory
  intNRecs = 1;
  intNTracts = 5;
  for (int t = 1; t <= 5; ++t) arrTract(t).dblPop = t == 2 ? 20 : t == 3 ? 150 : 100;
  Zone(7, {{3, 60}, {2, 20}, {3, 40}});
  Zone(2, {{5, 50}, {2, 50}});
  blnWriteLUT = true;
  CalcApproxMatch();
  std::filesystem::current_path(oldDir);
  EXPECT_EQ(qeltest::ReadWholeFile((tempDir / "QELlut.csv").string()),
            "7,120,3,150,100,20,50\r\n2,100,5,100,50,50,50\r\n");
  EXPECT_NEAR(dblCurApx, 2900.0 / 120.0 + 5000.0 / 100.0, 1e-9);
}

class Aggregation : public qeltest::EngineTest {};

TEST_F(Aggregation, RandomWalkPointerIsNotAdjustedAfterAnAddition) {
  // IBB 1 touches IBBs 2, 3 and 4 in that list order; IBB 2 touches 5.
  blnTargetPop = true;
  dblTarget = 30;
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1"},
                    "2 3 1,2 4 1,2 5 1,3 6 1");
  dblOffsetPct = 0;
  int16_t seed = 1;  // one whose start pointer for the first tract is entry 1
  for (;; ++seed) {
    Randomize(seed);
    Rnd();
    if (DrawOneOf(3) == 1) break;
  }
  Randomize(seed);
  BuildInitialTracts();
  // Adding IBB 2 moves IBB 3 up to the pointer's place, so the walk takes 4.
  ASSERT_EQ(intNTracts, 3);
  EXPECT_EQ(qeltest::Members(1), (Ints{1, 2, 4}));
}

TEST_F(Aggregation, MatchingStartRepairDialogue) {
  // Blocks in a row along the edge, each its own IBB, of the zone A codes.
  auto row = [this](const Ints& zones) {
    std::vector<std::string> blocks;
    std::string arcs;
    for (size_t k = 0; k < zones.size(); ++k) {
      const std::string r = std::to_string(k + 2);
      blocks.push_back(std::to_string(zones[k]) + " 1 10 10 1");
      arcs += r + " 1 1," + (k + 1 < zones.size() ? r + " " + std::to_string(k + 3) + " 1," : "");
    }
    qeltest::LoadArea(tempDir, blocks, arcs);
    boxes.Clear();
  };
  intNIterations = 5;
  row({1, 2, 1, 2});  // OK: IBB 2 touches both pieces and joins tract 1
  BuildApproxTracts();
  EXPECT_EQ(boxes.Shown(), (std::vector<qeltest::ShownBox>{{"Tract 1 not fully contiguous", 49, "Contiguity error"}}));
  EXPECT_EQ(qeltest::Members(1), (Ints{1, 3, 2}));
  EXPECT_EQ(qeltest::TractsDiffer(true), "");
  row({1, 2, 3, 1});  // no IBB touches both pieces: OK repairs nothing and is not asked again
  for (int a : {kIdOk, kIdOk, kIdCancel}) boxes.Answer(a);
  BuildApproxTracts();
  EXPECT_EQ(boxes.Shown(),
            (std::vector<qeltest::ShownBox>{
                {"Tract 1 not fully contiguous", 49, "Contiguity error"},
                {"Tract 1 could not be made contiguous: one iteration without contiguity checking", 0, "QEL"}}));
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(qeltest::TractsDiffer(true), "");
}

}  // namespace
