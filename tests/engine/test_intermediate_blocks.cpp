// Run preparation: same-zone lists, closure, IBBs, implied tracts,
// homogeneity references, progress and the limits.
#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <tuple>

#include "test_support.h"
#include "tract_checks.h"

namespace {

using namespace qel;
using qeltest::Entries;
using qeltest::ShownBox;
using Ints = std::vector<int>;

// The first difference between the IBBs and what their member blocks give,
// or "": every block with a positive intID in exactly one IBB that its intIBB
// names, no other block in any; population (layer of intPopLayer), area,
// homogeneity sums and total; the neighbour list as a set of blocks outside
// the IBB, each with the length its members share with it.
std::string IBBsDiffer() {
  auto near = [](double a, double e) { return std::abs(a - e) <= 1e-6 * std::max(1.0, std::abs(e)); };
  std::vector<int> holder(static_cast<size_t>(intNRecs) + 1, 0);
  for (int g = 1; g <= intNIBB; ++g) {
    const udtIBB& ibb = arrIBB(g);
    const std::string gn = "IBB " + std::to_string(g);
    if (ibb.intID != g) return gn + " intID";
    const Ints list = Entries(ibb.intMember, ibb.intNMembers);
    const std::set<int> members(list.begin(), list.end());
    double pop = 0, area = 0, homTotal = 0;
    std::map<int, double> shared;  // block outside -> length
    for (int m : members) {
      if (m < 2 || m > intNRecs || std::exchange(holder[static_cast<size_t>(m)], g) != 0)
        return gn + " holds block " + std::to_string(m);
      const udtBB& b = arrBB(m);
      pop += intPopLayer == 2 ? b.dblPopB : b.dblPopA;
      area += b.dblArea;
      for (int q = 1; q <= b.intNNbrs; ++q)
        if (!members.contains(b.intNbr(q))) shared[b.intNbr(q)] += b.dblNbrLen(q);
    }
    for (int v = 1; v <= intNHomVars; ++v) {
      double sum = 0;
      for (int m : members) sum += arrBB(m).dblHom(v);
      if (!near(ibb.dblHom(v), sum)) return gn + " dblHom " + std::to_string(v);
      if (v <= intGroupSize(1)) homTotal += sum;
    }
    if (!near(ibb.dblPop, pop) || !near(ibb.dblArea, area) || !near(ibb.dblHomTotal, blnHomog ? homTotal : 0.0))
      return gn + " population, area or homogeneity total";
    std::map<int, double> listed;
    for (int k = 1; k <= ibb.intNNbrs; ++k)
      if (!listed.emplace(ibb.intNbr(k), ibb.dblNbrLen(k)).second) return gn + " lists a block twice";
    if (listed.size() != shared.size()) return gn + " neighbour set";
    for (const auto& [x, len] : shared)
      if (!listed.contains(x) || !near(listed[x], len)) return gn + " neighbour " + std::to_string(x);
  }
  for (int b = 2; b <= intNRecs; ++b) {
    if ((arrBB(b).intID > 0) != (holder[static_cast<size_t>(b)] > 0)) return "block " + std::to_string(b) + " placement";
    if (arrBB(b).intIBB != holder[static_cast<size_t>(b)]) return "block " + std::to_string(b) + " names another IBB";
  }
  return "";
}

class IntermediateBlocksTest : public qeltest::EngineTest {
 protected:
  static void Lattice(int cols, int rows, int homVars = 0, int zoneASize = 3) {
    qeltest::BuildLattice({.cols = cols, .rows = rows, .zoneASize = zoneASize, .nHomVars = homVars});
  }
  // Zone codes all distinct, so that only the codes a test sets join blocks.
  static void UniqueZoneLattice(int cols, int rows) {
    Lattice(cols, rows);
    for (int r = 2; r <= intNRecs; ++r) {
      arrBB(r).intZoneA = static_cast<int16_t>(1000 + r);
      arrBB(r).intZoneB = static_cast<int16_t>(5000 + r);
    }
  }
  static Ints SameZone(int r) { return Entries(arrBB(r).intSameZone, arrBB(r).intNSameZone); }
  static Ints Members(int g) { return Entries(arrIBB(g).intMember, arrIBB(g).intNMembers); }
  static Ints Nbrs(int g) { return Entries(arrIBB(g).intNbr, arrIBB(g).intNNbrs); }
  // After a preparation stopped at a limit: one box, no IBB, no block marked
  // as placed or naming an IBB.
  void ExpectStopped(const ShownBox& box) {
    EXPECT_EQ(boxes.Shown(), std::vector<ShownBox>{box});
    EXPECT_EQ(intNIBB, 0);
    for (int r = 1; r <= kTableSize; ++r) ASSERT_TRUE(arrBB(r).intIBB == 0 && arrBB(r).intID >= 0) << r;
    boxes.Clear();
  }
};

TEST_F(IntermediateBlocksTest, NoLayerFixedGivesOneIBBPerBlockWithoutProgress) {
  Lattice(6, 5, 3);
  arrBB(1800).intIBB = 4;  // left by an earlier, larger study area
  intPopLayer = 2;
  BuildIntermediateBBs();
  ASSERT_EQ(intNIBB, intNRecs - 1);
  for (int g = 1; g <= intNIBB; ++g) {
    EXPECT_EQ(Members(g), Ints{g + 1});
    EXPECT_EQ(Nbrs(g), Entries(arrBB(g + 1).intNbr, arrBB(g + 1).intNNbrs));
  }
  EXPECT_EQ(arrBB(1).intIBB + arrBB(1800).intIBB, 0);
  EXPECT_EQ(IBBsDiffer(), "");
  EXPECT_TRUE(windows.calls.empty() && windows.progressValues.empty() && boxes.Shown().empty());
  EXPECT_EQ(dblTarget, 1.0);  // target off
  EXPECT_EQ(intTargetTracts, intNRecs - 1);
}

TEST_F(IntermediateBlocksTest, FixedZonesListedFoundedAndReported) {
  UniqueZoneLattice(5, 4);  // 3 = (1,0), 7 = (0,1), 9 = (2,1): no two adjacent
  for (int r : {3, 7, 9}) arrBB(r).intZoneA = 5;
  blnFixedA = true;
  BuildIntermediateBBs();
  EXPECT_EQ((std::vector<Ints>{SameZone(3), SameZone(7), SameZone(9)}), (std::vector<Ints>{{7, 9}, {3, 9}, {3, 7}}));
  ASSERT_EQ(arrBB(3).intIBB, 2);  // founded after block 2
  EXPECT_EQ(Members(2), (Ints{3, 7, 9}));
  // The neighbours of 3, then the new ones of 7, then those of 9.
  EXPECT_EQ(Nbrs(2), (Ints{1, 2, 4, 8, 12, 10, 14}));
  EXPECT_EQ(arrBB(8).intIBB, 6);  // numbering skips the placed blocks 7 and 9
  EXPECT_EQ(IBBsDiffer(), "");
  EXPECT_EQ(windows.calls.front(), "ProgressCaption repaint Progress with analysis of layer A...");
  ASSERT_EQ(static_cast<int>(windows.progressValues.size()), intNRecs - 1);
  EXPECT_EQ(windows.progressValues.front(), 10);  // 2 / 21, nearest whole percent
  EXPECT_EQ(windows.progressValues.back(), 100);

  // Both layers: codes shared in either layer close over each other.
  UniqueZoneLattice(5, 2);
  arrBB(2).intZoneA = arrBB(3).intZoneA = 1;
  arrBB(3).intZoneB = arrBB(4).intZoneB = 7;
  blnFixedB = true;
  windows.calls.clear(), windows.progressValues.clear(), windows.progressCaptions.clear();
  BuildIntermediateBBs();
  EXPECT_EQ((std::vector<Ints>{SameZone(2), SameZone(3), SameZone(4)}), (std::vector<Ints>{{3, 4}, {2, 4}, {3, 2}}));
  EXPECT_EQ(Members(1), (Ints{2, 3, 4}));
  EXPECT_EQ(Members(2), (Ints{5}));
  // The row 2, 3, 4 touches the outside along 2 + 1 + 1 sides: one entry 1.
  ASSERT_EQ(Nbrs(1).front(), 1);
  EXPECT_DOUBLE_EQ(arrIBB(1).dblNbrLen(1), 4.0);
  EXPECT_EQ(IBBsDiffer(), "");
  EXPECT_EQ(windows.progressCaptions,
            (std::vector<std::string>{"Progress with analysis of layer A...", "Progress with analysis of fixed layer B...",
                                      "Progress with analysis of AB intersections..."}));
  EXPECT_EQ(windows.calls.back(), "ProgressCaption Progress with analysis of AB intersections...");  // no repaint
  EXPECT_EQ(static_cast<int>(windows.progressValues.size()), 3 * (intNRecs - 1));
}

// Blocks share an IBB exactly when a chain of shared fixed codes joins them
// (a union-find gives the expected groups), founded by their lowest block.
void ExpectIBBsAreZoneComponents() {
  std::vector<int> parent(static_cast<size_t>(intNRecs) + 1);
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](int x) {
    while (parent[static_cast<size_t>(x)] != x) x = parent[static_cast<size_t>(x)];
    return x;
  };
  std::map<int, int> firstA, firstB;
  for (int r = 2; r <= intNRecs; ++r)
    for (auto [fixed, code, first] : {std::tuple{blnFixedA, arrBB(r).intZoneA, &firstA},
                                      std::tuple{blnFixedB, arrBB(r).intZoneB, &firstB}}) {
      if (!fixed) continue;
      auto [it, fresh] = first->emplace(code, r);
      if (!fresh) parent[static_cast<size_t>(find(r))] = find(it->second);
    }
  std::vector<int> lowest(static_cast<size_t>(intNRecs) + 1, 0);
  for (int r = intNRecs; r >= 2; --r) lowest[static_cast<size_t>(find(r))] = r;
  for (int r = 2; r <= intNRecs; ++r) {
    ASSERT_EQ(arrBB(r).intIBB, arrBB(find(r)).intIBB) << "block " << r;
    ASSERT_EQ(arrIBB(arrBB(r).intIBB).intMember(1), lowest[static_cast<size_t>(find(r))]) << "block " << r;
  }
  for (int g = 2; g <= intNIBB; ++g) ASSERT_LT(arrIBB(g - 1).intMember(1), arrIBB(g).intMember(1));
}

