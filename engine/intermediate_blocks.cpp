// Run preparation: the implied number of tracts, the same-zone lists of the
// fixed layers and their closure, the intermediate building blocks (IBBs)
// with their neighbour lists and shared lengths, and the homogeneity
// references.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "engine.h"
#include "list_ops.h"
#include "marks.h"
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

// The number of tracts that the target implies, with a warning when it is
// more than there are blocks; without a target every block may be a tract
// and the target becomes 1. False when the target cannot size any tract.
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
  // hold: the count keeps the nearest value that fits (the largest when the
  // quotient is no number), and the warning tells the true number.
  if (std::isnan(implied) || implied > INT16_MAX) {
    intTargetTracts = INT16_MAX;
  } else if (implied < INT16_MIN) {
    intTargetTracts = INT16_MIN;
  } else {
    intTargetTracts = static_cast<int16_t>(implied);
  }
  if (implied > intNRecs - 1) {
    // The number as a whole number when the count holds it, else in full.
    std::string text;
    if (implied == intTargetTracts) {
      text = Str(static_cast<int>(intTargetTracts));
    } else {
      text = Str(implied);
    }
    MsgBox("Resetting target number of tracts (" + text + ") to number of building blocks supplied (" +
               Str(intNRecs - 1) + ")",
           kMbExclamation, "Resetting target");
  }
  return true;
}

// One fixed layer: every other block with the same zone code in that layer
// joins the block's same-zone list once, in block order. False (after a
// message) when a list would pass its limit.
bool BuildSameZoneLists(bool layerB) {
  Windows().SetProgressCaption(
      layerB ? "Progress with analysis of fixed layer B..." : "Progress with analysis of layer A...", true);
  const int limit = SameZoneLimit();
  // The blocks sorted by zone code, then by number: each block's partners
  // are the run of its own code, in block order, so the pass costs what the
  // zones hold instead of every pair of blocks. Each key holds the code above
  // the block number.
  std::vector<int32_t> byZone;
  for (int r = 2; r <= intNRecs; ++r) {
    const udtBB& b = std::as_const(arrBB)(r);
    byZone.push_back(static_cast<int32_t>(layerB ? b.intZoneB : b.intZoneA) * 65536 + r);
  }
  std::sort(byZone.begin(), byZone.end());
  auto codeAt = [&byZone](std::size_t p) { return byZone[p] >> 16; };
  std::vector<int> runOf(static_cast<std::size_t>(intNRecs) + 1, 0);  // first position of each block's run
  auto blockAt = [&byZone](std::size_t p) { return static_cast<std::size_t>(byZone[p] & 0xFFFF); };
  for (std::size_t p = 0; p < byZone.size(); ++p)
    runOf[blockAt(p)] = p > 0 && codeAt(p) == codeAt(p - 1) ? runOf[blockAt(p - 1)] : static_cast<int>(p);
  static Marks listed;
  for (int i = 2; i <= intNRecs; ++i) {
    ShowPassProgress(i);
    udtBB& bi = arrBB(i);
    const std::size_t run = static_cast<std::size_t>(runOf[static_cast<std::size_t>(i)]);
    listed.Begin();
    for (int k = 1; k <= bi.intNSameZone; ++k)
      if (Marks::InRange(bi.intSameZone(k))) listed.Set(bi.intSameZone(k), 1);
    for (std::size_t p = run; p < byZone.size() && codeAt(p) == codeAt(run); ++p) {
      const int j = byZone[p] & 0xFFFF;
      if (j == i || listed.Has(j)) continue;
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
      listed.Set(j, 1);
    }
  }
  return true;
}

// Both layers fixed: each block's list becomes every block reachable from it
// through shared zone codes of either layer, in order of discovery.
bool CloseSameZoneLists() {
  Windows().SetProgressCaption("Progress with analysis of AB intersections...", false);
  const int limit = SameZoneLimit();
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

// Makes every block's number positive again: the placed mark lives only
// while the IBBs are being formed.
void ClearPlacedMarks() {
  for (int r = 1; r <= intNRecs; ++r) arrBB(r).intID = Abs16(arrBB(r).intID);
}

// Each block not yet placed founds an IBB, in block order, and the blocks
// of its same-zone list join it. False when an IBB's lists would overflow.
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
      AddBBToIBB(static_cast<int16_t>(g), bi.intSameZone(a));
      if (bx.intIBB != g) return false;  // the IBB could not take it
      bx.intID = static_cast<int16_t>(-bx.intID);
    }
  }
  return true;
}

