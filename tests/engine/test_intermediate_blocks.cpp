// Run preparation: same-zone lists, closure, IBBs, implied tracts,
// homogeneity references, progress and the limits.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <vector>

#include "engine.h"
#include "test_support.h"
#include "tract_checks.h"

namespace {

using namespace qel;
using qeltest::EngineTest;
using qeltest::LatticeSpec;

class IntermediateBlocksTest : public EngineTest {
 protected:
  // A lattice whose zone codes are all distinct, so that only the codes a
  // test sets itself put blocks together.
  void UniqueZoneLattice(int cols, int rows) {
    LatticeSpec s;
    s.cols = cols;
    s.rows = rows;
    qeltest::BuildLattice(s);
    for (int r = 2; r <= intNRecs; ++r) {
      arrBB(r).intZoneA = static_cast<int16_t>(1000 + r);
      arrBB(r).intZoneB = static_cast<int16_t>(5000 + r);
    }
  }
  std::vector<int> SameZone(int r) const {
    std::vector<int> v;
    for (int k = 1; k <= arrBB(r).intNSameZone; ++k) v.push_back(arrBB(r).intSameZone(k));
    return v;
  }
  std::vector<int> Members(int g) const {
    std::vector<int> v;
    for (int k = 1; k <= arrIBB(g).intNMembers; ++k) v.push_back(arrIBB(g).intMember(k));
    return v;
  }
  std::vector<int> Nbrs(int g) const {
    std::vector<int> v;
    for (int k = 1; k <= arrIBB(g).intNNbrs; ++k) v.push_back(arrIBB(g).intNbr(k));
    return v;
  }
  // Neighbours of the members in member order, new ones only, members left out.
  std::vector<int> ExpectedNbrOrder(const std::vector<int>& members) const {
    std::vector<int> v;
    for (int m : members)
      for (int q = 1; q <= arrBB(m).intNNbrs; ++q) {
        const int b = arrBB(m).intNbr(q);
        if (std::find(members.begin(), members.end(), b) == members.end() &&
            std::find(v.begin(), v.end(), b) == v.end())
          v.push_back(b);
      }
    return v;
  }
  bool AnyPlacedMark() const {
    for (int r = 1; r <= intNRecs; ++r)
      if (arrBB(r).intID < 0) return true;
    return false;
  }
};

TEST_F(IntermediateBlocksTest, NoLayerFixedGivesOneIBBPerBlockWithoutProgress) {
  LatticeSpec s;
  s.cols = 6;
  s.rows = 5;
  s.nHomVars = 3;
  qeltest::BuildLattice(s);
  intPopLayer = 2;
  BuildIntermediateBBs();

  ASSERT_EQ(intNIBB, intNRecs - 1);
  for (int g = 1; g <= intNIBB; ++g) {
    const udtBB& b = arrBB(g + 1);
    const udtIBB& ibb = arrIBB(g);
    EXPECT_EQ(Members(g), std::vector<int>{g + 1});
    EXPECT_EQ(b.intIBB, g);
    EXPECT_EQ(ibb.dblPop, b.dblPopB);
    EXPECT_EQ(ibb.intNNbrs, b.intNNbrs);
    for (int k = 1; k <= b.intNNbrs; ++k) {
      EXPECT_EQ(ibb.intNbr(k), b.intNbr(k));
      EXPECT_EQ(ibb.dblNbrLen(k), b.dblNbrLen(k));
    }
    EXPECT_EQ(ibb.dblHom(3), b.dblHom(3));
    EXPECT_EQ(ibb.dblHomTotal, 0);  // homogeneity off
  }
  EXPECT_EQ(arrBB(1).intIBB, 0);
  qeltest::ExpectIBBsConsistent();
  EXPECT_TRUE(windows.progressCaptions.empty());
  EXPECT_TRUE(windows.progressValues.empty());
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(dblTarget, 1.0);
  EXPECT_EQ(intTargetTracts, intNRecs - 1);
}

TEST_F(IntermediateBlocksTest, LayerAZoneOfThreeSeparateBlocks) {
  UniqueZoneLattice(5, 4);  // 3 = (1,0), 7 = (0,1), 9 = (2,1): no two adjacent
  for (int r : {3, 7, 9}) arrBB(r).intZoneA = 5;
  blnFixedA = true;
  BuildIntermediateBBs();

  EXPECT_EQ(SameZone(3), (std::vector<int>{7, 9}));
  EXPECT_EQ(SameZone(7), (std::vector<int>{3, 9}));
  EXPECT_EQ(SameZone(9), (std::vector<int>{3, 7}));
  ASSERT_EQ(intNIBB, intNRecs - 3);
  const int g = arrBB(3).intIBB;
  EXPECT_EQ(g, 2);  // founded after block 2
  EXPECT_EQ(Members(g), (std::vector<int>{3, 7, 9}));
  EXPECT_EQ(Nbrs(g), ExpectedNbrOrder({3, 7, 9}));
  EXPECT_EQ(arrBB(7).intIBB, g);
  EXPECT_EQ(arrBB(8).intIBB, 6);  // numbering skips the placed blocks 7 and 9
  EXPECT_EQ(arrBB(10).intIBB, 7);
  qeltest::ExpectIBBsCoverBlocks();
  qeltest::ExpectIBBsConsistent();

  ASSERT_EQ(windows.progressCaptions, std::vector<std::string>{"Progress with analysis of layer A..."});
  EXPECT_EQ(windows.calls.front(), "ProgressCaption repaint Progress with analysis of layer A...");
  ASSERT_EQ(static_cast<int>(windows.progressValues.size()), intNRecs - 1);
  EXPECT_EQ(windows.progressValues.front(), CInt(2.0 / intNRecs * 100));
  EXPECT_EQ(windows.progressValues.back(), 100);
}

TEST_F(IntermediateBlocksTest, BothLayersFixedCloseOverSharedCodes) {
  UniqueZoneLattice(5, 2);
  arrBB(2).intZoneA = arrBB(3).intZoneA = 1;
  arrBB(3).intZoneB = arrBB(4).intZoneB = 7;
  blnFixedA = blnFixedB = true;
  BuildIntermediateBBs();

  EXPECT_EQ(SameZone(2), (std::vector<int>{3, 4}));
  EXPECT_EQ(SameZone(3), (std::vector<int>{2, 4}));
  EXPECT_EQ(SameZone(4), (std::vector<int>{3, 2}));
  EXPECT_EQ(Members(1), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(Members(2), (std::vector<int>{5}));
  // Blocks 2, 3, 4 are a row touching the outside: one entry 1 with the
  // summed length (2 + 1 + 1 sides).
  const auto n = Nbrs(1);
  const auto it = std::find(n.begin(), n.end(), 1);
  ASSERT_NE(it, n.end());
  EXPECT_DOUBLE_EQ(arrIBB(1).dblNbrLen(static_cast<int>(it - n.begin()) + 1), 4.0);
  qeltest::ExpectIBBsConsistent();

  EXPECT_EQ(windows.progressCaptions,
            (std::vector<std::string>{"Progress with analysis of layer A...",
                                      "Progress with analysis of fixed layer B...",
                                      "Progress with analysis of AB intersections..."}));
  EXPECT_NE(std::find(windows.calls.begin(), windows.calls.end(),
                      "ProgressCaption Progress with analysis of AB intersections..."),
            windows.calls.end());  // set without the repaint
  EXPECT_EQ(static_cast<int>(windows.progressValues.size()), 3 * (intNRecs - 1));
}

// Blocks in the same IBB exactly when a chain of shared fixed codes joins
// them: a union-find over the blocks gives the expected grouping.
void ExpectIBBsAreZoneComponents() {
  std::vector<int> parent(static_cast<size_t>(intNRecs) + 1);
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](int x) {
    while (parent[static_cast<size_t>(x)] != x) x = parent[static_cast<size_t>(x)];
    return x;
  };
  std::map<int, int> firstA, firstB;
  for (int r = 2; r <= intNRecs; ++r) {
    if (blnFixedA) {
      auto [it, fresh] = firstA.emplace(arrBB(r).intZoneA, r);
      if (!fresh) parent[static_cast<size_t>(find(r))] = find(it->second);
    }
    if (blnFixedB) {
      auto [it, fresh] = firstB.emplace(arrBB(r).intZoneB, r);
      if (!fresh) parent[static_cast<size_t>(find(r))] = find(it->second);
    }
  }
  for (int r = 2; r <= intNRecs; ++r) {
    const int root = find(r);
    ASSERT_EQ(arrBB(r).intIBB, arrBB(root).intIBB) << "block " << r;
  }
  // Founders are the lowest-numbered blocks, and IBBs are numbered in their order.
  for (int g = 2; g <= intNIBB; ++g) ASSERT_LT(arrIBB(g - 1).intMember(1), arrIBB(g).intMember(1));
  std::vector<int> lowest(static_cast<size_t>(intNRecs) + 1, 0);
  for (int r = intNRecs; r >= 2; --r) lowest[static_cast<size_t>(find(r))] = r;
  for (int r = 2; r <= intNRecs; ++r)
    ASSERT_EQ(arrIBB(arrBB(r).intIBB).intMember(1), lowest[static_cast<size_t>(find(r))]);
}

TEST_F(IntermediateBlocksTest, GeneratedLatticesCoverEveryBlockOnce) {
  struct Case {
    int cols, rows, zoneA, zoneB;
    bool fixA, fixB;
  };
  const Case cases[] = {
      {37, 54, 3, 2, false, false},  // 1998 blocks
      {37, 54, 3, 2, true, false},   {54, 37, 4, 3, false, true},
      {37, 54, 3, 2, true, true},    {20, 15, 5, 4, true, true},
      {9, 7, 1, 1, true, true},  // codes of single cells: every IBB one block
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.cols) + "x" + std::to_string(c.rows) + " A" + std::to_string(c.fixA) +
                 " B" + std::to_string(c.fixB));
    LatticeSpec s;
    s.cols = c.cols;
    s.rows = c.rows;
    s.zoneASize = c.zoneA;
    s.zoneBSize = c.zoneB;
    s.nHomVars = 2;
    s.seed = static_cast<unsigned>(c.cols * c.rows);
    qeltest::BuildLattice(s);
    blnFixedA = c.fixA;
    blnFixedB = c.fixB;
    blnHomog = true;
    intNHomGroups = 1;
    intGroupSize(1) = 2;
    BuildIntermediateBBs();

    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_FALSE(AnyPlacedMark());
    qeltest::ExpectIBBsCoverBlocks();
    qeltest::ExpectIBBsConsistent();
    ExpectIBBsAreZoneComponents();
    EXPECT_TRUE(std::isfinite(dblHomMean(1)));
    EXPECT_NEAR(dblHomMean(1) + dblHomMean(2), 1.0, 1e-12);
  }
}

