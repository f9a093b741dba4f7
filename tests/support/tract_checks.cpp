#include "tract_checks.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace qeltest {

using namespace qel;

namespace {

int HomVars() { return std::clamp<int>(intNHomVars, 0, kHomSize); }

// IBB of a neighbouring block, 0 for the outside or a block in no IBB.
int IBBOfBlock(int b) { return arrBB(b).intIBB; }

// Length that the members of tract t share with IBB x, from the IBBs' lists.
double SharedLength(int t, int x) {
  double len = 0;
  for (int j = 1; j <= arrTract(t).intNMembers; ++j) {
    const udtIBB& g = arrIBB(arrTract(t).intMember(j));
    for (int q = 1; q <= g.intNNbrs; ++q)
      if (IBBOfBlock(g.intNbr(q)) == x) len += g.dblNbrLen(q);
  }
  return len;
}

std::string Differs(int t, const std::string& what, double actual, double expected) {
  std::ostringstream os;
  os.precision(17);
  os << "tract " << t << " " << what << ": " << actual << " expected " << expected;
  return os.str();
}

}  // namespace

std::string TractsDiffer(bool complete, double tol) {
  auto near = [tol](double a, double e) { return std::abs(a - e) <= tol * std::max(1.0, std::abs(e)); };
  std::vector<int> seen(static_cast<size_t>(std::max<int>(intNIBB, 0)) + 1, 0);
  for (int t = 1; t <= intNTracts; ++t) {
    const udtTract& tr = arrTract(t);
    if (tr.intID != t) return Differs(t, "intID", tr.intID, t);
    if (tr.intNMembers < 0 || tr.intNMembers > kListSize || tr.intNNbrs < 0 || tr.intNNbrs > kListSize)
      return Differs(t, "member count", tr.intNMembers, tr.intNNbrs);
    double pop = 0, area = 0, homTotal = 0, homSum[kHomSize + 1] = {};
    for (int k = 1; k <= tr.intNMembers; ++k) {
      const int m = tr.intMember(k);
      if (m < 1 || m > intNIBB) return Differs(t, "member", m, 0);
      if (arrIBB(m).intTract != t) return Differs(t, "member naming another tract", m, arrIBB(m).intTract);
      ++seen[static_cast<size_t>(m)];
      pop += arrIBB(m).dblPop;
      area += arrIBB(m).dblArea;
      homTotal += arrIBB(m).dblHomTotal;
      for (int v = 1; v <= HomVars(); ++v) homSum[v] += arrIBB(m).dblHom(v);
    }
    if (!near(tr.dblPop, pop)) return Differs(t, "dblPop", tr.dblPop, pop);
    if (!near(tr.dblArea, area)) return Differs(t, "dblArea", tr.dblArea, area);
    const std::set<int> listed = TractNeighbourSet(t);
    if (static_cast<int>(listed.size()) != tr.intNNbrs) return Differs(t, "neighbours listed twice", tr.intNNbrs, 0);
    if (listed != ExpectedTractNeighbourSet(t)) {
      std::ostringstream os;
      os << "tract " << t << " neighbours {";
      for (int x : listed) os << ' ' << x;
      os << " } expected {";
      for (int x : ExpectedTractNeighbourSet(t)) os << ' ' << x;
      return os.str() + " }";
    }
    if (!complete) continue;
    double perimeter = 0;
    for (int k = 1; k <= tr.intNNbrs; ++k) {
      const double len = SharedLength(t, tr.intNbr(k));
      if (!near(tr.dblNbrLen(k), len)) return Differs(t, "length with " + std::to_string(tr.intNbr(k)), tr.dblNbrLen(k), len);
      perimeter += len;
    }
    if (!near(tr.dblP2, perimeter * perimeter)) return Differs(t, "dblP2", tr.dblP2, perimeter * perimeter);
    if (!blnHomog) continue;
    if (!near(tr.dblHomTotal, homTotal)) return Differs(t, "dblHomTotal", tr.dblHomTotal, homTotal);
    for (int v = 1; v <= HomVars(); ++v) {
      const std::string n = std::to_string(v);
      if (!near(tr.dblHomSum(v), homSum[v])) return Differs(t, "dblHomSum " + n, tr.dblHomSum(v), homSum[v]);
      const double prop = homTotal > tol ? homSum[v] / homTotal : 0.0;
      if (!std::isfinite(tr.dblHomProp(v)) || (homTotal > tol && !near(tr.dblHomProp(v), prop)))
        return Differs(t, "dblHomProp " + n, tr.dblHomProp(v), prop);
    }
  }
  for (int g = 1; g <= intNIBB; ++g)
    if (seen[static_cast<size_t>(g)] > 1 || (complete && seen[static_cast<size_t>(g)] == 0))
      return "IBB " + std::to_string(g) + " is in " + std::to_string(seen[static_cast<size_t>(g)]) + " tracts";
  return "";
}

std::vector<int> Entries(const List16& list, int n) {
  std::vector<int> v;
  for (int k = 1; k <= n; ++k) v.push_back(list(k));
  return v;
}
std::vector<int> TractMemberList(int t) { return Entries(arrTract(t).intMember, arrTract(t).intNMembers); }
std::vector<int> TractNbrList(int t) { return Entries(arrTract(t).intNbr, arrTract(t).intNNbrs); }
std::set<int> TractMemberSet(int t) {
  const auto v = TractMemberList(t);
  return {v.begin(), v.end()};
}
std::set<int> TractNeighbourSet(int t) {
  const auto v = TractNbrList(t);
  return {v.begin(), v.end()};
}

