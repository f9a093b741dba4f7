// Steps shared by the random and the matching initial aggregation.
#include "aggregation_common.h"

#include <cstdlib>
#include <vector>

#include "engine.h"
#include "list_ops.h"
#include "tract_lists.h"

namespace qel {

void SeedTract(int16_t t, int16_t i) {
  SetTractLengthsCurrent(false);
  udtTract& tr = arrTract(t);
  udtIBB& ibb = arrIBB(i);
  tr.intID = t;
  tr.dblPop = ibb.dblPop;
  tr.dblArea = ibb.dblArea;
  tr.intNMembers = 1;
  tr.intMember(1) = i;
  ibb.intID = static_cast<int16_t>(-std::abs(ibb.intID));
  ibb.intTract = t;
  tr.intNNbrs = 0;
  for (int q = 1; q <= ibb.intNNbrs; ++q) {
    const int16_t x = arrBB(ibb.intNbr(q)).intIBB;
    if (HasEntry(tr.intNbr, tr.intNNbrs, x)) continue;
    ++tr.intNNbrs;
    tr.intNbr(tr.intNNbrs) = x;
    tr.dblNbrLen(tr.intNNbrs) = 0;
  }
}

void MergeSmallTracts() {
  // An absorbed tract leaves the table only once the pass is over, with all
  // the others (RemoveTracts), instead of after each merge: the tracts keep
  // their numbers meanwhile, so the tract that the pass examines keeps its
  // own, and the next to examine is the next that is still there. The
  // tracts come out as merging one by one would leave them.
  const int n = intNTracts;
  std::vector<char> gone(static_cast<std::size_t>(n) + 1, 0);
  for (int t = 1; t <= n; ++t) {
    if (gone[static_cast<std::size_t>(t)]) continue;
    while (arrTract(t).dblPop < dblThreshold) {
      const udtTract& tr = arrTract(t);
      if (tr.intNNbrs <= 1) {
        ++intIslandsSkipped;
        break;
      }
      double smallest = dblTotPopB + dblTotPopA;
      int partner = -1;
      const int count = tr.intNNbrs;
      // A tract never lists its own members, so every partner is another tract.
      for (int k = 1; k <= count; ++k) {
        const int e = tr.intNbr(k);
        if (e < 1 || e > intNIBB) continue;
        const int m = arrIBB(e).intTract;
        if (m < 1 || m > n) continue;
        if (arrTract(m).dblPop < smallest) {
          smallest = arrTract(m).dblPop;
          partner = m;
        }
      }
      // No neighbouring tract to take, or a merge refused for its size: the
      // tract stays as it is; trying again would only repeat the refusal.
      if (partner < 0 || partner == t || !AbsorbTract(static_cast<int16_t>(partner), static_cast<int16_t>(t))) {
        ++intIslandsSkipped;
        break;
      }
      SetTractLengthsCurrent(false);
      gone[static_cast<std::size_t>(partner)] = 1;
    }
  }
  RemoveTracts(gone);
}

void ComputeTractLengths() {
  const int n = intNTracts;
  for (int t = 1; t <= n; ++t) CalcTractBoundary(arrTract(t));
  SetTractLengthsCurrent(true);
}

void ComputeTractHomogeneity() {
  const int n = intNTracts;
  const int V = HomVarCount();
  for (int t = 1; t <= n; ++t) {
    udtTract& tr = arrTract(t);
    tr.dblHomTotal = 0;
    for (int v = 1; v <= V; ++v) tr.dblHomSum(v) = 0;
    for (int mi = 1; mi <= tr.intNMembers; ++mi) {
      const udtIBB& m = arrIBB(tr.intMember(mi));
      tr.dblHomTotal += m.dblHomTotal;
      for (int v = 1; v <= V; ++v) tr.dblHomSum(v) += m.dblHom(v);
    }
    // The sums always cover every member (moves add to and take from them).
    CalcTractHomProps(tr);
  }
}

void FinishTracts() {
  ComputeTractLengths();
  if (blnHomog) ComputeTractHomogeneity();
}

int16_t ClearAllocationMarks() {
  int16_t omitted = 0;
  for (int16_t g = 1; g <= intNIBB; ++g) {
    udtIBB& ibb = arrIBB(g);
    if (ibb.intID > 0) {
      if (omitted == 0) omitted = g;
      ibb.intTract = 0;
    }
    ibb.intID = static_cast<int16_t>(std::abs(ibb.intID));
  }
  return omitted;
}

}  // namespace qel
