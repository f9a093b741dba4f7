#include "tract_lists.h"

#include <cmath>
#include <set>

namespace qel {

JoinLimit PrepareJoin(const udtTract& t, int i, PendingEntries& add) {
  const udtIBB& g = arrIBB(i);
  return PrepareJoin(t, i, g.intNbr, g.intNNbrs, [](int b) { return static_cast<int>(arrBB(b).intIBB); }, add);
}

void JoinTract(int tn, int i, const PendingEntries& add) {
  udtTract& t = arrTract(tn);
  udtIBB& g = arrIBB(i);
  t.dblPop += g.dblPop;
  for (int v = 1; v <= HomVarCount(); ++v) t.dblHomSum(v) += g.dblHom(v);
  t.dblArea += g.dblArea;
  JoinLists(t, i, add);
  g.intTract = static_cast<int16_t>(tn);
}

namespace {
// Position of each IBB (0 for the outside) in the neighbour list of the tract
// whose boundary is being computed. An entry counts only while its stamp is
// the current call's, so nothing has to be cleared afterwards.
Table<int16_t, 0, kTableSize> g_entryOf;
Table<uint32_t, 0, kTableSize> g_entryStamp;
uint32_t g_stamp = 0;
}  // namespace

void CalcTractBoundary(udtTract& t) {
  if (++g_stamp == 0) {  // wrapped: no entry may look current
    g_entryStamp.Fill(0);
    g_stamp = 1;
  }
  const int n = t.intNNbrs;
  // Filled from the end so that, as with a search from the start, the first
  // of two equal entries would be the one found.
  for (int k = n; k >= 1; --k) {
    t.dblNbrLen(k) = 0;
    const int x = t.intNbr(k);
    if (!g_entryOf.InBounds(x)) continue;
    g_entryOf(x) = static_cast<int16_t>(k);
    g_entryStamp(x) = g_stamp;
  }
  // Walking the members' blocks once and adding each length to its entry
  // sums every entry in the same order as a scan per entry would.
  for (int j = 1; j <= t.intNMembers; ++j) {
    const udtIBB& m = arrIBB(t.intMember(j));
    for (int q = 1; q <= m.intNNbrs; ++q) {
      const int x = arrBB(m.intNbr(q)).intIBB;
      if (g_entryOf.InBounds(x) && g_entryStamp(x) == g_stamp) t.dblNbrLen(g_entryOf(x)) += m.dblNbrLen(q);
    }
  }
  double perimeter = 0;
  for (int k = 1; k <= n; ++k) perimeter += t.dblNbrLen(k);
  t.dblP2 = std::pow(perimeter, 2);
}

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
