// Random initial aggregation ("IRA"): each IBB not yet in a tract founds one,
// which grows over its neighbours, taken cyclically from a random start,
// until it reaches a target size drawn afresh at every call.
#include <cstdlib>

#include "aggregation_common.h"
#include "engine.h"
#include "tract_lists.h"

namespace qel {

namespace {

// The call's target size: dblTarget varied at random by up to dblOffsetPct
// percent either way, and no less than the threshold when that is on.
double DrawTarget() {
  const double r = Rnd();
  double target = dblTarget - dblOffsetPct * dblTarget / 100 + (2 * r * dblOffsetPct / 100) * dblTarget;
  if (blnThresholdPop && target < dblThreshold) target = dblThreshold;
  return target;
}

// The mean population of the matching layer's zones. Without zones there is
// no mean; 0 leaves every IBB a tract of its own.
double MeanZonePop() { return intNZones > 0 ? dblTotalPop / intNZones : 0.0; }

// Grows tract t from its seed over the neighbour list, cyclically from a
// random entry. The pointer is deliberately not adjusted when an addition
// reshuffles the list: the entry after an added one waits for a later cycle.
void GrowTract(int16_t t, double target) {
  udtTract& tr = arrTract(t);
  const int n = tr.intNNbrs;
  int16_t ptr = DrawOneOf(n);
  if (ptr > n) {
    MsgBox("Resetting intPartptr value " + Str(static_cast<int>(ptr)));
    --ptr;
  }
  int steps = 0;
  const TractGrowth growth(t);
  int16_t e = tr.intNbr(ptr);
  while (tr.dblPop < target && steps < tr.intNNbrs) {
    ++steps;
    // An entry that is the outside, already allocated, or too much for the
    // tract's lists adds nothing but still costs the step.
    if (e != 0 && arrIBB(e).intID > 0) {
      AddIBBToTract(t, e);
      if (arrIBB(e).intTract == t) arrIBB(e).intID = static_cast<int16_t>(-arrIBB(e).intID);
    }
    ++ptr;
    if (ptr > tr.intNNbrs) ptr = 1;
    e = tr.intNbr(ptr);
  }
}

}  // namespace

void BuildInitialTracts() {
  ResetTracts();
  intIslandsSkipped = 0;
  // The draw is made in every mode, so the random sequence is the same.
  double target = DrawTarget();
  if (blnFixedCount) {
    // Matching only: tracts the size of the mean zone and a threshold just
    // below it; the numbers are shown at every call.
    target = MeanZonePop();
    dblThreshold = 0.9 * target;
    MsgBox(Str(target) + " " + Str(dblTotalPop) + " " + Str(static_cast<int>(intNZones)));
  }

  const int16_t nIBB = intNIBB;
  for (int16_t i = 1; i <= nIBB; ++i) {
    if (arrIBB(i).intID <= 0 || arrIBB(i).intNNbrs <= 0) continue;
    if (intNTracts >= intMaxTracts) {
      MsgBox("Too many tracts in initial aggregation");
      ClearAllocationMarks();
      FinishTracts();
      return;
    }
    ++intNTracts;
    SeedTract(intNTracts, i);
    GrowTract(intNTracts, target);
  }

  const int16_t omitted = ClearAllocationMarks();
  if (omitted > 0) {
    MsgBox("Intermediate BB " + Str(static_cast<int>(omitted)) + " omitted from IRA", kMbCritical,
           "IRA Error");
    FinishTracts();
    return;
  }

  if (blnFixedCount || blnThresholdPop) MergeSmallTracts();
  FinishTracts();
  if (blnApprox) CalcApproxMatch();
}

}  // namespace qel