std::set<int> ExpectedTractNeighbourSet(int t) {
  std::set<int> s;
  const std::set<int> members = TractMemberSet(t);
  for (int m : members) {
    if (m < 1 || m > intNIBB) continue;
    for (int q = 1; q <= arrIBB(m).intNNbrs; ++q)
      if (const int x = IBBOfBlock(arrIBB(m).intNbr(q)); !members.contains(x)) s.insert(x);
  }
  return s;
}

bool IsTractConnected(int t) {
  const std::set<int> members = TractMemberSet(t);
  if (members.empty()) return false;
  std::set<int> reached{*members.begin()};
  for (std::vector<int> queue{*members.begin()}; !queue.empty();) {
    const udtIBB& g = arrIBB(queue.back());
    queue.pop_back();
    for (int q = 1; q <= g.intNNbrs; ++q)
      if (const int x = IBBOfBlock(g.intNbr(q)); members.contains(x) && reached.insert(x).second) queue.push_back(x);
  }
  return reached.size() == members.size();
}

std::string TractTableBytes() {
  std::string s;
  auto put = [&s](const auto& v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
  put(intNTracts);
  for (int t = 1; t <= intNTracts; ++t) {
    const udtTract& r = arrTract(t);
    put(r.intID), put(r.dblPop), put(r.dblArea), put(r.intNNbrs), put(r.intNbr), put(r.dblNbrLen);
    put(r.intNMembers), put(r.intMember), put(r.dblP2), put(r.dblHomSum), put(r.dblHomProp), put(r.dblHomTotal);
  }
  for (int g = 1; g <= intNIBB; ++g) put(arrIBB(g).intTract);
  return s;
}

void StartTract(int t, int i) {
  udtTract& tr = arrTract(t);
  const udtIBB& g = arrIBB(i);
  tr.intID = static_cast<int16_t>(t);
  tr.dblPop = g.dblPop;
  tr.dblArea = g.dblArea;
  tr.intNMembers = 1;
  tr.intMember(1) = static_cast<int16_t>(i);
  tr.intNNbrs = 0;
  for (int q = 1; q <= g.intNNbrs; ++q) {
    const int x = IBBOfBlock(g.intNbr(q));
    const auto listed = Entries(tr.intNbr, tr.intNNbrs);
    if (std::find(listed.begin(), listed.end(), x) == listed.end()) tr.intNbr(++tr.intNNbrs) = static_cast<int16_t>(x);
  }
  tr.dblHomTotal = g.dblHomTotal;
  for (int v = 1; v <= HomVars(); ++v) tr.dblHomSum(v) = g.dblHom(v);
  arrIBB(i).intTract = static_cast<int16_t>(t);
  if (intNTracts < t) intNTracts = static_cast<int16_t>(t);
}

void MakeTract(int t, const std::vector<int>& ibbs) {
  StartTract(t, ibbs.front());
  for (size_t k = 1; k < ibbs.size(); ++k) AddIBBToTract(static_cast<int16_t>(t), static_cast<int16_t>(ibbs[k]));
}

void GrowTracts(int members) {
  ResetTracts();
  std::vector<char> placed(static_cast<size_t>(intNIBB) + 1, 0);
  for (int seed = 1; seed <= intNIBB; ++seed) {
    if (placed[static_cast<size_t>(seed)]) continue;
    const int t = intNTracts + 1;
    StartTract(t, seed);
    placed[static_cast<size_t>(seed)] = 1;
    std::vector<int> queue{seed};
    for (size_t head = 0; head < queue.size() && arrTract(t).intNMembers < members; ++head) {
      const udtIBB& g = arrIBB(queue[head]);
      for (int q = 1; q <= g.intNNbrs && arrTract(t).intNMembers < members; ++q) {
        const int x = IBBOfBlock(g.intNbr(q));
        if (x == 0 || placed[static_cast<size_t>(x)]) continue;
        AddIBBToTract(static_cast<int16_t>(t), static_cast<int16_t>(x));
        placed[static_cast<size_t>(x)] = 1;
        queue.push_back(x);
      }
    }
  }
  FinishTractsFromScratch();
}

void FinishTractsFromScratch() {
  for (int t = 1; t <= intNTracts; ++t) {
    udtTract& tr = arrTract(t);
    double perimeter = 0;
    for (int k = 1; k <= tr.intNNbrs; ++k) perimeter += tr.dblNbrLen(k) = SharedLength(t, tr.intNbr(k));
    tr.dblP2 = perimeter * perimeter;
    tr.dblHomTotal = 0;
    for (int v = 1; v <= HomVars(); ++v) tr.dblHomSum(v) = 0;
    for (int j = 1; j <= tr.intNMembers; ++j) {
      const udtIBB& g = arrIBB(tr.intMember(j));
      tr.dblHomTotal += g.dblHomTotal;
      for (int v = 1; v <= HomVars(); ++v) tr.dblHomSum(v) += g.dblHom(v);
    }
    for (int v = 1; v <= HomVars(); ++v) tr.dblHomProp(v) = tr.dblHomTotal > 0 ? tr.dblHomSum(v) / tr.dblHomTotal : 0.0;
  }
}

void SingleCellLattice(int cols, int rows, int homVars) {
  BuildLattice({.cols = cols, .rows = rows, .nHomVars = homVars});
  blnFixedA = blnFixedB = false;
  if (homVars > 0) {
    blnHomog = true;
    intNHomGroups = 1;
    intGroupSize(1) = static_cast<int16_t>(homVars);
  }
  BuildIntermediateBBs();
  ResetTracts();
  // Moves read intTract of the IBBs around a tract: tests that place only
  // some IBBs must not leave others naming an earlier tract.
  for (int g = 1; g <= intNIBB; ++g) arrIBB(g).intTract = 0;
}

}  // namespace qeltest
