// The objective terms on tracts set up by hand, the weighted evaluation in
// its three modes, and the values taken where a formula would divide by zero.
// (The terms against a direct computation after every kept move of whole
// runs: test_end_to_end.)
#include <cmath>

#include "test_support.h"

using namespace qel;

namespace {

class ObjectiveTest : public qeltest::EngineTest {
 protected:
  // Tracts with the given populations (area 1, squared perimeter 4).
  static void Tracts(const std::vector<double>& pops) {
    intNTracts = static_cast<int16_t>(pops.size());
    for (int t = 1; t <= intNTracts; ++t) {
      arrTract(t) = udtTract{};
      arrTract(t).dblPop = pops[static_cast<size_t>(t - 1)];
      arrTract(t).dblArea = 1;
      arrTract(t).dblP2 = 4;
    }
  }
  // Two tracts of weight 10, one group of two variables with overall
  // proportions 0.5, tract proportions 0.8/0.2 and 0.2/0.8.
  static void HomogeneityExample() {
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
  }
  static double Evaluate(int mode) {
    double result = -1;
    EvaluateObjective(result, static_cast<int16_t>(mode));
    return result;
  }
};

TEST_F(ObjectiveTest, TermsOfTheWorkedExamples) {
  dblTarget = 100;
  for (const auto& pops : {std::vector<double>{100, 100}, std::vector<double>{}}) {
    Tracts(pops);
    CalcTargetDeviation();
    EXPECT_EQ(dblCurTP, 1E-08);  // a perfect fit, or no tract, is not 0
  }
  dblThreshold = 100;
  Tracts({90, 110});  // above the threshold counts as much as below it
  CalcThresholdDeviation();
  EXPECT_DOUBLE_EQ(dblCurMin, 200);

  Tracts({1, 1, 1});
  arrTract(2).dblP2 = 36;
  arrTract(2).dblArea = 4;
  arrTract(3).dblArea = 0;  // no area: adds nothing instead of dividing by 0
  CalcShape();
  EXPECT_DOUBLE_EQ(dblCurP2A, 4 + 9);

  HomogeneityExample();
  CalcHomogeneity();
  EXPECT_DOUBLE_EQ(dblHomN0, 10);
  EXPECT_NEAR(dblIACBetween(2) / dblIACDenom(2), 1.8 / 2.25, 1e-12);
  EXPECT_NEAR(dblCurIAC, 31.0 / 45.0, 1e-12);
  // Groups of one variable are that variable's correlation (no m - 1 = 0
  // division); a group of size 0 adds nothing but counts in G.
  intNHomGroups = 2;
  intGroupSize(1) = intGroupSize(2) = 1;
  CalcHomogeneity();
  EXPECT_NEAR(dblCurIAC, 31.0 / 45.0, 1e-12);
  intGroupSize(1) = 2;
  intGroupSize(2) = 0;
  CalcHomogeneity();
  EXPECT_NEAR(dblCurIAC, 31.0 / 90.0, 1e-12);
}

TEST_F(ObjectiveTest, EachModeTakesItsReferencesAndOnlyTermsInUseCount) {
  dblTarget = 100;
  Tracts({90, 130});  // TP 1000
  blnTargetPop = true;
  EXPECT_EQ(Evaluate(1), 1000 / 1.7E+308);
  EXPECT_EQ(dblRefP2A, 1.7E+308);
  EXPECT_EQ(dblRefIAC, 1E-08);

  dblCurP2A = 7, dblCurIAC = 0.25, dblCurMin = 3, dblCurApx = 2;
  Tracts({100, 140});  // TP 1600 against the 1000 on entry
  EXPECT_DOUBLE_EQ(Evaluate(2), 1.6);
  EXPECT_EQ(dblRefTP, 1000);
  EXPECT_EQ(dblRefIAC, 0.25);
  EXPECT_EQ(dblRefApx, 2);

  dblBestTP = 1600, dblBestP2A = 11;
  EXPECT_EQ(Evaluate(3), 1.0);  // equal to the best
  EXPECT_EQ(dblRefP2A, 11);
  dblBestTP = 3200;
  EXPECT_EQ(Evaluate(7), 1.0);  // another mode leaves the references alone

  // Weights 1 and 2 with every ratio 1 give exactly 1; a term no longer in
  // use counts for nothing, whatever its weight still holds.
  blnShape = true;
  dblShapeWeight = 2;
  CalcShape();
  EXPECT_EQ(Evaluate(2), 1.0);
  blnShape = false;
  Tracts({100, 150});
  EXPECT_DOUBLE_EQ(Evaluate(2), 2500.0 / 1600.0);

  // Homogeneity is judged reference over current.
  HomogeneityExample();
  blnTargetPop = false;
  dblHomWeight = 3;
  CalcHomogeneity();
  dblCurIAC /= 2;
  EXPECT_NEAR(Evaluate(2), 0.5, 1e-12);

  // Threshold only: the Min ratio alone, no weight.
  blnHomog = false;
  blnThresholdPop = blnMinOnly = true;
  dblThreshold = 100;
  Tracts({90, 110});
  dblBestMin = 400;
  EXPECT_EQ(Evaluate(3), 0.5);
}

TEST_F(ObjectiveTest, DegenerateInputsGiveDefinedFiniteValues) {
  // A zero reference: equal zeros are as good (1), anything else worse.
  Tracts({10, 10});
  blnShape = true;
  arrTract(1).dblP2 = arrTract(2).dblP2 = dblCurP2A = 0;
  EXPECT_EQ(Evaluate(2), 1.0);
  arrTract(1).dblP2 = 4;
  dblCurP2A = 0;
  EXPECT_GT(Evaluate(2), 1.0);
  // Weights adding up to 0: the terms in use count alike.
  blnTargetPop = true;
  dblPopWeight = dblShapeWeight = 0;
  dblTarget = 10;
  Tracts({10, 12});  // TP 4, P2A 8
  dblCurTP = 2, dblCurP2A = 16;
  EXPECT_DOUBLE_EQ(Evaluate(2), (2.0 + 0.5) / 2);
  // n0 = 1: correlations of 0.
  HomogeneityExample();
  dblHomPopTot = 2;
  arrTract(1).dblHomTotal = arrTract(2).dblHomTotal = 1;
  CalcHomogeneity();
  EXPECT_EQ(dblHomN0, 1);
  EXPECT_EQ(dblCurIAC, 0);

  // Every combination of terms and modes on degenerate tables.
  for (const auto& pops : {std::vector<double>{}, {0}, {5, 0, 7}})
    for (int mask = 0; mask < 32; ++mask)
      for (int mode = 1; mode <= 3; ++mode) {
        Tracts(pops);
        for (int t = 1; t <= intNTracts; ++t) arrTract(t).dblArea = t % 2;
        blnTargetPop = mask & 1, blnShape = mask & 2, blnHomog = mask & 4;
        blnApprox = mask & 8, blnMinOnly = mask & 16;
        intNHomVars = 2, intNHomGroups = 2, intGroupSize(1) = 1, intGroupSize(2) = 1;
        dblHomPopTot = dblTarget = dblThreshold = 0;
        dblPopWeight = dblShapeWeight = dblHomWeight = dblApxWeight = 0;
        dblCurTP = dblCurP2A = dblCurIAC = dblCurMin = dblCurApx = 0;
        dblBestTP = dblBestP2A = dblBestIAC = dblBestMin = dblBestApx = 0;
        const double result = Evaluate(mode);
        for (double v : {result, dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblHomN0, dblHomPopMean})
          EXPECT_TRUE(std::isfinite(v)) << "terms " << mask << " mode " << mode;
      }
}

}  // namespace
