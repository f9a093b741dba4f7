// The tract table operations of an initial aggregation: emptying the table,
// growing a tract by one IBB, and merging one tract into another.

#include "engine.h"
#include "list_ops.h"
#include "tract_lists.h"

namespace qel {

void ResetTracts() {
  intNTracts = 0;
  for (int t = 1; t <= intNIBB; ++t) {
    udtTract& tr = arrTract(t);
    tr.dblPop = 0;
    tr.dblArea = 0;
    tr.dblP2 = 0;
    tr.intID = 0;
    tr.intNMembers = 0;
    tr.intNNbrs = 0;
    tr.intMember.Fill(0);
    tr.intNbr.Fill(0);
    tr.dblNbrLen.Fill(0);
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
  PendingEntries add;
  if (!arrTract.InBounds(intTract) || PrepareJoin(arrTract(intTract), intIBB, add) != JoinLimit::kNone) {
    arrIBB(intIBB).intTract = 0;
    return;
  }
  JoinTract(intTract, intIBB, add);
}

namespace {

// Length of the receiving tract's neighbour list after a merge, counted
// before anything changes so that a refusal leaves both tracts as they were.
int MergedNeighbourCount(const udtTract& from, const udtTract& into) {
  int n = into.intNNbrs;
  for (int k = 1; k <= from.intNMembers; ++k)
    if (HasEntry(into.intNbr, into.intNNbrs, from.intMember(k))) --n;
  for (int k = 1; k <= from.intNNbrs; ++k) {
    const int y = from.intNbr(k);
    const bool listed =
        HasEntry(into.intNbr, into.intNNbrs, y) && !HasEntry(from.intMember, from.intNMembers, y);
    if (!listed && !HasEntry(into.intMember, into.intNMembers, y) && FindEntry(from.intNbr, k - 1, y) == 0) ++n;
  }
  return n;
}

}  // namespace

void MergeTracts(int16_t intFrom, int16_t& intInto) {
  if (intFrom < 1 || intFrom > intNTracts || intInto < 1 || intInto > intNTracts || intFrom == intInto) return;
  udtTract& from = arrTract(intFrom);
  udtTract& into = arrTract(intInto);
  if (into.intNMembers + from.intNMembers > MemberLimit()) {
    MsgBox("Too many members to merged tract", kMbCritical, "Error merging tracts");
    return;
  }
  if (MergedNeighbourCount(from, into) > NeighbourLimit()) {
    MsgBox("Too many neighbours to merged tract", kMbCritical, "Error merging tracts");
    return;
  }

  for (int k = 1; k <= from.intNMembers; ++k) RemoveEntry(into.intNbr, into.intNNbrs, from.intMember(k));
  for (int k = 1; k <= from.intNNbrs; ++k) {
    const int y = from.intNbr(k);
    if (HasEntry(into.intNbr, into.intNNbrs, y) || HasEntry(into.intMember, into.intNMembers, y)) continue;
    ++into.intNNbrs;
    into.intNbr(into.intNNbrs) = static_cast<int16_t>(y);
  }
  into.dblPop = from.dblPop + into.dblPop;
  for (int v = 1; v <= HomVarCount(); ++v) into.dblHomSum(v) = from.dblHomSum(v) + into.dblHomSum(v);
  into.dblArea = from.dblArea + into.dblArea;
  for (int k = 1; k <= from.intNMembers; ++k) {
    arrIBB(from.intMember(k)).intTract = intInto;
    into.intMember(into.intNMembers + k) = from.intMember(k);
  }
  into.intNMembers = static_cast<int16_t>(into.intNMembers + from.intNMembers);

  if (intInto > intFrom) --intInto;
  RemoveTract(intFrom);
}

void RemoveTract(int16_t t) {
  if (t < 1 || t > intNTracts) return;
  for (int k = t; k < intNTracts; ++k) {
    arrTract(k) = arrTract(k + 1);
    --arrTract(k).intID;
  }
  for (int g = 1; g <= intNIBB; ++g)
    if (arrIBB(g).intTract > t) --arrIBB(g).intTract;
  --intNTracts;
}

}  // namespace qel
