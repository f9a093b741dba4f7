#include "tract_lists.h"

#include <cmath>
#include <set>

#include "marks.h"

namespace qel {

namespace {
// Marks of the tract of the last PrepareJoin: each neighbour entry by its
// first position, each member (0), each entry to append (minus its index).
constexpr int kMemberMark = 0;
Marks g_join;

// Whether the tract lists x, holds it, or is to append it already. Numbers
// outside the marks are searched for.
bool KnownToTract(const udtTract& t, const PendingEntries& add, int x) {
  if (Marks::InRange(x)) return g_join.Has(x);
  return add.Has(x) || HasEntry(t.intNbr, t.intNNbrs, x) || HasEntry(t.intMember, t.intNMembers, x);
}
}  // namespace

JoinLimit PrepareJoin(const udtTract& t, int i, TractJoin& join) {
  if (t.intNMembers >= MemberLimit()) return JoinLimit::kMembers;
  g_join.Begin();
  for (int k = t.intNNbrs; k >= 1; --k)
    if (Marks::InRange(t.intNbr(k))) g_join.Set(t.intNbr(k), k);
  for (int k = 1; k <= t.intNMembers; ++k) {
    const int m = t.intMember(k);
    if (Marks::InRange(m) && !g_join.Has(m)) g_join.Set(m, kMemberMark);
  }
  join.removedAt = Marks::InRange(i) ? (g_join.Has(i) ? g_join.Get(i) : 0) : FindEntry(t.intNbr, t.intNNbrs, i);
  const int kept = t.intNNbrs - (join.removedAt > 0 ? 1 : 0);
  const int nbrLimit = NeighbourLimit();
  PendingEntries& add = join.add;
  add.n = 0;
  const udtIBB& g = IBBRecord(i);
  for (int q = 1; q <= g.intNNbrs; ++q) {
    const int x = BlockIBB(g.intNbr(q));
    if (x == i || KnownToTract(t, add, x)) continue;
    if (kept + add.n >= nbrLimit || !add.Push(x)) return JoinLimit::kNeighbours;
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
  // The removal rule; with lengths kept, each length moves with its entry.
  const int removedAt = join.removedAt;
  if (removedAt > 0) {
    for (int k = removedAt; k < t.intNNbrs; ++k) {
      t.intNbr(k) = t.intNbr(k + 1);
      if (lengths) t.dblNbrLen(k) = t.dblNbrLen(k + 1);
    }
    --t.intNNbrs;
  }
  const int kept = t.intNNbrs;
  for (int k = 1; k <= join.add.n; ++k) {
    ++t.intNNbrs;
    t.intNbr(t.intNNbrs) = join.add.entry[static_cast<std::size_t>(k)];
    if (lengths) t.dblNbrLen(t.intNNbrs) = 0;
  }
  g.intTract = static_cast<int16_t>(tn);
  if (!lengths) return;
  for (int q = 1; q <= g.intNNbrs; ++q) {
    const int x = BlockIBB(g.intNbr(q));
    if (x == i || !g_join.Has(x)) continue;
    int pos = g_join.Get(x);
    if (pos == kMemberMark) continue;
    if (pos < 0) {
      pos = kept - pos;
    } else if (removedAt > 0 && pos > removedAt) {
      --pos;
    }
    t.dblNbrLen(pos) += g.dblNbrLen(q);
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
  for (int j = 1; j <= t.intNMembers; ++j) {
    const udtIBB& m = IBBRecord(t.intMember(j));
    for (int q = 1; q <= m.intNNbrs; ++q) {
      const int x = BlockIBB(m.intNbr(q));
      if (g_entries.Has(x)) t.dblNbrLen(g_entries.Get(x)) += m.dblNbrLen(q);
    }
  }
  CalcTractP2(t);
}

void CalcTractP2(udtTract& t) {
  double perimeter = 0;
  for (int k = 1; k <= t.intNNbrs; ++k) perimeter += t.dblNbrLen(k);
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
