// Initial aggregation by approximate matching: every IBB goes to the tract of
// its dominant zone in the matching layer, the zone holding most of its
// population. Such a tract need not be connected; with contiguity checking
// the user is asked to let the program repair each one that falls apart.
#include <algorithm>
#include <cstdint>

#include "aggregation_common.h"
#include "engine.h"
#include "list_ops.h"
#include "tract_lists.h"

namespace qel {

namespace {

// Dominant zones are kept wider than a zone code so that "no zone" differs
// from every real code, 0 and negative codes included.
constexpr int32_t kNoZone = INT32_MIN;

// Zones met among the members of one IBB with their shares. An IBB has at
// most kListSize members, hence at most that many zones.
struct ZoneShares {
  Table<int32_t, 1, kListSize> code;
  Table<double, 1, kListSize> share;
};

// `work` holds nothing between calls; it is passed in so that one table
// serves every IBB.
int32_t DominantZone(const udtIBB& ibb, ZoneShares& work) {
  auto& [zoneCode, zoneShare] = work;
  int nZones = 0;
  for (int k = 1; k <= ibb.intNMembers; ++k) {
    const udtBB& b = arrBB(ibb.intMember(k));
    const int32_t code = blnFixedA ? b.intZoneB : b.intZoneA;
    const double pop = intPopLayer == 1 ? b.dblPopA : b.dblPopB;
    int z = 1;
    while (z <= nZones && zoneCode(z) != code) ++z;
    if (z > nZones) {
      nZones = z;
      zoneCode(z) = code;
      zoneShare(z) = 0;
    }
    zoneShare(z) += pop;
  }
  // Largest share above 0; of equal shares the lowest code.
  int32_t best = kNoZone;
  double bestShare = 0;
  for (int z = 1; z <= nZones; ++z) {
    const double s = zoneShare(z);
    if (s > bestShare || (s == bestShare && best != kNoZone && zoneCode(z) < best)) {
      bestShare = s;
      best = zoneCode(z);
    }
  }
  return best;
}

// One tract per dominant zone, its IBBs joining in number order. A tract
// whose lists are full is closed; the zone's remaining IBBs found another.
bool GroupByDominantZone() {
  const int16_t nIBB = intNIBB;
  Table<int32_t, 1, kTableSize> dominantZone;
  ZoneShares work;
  for (int16_t i = 1; i <= nIBB; ++i) dominantZone(i) = DominantZone(arrIBB(i), work);
  for (int16_t i = 1; i <= nIBB; ++i) {
    if (arrIBB(i).intID <= 0) continue;
    if (intNTracts >= intMaxTracts) {
      MsgBox("Too many tracts in initial aggregation");
      return false;
    }
    const int16_t t = ++intNTracts;
    SeedTract(t, i);
    const TractGrowth growth(t);
    for (int16_t j = i; j <= nIBB; ++j) {
      if (dominantZone(j) != dominantZone(i) || arrIBB(j).intID <= 0) continue;
      AddIBBToTract(t, j);
      if (arrIBB(j).intTract != t) break;
      arrIBB(j).intID = static_cast<int16_t>(-arrIBB(j).intID);
    }
  }
  return true;
}

// Members of tract t reached from its first member, into `queue` in order of
// discovery; returns their count.
int SearchTract(int16_t t, List16& queue) {
  const udtTract& tr = arrTract(t);
  int count = 0;
  if (tr.intNMembers == 0) return 0;
  queue(++count) = tr.intMember(1);
  for (int pos = 1; pos <= count; ++pos) {
    const udtIBB& g = arrIBB(queue(pos));
    const int nNbrs = g.intNNbrs;
    for (int q = 1; q <= nNbrs; ++q) {
      const int16_t x = arrBB(g.intNbr(q)).intIBB;
      if (x == 0 || arrIBB(x).intTract != t || HasEntry(queue, count, x)) continue;
      if (count >= kListSize) return count;
      queue(++count) = x;
    }
  }
  return count;
}

// Neighbouring blocks of IBB n that lie in an IBB accepted by the test.
template <class Pred>
int CountContacts(const udtIBB& n, Pred accept) {
  int c = 0;
  for (int q = 1; q <= n.intNNbrs; ++q)
    if (accept(arrBB(n.intNbr(q)).intIBB)) ++c;
  return c;
}

// Moves into tract t the first neighbouring IBB that touches both its
// detached part and the part connected to its first member, the `reached`
// members of `queue`. A tract that loses its only member this way is taken
// out of the table.
bool RepairTract(int16_t t, const List16& queue, int reached) {
  const udtTract& tr = arrTract(t);
  List16 detached;
  int nDetached = 0;
  for (int k = 1; k <= tr.intNMembers; ++k)
    if (!HasEntry(queue, reached, tr.intMember(k))) detached(++nDetached) = tr.intMember(k);
  const int count = tr.intNNbrs;
  for (int k = 1; k <= count; ++k) {
    const int16_t n = tr.intNbr(k);
    if (n <= 0) continue;
    const udtIBB& g = arrIBB(n);
    const int toDetached = CountContacts(g, [&](int16_t x) { return HasEntry(detached, nDetached, x); });
    if (toDetached == 0) continue;
    const int toTract = CountContacts(g, [&](int16_t x) { return x > 0 && arrIBB(x).intTract == t; });
    if (toTract <= toDetached) continue;
    // A tract without room for n would refuse the move with a message; the
    // repair looks further instead.
    TractJoin unused;
    if (PrepareJoin(arrTract(t), n, unused) != JoinLimit::kNone) continue;
    const int16_t from = g.intTract;
    MoveIBBToTract(t, n);
    if (from >= 1 && from <= intNTracts && arrTract(from).intNMembers == 0) RemoveTract(from);
    return true;
  }
  return false;
}

// The check gives up with the message: the iteration runs once without it.
bool GiveUpContiguity(const std::string& prompt) {
  MsgBox(prompt);
  intNIterations = 1;
  return false;
}

// The contiguity check with its repair dialogue. Returns false when it gives
// up: the user cancelled, or a repair moved nothing, so that asking again
// would find the same tract in the same pieces.
bool CheckContiguity() {
  // OK answers that may still be given in one call: enough for one repair
  // of every IBB twice over, a backstop against repairs that undo each other.
  int oksLeft = std::max(100, 2 * static_cast<int>(intNIBB));
  int16_t t = 1;
  while (t <= intNTracts) {
    List16 queue;
    const int reached = SearchTract(t, queue);
    if (arrTract(t).intNMembers == 0 || reached >= arrTract(t).intNMembers) {
      ++t;
      continue;
    }
    const std::string tract = "Tract " + Str(static_cast<int>(t));
    const int answer = MsgBox(tract + " not fully contiguous", kMbExclamationOkCancel, "Contiguity error");
    if (answer != kIdOk || oksLeft == 0) {
      return GiveUpContiguity("Contiguity errors in tracts: one iteration without contiguity checking");
    }
    --oksLeft;
    if (!RepairTract(t, queue, reached)) {
      return GiveUpContiguity(tract + " could not be made contiguous: one iteration without contiguity checking");
    }
    t = 1;
  }
  return true;
}

}  // namespace

void BuildApproxTracts() {
  ResetTracts();
  intIslandsSkipped = 0;
  const bool grouped = GroupByDominantZone();
  ClearAllocationMarks();
  if (!grouped) {
    FinishTracts();
    return;
  }
  if (blnContCheck && !CheckContiguity()) {
    // No merging after Cancel; the tracts still get lengths and homogeneity
    // matching their members, so the iteration is judged on true values.
    FinishTracts();
    return;
  }
  if (blnThresholdPop) MergeSmallTracts();
  FinishTracts();
}

}  // namespace qel
