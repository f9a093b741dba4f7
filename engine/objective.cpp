// The objective: target deviation (TP), threshold deviation (Min), shape
// (P2A), homogeneity (IAC) and their weighted combination. The run loop
// calls EvaluateObjective for every trial move, so nothing here allocates.
//
// Where a formula would divide by zero the terms take defined values instead,
// so that no NaN or infinity reaches the best values or the reports (see
// SafeRatio and CalcHomogeneity). The combined objective alone may be NaN,
// when weighted terms overflow in opposite directions: the run loop then
// rejects the move and takes no new best.
#include <array>
#include <cmath>
#include <limits>

#include "engine.h"
#include "list_ops.h"
#include "term_cache.h"

namespace qel {

namespace {

// A value that stays finite whatever went into it: NaN becomes neutral,
// an overflow the largest value of its sign.
double Finite(double value, double ifNaN) {
  if (std::isnan(value)) return ifNaN;
  if (std::isinf(value)) return value > 0 ? kHugeRef : -kHugeRef;
  return value;
}

// The weighted combination as it is, NaN included; an overflow becomes the
// largest value of its sign.
double Combined(double value) { return Finite(value, std::numeric_limits<double>::quiet_NaN()); }

// num / den for the ratios of the objective. A denominator of exactly 0 (a
// perfect match as mode-2 reference, a current IAC of 0) compares as the
// tiny floor that TP and Min use: equal zeros are "as good as" (1), anything
// else is far from the zero it is compared with.
double SafeRatio(double num, double den) {
  if (den == 0) return num == 0 ? 1.0 : Finite(num / kTinyValue, 1.0);
  return Finite(num / den, 1.0);
}

// The floor that keeps a perfect fit (or no tract) from giving a zero
// reference, applied to a sum of squared deviations.
double FlooredDeviation(double sum) {
  if (sum == 0) sum = kTinyValue;
  return Finite(sum, kTinyValue);
}

// Sum of squared deviations of the tract populations from a level.
double SquaredDeviation(double level) {
  double sum = 0;
  for (int t = 1; t <= intNTracts; ++t) sum = SquaredDeviationPart(arrTract(t), level) + sum;
  return FlooredDeviation(sum);
}

// Every variable's and group's correlation, with its parts, and the IAC
// term become 0.
void ClearCorrelations() {
  const int V = HomVarCount();
  for (int v = 1; v <= V; ++v) {
    dblIACBetween(v) = 0;
    dblIACDenom(v) = 0;
    dblVarIAC(v) = 0;
  }
  const int G = HomGroupCount();
  for (int g = 1; g <= G; ++g) dblGroupIAC(g) = 0;
  dblCurIAC = 0;
}

}  // namespace

void CalcTargetDeviation() { dblCurTP = SquaredDeviation(dblTarget); }

void CalcThresholdDeviation() { dblCurMin = SquaredDeviation(dblThreshold); }

void CalcShape() {
  double sum = 0;
  for (int t = 1; t <= intNTracts; ++t) sum = ShapePart(arrTract(t)) + sum;
  dblCurP2A = Finite(sum, 0);
}

namespace {

// The sums over the tracts that the homogeneity term takes, each in tract
// order from +0: the weights squared and, when the tracts can be compared,
// each variable's between-tract parts.
struct HomSums {
  double weightSq = 0;
  std::array<double, kHomSize + 1> between{};
};

// Whether the term can compare tracts at all: some weight and two tracts.
bool HomComparable() { return dblHomPopTot != 0 && intNTracts >= 2; }

void FullHomSums(HomSums& s) {
  const int n = intNTracts;
  for (int t = 1; t <= n; ++t) s.weightSq = WeightPart(arrTract(t)) + s.weightSq;
  if (!HomComparable()) return;
  const int V = HomVarCount();
  for (int t = 1; t <= n; ++t) {
    const udtTract& tr = arrTract(t);
    for (int v = 1; v <= V; ++v) {
      double& sum = s.between[static_cast<std::size_t>(v)];
      sum = BetweenPart(tr, v) + sum;
    }
  }
}

void CachedHomSums(HomSums& s) {
  s.weightSq = SumOfParts(TractPart::kWeight);
  if (!HomComparable()) return;
  const int V = HomVarCount();
  for (int v = 1; v <= V; ++v) s.between[static_cast<std::size_t>(v)] = SumOfBetweenParts(v);
}

void HomogeneityFromSums(const HomSums& s) {
  const int n = intNTracts;
  const double P = dblHomPopTot;
  dblHomPopSumSq = s.weightSq;
  if (!HomComparable()) {
    // Nothing to compare: no weight at all or fewer than two tracts. The
    // working values that can be formed are set; n0 and every correlation
    // are 0.
    dblHomPopSqRatio = P != 0 ? Finite((1 / P) * s.weightSq, 0) : 0;
    dblHomPopMean = n > 0 ? Finite(P / n, 0) : 0;
    dblHomN0 = 0;
    ClearCorrelations();
    return;
  }
  dblHomPopSqRatio = (1 / P) * dblHomPopSumSq;
  dblHomPopMean = P / n;
  const double nm1 = n - 1;
  dblHomN0 = (dblHomPopMean - dblHomPopSqRatio) / nm1 + dblHomPopMean;

  const int V = HomVarCount();
  for (int v = 1; v <= V; ++v) {
    const double pv = dblHomMean(v);
    dblIACBetween(v) = s.between[static_cast<std::size_t>(v)];
    dblIACDenom(v) = (dblHomN0 - 1) * pv * (1 - pv);
  }
  for (int v = 1; v <= V; ++v) {
    if (dblIACDenom(v) == 0) {
      dblVarIAC(v) = 0;
    } else {
      const double r = ((1 / nm1) * dblIACBetween(v)) / dblIACDenom(v) - 1 / (dblHomN0 - 1);
      dblVarIAC(v) = Finite(r, 0);
    }
  }

  // Groups take the variables in column order; variables past the last one
  // read have no correlation and add nothing.
  const int G = HomGroupCount();
  int k = 0;
  for (int g = 1; g <= G; ++g) {
    const int m = intGroupSize(g);
    double group = 0;
    for (int j = 0; j < m; ++j) {
      ++k;
      if (k > V) break;
      if (m == 1) {
        // The weighted mean of a single variable is that variable.
        group = dblVarIAC(k);
      } else {
        group = ((1 - dblHomMean(k)) * dblVarIAC(k)) / (m - 1) + group;
      }
    }
    dblGroupIAC(g) = Finite(group, 0);
  }
  double cur = 0;
  for (int g = 1; g <= G; ++g) cur = dblGroupIAC(g) / intNHomGroups + cur;
  dblCurIAC = Finite(cur, 0);
}

}  // namespace

void CalcHomogeneity() {
  HomSums s;
  FullHomSums(s);
  HomogeneityFromSums(s);
}

void EvaluateObjective(double& dblResult, int16_t intMode) {
  double qTP = 0, qP2A = 0, qIAC = 0, qApx = 0;
  double wTP = 0, wP2A = 0, wIAC = 0, wApx = 0;
  switch (intMode) {
    case 1:
      dblRefTP = dblRefP2A = dblRefMin = dblRefApx = kHugeRef;
      dblRefIAC = kTinyValue;
      break;
    case 2:
      dblRefTP = dblCurTP;
      dblRefP2A = dblCurP2A;
      dblRefIAC = dblCurIAC;
      dblRefMin = dblCurMin;
      dblRefApx = dblCurApx;
      break;
    case 3:
      dblRefTP = dblBestTP;
      dblRefP2A = dblBestP2A;
      dblRefIAC = dblBestIAC;
      dblRefMin = dblBestMin;
      dblRefApx = dblBestApx;
      break;
    default:
      break;
  }
  // In the move pass the terms come from the parts kept per tract and zone.
  const bool cached = TermCacheOn();
  if (cached) RefreshTermCache();
  int nInUse = 0;
  if (blnTargetPop) {
    if (cached) {
      dblCurTP = FlooredDeviation(SumOfParts(TractPart::kTarget));
    } else {
      CalcTargetDeviation();
    }
    qTP = SafeRatio(dblCurTP, dblRefTP);
    wTP = dblPopWeight;
    ++nInUse;
  }
  if (blnShape) {
    if (cached) {
      dblCurP2A = Finite(SumOfParts(TractPart::kShape), 0);
    } else {
      CalcShape();
    }
    qP2A = SafeRatio(dblCurP2A, dblRefP2A);
    wP2A = dblShapeWeight;
    ++nInUse;
  }
  if (blnHomog) {
    if (cached) {
      HomSums sums;
      CachedHomSums(sums);
      HomogeneityFromSums(sums);
    } else {
      CalcHomogeneity();
    }
    qIAC = SafeRatio(dblRefIAC, dblCurIAC);
    wIAC = dblHomWeight;
    ++nInUse;
  }
  if (blnApprox) {
    if (cached) {
      dblCurApx = CachedApproxMatch();
    } else {
      CalcApproxMatch();
    }
    qApx = SafeRatio(dblCurApx, dblRefApx);
    wApx = dblApxWeight;
    ++nInUse;
  }
  if (blnMinOnly) {
    if (cached) {
      dblCurMin = FlooredDeviation(SumOfParts(TractPart::kThreshold));
    } else {
      CalcThresholdDeviation();
    }
    dblResult = SafeRatio(dblCurMin, dblRefMin);
    return;
  }
  const double weightSum = wP2A + wTP + wIAC + wApx;
  if (weightSum == 0) {
    // Weights that add up to nothing: the terms in use count alike.
    dblResult = nInUse > 0 ? Combined((qP2A + qTP + qIAC + qApx) / nInUse) : 1.0;
    return;
  }
  dblResult = Combined((wP2A * qP2A + wTP * qTP + wIAC * qIAC + wApx * qApx) / weightSum);
}

}  // namespace qel
