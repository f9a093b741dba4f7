#include "tract_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "engine.h"
#include "test_support.h"

namespace qeltest {

using namespace qel;

namespace {

// Collects failures of one check call and reports the first few.
class Reporter {
 public:
  explicit Reporter(const char* what) : what_(what) {}
  ~Reporter() {
    if (count_ > kShown) ADD_FAILURE() << what_ << ": " << (count_ - kShown) << " further differences";
  }
  void Fail(const std::string& text) {
    if (++count_ <= kShown) ADD_FAILURE() << what_ << ": " << text;
  }
  void Near(double actual, double expected, double tol, const std::string& text) {
    if (!(std::abs(actual - expected) <= tol * std::max(1.0, std::abs(expected)))) {
      std::ostringstream os;
      os.precision(17);
      os << text << ": " << actual << " expected " << expected;
      Fail(os.str());
    }
  }

 private:
  static constexpr int kShown = 10;
  const char* what_;
  int count_ = 0;
};

std::string Name(const char* kind, int n) { return std::string(kind) + " " + std::to_string(n); }

int HomVars() { return std::clamp<int>(intNHomVars, 0, kHomSize); }

// IBB of a neighbouring block, 0 for the outside or a block in no IBB.
int IBBOfBlock(int b) { return arrBB(b).intIBB; }

void CheckTracts(double tol, bool lengthsAndHomog) {
  Reporter r("tracts");
  std::vector<int> seen(static_cast<size_t>(intNIBB) + 1, 0);
  for (int t = 1; t <= intNTracts; ++t) {
    const udtTract& tr = arrTract(t);
    const std::string tn = Name("tract", t);
    if (tr.intID != t) r.Fail(tn + " has intID " + std::to_string(tr.intID));
    if (tr.intNMembers < 0 || tr.intNMembers > kListSize || tr.intNNbrs < 0 || tr.intNNbrs > kListSize) {
      r.Fail(tn + " has counts outside the lists");
      continue;
    }
    double pop = 0, area = 0, homTotal = 0;
    double homSum[kHomSize + 1] = {};
    bool membersValid = true;
    for (int k = 1; k <= tr.intNMembers; ++k) {
      const int m = tr.intMember(k);
      if (m < 1 || m > intNIBB) {
        r.Fail(tn + " member " + std::to_string(k) + " is " + std::to_string(m));
        membersValid = false;
        continue;
      }
      ++seen[static_cast<size_t>(m)];
      const udtIBB& g = arrIBB(m);
      if (g.intTract != t) r.Fail(Name("IBB", m) + " of " + tn + " names tract " + std::to_string(g.intTract));
      pop += g.dblPop;
      area += g.dblArea;
      homTotal += g.dblHomTotal;
      for (int v = 1; v <= HomVars(); ++v) homSum[v] += g.dblHom(v);
    }
    if (!membersValid) continue;
    r.Near(tr.dblPop, pop, tol, tn + " dblPop");
    r.Near(tr.dblArea, area, tol, tn + " dblArea");

    const std::set<int> expected = ExpectedTractNeighbourSet(t);
    std::set<int> listed;
    for (int k = 1; k <= tr.intNNbrs; ++k) {
      if (!listed.insert(tr.intNbr(k)).second) r.Fail(tn + " lists " + std::to_string(tr.intNbr(k)) + " twice");
    }
    if (listed != expected) {
      std::ostringstream os;
      os << tn << " neighbours {";
      for (int x : listed) os << ' ' << x;
      os << " } expected {";
      for (int x : expected) os << ' ' << x;
      os << " }";
      r.Fail(os.str());
    }
    if (!lengthsAndHomog) continue;

    double perimeter = 0;
    for (int k = 1; k <= tr.intNNbrs; ++k) {
      const int x = tr.intNbr(k);
      double len = 0;
      for (int j = 1; j <= tr.intNMembers; ++j) {
        const udtIBB& g = arrIBB(tr.intMember(j));
        for (int q = 1; q <= g.intNNbrs; ++q)
          if (IBBOfBlock(g.intNbr(q)) == x) len += g.dblNbrLen(q);
      }
      r.Near(tr.dblNbrLen(k), len, tol, tn + " length with " + std::to_string(x));
      perimeter += len;
    }
    r.Near(tr.dblP2, perimeter * perimeter, tol, tn + " dblP2");
    if (blnHomog) {
      r.Near(tr.dblHomTotal, homTotal, tol, tn + " dblHomTotal");
      for (int v = 1; v <= HomVars(); ++v) {
        r.Near(tr.dblHomSum(v), homSum[v], tol, tn + " dblHomSum " + std::to_string(v));
        const double prop = homTotal > tol ? homSum[v] / homTotal : 0.0;
        if (!std::isfinite(tr.dblHomProp(v))) r.Fail(tn + " dblHomProp is not finite");
        if (homTotal > tol) r.Near(tr.dblHomProp(v), prop, tol, tn + " dblHomProp " + std::to_string(v));
      }
    }
  }
  for (int g = 1; g <= intNIBB; ++g) {
    if (seen[static_cast<size_t>(g)] > 1 || (lengthsAndHomog && seen[static_cast<size_t>(g)] == 0))
      r.Fail(Name("IBB", g) + " is in " + std::to_string(seen[static_cast<size_t>(g)]) + " tracts");
  }
}

}  // namespace

std::set<int> TractMemberSet(int t) {
  std::set<int> s;
  const udtTract& tr = arrTract(t);
  for (int k = 1; k <= tr.intNMembers; ++k) s.insert(tr.intMember(k));
  return s;
}

std::set<int> TractNeighbourSet(int t) {
  std::set<int> s;
  const udtTract& tr = arrTract(t);
  for (int k = 1; k <= tr.intNNbrs; ++k) s.insert(tr.intNbr(k));
  return s;
}

std::set<int> ExpectedTractNeighbourSet(int t) {
  std::set<int> s;
  const std::set<int> members = TractMemberSet(t);
  for (int m : members) {
    if (m < 1 || m > intNIBB) continue;
    const udtIBB& g = arrIBB(m);
    for (int q = 1; q <= g.intNNbrs; ++q) {
      const int x = IBBOfBlock(g.intNbr(q));
      if (members.count(x) == 0) s.insert(x);
    }
  }
  return s;
}

void ExpectTractsConsistent(double tol) { CheckTracts(tol, true); }
void ExpectTractListsConsistent(double tol) { CheckTracts(tol, false); }

bool IsTractConnected(int t) {
  const std::set<int> members = TractMemberSet(t);
  if (members.empty()) return false;
  std::set<int> reached{*members.begin()};
  std::vector<int> queue{*members.begin()};
  while (!queue.empty()) {
    const int m = queue.back();
    queue.pop_back();
    const udtIBB& g = arrIBB(m);
    for (int q = 1; q <= g.intNNbrs; ++q) {
      const int x = IBBOfBlock(g.intNbr(q));
      if (members.count(x) != 0 && reached.insert(x).second) queue.push_back(x);
    }
  }
  return reached.size() == members.size();
}

void ExpectIBBsCoverBlocks() {
  Reporter r("IBB cover");
  std::vector<int> seen(static_cast<size_t>(intNRecs) + 1, 0);
  std::vector<int> holder(static_cast<size_t>(intNRecs) + 1, 0);
  for (int g = 1; g <= intNIBB; ++g) {
    const udtIBB& ibb = arrIBB(g);
    for (int k = 1; k <= ibb.intNMembers; ++k) {
      const int b = ibb.intMember(k);
      if (b < 2 || b > intNRecs) {
        r.Fail(Name("IBB", g) + " holds record " + std::to_string(b));
        continue;
      }
      ++seen[static_cast<size_t>(b)];
      holder[static_cast<size_t>(b)] = g;
    }
  }
  for (int b = 2; b <= intNRecs; ++b) {
    const bool placed = arrBB(b).intID > 0;
    const int n = seen[static_cast<size_t>(b)];
    if (placed && n != 1) r.Fail(Name("block", b) + " is in " + std::to_string(n) + " IBBs");
    if (!placed && n != 0) r.Fail(Name("block", b) + " has intID " + std::to_string(arrBB(b).intID) + " but is in an IBB");
    if (n == 1 && arrBB(b).intIBB != holder[static_cast<size_t>(b)])
      r.Fail(Name("block", b) + " names IBB " + std::to_string(arrBB(b).intIBB) + ", is in " +
             std::to_string(holder[static_cast<size_t>(b)]));
  }
}

void ExpectIBBsConsistent(double tol) {
  Reporter r("IBBs");
  for (int g = 1; g <= intNIBB; ++g) {
    const udtIBB& ibb = arrIBB(g);
    const std::string gn = Name("IBB", g);
    if (ibb.intID != g) r.Fail(gn + " has intID " + std::to_string(ibb.intID));
    std::set<int> members;
    double pop = 0, area = 0;
    double hom[kHomSize + 1] = {};
    for (int k = 1; k <= ibb.intNMembers; ++k) {
      const udtBB& b = arrBB(ibb.intMember(k));
      members.insert(ibb.intMember(k));
      pop += intPopLayer == 2 ? b.dblPopB : b.dblPopA;
      area += b.dblArea;
      for (int v = 1; v <= HomVars(); ++v) hom[v] += b.dblHom(v);
    }
    r.Near(ibb.dblPop, pop, tol, gn + " dblPop");
    r.Near(ibb.dblArea, area, tol, gn + " dblArea");
    double homTotal = 0;
    for (int v = 1; v <= HomVars(); ++v) {
      r.Near(ibb.dblHom(v), hom[v], tol, gn + " dblHom " + std::to_string(v));
      if (v <= intGroupSize(1)) homTotal += hom[v];
    }
    r.Near(ibb.dblHomTotal, blnHomog ? homTotal : 0.0, tol, gn + " dblHomTotal");

    std::set<int> expected;
    for (int m : members) {
      const udtBB& b = arrBB(m);
      for (int q = 1; q <= b.intNNbrs; ++q)
        if (members.count(b.intNbr(q)) == 0) expected.insert(b.intNbr(q));
    }
    std::set<int> listed;
    for (int k = 1; k <= ibb.intNNbrs; ++k) {
      const int x = ibb.intNbr(k);
      if (!listed.insert(x).second) r.Fail(gn + " lists block " + std::to_string(x) + " twice");
      double len = 0;
      for (int m : members) {
        const udtBB& b = arrBB(m);
        for (int q = 1; q <= b.intNNbrs; ++q)
          if (b.intNbr(q) == x) len += b.dblNbrLen(q);
      }
      r.Near(ibb.dblNbrLen(k), len, tol, gn + " length with block " + std::to_string(x));
    }
    if (listed != expected) r.Fail(gn + " neighbour set differs from its members' neighbours");
  }
}

}  // namespace qeltest