TEST_F(IntermediateBlocksTest, ImpliedTractCountAndItsWarning) {
  struct Case {
    int cols, rows;
    double total, target;
    int implied;
    bool warned;
  };
  const Case cases[] = {
      {15, 10, 10000, 100, 100, false},  // 150 blocks
      {10, 8, 10000, 100, 100, true},    // 80 blocks
      {10, 8, 250, 100, 2, false},       // 2.5 goes to the even 2
      {10, 8, 350, 100, 4, false},       // 3.5 goes to the even 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.total / c.target);
    boxes.Clear();
    LatticeSpec s;
    s.cols = c.cols;
    s.rows = c.rows;
    qeltest::BuildLattice(s);
    dblTotPopA = c.total;
    blnTargetPop = true;
    dblTarget = c.target;
    BuildIntermediateBBs();
    EXPECT_EQ(intTargetTracts, c.implied);
    EXPECT_EQ(dblTarget, c.target);
    EXPECT_EQ(intNIBB, intNRecs - 1);  // the preparation goes on after the warning
    ASSERT_EQ(boxes.Shown().size(), c.warned ? 1u : 0u);
    if (c.warned) {
      EXPECT_EQ(boxes.Shown()[0].prompt,
                "Resetting target number of tracts (100) to number of building blocks supplied (80)");
      EXPECT_EQ(boxes.Shown()[0].style, kMbExclamation);
      EXPECT_EQ(boxes.Shown()[0].title, "Resetting target");
    }
  }

  // Population B is the total of layer 2.
  dblTotPopB = 800;
  intPopLayer = 2;
  BuildIntermediateBBs();
  EXPECT_EQ(intTargetTracts, 8);
}

