// The objective terms on tracts set up by hand, the weighted evaluation in
// its three modes, and the values taken where a formula would divide by zero.
#include <cmath>
#include <vector>

#include "aggregation_common.h"
#include "ibb_fixtures.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;

namespace {

class ObjectiveTest : public qeltest::EngineTest {
 protected:
  // Tracts with the given populations (area 1, squared perimeter 4).
  static void Tracts(const std::vector<double>& pops) {
    intNTracts = static_cast<int16_t>(pops.size());
    for (int t = 1; t <= intNTracts; ++t) {
      arrTract(t) = udtTract{};
      arrTract(t).intID = static_cast<int16_t>(t);
      arrTract(t).dblPop = pops[static_cast<size_t>(t - 1)];
      arrTract(t).dblArea = 1;
      arrTract(t).dblP2 = 4;
    }
  }
  // The homogeneity example: two tracts of weight 10, one group of two
  // variables with overall proportions 0.5, tract proportions 0.8/0.2 and
  // 0.2/0.8.
  static void HomogeneityExample() {
    Tracts({10, 10});
    blnHomog = true;
    intNHomVars = 2;
    intNHomGroups = 1;
    intGroupSize(1) = 2;
    dblHomPopTot = 20;
    dblHomMean(1) = dblHomMean(2) = 0.5;
    const double props[2][2] = {{0.8, 0.2}, {0.2, 0.8}};
    for (int t = 1; t <= 2; ++t) {
      arrTract(t).dblHomTotal = 10;
      for (int v = 1; v <= 2; ++v) arrTract(t).dblHomProp(v) = props[t - 1][v - 1];
    }
  }
  static bool AllFinite() {
    for (double v : {dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblCurApx, dblRefTP, dblRefP2A, dblRefIAC,
                     dblRefMin, dblRefApx, dblHomPopSumSq, dblHomPopSqRatio, dblHomPopMean, dblHomN0})
      if (!std::isfinite(v)) return false;
    for (int v = 1; v <= kHomSize; ++v)
      if (!std::isfinite(dblVarIAC(v)) || !std::isfinite(dblIACDenom(v)) || !std::isfinite(dblGroupIAC(v)))
        return false;
    return true;
  }
};

TEST_F(ObjectiveTest, PopulationDeviationsSumSquaresAndFloorAtTiny) {
  dblTarget = 100;
  Tracts({100, 100, 100});
  CalcTargetDeviation();
  EXPECT_EQ(dblCurTP, 1E-08);
  Tracts({});
  CalcTargetDeviation();
  EXPECT_EQ(dblCurTP, 1E-08);
  Tracts({90, 130});
  CalcTargetDeviation();
  EXPECT_DOUBLE_EQ(dblCurTP, 100 + 900);

  // Above the threshold counts as much as below it.
  dblThreshold = 100;
  Tracts({90, 110});
  CalcThresholdDeviation();
  EXPECT_DOUBLE_EQ(dblCurMin, 200);
  Tracts({100});
  CalcThresholdDeviation();
  EXPECT_EQ(dblCurMin, 1E-08);
}

TEST_F(ObjectiveTest, ShapeSumsSquaredPerimeterOverAreaAndSkipsTractsWithoutArea) {
  Tracts({1, 1, 1});
  arrTract(1).dblP2 = 16;
  arrTract(1).dblArea = 1;
  arrTract(2).dblP2 = 36;
  arrTract(2).dblArea = 4;
  arrTract(3).dblP2 = 9;
  arrTract(3).dblArea = 0;  // would divide by zero
  CalcShape();
  EXPECT_DOUBLE_EQ(dblCurP2A, 16 + 9);
  Tracts({});
  CalcShape();
  EXPECT_EQ(dblCurP2A, 0);
}

TEST_F(ObjectiveTest, HomogeneityWorkedExample) {
  HomogeneityExample();
  CalcHomogeneity();
  EXPECT_DOUBLE_EQ(dblHomPopSumSq, 200);
  EXPECT_DOUBLE_EQ(dblHomPopSqRatio, 10);
  EXPECT_DOUBLE_EQ(dblHomPopMean, 10);
  EXPECT_DOUBLE_EQ(dblHomN0, 10);
  for (int v = 1; v <= 2; ++v) {
    EXPECT_DOUBLE_EQ(dblIACDenom(v), 2.25);
    EXPECT_NEAR(dblIACBetween(v), 1.8, 1e-12);
    EXPECT_NEAR(dblVarIAC(v), 31.0 / 45.0, 1e-12);
  }
  EXPECT_NEAR(dblGroupIAC(1), 31.0 / 45.0, 1e-12);
  EXPECT_NEAR(dblCurIAC, 31.0 / 45.0, 1e-12);

  // Two groups: each group value is divided by the number of groups; a group
  // of one variable is that variable's correlation (no division by m - 1).
  intNHomGroups = 2;
  intGroupSize(1) = 1;
  intGroupSize(2) = 1;
  CalcHomogeneity();
  EXPECT_NEAR(dblGroupIAC(1), 31.0 / 45.0, 1e-12);
  EXPECT_NEAR(dblGroupIAC(2), 31.0 / 45.0, 1e-12);
  EXPECT_NEAR(dblCurIAC, 31.0 / 45.0, 1e-12);

  // A group of size 0 adds nothing but still counts.
  intNHomGroups = 2;
  intGroupSize(1) = 2;
  intGroupSize(2) = 0;
  CalcHomogeneity();
  EXPECT_NEAR(dblCurIAC, 31.0 / 90.0, 1e-12);
}

TEST_F(ObjectiveTest, HomogeneityWithoutAnythingToCompareIsZeroNotNaN) {
  HomogeneityExample();
  dblHomPopTot = 0;  // no homogeneity weight at all
  CalcHomogeneity();
  EXPECT_EQ(dblCurIAC, 0);
  EXPECT_TRUE(AllFinite());

  HomogeneityExample();
  Tracts({10});  // one tract: n - 1 = 0
  arrTract(1).dblHomTotal = 20;
  CalcHomogeneity();
  EXPECT_EQ(dblCurIAC, 0);
  EXPECT_DOUBLE_EQ(dblHomPopMean, 20);
  EXPECT_TRUE(AllFinite());

  Tracts({});  // no tract: P / n with n = 0
  CalcHomogeneity();
  EXPECT_EQ(dblCurIAC, 0);
  EXPECT_EQ(dblHomPopMean, 0);
  EXPECT_TRUE(AllFinite());

  // n0 = 1: two tracts of weight 1 (P = 2).
  HomogeneityExample();
  dblHomPopTot = 2;
  arrTract(1).dblHomTotal = 1;
  arrTract(2).dblHomTotal = 1;
  CalcHomogeneity();
  EXPECT_DOUBLE_EQ(dblHomN0, 1);
  EXPECT_EQ(dblVarIAC(1), 0);
  EXPECT_TRUE(AllFinite());

  // Group sizes that claim more variables than there are.
  HomogeneityExample();
  intGroupSize(1) = 5;
  CalcHomogeneity();
  EXPECT_TRUE(AllFinite());
}

TEST_F(ObjectiveTest, EvaluationModesSetTheReferences) {
  dblTarget = 100;
  Tracts({90, 130});
  blnTargetPop = true;
  dblPopWeight = 1;
  double result = -1;
  EvaluateObjective(result, 1);
  EXPECT_EQ(dblRefTP, 1.7E+308);
  EXPECT_EQ(dblRefP2A, 1.7E+308);
  EXPECT_EQ(dblRefMin, 1.7E+308);
  EXPECT_EQ(dblRefApx, 1.7E+308);
  EXPECT_EQ(dblRefIAC, 1E-08);
  EXPECT_EQ(result, 1000 / 1.7E+308);

  // Mode 2: the references are the current values on entry.
  dblCurP2A = 7;
  dblCurIAC = 0.25;
  dblCurMin = 3;
  dblCurApx = 2;
  Tracts({100, 140});  // TP rises from 1000 to 1600
  EvaluateObjective(result, 2);
  EXPECT_EQ(dblRefTP, 1000);
  EXPECT_EQ(dblRefP2A, 7);
  EXPECT_EQ(dblRefIAC, 0.25);
  EXPECT_EQ(dblRefMin, 3);
  EXPECT_EQ(dblRefApx, 2);
  EXPECT_DOUBLE_EQ(result, 1.6);

  // Mode 3: the best values; another mode leaves the references alone.
  dblBestTP = 1600;
  dblBestP2A = 11;
  EvaluateObjective(result, 3);
  EXPECT_EQ(dblRefTP, 1600);
  EXPECT_EQ(dblRefP2A, 11);
  EXPECT_EQ(result, 1.0);  // equal to the best: not a new best
  EvaluateObjective(result, 7);
  EXPECT_EQ(dblRefTP, 1600);
  EXPECT_EQ(result, 1.0);
}

TEST_F(ObjectiveTest, WeightedMeanUsesOnlyTermsInUse) {
  dblTarget = 100;
  Tracts({90, 130});
  blnTargetPop = blnShape = true;
  dblPopWeight = 1;
  dblShapeWeight = 2;
  CalcTargetDeviation();
  CalcShape();
  double result = 0;
  EvaluateObjective(result, 2);  // every ratio exactly 1
  EXPECT_EQ(result, 1.0);

  // Shape no longer ticked while its weight still holds 2: TP alone.
  blnShape = false;
  Tracts({100, 140});
  EvaluateObjective(result, 2);
  EXPECT_DOUBLE_EQ(result, 1.6);

  // Homogeneity: reference over current.
  HomogeneityExample();
  blnTargetPop = false;
  dblHomWeight = 3;
  CalcHomogeneity();
  const double iac = dblCurIAC;
  dblCurIAC = iac / 2;  // the state before: half as homogeneous
  EvaluateObjective(result, 2);
  EXPECT_NEAR(result, 0.5, 1e-12);
}

TEST_F(ObjectiveTest, ThresholdOnlyIgnoresTheWeights) {
  dblThreshold = 100;
  Tracts({90, 110});
  blnThresholdPop = blnMinOnly = true;
  dblPopWeight = 5;
  dblBestMin = 200;
  double result = 0;
  EvaluateObjective(result, 3);
  EXPECT_EQ(result, 1.0);
  dblBestMin = 400;
  EvaluateObjective(result, 3);
  EXPECT_EQ(result, 0.5);
}

TEST_F(ObjectiveTest, ZeroReferencesAndZeroWeightsGiveDefinedValues) {
  Tracts({10, 10});
  blnShape = true;
  dblShapeWeight = 1;
  double result = 0;

  // A reference of 0 against a current of 0: as good as the reference.
  arrTract(1).dblP2 = arrTract(2).dblP2 = 0;
  dblCurP2A = 0;
  EvaluateObjective(result, 2);
  EXPECT_EQ(result, 1.0);
  // Against a current above 0: worse, and finite.
  arrTract(1).dblP2 = 4;
  dblCurP2A = 0;
  EvaluateObjective(result, 2);
  EXPECT_TRUE(std::isfinite(result));
  EXPECT_GT(result, 1.0);

  // A current IAC of 0 (no homogeneity weight): finite, and better than a
  // positive best only if above it.
  blnShape = false;
  HomogeneityExample();
  dblHomPopTot = 0;
  dblBestIAC = 0.5;
  EvaluateObjective(result, 3);
  EXPECT_TRUE(std::isfinite(result));
  EXPECT_GT(result, 1.0);
  EvaluateObjective(result, 1);
  EXPECT_EQ(result, 1.0);

  // Weights adding up to 0: the terms in use count alike.
  blnHomog = false;
  blnTargetPop = blnShape = true;
  dblPopWeight = dblShapeWeight = 0;
  dblTarget = 10;
  Tracts({10, 12});  // TP 4, P2A 8
  dblCurTP = 2;
  dblCurP2A = 16;
  EvaluateObjective(result, 2);
  EXPECT_DOUBLE_EQ(result, (2.0 + 0.5) / 2);
}

TEST_F(ObjectiveTest, NoNaNOrInfinityInAnyConfigurationOfTerms) {
  // Degenerate tract tables against every combination of terms and modes.
  const std::vector<std::vector<double>> tables = {{}, {0}, {0, 0}, {5, 0, 7}};
  for (const auto& pops : tables) {
    for (int mask = 0; mask < 32; ++mask) {
      for (int mode = 1; mode <= 3; ++mode) {
        Tracts(pops);
        for (int t = 1; t <= intNTracts; ++t) {
          arrTract(t).dblArea = t % 2;
          arrTract(t).dblHomTotal = 0;
        }
        blnTargetPop = mask & 1;
        blnShape = mask & 2;
        blnHomog = mask & 4;
        blnApprox = mask & 8;
        blnMinOnly = mask & 16;
        intNHomVars = 2;
        intNHomGroups = 2;
        intGroupSize(1) = 1;
        intGroupSize(2) = 1;
        dblHomPopTot = 0;
        dblTarget = dblThreshold = 0;
        dblPopWeight = dblShapeWeight = dblHomWeight = dblApxWeight = 0;
        dblCurTP = dblCurP2A = dblCurIAC = dblCurMin = dblCurApx = 0;
        dblBestTP = dblBestP2A = dblBestIAC = dblBestMin = dblBestApx = 0;
        intNZones = 0;
        double result = 0;
        EvaluateObjective(result, static_cast<int16_t>(mode));
        EXPECT_TRUE(std::isfinite(result)) << "mask " << mask << " mode " << mode;
        EXPECT_TRUE(AllFinite()) << "mask " << mask << " mode " << mode;
      }
    }
  }
}

TEST_F(ObjectiveTest, TermsAgreeWithDirectComputationOnALattice) {
  qeltest::LatticeSpec spec;
  spec.cols = 8;
  spec.rows = 6;
  spec.nHomVars = 3;
  qeltest::BuildLattice(spec);
  qeltest::MakeSingleBlockIBBs();
  qeltest::SetHomogeneity({2, 1});
  blnThresholdPop = true;
  dblThreshold = 500;
  dblTarget = 600;
  BuildInitialTracts();
  qeltest::ExpectTractsConsistent();

  double tp = 0, p2a = 0, p = 0, sumSq = 0;
  for (int t = 1; t <= intNTracts; ++t) {
    tp += std::pow(arrTract(t).dblPop - dblTarget, 2);
    p2a += arrTract(t).dblP2 / arrTract(t).dblArea;
    p += arrTract(t).dblHomTotal;
    sumSq += std::pow(arrTract(t).dblHomTotal, 2);
  }
  CalcTargetDeviation();
  CalcShape();
  EXPECT_NEAR(dblCurTP, tp, 1e-9 * tp);
  EXPECT_NEAR(dblCurP2A, p2a, 1e-9 * p2a);

  // Intraclass correlation of each variable from its textbook form.
  CalcHomogeneity();
  const int n = intNTracts;
  ASSERT_GE(n, 2);
  EXPECT_NEAR(dblHomPopTot, p, 1e-9 * p);
  const double n0 = (p - sumSq / p) / (n - 1);
  EXPECT_NEAR(dblHomN0, n0, 1e-9 * n0);
  double cur = 0;
  for (int v = 1; v <= 3; ++v) {
    const double pv = dblHomMean(v);
    double between = 0;
    for (int t = 1; t <= n; ++t)
      between += arrTract(t).dblHomTotal * std::pow(arrTract(t).dblHomSum(v) / arrTract(t).dblHomTotal - pv, 2);
    const double rho = between / (n - 1) / ((n0 - 1) * pv * (1 - pv)) - 1 / (n0 - 1);
    EXPECT_NEAR(dblVarIAC(v), rho, 1e-9);
    if (v <= 2) cur += (1 - pv) * rho / 2;  // group 1: variables 1 and 2
    else cur += rho / 2;                     // group 2: variable 3 alone
  }
  EXPECT_NEAR(dblCurIAC, cur, 1e-9);
}

}  // namespace