namespace qeltest {

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
    bool listed = false;
    for (int k = 1; k <= tr.intNNbrs; ++k) listed = listed || tr.intNbr(k) == x;
    if (!listed) tr.intNbr(++tr.intNNbrs) = static_cast<int16_t>(x);
  }
  tr.dblHomTotal = g.dblHomTotal;
  for (int v = 1; v <= HomVars(); ++v) tr.dblHomSum(v) = g.dblHom(v);
  arrIBB(i).intTract = static_cast<int16_t>(t);
  if (intNTracts < t) intNTracts = static_cast<int16_t>(t);
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
    for (int k = 1; k <= tr.intNNbrs; ++k) {
      double len = 0;
      for (int j = 1; j <= tr.intNMembers; ++j) {
        const udtIBB& g = arrIBB(tr.intMember(j));
        for (int q = 1; q <= g.intNNbrs; ++q)
          if (IBBOfBlock(g.intNbr(q)) == tr.intNbr(k)) len += g.dblNbrLen(q);
      }
      tr.dblNbrLen(k) = len;
      perimeter += len;
    }
    tr.dblP2 = perimeter * perimeter;
    tr.dblHomTotal = 0;
    for (int v = 1; v <= HomVars(); ++v) tr.dblHomSum(v) = 0;
    for (int j = 1; j <= tr.intNMembers; ++j) {
      const udtIBB& g = arrIBB(tr.intMember(j));
      tr.dblHomTotal += g.dblHomTotal;
      for (int v = 1; v <= HomVars(); ++v) tr.dblHomSum(v) += g.dblHom(v);
    }
    for (int v = 1; v <= HomVars(); ++v)
      tr.dblHomProp(v) = tr.dblHomTotal > 0 ? tr.dblHomSum(v) / tr.dblHomTotal : 0.0;
  }
}

}  // namespace qeltest