TEST_F(IntermediateBlocksTest, TargetsThatCannotSizeTractsAreHandled) {
  LatticeSpec s;
  qeltest::BuildLattice(s);
  blnTargetPop = true;

  // A target of 0 sizes nothing: the user is told and no IBB is built.
  dblTarget = 0;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Target population must be greater than 0");
  EXPECT_EQ(boxes.Shown()[0].style, kMbCritical);
  EXPECT_EQ(intNIBB, 0);

  // More tracts than 16 bits hold: the warning shows the true number.
  boxes.Clear();
  dblTotPopA = 1e6;
  dblTarget = 1;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt,
            "Resetting target number of tracts (1000000) to number of building blocks supplied (100)");
  EXPECT_EQ(intTargetTracts, 32767);
  EXPECT_EQ(intNIBB, 100);

  // Target off: 1.0, never a warning.
  boxes.Clear();
  blnTargetPop = false;
  BuildIntermediateBBs();
  EXPECT_EQ(dblTarget, 1.0);
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(IntermediateBlocksTest, HomogeneityReferencesUseTheFirstGroup) {
  LatticeSpec s;
  s.nHomVars = 5;
  s.zoneASize = 2;
  qeltest::BuildLattice(s);
  blnFixedA = true;
  blnHomog = true;
  intNHomGroups = 2;
  intGroupSize(1) = 2;
  intGroupSize(2) = 3;
  BuildIntermediateBBs();

  double first = 0, third = 0;
  for (int g = 1; g <= intNIBB; ++g) {
    EXPECT_DOUBLE_EQ(arrIBB(g).dblHomTotal, arrIBB(g).dblHom(1) + arrIBB(g).dblHom(2));
    first += arrIBB(g).dblHomTotal;
    third += arrIBB(g).dblHom(3);
  }
  EXPECT_NEAR(dblHomPopTot, first, 1e-9);
  EXPECT_NEAR(dblHomVarTotal(3), third, 1e-9);
  EXPECT_NEAR(dblHomMean(3), third / first, 1e-12);
  EXPECT_TRUE(boxes.Shown().empty());

  // Without the term the references stay 0.
  blnHomog = false;
  BuildIntermediateBBs();
  EXPECT_EQ(dblHomPopTot, 0);
  EXPECT_EQ(dblHomMean(3), 0);
  EXPECT_EQ(arrIBB(1).dblHomTotal, 0);
}