// Each shared length of an IBB is the sum over the members' boundaries with
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

// The homogeneity references: each IBB's weight (its total over the first
// group's variables), the study's total of every variable and of the
// weights, and every variable's overall proportion of that weight.
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
  std::vector<udtIBB> ibbs;  // 1 to count
  std::vector<int16_t> blockIBB, blockID;  // the records ever written
};

EarlierIBBs KeepEarlierIBBs() {
  EarlierIBBs e;
  e.count = intNIBB;
  const int n = std::clamp<int>(intNIBB, 0, kTableSize);
  e.ibbs.reserve(static_cast<std::size_t>(n));
  for (int g = 1; g <= n; ++g) e.ibbs.push_back(std::as_const(arrIBB)(g));
  // Records never written name no IBB and have no number; a preparation
  // writes only records that the reader wrote.
  const int records = arrBB.Used();
  e.blockIBB.reserve(static_cast<std::size_t>(records));
  e.blockID.reserve(static_cast<std::size_t>(records));
  for (int r = 1; r <= records; ++r) {
    e.blockIBB.push_back(std::as_const(arrBB)(r).intIBB);
    e.blockID.push_back(std::as_const(arrBB)(r).intID);
  }
  return e;
}

bool Refuse(const EarlierIBBs& e) {
  intNIBB = e.count;
  for (std::size_t g = 0; g < e.ibbs.size(); ++g) arrIBB(static_cast<int>(g) + 1) = e.ibbs[g];
  for (std::size_t r = 0; r < e.blockIBB.size(); ++r) {
    arrBB(static_cast<int>(r) + 1).intIBB = e.blockIBB[r];
    arrBB(static_cast<int>(r) + 1).intID = e.blockID[r];
  }
  return false;
}

}  // namespace

void ResetIBBs() {
  // Every record of the tables, the ones never written being empty already;
  // of each list the entries in use, no entry past a list's count being read.
  for (int r = 1; r <= arrBB.Used(); ++r) {
    udtBB& b = arrBB(r);
    ClearEntries(b.intSameZone, b.intNSameZone);
    b.intNSameZone = 0;
  }
  intNIBB = 0;
  const int nIBBs = std::min<int>(intNRecs, arrIBB.Used());
  for (int g = 1; g <= nIBBs; ++g) {
    udtIBB& ibb = arrIBB(g);
    ClearEntries(ibb.intMember, ibb.intNMembers);
    ClearEntries(ibb.intNbr, ibb.intNNbrs);
    ClearEntries(ibb.dblNbrLen, ibb.intNNbrs);
    ibb.intID = 0;
    ibb.dblPop = 0;
    ibb.dblArea = 0;
    ibb.intNNbrs = 0;
    ibb.intNMembers = 0;
    ibb.dblHomTotal = 0;
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
  udtIBB& ibb = arrIBB(intIBB);
  udtBB& bb = arrBB(intBB);
  // Every limit is tested before anything changes.
  PendingEntries add;
  const JoinLimit limit = PrepareJoin(ibb, intBB, bb.intNbr, bb.intNNbrs, [](int y) { return y; }, add);
  if (limit != JoinLimit::kNone) {
    bb.intIBB = 0;
    if (limit == JoinLimit::kMembers) {
      MsgBox("Too many building blocks in one intermediate building block", kMbCritical, kFixedZonesTitle);
    } else {
      MsgBox("Too many neighbours to one intermediate building block", kMbCritical, kFixedZonesTitle);
    }
    return;
  }
  ibb.dblPop += PopOf(bb);
  for (int v = 1; v <= HomVarCount(); ++v) ibb.dblHom(v) += bb.dblHom(v);
  ibb.dblArea += bb.dblArea;
  JoinLists(ibb, intBB, add);
  // The slot a removed entry leaves behind reads 0, as the reset left it.
  if (ibb.intNNbrs < kListSize) ibb.intNbr(ibb.intNNbrs + 1) = 0;
  bb.intIBB = intIBB;
}

bool BuildIntermediateBBs() {
  const EarlierIBBs earlier = KeepEarlierIBBs();
  ResetIBBs();
  // A block that gets no IBB in this run (the outside, a block without a
  // positive number) names none, so that no neighbour list maps it to an IBB
  // of an earlier run.
  for (int r = 1; r <= arrBB.Used(); ++r) arrBB(r).intIBB = 0;
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
