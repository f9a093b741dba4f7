// The move of one IBB from the tract that holds it into another, with all the
// bookkeeping of both tracts. The inner step of the run loop: it costs what
// the two tracts hold, not the tables, and adds every length in the order
// that a sum over the members would.
#include <cmath>
#include <utility>

#include "engine.h"
#include "list_ops.h"
#include "marks.h"
#include "term_cache.h"
#include "tract_lists.h"

namespace qel {

namespace {

constexpr const char* kMoveTitle = "Error moving intermediate BB";

// Marks of the giving tract's rebuilt neighbour list: positions.
Marks g_from;

// A neighbour list with the shared length of each entry.
struct Boundary {
  PendingEntries list;
  std::array<double, kListSize + 1> len;  // read only at 1..list.n
};

// The giving tract's neighbour list as it will be once i has left, with its
// lengths: the IBBs touching its remaining members from outside (i among
// them when it touches one), the outside once, in the order of members and
// their blocks. Each length is summed from 0 in that same order, as
// CalcTractBoundary sums it. False when the list would pass its size.
bool GatherGiving(const udtTract& from, int fromNo, int i, Boundary& out) {
  g_from.Begin();
  const uint32_t stamp = g_from.current;
  PendingEntries& list = out.list;
  list.n = 0;
  int outsidePos = 0;  // position of the entry for the outside, 0 while none
  // The records read at each block, addressed once: every number is checked
  // against the table's size as the tables would check it.
  const udtBB* blocks = &std::as_const(arrBB)(1);
  const udtIBB* ibbs = &std::as_const(arrIBB)(1);
  const int16_t* members = ListData(from.intMember);
  for (int j = 1, nMembers = ListCount(from.intNMembers); j <= nMembers; ++j) {
    const int m = members[j];
    if (m == i) continue;
    const udtIBB& g = IBBRecord(m);
    const int16_t* nbr = ListData(g.intNbr);
    const double* lens = ListData(g.dblNbrLen);
    for (int q = 1, n = ListCount(g.intNNbrs); q <= n; ++q) {
      const int b = nbr[q];
      if (b < 1 || b > kTableSize) RaiseError(kErrSubscript);
      const int x = blocks[b - 1].intIBB;
      const double len = lens[q];
      if (x > 0) {
        if (x > kTableSize) RaiseError(kErrSubscript);
        // A block inside the tract, the commonest, first: such an IBB never
        // enters the list, so it is the same as asking the list first.
        if (x != i && ibbs[x - 1].intTract == fromNo) continue;
        const auto k = static_cast<std::size_t>(x);
        if (g_from.stamp[k] == stamp) {
          out.len[static_cast<std::size_t>(g_from.value[k])] += len;
          continue;
        }
        if (!list.Push(x)) return false;
        g_from.Set(x, list.n);
        out.len[static_cast<std::size_t>(list.n)] = 0;
        out.len[static_cast<std::size_t>(list.n)] += len;
      } else {
        // The first block outside every IBB gives the entry; only the
        // outside itself (0) has a length.
        if (outsidePos == 0) {
          if (!list.Push(x)) return false;
          outsidePos = list.n;
          out.len[static_cast<std::size_t>(outsidePos)] = 0;
        }
        if (x == 0 && list.entry[static_cast<std::size_t>(outsidePos)] == 0)
          out.len[static_cast<std::size_t>(outsidePos)] += len;
      }
    }
  }
  return true;
}

}  // namespace

void MoveIBBToTract(int16_t intToTract, int16_t intIBB) {
  if (intIBB < 1 || intIBB > intNIBB) return;
  const int i = intIBB;
  const int toNo = intToTract;
  const int fromNo = IBBRecord(i).intTract;
  // A move into the tract that already holds the IBB (as after a refused
  // move, when the caller moves it "back") changes nothing.
  if (toNo < 1 || toNo > intNTracts || fromNo < 1 || fromNo > intNTracts || toNo == fromNo) return;
  udtTract& to = arrTract(toNo);
  udtTract& from = arrTract(fromNo);
  const int memberAt = FindEntry(from.intMember, from.intNMembers, i);
  if (memberAt == 0) return;

  // Every limit is tested before anything changes, so a refused move leaves
  // both tracts as they were.
  TractJoin join;
  const JoinLimit limit = PrepareJoin(to, i, join);
  if (limit != JoinLimit::kNone) {
    ReportTractLimit(limit == JoinLimit::kMembers ? "Too many members to receiving tract"
                                                  : "Too many neighbours to receiving tract",
                     kMoveTitle);
    return;
  }
  static Boundary rebuilt;
  if (!GatherGiving(from, fromNo, i, rebuilt)) {
    ReportTractLimit("Too many neighbours to giving tract", kMoveTitle);
    return;
  }

  const bool lengthsCurrent = TractLengthsCurrent();
  JoinTract(toNo, i, join, lengthsCurrent);
  if (!lengthsCurrent) CalcTractBoundary(to);
  const udtIBB& g = IBBRecord(i);
  from.dblPop -= g.dblPop;
  for (int v = 1; v <= HomVarCount(); ++v) from.dblHomSum(v) -= g.dblHom(v);
  to.dblHomTotal += g.dblHomTotal;
  from.dblHomTotal -= g.dblHomTotal;
  if (blnHomog) {
    CalcTractHomProps(to);
    CalcTractHomProps(from);
  }
  from.dblArea -= g.dblArea;

  RemoveEntryAt(from.intMember, from.intNMembers, memberAt);
  from.intMember(from.intNMembers + 1) = 0;
  // The squared perimeter as CalcTractP2 sums it, while the lengths are copied.
  const int n = rebuilt.list.n;
  int16_t* nbr = ListData(from.intNbr);
  double* len = ListData(from.dblNbrLen);
  double perimeter = 0;
  for (int k = 1; k <= n; ++k) {
    nbr[k] = rebuilt.list.entry[static_cast<std::size_t>(k)];
    len[k] = rebuilt.len[static_cast<std::size_t>(k)];
    perimeter += len[k];
  }
  from.intNNbrs = static_cast<int16_t>(n);
  from.dblP2 = std::pow(perimeter, 2);
  NoteMove(i, fromNo, toNo);
}

}  // namespace qel
