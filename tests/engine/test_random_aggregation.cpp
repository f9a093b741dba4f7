// The random initial aggregation: seeded growth with its cyclic walk, the
// merging of tracts below the threshold, and from-scratch checks of the
// tracts it leaves on generated lattices.
#include <cmath>
#include <set>
#include <vector>

#include "aggregation_common.h"
#include "ibb_fixtures.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::BlockSpec;

namespace {

class RandomAggregationTest : public qeltest::EngineTest {
 protected:
  static void Lattice(int cols, int rows, unsigned seed = 1, int nHomVars = 0) {
    qeltest::LatticeSpec spec;
    spec.cols = cols;
    spec.rows = rows;
    spec.seed = seed;
    spec.nHomVars = nHomVars;
    qeltest::BuildLattice(spec);
    qeltest::MakeSingleBlockIBBs();
  }
  static std::vector<int> Members(int t) {
    std::vector<int> m;
    for (int k = 1; k <= arrTract(t).intNMembers; ++k) m.push_back(arrTract(t).intMember(k));
    return m;
  }
  // Every IBB once, consistent values, contiguous tracts, marks cleared.
  static void ExpectSoundTracts() {
    qeltest::ExpectTractsConsistent();
    for (int t = 1; t <= intNTracts; ++t) EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
    for (int g = 1; g <= intNIBB; ++g) EXPECT_EQ(arrIBB(g).intID, g);
  }
  static int TractsBelowThreshold() {
    int n = 0;
    for (int t = 1; t <= intNTracts; ++t) n += arrTract(t).dblPop < dblThreshold;
    return n;
  }
  // Tracts of one IBB each, as a merge test starts from.
  static void OneTractPerIBB() {
    ResetTracts();
    for (int16_t g = 1; g <= intNIBB; ++g) {
      ++intNTracts;
      SeedTract(intNTracts, g);
    }
    ClearAllocationMarks();
  }
};

TEST_F(RandomAggregationTest, LatticesUnderEverySettingGiveContiguousCover) {
  struct Setting {
    bool threshold, target, homog;
    double thresholdPop, targetPop;
  };
  const Setting settings[] = {
      {true, false, false, 400, 1},    // threshold only: target 1 raised to it
      {true, true, true, 300, 600},    // threshold and target, homogeneity
      {false, true, false, 0, 900},    // target only
      {false, false, true, 0, 1},      // neither: tracts of one IBB
  };
  for (unsigned seed = 1; seed <= 3; ++seed) {
    for (const Setting& s : settings) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " threshold " << s.threshold << " target " << s.target);
      Lattice(12, 9, seed, 2);
      blnHomog = false;
      if (s.homog) qeltest::SetHomogeneity({2});
      blnThresholdPop = s.threshold;
      blnTargetPop = s.target;
      dblThreshold = s.thresholdPop;
      dblTarget = s.targetPop;
      Randomize(static_cast<int16_t>(seed));
      BuildInitialTracts();
      ExpectSoundTracts();
      EXPECT_LE(TractsBelowThreshold(), intIslandsSkipped);
      if (!s.threshold && !s.target) {
        EXPECT_EQ(intNTracts, intNIBB);
      }
      if (s.threshold) {
        EXPECT_LT(intNTracts, intNIBB / 2);
      }
      if (s.target && !s.threshold) {
        // Each tract stops growing once it reaches the drawn target.
        for (int t = 1; t <= intNTracts; ++t)
          EXPECT_LT(arrTract(t).dblPop - arrIBB(arrTract(t).intMember(arrTract(t).intNMembers)).dblPop, 900 * 1.1);
      }
    }
  }
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(RandomAggregationTest, WalkPointerIsNotAdjustedAfterAnAddition) {
  // IBB 1 touches IBBs 2, 3 and 4; IBB 2 also touches IBB 5. Pops 10 each.
  qeltest::MakeBlocks(std::vector<BlockSpec>(5, BlockSpec{1, 1, 10, 10, 1, {}}));
  qeltest::Touch(2, 3);
  qeltest::Touch(2, 4);
  qeltest::Touch(2, 5);
  qeltest::Touch(3, 6);
  qeltest::MakeSingleBlockIBBs();
  blnTargetPop = true;
  dblTarget = 30;
  dblOffsetPct = 0;
  // A seed whose pointer draw for the first tract (three entries) is 1.
  int16_t seed = 1;
  for (;; ++seed) {
    Randomize(seed);
    Rnd();
    if (DrawOneOf(3) == 1) break;
  }
  Randomize(seed);
  BuildInitialTracts();
  // Adding IBB 2 moves IBB 3 up to the pointer's place behind it, so the
  // walk takes IBB 4 next and reaches 30 without IBB 3.
  ASSERT_EQ(intNTracts, 3);
  EXPECT_EQ(Members(1), (std::vector<int>{1, 2, 4}));
  EXPECT_EQ(Members(2), (std::vector<int>{3}));
  EXPECT_EQ(Members(3), (std::vector<int>{5}));
  qeltest::ExpectTractsConsistent();
}

