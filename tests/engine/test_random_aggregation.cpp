// The random initial aggregation: the cyclic walk, the merging of tracts
// below the threshold, and from-scratch checks of what it leaves.
#include "aggregation_common.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::TractMemberList;
using V = std::vector<int>;

namespace {

using RandomAggregationTest = qeltest::EngineTest;

TEST_F(RandomAggregationTest, EveryIBBLandsInOneContiguousConsistentTract) {
  struct Setting {
    int cols, rows;
    bool threshold, target, homog;
    double thresholdPop, targetPop;
  };
  const Setting settings[] = {
      {12, 9, true, false, false, 400, 1},  // the target near 1 raised to the threshold
      {12, 9, true, true, true, 300, 600},
      {12, 9, false, true, false, 0, 900},
      {12, 9, false, false, true, 0, 1},    // tracts of one IBB
      {30, 30, true, false, false, 1e6, 1},  // growth stops at the list limits
  };
  for (unsigned seed = 1; seed <= 3; ++seed)
    for (const Setting& s : settings) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " threshold " << s.thresholdPop);
      qeltest::BuildLattice({.cols = s.cols, .rows = s.rows, .nHomVars = 2, .seed = seed});
      blnHomog = s.homog, intNHomGroups = 1, intGroupSize(1) = 2;
      blnThresholdPop = s.threshold, blnTargetPop = s.target;
      dblThreshold = s.thresholdPop;
      BuildIntermediateBBs();
      dblTarget = s.targetPop;
      Randomize(static_cast<int16_t>(seed));
      BuildInitialTracts();
      qeltest::ExpectTractsConsistent();
      int below = 0;
      for (int t = 1; t <= intNTracts; ++t) {
        EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
        below += arrTract(t).dblPop < dblThreshold;
      }
      for (int g = 1; g <= intNIBB; ++g) EXPECT_EQ(arrIBB(g).intID, g);
      EXPECT_LE(below, intIslandsSkipped);
      EXPECT_TRUE(s.threshold || s.target || intNTracts == intNIBB);
    }
}

TEST_F(RandomAggregationTest, WalkPointerIsNotAdjustedAfterAnAddition) {
  // IBB 1 touches IBBs 2, 3 and 4 (in that list order); IBB 2 touches 5.
  blnTargetPop = true;
  dblTarget = 30;
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1"},
                    "2 3 1,2 4 1,2 5 1,3 6 1");
  dblTarget = 30;
  dblOffsetPct = 0;
  int16_t seed = 1;  // one whose start pointer for the first tract is entry 1
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
  EXPECT_EQ(TractMemberList(1), (V{1, 2, 4}));
  EXPECT_EQ(TractMemberList(2), (V{3}));
}

TEST_F(RandomAggregationTest, MatchingOnlySizesTractsOnTheMeanZoneAtEveryCall) {
  qeltest::SingleCellLattice(6, 6);
  blnFixedCount = blnApprox = true;
  intNZones = 4;
  dblTotalPop = 1000;
  BuildInitialTracts();
  BuildInitialTracts();
  EXPECT_EQ(boxes.CountStartingWith("250 1000 4"), 2);
  EXPECT_EQ(boxes.Shown()[0].style, 0);
  EXPECT_DOUBLE_EQ(dblThreshold, 225);
  // Without zones there is no mean: 0, and every IBB a tract of its own.
  intNZones = 0;
  dblTotalPop = 0;
  BuildInitialTracts();
  EXPECT_EQ(boxes.CountStartingWith("0 0 0"), 1);
  EXPECT_EQ(intNTracts, intNIBB);
}

TEST_F(RandomAggregationTest, SmallTractsAbsorbTheSmallestNeighbourUntilTheyReachTheThreshold) {
  // A row 2-3-4-5-6 along the edge, populations 50, 10, 50, 5, 40; block 7
  // touches only block 6 and block 8 only the outside.
  qeltest::LoadArea(tempDir,
                    {"1 1 50 0 1", "1 1 10 0 1", "1 1 50 0 1", "1 1 5 0 1", "1 1 40 0 1", "1 1 5 0 1", "1 1 5 0 1"},
                    "2 3 1,3 4 1,4 5 1,5 6 1,6 7 1,2 1 1,3 1 1,4 1 1,5 1 1,6 1 1,8 1 1");
  blnThresholdPop = true;
  dblThreshold = 20;
  qeltest::GrowTracts(1);
  MergeSmallTracts();
  // Tract 2 (10) takes tract 1 (50, the first of two equal neighbours);
  // tract 4 (5) takes tract 5 (40) rather than 3 (50). IBB 6 has one
  // neighbour entry (a real IBB) and IBB 7 only the outside: islands.
  ASSERT_EQ(intNTracts, 5);
  EXPECT_EQ(TractMemberList(1), (V{2, 1}));
  EXPECT_EQ(TractMemberList(3), (V{4, 5}));
  EXPECT_EQ(intIslandsSkipped, 2);
  qeltest::ExpectTractListsConsistent();

  qeltest::GrowTracts(1);
  dblThreshold = 1000;  // no neighbour is below the total: counted, not merged
  dblTotPopA = dblTotPopB = 0;
  intIslandsSkipped = 0;
  MergeSmallTracts();
  EXPECT_EQ(intNTracts, 7);
  EXPECT_EQ(intIslandsSkipped, 7);
}

TEST_F(RandomAggregationTest, ARefusedMergeEndsItsTractsTurn) {
  qeltest::SingleCellLattice(30, 20);
  qeltest::GrowTracts(300);  // two halves: together past 500 members
  blnThresholdPop = true;
  dblThreshold = 1e9;
  MergeSmallTracts();
  EXPECT_EQ(intNTracts, 2);
  EXPECT_EQ(intIslandsSkipped, 2);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(RandomAggregationTest, AnIBBWithoutNeighboursStopsEveryCallAndLeavesNoMarks) {
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1", "1 1 10 10 1"}, "2 3 1,3 5 1,2 1 1");
  for (int call = 1; call <= 2; ++call) {
    BuildInitialTracts();
    EXPECT_EQ(boxes.CountStartingWith("Intermediate BB 3 omitted from IRA"), call);
    for (int g = 1; g <= intNIBB; ++g) EXPECT_EQ(arrIBB(g).intID, g);
    EXPECT_EQ(arrIBB(3).intTract, 0);
  }
  EXPECT_EQ(boxes.Shown()[0].title, "IRA Error");
  EXPECT_GT(arrTract(1).dblP2, 0);  // the tracts grown have their lengths
}

}  // namespace