TEST_F(IntermediateBlocksTest, FirstGroupTotalOfZeroGivesNoDivision) {
  LatticeSpec s;
  s.nHomVars = 3;
  qeltest::BuildLattice(s);
  for (int r = 2; r <= intNRecs; ++r) arrBB(r).dblHom(1) = arrBB(r).dblHom(2) = 0;
  blnHomog = true;
  intGroupSize(1) = 2;
  intGroupSize(2) = 1;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].title, "Homogeneity control");
  for (int v = 1; v <= 3; ++v) EXPECT_EQ(dblHomMean(v), 0);
  EXPECT_EQ(intNIBB, intNRecs - 1);  // the IBBs themselves stand
}

TEST_F(IntermediateBlocksTest, BlocksWithoutPositiveNumberGetNoIBB) {
  UniqueZoneLattice(4, 3);
  arrBB(5).intID = 0;
  arrBB(5).intIBB = 7;  // left by an earlier study area
  arrBB(6).intID = -6;
  arrBB(6).intZoneA = arrBB(2).intZoneA;
  arrBB(9).intID = INT16_MIN;
  blnFixedA = true;
  BuildIntermediateBBs();

  EXPECT_EQ(intNIBB, intNRecs - 4);
  EXPECT_EQ(arrBB(5).intIBB, 0);
  EXPECT_EQ(arrBB(6).intIBB, 0);
  EXPECT_EQ(arrBB(6).intID, 6);
  EXPECT_EQ(arrBB(9).intID, INT16_MAX);
  EXPECT_EQ(Members(1), std::vector<int>{2});  // block 6 shares the code but is not placed
  for (int g = 1; g <= intNIBB; ++g)
    for (int m : Members(g)) EXPECT_TRUE(m != 5 && m != 6 && m != 9);
}