TEST_F(RandomAggregationTest, MatchingOnlyModeSizesTractsOnTheMeanZone) {
  Lattice(6, 6);
  blnFixedCount = blnApprox = true;
  intNZones = 4;
  dblTotalPop = 1000;
  for (int z = 1; z <= 4; ++z) {
    arrZone(z) = udtZone{};
    arrZone(z).dblPop = 250;
  }
  BuildInitialTracts();
  BuildInitialTracts();
  EXPECT_EQ(boxes.CountStartingWith("250 1000 4"), 2);
  EXPECT_EQ(boxes.Shown()[0].style, 0);
  EXPECT_EQ(boxes.Shown()[0].title, kProgramTitle);
  EXPECT_DOUBLE_EQ(dblThreshold, 225);
  EXPECT_GT(dblCurApx, 0);  // the matching term of the new tracts
  ExpectSoundTracts();

  // Without zones there is no mean: every IBB stays a tract of its own.
  boxes.Clear();
  intNZones = 0;
  dblTotalPop = 0;
  BuildInitialTracts();
  EXPECT_EQ(boxes.CountStartingWith("0 0 0"), 1);
  EXPECT_EQ(dblThreshold, 0);
  EXPECT_EQ(intNTracts, intNIBB);
  EXPECT_TRUE(std::isfinite(dblCurApx));
}

TEST_F(RandomAggregationTest, SmallTractAbsorbsTheSmallestNeighbourFirstInListOnTies) {
  // A line 2 - 3 - 4 - 5 - 6 along the edge, populations 50, 10, 50, 5, 40.
  qeltest::MakeBlocks({{1, 1, 50, 0, 1, {}}, {1, 1, 10, 0, 1, {}}, {1, 1, 50, 0, 1, {}},
                       {1, 1, 5, 0, 1, {}}, {1, 1, 40, 0, 1, {}}});
  for (int r = 2; r < 6; ++r) qeltest::Touch(r, r + 1);
  for (int r = 2; r <= 6; ++r) qeltest::Touch(r, 1);
  qeltest::MakeSingleBlockIBBs();
  OneTractPerIBB();
  blnThresholdPop = true;
  dblThreshold = 20;
  MergeSmallTracts();
  // Tract 2 (10) takes tract 1 (50, first of two equal neighbours); tract 4
  // (5) takes tract 5 (40) rather than tract 3 (50).
  ASSERT_EQ(intNTracts, 3);
  EXPECT_EQ(Members(1), (std::vector<int>{2, 1}));
  EXPECT_EQ(Members(2), (std::vector<int>{3}));
  EXPECT_EQ(Members(3), (std::vector<int>{4, 5}));
  EXPECT_EQ(intIslandsSkipped, 0);
  qeltest::ExpectTractListsConsistent();

  // A tract below the threshold keeps absorbing until it reaches it.
  OneTractPerIBB();
  dblThreshold = 150;
  MergeSmallTracts();
  EXPECT_EQ(intNTracts, 1);
  EXPECT_DOUBLE_EQ(arrTract(1).dblPop, 155);
}