TEST_F(IntermediateBlocksTest, GeneratedLatticesCoverEveryBlockOnce) {
  const struct {
    int cols, rows, zoneA, zoneB;
    bool fixA, fixB;
  } cases[] = {
      {37, 54, 3, 2, false, false},  // 1998 blocks
      {37, 54, 3, 2, true, false},   {54, 37, 4, 3, false, true}, {37, 54, 3, 2, true, true},
      {20, 15, 5, 4, true, true},    {9, 7, 1, 1, true, true},  // codes of single cells
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols << "x" << c.rows << " A" << c.fixA << " B" << c.fixB);
    qeltest::BuildLattice({.cols = c.cols, .rows = c.rows, .zoneASize = c.zoneA, .zoneBSize = c.zoneB, .nHomVars = 2,
                           .seed = static_cast<unsigned>(c.cols * c.rows)});
    blnFixedA = c.fixA, blnFixedB = c.fixB;
    blnHomog = true;
    intGroupSize(1) = 2;
    BuildIntermediateBBs();
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_EQ(IBBsDiffer(), "");
    ExpectIBBsAreZoneComponents();
    EXPECT_NEAR(dblHomMean(1) + dblHomMean(2), 1.0, 1e-12);
  }
}

TEST_F(IntermediateBlocksTest, ImpliedTractCountAndItsWarning) {
  auto resetting = [](const std::string& from, int to) {
    return ShownBox{"Resetting target number of tracts (" + from + ") to number of building blocks supplied (" +
                        std::to_string(to) + ")", 48, "Resetting target"};
  };
  const struct {
    int cols, rows;
    double total, target;
    std::vector<ShownBox> shown;
    int implied;
  } cases[] = {
      {15, 10, 10000, 100, {}, 100},                       // 150 blocks
      {10, 8, 10000, 100, {resetting("100", 80)}, 100},    // 80 blocks
      {10, 8, 250, 100, {}, 2},                            // 2.5 goes to the even 2
      {10, 8, 350, 100, {}, 4},                            // 3.5 goes to the even 4
      {10, 10, 1e6, 1, {resetting("1000000", 100)}, 32767},  // more than 16 bits hold
      {10, 10, 1e6, 0, {{"Target population must be greater than 0", 16, "Population control"}}, 0},
  };
  blnTargetPop = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.total / c.target);
    boxes.Clear();
    Lattice(c.cols, c.rows);
    dblTotPopA = c.total;
    dblTarget = c.target;
    BuildIntermediateBBs();
    EXPECT_EQ(boxes.Shown(), c.shown);
    EXPECT_EQ(intTargetTracts, c.implied);
    EXPECT_EQ(dblTarget, c.target);
    // The preparation goes on after the warning; a target of 0 sizes nothing.
    EXPECT_EQ(intNIBB, c.target > 0 ? intNRecs - 1 : 0);
  }
  // Population B is the total of layer 2.
  dblTotPopB = 800;
  dblTarget = 100;
  intPopLayer = 2;
  BuildIntermediateBBs();
  EXPECT_EQ(intTargetTracts, 8);
}

