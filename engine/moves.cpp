// The move of one IBB from the tract that holds it into another, with all the
// bookkeeping of both tracts. The inner step of the run loop: plain scans,
// nothing kept between calls, no record copied.
#include "engine.h"
#include "list_ops.h"
#include "tract_lists.h"

namespace qel {

namespace {

constexpr const char* kMoveTitle = "Error moving intermediate BB";

// The giving tract's neighbour list as it will be once i has left: the IBBs
// touching its remaining members from outside (i among them when it touches
// one), 0 once for the outside, in the order of members and their blocks.
// False when the list would pass its size.
bool GatherGivingNeighbours(const udtTract& from, int fromNo, int i, PendingEntries& list) {
  bool outside = false;
  list.n = 0;
  for (int j = 1; j <= from.intNMembers; ++j) {
    const int m = from.intMember(j);
    if (m == i) continue;
    const udtIBB& g = arrIBB(m);
    for (int q = 1; q <= g.intNNbrs; ++q) {
      const int x = arrBB(g.intNbr(q)).intIBB;
      if (x > 0) {
        if (list.Has(x) || (x != i && arrIBB(x).intTract == fromNo)) continue;
      } else {
        if (outside) continue;
        outside = true;
      }
      if (!list.Push(x)) return false;
    }
  }
  return true;
}

}  // namespace

void MoveIBBToTract(int16_t intToTract, int16_t intIBB) {
  if (intIBB < 1 || intIBB > intNIBB) return;
  const int i = intIBB;
  const int toNo = intToTract;
  const int fromNo = arrIBB(i).intTract;
  // A move into the tract that already holds the IBB (as after a refused
  // move, when the caller moves it "back") changes nothing.
  if (toNo < 1 || toNo > intNTracts || fromNo < 1 || fromNo > intNTracts || toNo == fromNo) return;
  udtTract& to = arrTract(toNo);
  udtTract& from = arrTract(fromNo);
  if (!HasEntry(from.intMember, from.intNMembers, i)) return;

  // Every limit is tested before anything changes, so a refused move leaves
  // both tracts as they were.
  PendingEntries add;
  const JoinLimit limit = PrepareJoin(to, i, add);
  if (limit != JoinLimit::kNone) {
    ReportTractLimit(limit == JoinLimit::kMembers ? "Too many members to receiving tract"
                                                  : "Too many neighbours to receiving tract",
                     kMoveTitle);
    return;
  }
  PendingEntries rebuilt;
  if (!GatherGivingNeighbours(from, fromNo, i, rebuilt)) {
    ReportTractLimit("Too many neighbours to giving tract", kMoveTitle);
    return;
  }

  const udtIBB& g = arrIBB(i);
  JoinTract(toNo, i, add);
  from.dblPop -= g.dblPop;
  for (int v = 1; v <= HomVarCount(); ++v) from.dblHomSum(v) -= g.dblHom(v);
  to.dblHomTotal += g.dblHomTotal;
  from.dblHomTotal -= g.dblHomTotal;
  if (blnHomog) {
    CalcTractHomProps(to);
    CalcTractHomProps(from);
  }
  from.dblArea -= g.dblArea;
  RemoveEntry(from.intMember, from.intNMembers, i);

  for (int k = 1; k <= rebuilt.n; ++k) from.intNbr(k) = rebuilt.entry[static_cast<std::size_t>(k)];
  from.intNNbrs = rebuilt.n;
  from.intMember(from.intNMembers + 1) = 0;

  CalcTractBoundary(to);
  CalcTractBoundary(from);
}

}  // namespace qel