TEST_F(RandomAggregationTest, IslandsAndTractsWithoutPartnerAreLeftAndCounted) {
  // Block 3 touches only block 2: its one neighbour entry makes it an island
  // even though that entry is a real IBB.
  qeltest::MakeBlocks({{1, 1, 50, 0, 1, {}}, {1, 1, 5, 0, 1, {}}, {1, 1, 5, 0, 1, {}}});
  qeltest::Touch(2, 3);
  qeltest::Touch(2, 4);
  qeltest::Touch(4, 1);
  qeltest::MakeSingleBlockIBBs();
  OneTractPerIBB();
  blnThresholdPop = true;
  dblThreshold = 20;
  dblTotPopA = dblTotPopB = 0;  // no neighbouring tract is "smaller" than this
  MergeSmallTracts();
  EXPECT_EQ(intNTracts, 3);
  EXPECT_EQ(intIslandsSkipped, 2);  // one island, one tract without a partner
  qeltest::ExpectTractListsConsistent();
}

TEST_F(RandomAggregationTest, RefusedMergesEndTheirTractsTurn) {
  // Two halves of 300 IBBs each: together they exceed a tract's 500 members.
  Lattice(30, 20);
  ResetTracts();
  for (int half = 0; half < 2; ++half) {
    const int16_t t = ++intNTracts;
    bool seeded = false;
    for (int y = 0; y < 20; ++y) {
      for (int x = half * 15; x < half * 15 + 15; ++x) {
        const int16_t g = static_cast<int16_t>(y * 30 + x + 1);
        if (seeded) {
          AddIBBToTract(t, g);
          arrIBB(g).intID = static_cast<int16_t>(-g);
        } else {
          SeedTract(t, g);
        }
        seeded = true;
      }
    }
  }
  ClearAllocationMarks();
  blnThresholdPop = true;
  dblThreshold = 1e9;
  MergeSmallTracts();
  EXPECT_EQ(intNTracts, 2);
  EXPECT_EQ(intIslandsSkipped, 2);
  EXPECT_EQ(boxes.CountStartingWith("Too many members to merged tract"), 2);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(RandomAggregationTest, GrowthStopsAtTheListLimitsAndCoverIsComplete) {
  // A threshold of the whole population would grow one tract over 900 IBBs.
  Lattice(30, 30);
  blnThresholdPop = true;
  dblThreshold = dblTotPopA + 1;
  dblTarget = 1;
  BuildInitialTracts();
  ExpectSoundTracts();
  EXPECT_GT(intNTracts, 1);
  for (int t = 1; t <= intNTracts; ++t) EXPECT_LE(arrTract(t).intNMembers, 500);
  EXPECT_LE(TractsBelowThreshold(), intIslandsSkipped);
}

TEST_F(RandomAggregationTest, IBBWithoutNeighboursStopsTheCallAndLeavesNoMarks) {
  qeltest::MakeBlocks(std::vector<BlockSpec>(4, BlockSpec{1, 1, 10, 10, 1, {}}));
  qeltest::Touch(2, 3);
  qeltest::Touch(3, 5);
  qeltest::Touch(2, 1);
  qeltest::MakeSingleBlockIBBs();  // IBB 3 (block 4) touches nothing
  arrIBB(3).intTract = 9;          // left by an earlier solution
  for (int call = 1; call <= 2; ++call) {
    BuildInitialTracts();
    EXPECT_EQ(boxes.CountStartingWith("Intermediate BB 3 omitted from IRA"), call);
    for (int g = 1; g <= intNIBB; ++g) EXPECT_GT(arrIBB(g).intID, 0);
    EXPECT_EQ(arrIBB(3).intTract, 0);
  }
  EXPECT_EQ(boxes.Shown()[0].style, 16);
  EXPECT_EQ(boxes.Shown()[0].title, "IRA Error");
  // The tracts that were grown still have their lengths.
  for (int t = 1; t <= intNTracts; ++t) EXPECT_GT(arrTract(t).dblP2, 0);
}

}  // namespace
