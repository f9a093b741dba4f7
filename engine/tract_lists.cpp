#include "tract_lists.h"

#include <cmath>
#include <set>

#include "marks.h"

namespace qel {

namespace {
// Marks of the tract of the last PrepareJoin: each neighbour entry by its
// first position, each member (0), each entry to append (minus its index).
// JoinTract keeps them true for the tract it joins.
constexpr int kMemberMark = 0;
Marks g_join;
// While a tract grows by AddIBBToTract alone, its marks are made once.
const udtTract* g_growing = nullptr;
const udtTract* g_marked = nullptr;  // the growing tract, once its marks are made

void MarkLists(const udtTract& t) {
  g_join.Begin();
  const int16_t* nbr = ListData(t.intNbr);
  for (int k = ListCount(t.intNNbrs); k >= 1; --k)
    if (Marks::InRange(nbr[k])) g_join.Set(nbr[k], k);
  const int16_t* members = ListData(t.intMember);
  for (int k = 1, n = ListCount(t.intNMembers); k <= n; ++k) {
    const int m = members[k];
    if (Marks::InRange(m) && !g_join.Has(m)) g_join.Set(m, kMemberMark);
  }
}
}  // namespace

void BeginTractGrowth(int t) {
  g_growing = &std::as_const(arrTract)(t);
  g_marked = nullptr;
}

void EndTractGrowth() { g_growing = g_marked = nullptr; }

JoinLimit PrepareJoin(const udtTract& t, int i, TractJoin& join) {
  if (t.intNMembers >= MemberLimit()) return JoinLimit::kMembers;
  if (&t != g_marked) {
    MarkLists(t);
    g_marked = &t == g_growing ? &t : nullptr;
  }
  // IBB numbers (0 the outside) all lie within the marks.
  join.removedAt = g_join.Has(i) ? g_join.Get(i) : 0;
  const int kept = t.intNNbrs - (join.removedAt > 0 ? 1 : 0);
  const int nbrLimit = NeighbourLimit();
  PendingEntries& add = join.add;
  add.n = 0;
  const udtIBB& g = IBBRecord(i);
  const int16_t* blocks = ListData(g.intNbr);
  for (int q = 1, n = ListCount(g.intNNbrs); q <= n; ++q) {
    const int x = BlockIBB(blocks[q]);
    if (x == i || g_join.Has(x)) continue;  // listed, a member, or to be appended already
    if (kept + add.n >= nbrLimit || !add.Push(x)) {
      g_marked = nullptr;  // the marks hold entries that were not appended
      return JoinLimit::kNeighbours;
    }
    if (Marks::InRange(x)) g_join.Set(x, -add.n);
  }
  return JoinLimit::kNone;
}

void JoinTract(int tn, int i, const TractJoin& join, bool lengths) {
  udtTract& t = arrTract(tn);
  udtIBB& g = arrIBB(i);
  t.dblPop += g.dblPop;
  for (int v = 1; v <= HomVarCount(); ++v) t.dblHomSum(v) += g.dblHom(v);
  t.dblArea += g.dblArea;
  ++t.intNMembers;
  t.intMember(t.intNMembers) = static_cast<int16_t>(i);
  if (Marks::InRange(i)) g_join.Set(i, kMemberMark);
  // The removal rule; with lengths kept, each length moves with its entry.
  // The marks follow the entries that move.
  const int removedAt = join.removedAt;
  if (removedAt > 0) {
    int16_t* nbr = ListData(t.intNbr);
    double* len = ListData(t.dblNbrLen);
    for (int k = removedAt, n = ListCount(t.intNNbrs); k < n; ++k) {
      const int x = nbr[k] = nbr[k + 1];
      if (g_join.Has(x) && g_join.Get(x) == k + 1) g_join.Set(x, k);
      if (lengths) len[k] = len[k + 1];
    }
    --t.intNNbrs;
  }
  for (int k = 1; k <= join.add.n; ++k) {
    const int x = join.add.entry[static_cast<std::size_t>(k)];
    ++t.intNNbrs;
    t.intNbr(t.intNNbrs) = static_cast<int16_t>(x);
    if (Marks::InRange(x)) g_join.Set(x, t.intNNbrs);
    if (lengths) t.dblNbrLen(t.intNNbrs) = 0;
  }
  g.intTract = static_cast<int16_t>(tn);
  if (!lengths) return;
  for (int q = 1; q <= g.intNNbrs; ++q) {
    const int x = BlockIBB(g.intNbr(q));
    if (!g_join.Has(x) || g_join.Get(x) == kMemberMark) continue;
    t.dblNbrLen(g_join.Get(x)) += g.dblNbrLen(q);
  }
  CalcTractP2(t);
}

namespace {
// Position of each IBB (0 for the outside) in the neighbour list of the tract
// whose boundary is being computed.
Marks g_entries;
bool g_lengthsCurrent = false;
}  // namespace

void CalcTractBoundary(udtTract& t) {
  g_entries.Begin();
  const int n = t.intNNbrs;
  // Marked from the end so that, as with a search from the start, the first
  // of two equal entries would be the one found.
  for (int k = n; k >= 1; --k) {
    t.dblNbrLen(k) = 0;
    const int x = t.intNbr(k);
    if (Marks::InRange(x)) g_entries.Set(x, k);
  }
  // Walking the members' blocks once and adding each length to its entry
  // sums every entry in the same order as a scan per entry would.
  double* len = ListData(t.dblNbrLen);
  const int16_t* members = ListData(t.intMember);
  for (int j = 1, nMembers = ListCount(t.intNMembers); j <= nMembers; ++j) {
    const udtIBB& m = IBBRecord(members[j]);
    const int16_t* nbr = ListData(m.intNbr);
    const double* mLen = ListData(m.dblNbrLen);
    for (int q = 1, n = ListCount(m.intNNbrs); q <= n; ++q) {
      const int x = BlockIBB(nbr[q]);
      if (g_entries.Has(x)) len[g_entries.Get(x)] += mLen[q];
    }
  }
  CalcTractP2(t);
}

void CalcTractP2(udtTract& t) {
  double perimeter = 0;
  const double* len = ListData(t.dblNbrLen);
  for (int k = 1, n = ListCount(t.intNNbrs); k <= n; ++k) perimeter += len[k];
  t.dblP2 = std::pow(perimeter, 2);
}

void SetTractLengthsCurrent(bool current) { g_lengthsCurrent = current; }
bool TractLengthsCurrent() { return g_lengthsCurrent; }

void CalcTractHomProps(udtTract& t) {
  // A total of 0 has no proportions. Moves add an IBB's total to one tract
  // and take it from another, so a tract whose members now total 0 may be
  // left with a residue of rounding instead: each addition or subtraction
  // errs by at most one part in 2^53 (about 1e-16) of its result, at most
  // the study's total P when no value is negative, and 1e-12 P allows for
  // some ten thousand of them in one iteration (the tracts start afresh at
  // every iteration). A true total that small weighs nothing in the
  // homogeneity term, so it counts as 0 as well. A negative total (negative
  // values in the data) divides like a positive one.
  const double zero = 1e-12 * std::abs(dblHomPopTot);
  const bool usable = std::isfinite(t.dblHomTotal) && std::abs(t.dblHomTotal) > zero;
  for (int v = 1; v <= HomVarCount(); ++v) t.dblHomProp(v) = usable ? t.dblHomSum(v) / t.dblHomTotal : 0.0;
}

namespace {
std::set<std::string> g_shownLimits;
}  // namespace

void ReportTractLimit(const std::string& prompt, const std::string& title) {
  if (g_shownLimits.insert(prompt).second) MsgBox(prompt, kMbCritical, title);
}

void ResetTractLimitReports() { g_shownLimits.clear(); }

}  // namespace qel