TEST_F(IntermediateBlocksTest, HomogeneityReferencesUseTheFirstGroup) {
  Lattice(10, 10, 5, 2);
  blnFixedA = blnHomog = true;
  intNHomGroups = 2;
  intGroupSize(1) = 2;
  intGroupSize(2) = 3;
  BuildIntermediateBBs();
  EXPECT_EQ(IBBsDiffer(), "");
  double first = 0, third = 0;
  for (int g = 1; g <= intNIBB; ++g) first += arrIBB(g).dblHomTotal, third += arrIBB(g).dblHom(3);
  EXPECT_NEAR(dblHomPopTot, first, 1e-9);
  EXPECT_NEAR(dblHomMean(3), third / first, 1e-12);
  EXPECT_TRUE(boxes.Shown().empty());

  // A first group that sums to 0 gives no division: the means stay 0.
  for (int r = 2; r <= intNRecs; ++r) arrBB(r).dblHom(1) = arrBB(r).dblHom(2) = 0;
  BuildIntermediateBBs();
  EXPECT_EQ(boxes.Shown().at(0).title, "Homogeneity control");
  for (int v = 1; v <= 5; ++v) EXPECT_EQ(dblHomMean(v), 0);
  EXPECT_GT(intNIBB, 0);  // the IBBs themselves stand

  // Without the term the references stay 0.
  blnHomog = false;
  BuildIntermediateBBs();
  EXPECT_EQ(dblHomPopTot + dblHomVarTotal(3) + arrIBB(1).dblHomTotal, 0);
}