namespace qeltest {

TractTableSnapshot TakeTractSnapshot() {
  TractTableSnapshot s;
  s.nTracts = intNTracts;
  for (int t = 1; t <= intNTracts; ++t) s.tracts.push_back(arrTract(t));
  for (int g = 1; g <= intNIBB; ++g) s.ibbTract.push_back(arrIBB(g).intTract);
  return s;
}

namespace {

template <class List>
bool SameList(const List& a, const List& b) {
  for (int k = List::kLower; k <= List::kUpper; ++k)
    if (!(a(k) == b(k))) return false;
  return true;
}

bool SameTract(const udtTract& a, const udtTract& b) {
  return a.intID == b.intID && a.dblPop == b.dblPop && a.dblArea == b.dblArea && a.intNNbrs == b.intNNbrs &&
         a.intNMembers == b.intNMembers && a.dblP2 == b.dblP2 && a.dblHomTotal == b.dblHomTotal &&
         SameList(a.intNbr, b.intNbr) && SameList(a.dblNbrLen, b.dblNbrLen) && SameList(a.intMember, b.intMember) &&
         SameList(a.dblHomSum, b.dblHomSum) && SameList(a.dblHomProp, b.dblHomProp);
}

}  // namespace

void ExpectTractTableUnchanged(const TractTableSnapshot& before) {
  ASSERT_EQ(intNTracts, before.nTracts);
  for (int t = 1; t <= intNTracts; ++t)
    EXPECT_TRUE(SameTract(arrTract(t), before.tracts[static_cast<size_t>(t - 1)])) << "tract " << t << " changed";
  for (int g = 1; g <= intNIBB; ++g)
    EXPECT_EQ(arrIBB(g).intTract, before.ibbTract[static_cast<size_t>(g - 1)]) << "IBB " << g;
}

}  // namespace qeltest

namespace qeltest {

void SingleCellLattice(int cols, int rows, int homVars) {
  LatticeSpec s;
  s.cols = cols;
  s.rows = rows;
  s.nHomVars = homVars;
  BuildLattice(s);
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

void MakeTract(int t, const std::vector<int>& ibbs) {
  StartTract(t, ibbs.front());
  for (size_t k = 1; k < ibbs.size(); ++k) AddIBBToTract(static_cast<int16_t>(t), static_cast<int16_t>(ibbs[k]));
}

std::vector<int> Entries(const List16& list, int n) {
  std::vector<int> v;
  for (int k = 1; k <= n; ++k) v.push_back(list(k));
  return v;
}

std::vector<int> TractNbrList(int t) { return Entries(arrTract(t).intNbr, arrTract(t).intNNbrs); }
std::vector<int> TractMemberList(int t) { return Entries(arrTract(t).intMember, arrTract(t).intNMembers); }

}  // namespace qeltest