TEST_F(IntermediateBlocksTest, AddBBToIBBRemovesTheBlockAndAppendsNewNeighbours) {
  UniqueZoneLattice(4, 3);
  BuildIntermediateBBs();
  // Block 3 = (1,0) lies in the list of IBB 1 (block 2) at position 2.
  const std::vector<int> before = Nbrs(1);
  ASSERT_EQ(before, (std::vector<int>{1, 3, 6}));
  AddBBToIBB(1, 3);
  EXPECT_EQ(Nbrs(1), (std::vector<int>{1, 6, 4, 7}));
  EXPECT_EQ(arrIBB(1).intNbr(5), 0);
  EXPECT_EQ(arrBB(3).intIBB, 1);
  EXPECT_EQ(Members(1), (std::vector<int>{2, 3}));

  // A block that is not a neighbour leaves the existing entries in place.
  AddBBToIBB(1, 13);
  EXPECT_EQ(Nbrs(1), (std::vector<int>{1, 6, 4, 7, 9, 12}));
}

TEST_F(IntermediateBlocksTest, LimitsStopThePreparationWithConsistentTables) {
  // 502 blocks of one zone A: the first list reaches its 501st entry.
  UniqueZoneLattice(26, 20);
  for (int r = 2; r <= 503; ++r) arrBB(r).intZoneA = 1;
  blnFixedA = true;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many building blocks labelled as belonging to same zone A");
  EXPECT_EQ(boxes.Shown()[0].title, "Zone A too complex");
  EXPECT_EQ(boxes.Shown()[0].style, kMbCritical);
  EXPECT_EQ(intNIBB, 0);
  EXPECT_EQ(arrBB(2).intNSameZone, 500);
  EXPECT_FALSE(AnyPlacedMark());

  // 501 blocks: every list fits, but their IBB would need 501 members.
  boxes.Clear();
  arrBB(503).intZoneA = 2;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many building blocks in one intermediate building block");
  EXPECT_EQ(intNIBB, 0);
  EXPECT_FALSE(AnyPlacedMark());
  for (int r = 1; r <= intNRecs; ++r) ASSERT_EQ(arrBB(r).intIBB, 0);

  // Layer B alone.
  boxes.Clear();
  blnFixedA = false;
  blnFixedB = true;
  for (int r = 2; r <= 503; ++r) arrBB(r).intZoneB = 3;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].title, "Zone B too complex");

  // A chain of pairs: A joins (2,3), (4,5)...; B joins (3,4), (5,6)...: one
  // closure of 599 blocks, more than a list holds.
  boxes.Clear();
  UniqueZoneLattice(30, 20);
  for (int r = 2; r <= 601; ++r) {
    arrBB(r).intZoneA = static_cast<int16_t>(r / 2);
    arrBB(r).intZoneB = static_cast<int16_t>((r + 1) / 2);
  }
  blnFixedA = blnFixedB = true;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many small zones in fixed geography");
  EXPECT_EQ(boxes.Shown()[0].title, "Fixed zones error");
  EXPECT_EQ(intNIBB, 0);
  for (int r = 2; r <= intNRecs; ++r) ASSERT_LE(arrBB(r).intNSameZone, 500);
}

TEST_F(IntermediateBlocksTest, IBBWithTooManyNeighboursIsRefused) {
  // The middle row of 3 x 260 cells is one zone: 520 blocks touch it, and
  // the outside at both ends.
  UniqueZoneLattice(260, 3);
  for (int x = 0; x < 260; ++x) arrBB(2 + 260 + x).intZoneA = 1;
  blnFixedA = true;
  BuildIntermediateBBs();
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many neighbours to one intermediate building block");
  EXPECT_EQ(intNIBB, 0);
  EXPECT_FALSE(AnyPlacedMark());
}

TEST_F(IntermediateBlocksTest, ApproximateMatchingRebuildsTheZoneTable) {
  LatticeSpec s;
  const auto files = qeltest::WriteLatticeFiles(s, tempDir);
  qeltest::BuildLattice(s);
  strRunFile = files.patPath;
  intRunHeader = 0;
  blnFixedA = true;
  blnApprox = false;
  BuildIntermediateBBs();
  EXPECT_EQ(intNZones, 0);
  blnApprox = true;
  BuildIntermediateBBs();
  EXPECT_GT(intNZones, 0);
}

}  // namespace