TEST_F(IntermediateBlocksTest, BlocksWithoutPositiveNumberGetNoIBB) {
  UniqueZoneLattice(4, 3);
  arrBB(5).intID = 0;
  arrBB(5).intIBB = 7;  // left by an earlier run
  arrBB(6).intID = -6;
  arrBB(6).intZoneA = arrBB(2).intZoneA;
  arrBB(9).intID = INT16_MIN;
  blnFixedA = true;
  BuildIntermediateBBs();
  EXPECT_EQ(intNIBB, intNRecs - 4);
  EXPECT_EQ(arrBB(5).intIBB + arrBB(6).intIBB + arrBB(9).intIBB, 0);
  EXPECT_EQ(arrBB(6).intID, 6);
  EXPECT_EQ(arrBB(9).intID, INT16_MAX);
  EXPECT_EQ(Members(1), Ints{2});  // block 6 shares the code but is not placed
}

TEST_F(IntermediateBlocksTest, AddBBToIBBRemovesTheBlockAndAppendsNewNeighbours) {
  UniqueZoneLattice(4, 3);
  BuildIntermediateBBs();
  ASSERT_EQ(Nbrs(1), (Ints{1, 3, 6}));
  AddBBToIBB(1, 3);  // block 3 stands at position 2
  EXPECT_EQ(Nbrs(1), (Ints{1, 6, 4, 7}));
  EXPECT_EQ(arrIBB(1).intNbr(5), 0);
  EXPECT_EQ(arrBB(3).intIBB, 1);
  EXPECT_EQ(Members(1), (Ints{2, 3}));
  // A block that is not a neighbour leaves the existing entries in place.
  AddBBToIBB(1, 13);
  EXPECT_EQ(Nbrs(1), (Ints{1, 6, 4, 7, 9, 12}));
}

TEST_F(IntermediateBlocksTest, LimitsStopThePreparationWithConsistentTables) {
  // 502 blocks of one zone A: the first list reaches its 501st entry.
  UniqueZoneLattice(26, 20);
  BuildIntermediateBBs();  // an earlier run leaves every block an IBB
  for (int r = 2; r <= 503; ++r) arrBB(r).intZoneA = 1;
  blnFixedA = true;
  BuildIntermediateBBs();
  ExpectStopped({"Too many building blocks labelled as belonging to same zone A", 16, "Zone A too complex"});
  EXPECT_EQ(arrBB(2).intNSameZone, 500);

  // 501 blocks: every list fits, but their IBB would need 501 members.
  arrBB(503).intZoneA = 2;
  BuildIntermediateBBs();
  ExpectStopped({"Too many building blocks in one intermediate building block", 16, "Fixed zones error"});

  blnFixedA = false;
  blnFixedB = true;
  for (int r = 2; r <= 503; ++r) arrBB(r).intZoneB = 3;
  BuildIntermediateBBs();
  ExpectStopped({"Too many building blocks labelled as belonging to same zone B", 16, "Zone B too complex"});

  // A chain of pairs: A joins (2,3), (4,5)...; B joins (3,4), (5,6)...: one
  // closure of 599 blocks, more than a list holds.
  UniqueZoneLattice(30, 20);
  for (int r = 2; r <= 601; ++r) {
    arrBB(r).intZoneA = static_cast<int16_t>(r / 2);
    arrBB(r).intZoneB = static_cast<int16_t>((r + 1) / 2);
  }
  blnFixedA = true;
  BuildIntermediateBBs();
  ExpectStopped({"Too many small zones in fixed geography", 16, "Fixed zones error"});
  for (int r = 2; r <= intNRecs; ++r) ASSERT_LE(arrBB(r).intNSameZone, 500);

  // The middle row of 3 x 260 cells is one zone that 520 blocks touch.
  UniqueZoneLattice(260, 3);
  for (int x = 0; x < 260; ++x) arrBB(2 + 260 + x).intZoneA = 1;
  blnFixedB = false;
  BuildIntermediateBBs();
  ExpectStopped({"Too many neighbours to one intermediate building block", 16, "Fixed zones error"});
}

}  // namespace
