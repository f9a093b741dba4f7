// Run preparation: the implied number of tracts, the same-zone lists of the
// fixed layers and their closure, the intermediate building blocks (IBBs)
// with their neighbour lists and shared lengths, and the homogeneity
// references.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine.h"
#include "list_ops.h"
#include "tract_lists.h"

namespace qel {

namespace {

constexpr const char* kFixedZonesTitle = "Fixed zones error";

double PopOf(const udtBB& b) { return intPopLayer == 2 ? b.dblPopB : b.dblPopA; }

// |v| within 16 bits: the one value without a positive counterpart stays
// the largest positive number instead of overflowing.
int16_t Abs16(int16_t v) {
  if (v == INT16_MIN) return INT16_MAX;
  return static_cast<int16_t>(v < 0 ? -v : v);
}

void ShowPassProgress(int i) {
  Windows().SetProgressValue(CInt(static_cast<double>(i) / intNRecs * 100));
}

int ZoneListLimit() { return std::clamp<int>(intMaxZoneBBs, 0, kListSize); }

// Step 2. False when the target cannot size any tract.
bool SetImpliedTracts() {
  if (!blnTargetPop) {
    dblTarget = 1.0;
    intTargetTracts = static_cast<int16_t>(intNRecs - 1);
    return true;
  }
  if (!(dblTarget > 0)) {
    intTargetTracts = 0;
    MsgBox("Target population must be greater than 0", kMbCritical, "Population control");
    return false;
  }
  const double total = intPopLayer == 2 ? dblTotPopB : dblTotPopA;
  const double implied = std::nearbyint(total / dblTarget);
  // A target far below the population implies more tracts than 16 bits
  // hold; the warning below then tells the user, with the true number.
  intTargetTracts = static_cast<int16_t>(std::isnan(implied) ? 32767.0 : std::clamp(implied, -32768.0, 32767.0));
  const std::string text = implied == intTargetTracts ? Str(static_cast<int>(intTargetTracts)) : Str(implied);
  if (implied > intNRecs - 1) {
    MsgBox("Resetting target number of tracts (" + text + ") to number of building blocks supplied (" +
               Str(intNRecs - 1) + ")",
           kMbExclamation, "Resetting target");
  }
  return true;
}

// Steps 3 and 4: every other block with the same zone code joins the
// block's same-zone list once.
bool BuildSameZoneLists(bool layerB) {
  Windows().SetProgressCaption(
      layerB ? "Progress with analysis of fixed layer B..." : "Progress with analysis of layer A...", true);
  const int limit = ZoneListLimit();
  for (int i = 2; i <= intNRecs; ++i) {
    ShowPassProgress(i);
    udtBB& bi = arrBB(i);
    const int16_t zone = layerB ? bi.intZoneB : bi.intZoneA;
    for (int j = 2; j <= intNRecs; ++j) {
      if (j == i) continue;
      const udtBB& bj = arrBB(j);
      if ((layerB ? bj.intZoneB : bj.intZoneA) != zone || HasEntry(bi.intSameZone, bi.intNSameZone, j)) continue;
      if (bi.intNSameZone >= limit) {
        if (layerB) {
          MsgBox("Too many building blocks labelled as belonging to same zone B", kMbCritical, "Zone B too complex");
        } else {
          MsgBox("Too many building blocks labelled as belonging to same zone A", kMbCritical, "Zone A too complex");
        }
        return false;
      }
      ++bi.intNSameZone;
      bi.intSameZone(bi.intNSameZone) = static_cast<int16_t>(j);
    }
  }
  return true;
}

// Step 5: each block's list becomes every block reachable from it through
// shared zone codes, in order of discovery.
bool CloseSameZoneLists() {
  Windows().SetProgressCaption("Progress with analysis of AB intersections...", false);
  const int limit = ZoneListLimit();
  std::vector<int16_t> queue(static_cast<std::size_t>(kTableSize) + 1);
  std::vector<char> visited(static_cast<std::size_t>(kTableSize) + 1);
  for (int i = 2; i <= intNRecs; ++i) {
    ShowPassProgress(i);
    std::fill(visited.begin(), visited.end(), 0);
    visited[static_cast<std::size_t>(i)] = 1;
    udtBB& bi = arrBB(i);
    int tail = 0;
    // The closure must fit the list that receives it.
    auto push = [&](int b) {
      visited[static_cast<std::size_t>(b)] = 1;
      if (tail >= limit) return false;
      queue[static_cast<std::size_t>(++tail)] = static_cast<int16_t>(b);
      return true;
    };
    bool fits = true;
    const int n = bi.intNSameZone;
    for (int a = 1; a <= n; ++a) push(bi.intSameZone(a));
    for (int a = 1; a <= n && fits; ++a) {
      const udtBB& bx = arrBB(bi.intSameZone(a));
      for (int c = 1; c <= bx.intNSameZone && fits; ++c) {
        const int y = bx.intSameZone(c);
        if (visited[static_cast<std::size_t>(y)]) continue;
        int pos = tail + 1;
        fits = push(y);
        while (fits && pos <= tail) {
          const udtBB& bz = arrBB(queue[static_cast<std::size_t>(pos++)]);
          for (int e = 1; e <= bz.intNSameZone && fits; ++e)
            if (!visited[static_cast<std::size_t>(bz.intSameZone(e))]) fits = push(bz.intSameZone(e));
        }
      }
    }
    if (!fits) {
      MsgBox("Too many small zones in fixed geography", kMbCritical, kFixedZonesTitle);
      return false;
    }
    bi.intNSameZone = 0;
    for (int p = 1; p <= tail; ++p) bi.intSameZone(++bi.intNSameZone) = queue[static_cast<std::size_t>(p)];
  }
  return true;
}

// AddBBToIBB with its limits tested first: false (and a message, nothing
// changed) when the IBB cannot take the block or its new neighbours.
bool JoinIBB(int g, int b) {
  udtIBB& ibb = arrIBB(g);
  udtBB& bb = arrBB(b);
  if (ibb.intNMembers >= kListSize) {
    MsgBox("Too many building blocks in one intermediate building block", kMbCritical, kFixedZonesTitle);
    return false;
  }
  const bool listed = HasEntry(ibb.intNbr, ibb.intNNbrs, b);
  const int kept = ibb.intNNbrs - (listed ? 1 : 0);
  PendingEntries add;
  for (int q = 1; q <= bb.intNNbrs; ++q) {
    const int y = bb.intNbr(q);
    // The block itself leaves the list before its neighbours are added.
    const bool inList = y != b && HasEntry(ibb.intNbr, ibb.intNNbrs, y);
    if (inList || add.Has(y) || HasEntry(ibb.intMember, ibb.intNMembers, y)) continue;
    if (kept + add.n >= kListSize || !add.Push(y)) {
      MsgBox("Too many neighbours to one intermediate building block", kMbCritical, kFixedZonesTitle);
      return false;
    }
  }

  ibb.dblPop += PopOf(bb);
  for (int v = 1; v <= HomVarCount(); ++v) ibb.dblHom(v) += bb.dblHom(v);
  ibb.dblArea += bb.dblArea;
  ++ibb.intNMembers;
  ibb.intMember(ibb.intNMembers) = static_cast<int16_t>(b);
  if (RemoveEntry(ibb.intNbr, ibb.intNNbrs, b)) ibb.intNbr(ibb.intNNbrs + 1) = 0;
  for (int k = 1; k <= add.n; ++k) ibb.intNbr(++ibb.intNNbrs) = add.entry[static_cast<std::size_t>(k)];
  bb.intIBB = static_cast<int16_t>(g);
  return true;
}

// Step 7: no block keeps the placed mark.
void ClearPlacedMarks() {
  for (int r = 1; r <= intNRecs; ++r) arrBB(r).intID = Abs16(arrBB(r).intID);
}

// Step 6.
bool FormIBBs() {
  for (int i = 2; i <= intNRecs; ++i) {
    udtBB& bi = arrBB(i);
    if (bi.intID <= 0) continue;
    const int g = ++intNIBB;
    udtIBB& ibb = arrIBB(g);
    ibb.intID = static_cast<int16_t>(g);
    ibb.dblPop = PopOf(bi);
    for (int v = 1; v <= HomVarCount(); ++v) ibb.dblHom(v) = bi.dblHom(v);
    ibb.dblArea = bi.dblArea;
    ibb.intNMembers = 1;
    ibb.intMember(1) = static_cast<int16_t>(i);
    ibb.intNNbrs = bi.intNNbrs;
    for (int k = 1; k <= bi.intNNbrs; ++k) {
      ibb.intNbr(k) = bi.intNbr(k);
      ibb.dblNbrLen(k) = bi.dblNbrLen(k);
    }
    bi.intIBB = static_cast<int16_t>(g);
    bi.intID = static_cast<int16_t>(-bi.intID);
    for (int a = 1; a <= bi.intNSameZone; ++a) {
      udtBB& bx = arrBB(bi.intSameZone(a));
      if (bx.intID <= 0) continue;
      if (!JoinIBB(g, bi.intSameZone(a))) return false;
      bx.intID = static_cast<int16_t>(-bx.intID);
    }
  }
  return true;
}

// Step 8: each shared length is the sum over the members' boundaries with
// that block, members and their neighbours in order.
void CalcIBBLengths() {
  for (int g = 1; g <= intNIBB; ++g) {
    udtIBB& ibb = arrIBB(g);
    for (int k = 1; k <= ibb.intNNbrs; ++k) ibb.dblNbrLen(k) = 0;
    for (int j = 1; j <= ibb.intNMembers; ++j) {
      const udtBB& m = arrBB(ibb.intMember(j));
      for (int n = 1; n <= m.intNNbrs; ++n) {
        const int k = FindEntry(ibb.intNbr, ibb.intNNbrs, m.intNbr(n));
        if (k != 0) ibb.dblNbrLen(k) += m.dblNbrLen(n);
      }
    }
  }
}

// Step 9.
void CalcHomReferences() {
  const int nv = HomVarCount();
  const int firstGroup = std::clamp<int>(intGroupSize(1), 0, kHomSize);
  for (int g = 1; g <= intNIBB; ++g) {
    udtIBB& ibb = arrIBB(g);
    ibb.dblHomTotal = 0;
    for (int v = 1; v <= firstGroup; ++v) ibb.dblHomTotal += ibb.dblHom(v);
    for (int v = 1; v <= nv; ++v) dblHomVarTotal(v) += ibb.dblHom(v);
    dblHomPopTot += ibb.dblHomTotal;
  }
  if (dblHomPopTot == 0 || !std::isfinite(dblHomPopTot)) {
    // Every proportion would divide by this total: the means stay 0.
    MsgBox("The first group of homogeneity variables sums to 0: homogeneity cannot be measured", kMbCritical,
           "Homogeneity control");
    return;
  }
  for (int v = 1; v <= nv; ++v) dblHomMean(v) = dblHomVarTotal(v) / dblHomPopTot;
}

// What the last run's results are read through once it has ended (the tract
// composition file, the demo map): its IBBs, and each block's IBB and number.
// A refused preparation puts them back, so that it leaves those results whole.
struct EarlierIBBs {
  int16_t count = 0;
  std::vector<udtIBB> ibbs;  // the records a preparation may write
  std::vector<int16_t> blockIBB, blockID;
};

EarlierIBBs KeepEarlierIBBs() {
  EarlierIBBs e;
  e.count = intNIBB;
  const int n = std::clamp<int>(intNRecs, 0, kTableSize);
  e.ibbs.reserve(static_cast<std::size_t>(n));
  for (int g = 1; g <= n; ++g) e.ibbs.push_back(arrIBB(g));
  e.blockIBB.reserve(kTableSize);
  e.blockID.reserve(kTableSize);
  for (int r = 1; r <= kTableSize; ++r) {
    e.blockIBB.push_back(arrBB(r).intIBB);
    e.blockID.push_back(arrBB(r).intID);
  }
  return e;
}

bool Refuse(const EarlierIBBs& e) {
  intNIBB = e.count;
  for (std::size_t g = 0; g < e.ibbs.size(); ++g) arrIBB(static_cast<int>(g) + 1) = e.ibbs[g];
  for (int r = 1; r <= kTableSize; ++r) {
    arrBB(r).intIBB = e.blockIBB[static_cast<std::size_t>(r - 1)];
    arrBB(r).intID = e.blockID[static_cast<std::size_t>(r - 1)];
  }
  return false;
}

}  // namespace

void ResetIBBs() {
  for (int r = 1; r <= kTableSize; ++r) {
    udtBB& b = arrBB(r);
    // Lists are written only up to their count: clearing the entries in use
    // leaves every list empty at a cost of what the last run put there.
    const int n = std::clamp<int>(b.intNSameZone, 0, kListSize);
    for (int k = 1; k <= n; ++k) b.intSameZone(k) = 0;
    b.intNSameZone = 0;
  }
  intNIBB = 0;
  for (int g = 1; g <= intNRecs; ++g) {
    udtIBB& ibb = arrIBB(g);
    ibb.intID = 0;
    ibb.dblPop = 0;
    ibb.dblArea = 0;
    ibb.intNNbrs = 0;
    ibb.intNMembers = 0;
    ibb.dblHomTotal = 0;
    ibb.intMember.Fill(0);
    ibb.intNbr.Fill(0);
    ibb.dblNbrLen.Fill(0);
    ibb.dblHom.Fill(0);
  }
  for (int v = 1; v <= HomVarCount(); ++v) {
    dblHomVarTotal(v) = 0;
    dblHomMean(v) = 0;
    dblVarIAC(v) = 0;
    dblIACDenom(v) = 0;
    dblIACBetween(v) = 0;
  }
  dblHomPopTot = 0;
  // A new run reports the limits of its tract operations afresh.
  ResetTractLimitReports();
}

void AddBBToIBB(int16_t intIBB, int16_t intBB) {
  if (!arrIBB.InBounds(intIBB) || intBB < 2 || intBB > intNRecs) return;
  JoinIBB(intIBB, intBB);
}

bool BuildIntermediateBBs() {
  const EarlierIBBs earlier = KeepEarlierIBBs();
  ResetIBBs();
  // A block that gets no IBB in this run (the outside, a block without a
  // positive number) names none, so that no neighbour list maps it to an IBB
  // of an earlier run.
  for (int r = 1; r <= kTableSize; ++r) arrBB(r).intIBB = 0;
  if (!SetImpliedTracts()) return Refuse(earlier);
  if (blnFixedA && !BuildSameZoneLists(false)) return Refuse(earlier);
  if (blnFixedB && !BuildSameZoneLists(true)) return Refuse(earlier);
  if (blnFixedA && blnFixedB && !CloseSameZoneLists()) return Refuse(earlier);
  if (!FormIBBs()) return Refuse(earlier);
  ClearPlacedMarks();
  CalcIBBLengths();
  if (blnHomog) CalcHomReferences();
  if (blnApprox && !ReadMatchZones(intRunHeader, strRunFile)) return Refuse(earlier);
  return true;
}

}  // namespace qel
