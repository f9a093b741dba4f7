// The tract table operations of an initial aggregation: emptying the table,
// growing a tract by one IBB, and merging one tract into another.

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "engine.h"
#include "list_ops.h"
#include "marks.h"
#include "tract_lists.h"

namespace qel {

void ResetTracts() {
  SetTractLengthsCurrent(false);
  intNTracts = 0;
  // Records never written are empty already.
  const int n = std::min<int>(intNIBB, arrTract.Used());
  for (int t = 1; t <= n; ++t) {
    udtTract& tr = arrTract(t);
    // The entries in use are cleared; entries past a list's count are never read.
    ClearEntries(tr.intMember, tr.intNMembers);
    ClearEntries(tr.intNbr, tr.intNNbrs);
    ClearEntries(tr.dblNbrLen, tr.intNNbrs);
    tr.dblPop = 0;
    tr.dblArea = 0;
    tr.dblP2 = 0;
    tr.intID = 0;
    tr.intNMembers = 0;
    tr.intNNbrs = 0;
  }
  dblHomPopSqRatio = 0;
  dblHomPopMean = 0;
  dblHomN0 = 0;
}

void AddIBBToTract(int16_t intTract, int16_t intIBB) {
  if (intIBB < 1 || intIBB > intNIBB) return;
  // A tract whose lists are full takes no more: the aggregations close it
  // and go on, so there is no message. Nothing changes but the IBB's
  // intTract, 0 for "in no tract", which tells the caller.
  TractJoin join;
  if (!arrTract.InBounds(intTract) || PrepareJoin(arrTract(intTract), intIBB, join) != JoinLimit::kNone) {
    arrIBB(intIBB).intTract = 0;
    return;
  }
  SetTractLengthsCurrent(false);
  JoinTract(intTract, intIBB, join, false);
}

namespace {

// The receiving tract's neighbour list as a merge leaves it: its own entries
// without the giving tract's members (the first occurrence of each, as the
// removal rule takes them out one by one), then the giving tract's entries
// that are neither listed by now nor members of the receiver. Gathered
// before anything changes, so that a refusal leaves both tracts as they were.
Marks g_drop, g_known;
std::array<int16_t, 2 * kListSize + 1> g_merged;  // read at 1..the count returned

int MergedNeighbours(const udtTract& from, const udtTract& into) {
  // Members and neighbours are IBB numbers (0 the outside), all within the
  // marks; a number beyond them could only be a damaged record: it is never
  // marked, and nothing is written for it out of range.
  g_drop.Begin();
  for (int k = 1; k <= from.intNMembers; ++k) {
    const int m = from.intMember(k);
    if (Marks::InRange(m)) g_drop.Set(m, g_drop.Has(m) ? g_drop.Get(m) + 1 : 1);
  }
  int n = 0;
  for (int k = 1; k <= into.intNNbrs; ++k) {
    const int x = into.intNbr(k);
    if (g_drop.Has(x) && g_drop.Get(x) > 0) {
      g_drop.Set(x, g_drop.Get(x) - 1);
      continue;
    }
    g_merged[static_cast<std::size_t>(++n)] = static_cast<int16_t>(x);
  }
  g_known.Begin();
  auto know = [](int x) {
    if (Marks::InRange(x)) g_known.Set(x, 1);
  };
  for (int k = 1; k <= n; ++k) know(g_merged[static_cast<std::size_t>(k)]);
  for (int k = 1; k <= into.intNMembers; ++k) know(into.intMember(k));
  for (int k = 1; k <= from.intNNbrs; ++k) {
    const int y = from.intNbr(k);
    if (g_known.Has(y)) continue;
    know(y);
    g_merged[static_cast<std::size_t>(++n)] = static_cast<int16_t>(y);
  }
  return n;
}

}  // namespace

bool AbsorbTract(int16_t intFrom, int16_t intInto) {
  udtTract& from = arrTract(intFrom);
  udtTract& into = arrTract(intInto);
  if (into.intNMembers + from.intNMembers > MemberLimit()) {
    MsgBox("Too many members to merged tract", kMbCritical, "Error merging tracts");
    return false;
  }
  const int n = MergedNeighbours(from, into);
  if (n > NeighbourLimit()) {
    MsgBox("Too many neighbours to merged tract", kMbCritical, "Error merging tracts");
    return false;
  }

  SetTractLengthsCurrent(false);
  for (int k = 1; k <= n; ++k) into.intNbr(k) = g_merged[static_cast<std::size_t>(k)];
  into.intNNbrs = static_cast<int16_t>(n);
  into.dblPop = from.dblPop + into.dblPop;
  for (int v = 1; v <= HomVarCount(); ++v) into.dblHomSum(v) = from.dblHomSum(v) + into.dblHomSum(v);
  into.dblArea = from.dblArea + into.dblArea;
  for (int k = 1; k <= from.intNMembers; ++k) {
    arrIBB(from.intMember(k)).intTract = intInto;
    into.intMember(into.intNMembers + k) = from.intMember(k);
  }
  into.intNMembers = static_cast<int16_t>(into.intNMembers + from.intNMembers);
  return true;
}

void MergeTracts(int16_t intFrom, int16_t& intInto) {
  if (intFrom < 1 || intFrom > intNTracts || intInto < 1 || intInto > intNTracts || intFrom == intInto) return;
  if (!AbsorbTract(intFrom, intInto)) return;
  if (intInto > intFrom) --intInto;
  RemoveTract(intFrom);
}

void CopyTract(udtTract& to, const udtTract& from) {
  to.intID = from.intID;
  to.dblPop = from.dblPop;
  to.dblArea = from.dblArea;
  to.intNNbrs = from.intNNbrs;
  to.intNMembers = from.intNMembers;
  to.dblP2 = from.dblP2;
  to.dblHomSum = from.dblHomSum;
  to.dblHomProp = from.dblHomProp;
  to.dblHomTotal = from.dblHomTotal;
  const int nNbrs = ListCount(from.intNNbrs), nMembers = ListCount(from.intNMembers);
  for (int k = 1; k <= nNbrs; ++k) {
    to.intNbr(k) = from.intNbr(k);
    to.dblNbrLen(k) = from.dblNbrLen(k);
  }
  for (int k = 1; k <= nMembers; ++k) to.intMember(k) = from.intMember(k);
}

void RemoveTracts(const std::vector<char>& gone) {
  // As RemoveTract one tract after the other would leave them: the tracts
  // that stay keep their order and are numbered from 1 again, and so are
  // their IBBs. Each record moves once.
  const int n = intNTracts;
  int kept = 0;
  for (int s = 1; s <= n; ++s) {
    if (gone[static_cast<std::size_t>(s)]) continue;
    const int k = ++kept;
    if (k == s) continue;
    udtTract& tr = arrTract(k);
    CopyTract(tr, std::as_const(arrTract)(s));
    tr.intID = static_cast<int16_t>(tr.intID - (s - k));
    for (int j = 1; j <= tr.intNMembers; ++j) {
      udtIBB& g = arrIBB(tr.intMember(j));
      if (g.intTract > k) g.intTract = static_cast<int16_t>(g.intTract - (s - k));
    }
  }
  intNTracts = static_cast<int16_t>(kept);
}

void RemoveTract(int16_t t) {
  if (t < 1 || t > intNTracts) return;
  // Every IBB names the tract whose members it is among, so the IBBs whose
  // tract number is above t are the members of the tracts that move down.
  for (int k = t; k < intNTracts; ++k) {
    udtTract& tr = arrTract(k);
    CopyTract(tr, std::as_const(arrTract)(k + 1));
    --tr.intID;
    for (int j = 1; j <= tr.intNMembers; ++j) {
      udtIBB& g = arrIBB(tr.intMember(j));
      if (g.intTract > t) --g.intTract;
    }
  }
  --intNTracts;
}

}  // namespace qel
