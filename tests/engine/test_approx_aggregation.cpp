// The initial aggregation by approximate matching: dominant zones, one tract
// per zone, the contiguity check with its repair dialogue, and runs on
// generated lattices and on the two real study areas.
#include <cmath>
#include <string>
#include <vector>

#include "ibb_fixtures.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::BlockSpec;

namespace {

class ApproxAggregationTest : public qeltest::EngineTest {
 protected:
  static std::vector<int> Members(int t) {
    std::vector<int> m;
    for (int k = 1; k <= arrTract(t).intNMembers; ++k) m.push_back(arrTract(t).intMember(k));
    return m;
  }
  static BlockSpec Zone(int zoneA, double pop) { return BlockSpec{zoneA, 1, pop, pop, 1, {}}; }
  // Blocks 2, 3, ... in a line along the edge, zone A codes as given.
  static void Line(const std::vector<int>& zones) {
    std::vector<BlockSpec> blocks;
    for (int z : zones) blocks.push_back(Zone(z, 10));
    qeltest::MakeBlocks(blocks);
    for (int r = 2; r <= intNRecs; ++r) {
      if (r < intNRecs) qeltest::Touch(r, r + 1);
      qeltest::Touch(r, 1);
    }
    qeltest::MakeSingleBlockIBBs();
  }
  static void ExpectAllConnected() {
    for (int t = 1; t <= intNTracts; ++t) EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
  }
  int NotContiguousBoxes() const { return boxes.CountStartingWith("Tract "); }
  int GiveUpBoxes() const { return boxes.CountStartingWith("Contiguity errors in tracts"); }
};

TEST_F(ApproxAggregationTest, DominantZoneIsTheLargestShareLowestCodeOnTies) {
  blnContCheck = false;
  qeltest::MakeBlocks({Zone(5, 30), Zone(3, 20),       // IBB 1: zone 5
                       Zone(3, 25), Zone(5, 25),       // IBB 2: tie, zone 3
                       Zone(5, 10),                    // IBB 3
                       Zone(3, 10),                    // IBB 4
                       Zone(-7, 10),                   // IBB 5: negative code
                       Zone(30000, 10),                // IBB 6: beyond any block count
                       Zone(0, 5),                     // IBB 7: code 0
                       Zone(0, 3), Zone(-7, 3),        // IBB 8: tie, -7 below 0
                       Zone(4, 0), Zone(9, 0)});       // IBBs 9, 10: no population
  qeltest::MakeIBBs({{2, 3}, {4, 5}, {6}, {7}, {8}, {9}, {10}, {11, 12}, {13}, {14}});
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 6);
  EXPECT_EQ(Members(1), (std::vector<int>{1, 3}));
  EXPECT_EQ(Members(2), (std::vector<int>{2, 4}));
  EXPECT_EQ(Members(3), (std::vector<int>{5, 8}));
  EXPECT_EQ(Members(4), (std::vector<int>{6}));
  EXPECT_EQ(Members(5), (std::vector<int>{7}));   // zone 0 is a zone like any other
  EXPECT_EQ(Members(6), (std::vector<int>{9, 10}));  // no zone: together
  EXPECT_TRUE(boxes.Shown().empty());
  qeltest::ExpectTractsConsistent();

  // With layer A fixed the matching layer is B, and the population layer counts.
  blnFixedA = true;
  intPopLayer = 2;
  qeltest::MakeBlocks({{1, 8, 0, 10, 1, {}}, {1, 6, 50, 20, 1, {}}, {2, 6, 0, 1, 1, {}}, {2, 8, 0, 5, 1, {}}});
  qeltest::MakeIBBs({{2, 3}, {4, 5}});
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(Members(1), (std::vector<int>{1}));
  EXPECT_EQ(Members(2), (std::vector<int>{2}));
}

TEST_F(ApproxAggregationTest, ZoneInTwoPiecesStaysSoWithoutTheCheck) {
  blnContCheck = false;
  Line({1, 2, 2, 1});
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(Members(1), (std::vector<int>{1, 4}));
  EXPECT_FALSE(qeltest::IsTractConnected(1));
  qeltest::ExpectTractsConsistent();
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ApproxAggregationTest, OkRepairsWithAnIBBTouchingBothPieces) {
  // Zones 1 2 1 2: IBB 2 touches both pieces of zone 1.
  Line({1, 2, 1, 2});
  intNIterations = 5;
  boxes.Answer(kIdOk);
  BuildApproxTracts();
  ASSERT_EQ(NotContiguousBoxes(), 1);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Tract 1 not fully contiguous");
  EXPECT_EQ(boxes.Shown()[0].style, 49);
  EXPECT_EQ(boxes.Shown()[0].title, "Contiguity error");
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(Members(1), (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(Members(2), (std::vector<int>{4}));
  ExpectAllConnected();
  qeltest::ExpectTractsConsistent();
  EXPECT_EQ(intNIterations, 5);
}

TEST_F(ApproxAggregationTest, RepairThatEmptiesATractTakesItOutOfTheTable) {
  // Zones 1 2 1: the repair takes the only IBB of zone 2.
  Line({1, 2, 1});
  intNIterations = 5;
  BuildApproxTracts();
  EXPECT_EQ(NotContiguousBoxes(), 1);
  ASSERT_EQ(intNTracts, 1);
  EXPECT_EQ(Members(1), (std::vector<int>{1, 3, 2}));
  qeltest::ExpectTractsConsistent();
  EXPECT_EQ(intNIterations, 5);
}

TEST_F(ApproxAggregationTest, OkThatCannotRepairAsksAgainUntilCancel) {
  // Zones 1 2 3 1: no neighbouring IBB touches both pieces of zone 1.
  Line({1, 2, 3, 1});
  intNIterations = 8;
  boxes.Answer(kIdOk);
  boxes.Answer(kIdOk);
  boxes.Answer(kIdCancel);
  BuildApproxTracts();
  EXPECT_EQ(NotContiguousBoxes(), 3);
  EXPECT_EQ(GiveUpBoxes(), 1);
  EXPECT_EQ(boxes.Shown().back().style, 0);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(intNTracts, 3);
  qeltest::ExpectTractsConsistent();  // lengths and all, though unconnected
}

TEST_F(ApproxAggregationTest, RepairDialogueEndsEvenWhenNobodyAnswersCancel) {
  Line({1, 2, 3, 1});
  intNIterations = 8;
  BuildApproxTracts();  // every box answered OK
  EXPECT_EQ(GiveUpBoxes(), 1);
  EXPECT_GT(NotContiguousBoxes(), 1);
  EXPECT_LE(NotContiguousBoxes(), 1000);
  EXPECT_EQ(intNIterations, 1);
}

TEST_F(ApproxAggregationTest, CancelAtTheFirstQuestionSkipsTheMerging) {
  Line({1, 2, 2, 1});
  blnThresholdPop = true;
  dblThreshold = 25;  // every tract is below it
  intNIterations = 4;
  boxes.Answer(kIdCancel);
  BuildApproxTracts();
  EXPECT_EQ(NotContiguousBoxes(), 1);
  EXPECT_EQ(intNIterations, 1);
  EXPECT_EQ(intNTracts, 2);
  EXPECT_EQ(intIslandsSkipped, 0);
  qeltest::ExpectTractsConsistent();
  EXPECT_GT(arrTract(1).dblP2, 0);
}

TEST_F(ApproxAggregationTest, ThresholdMergesOnlyWhenItsConstraintIsOn) {
  Line({1, 1, 2, 3, 3});
  blnFixedCount = true;  // matching alone does not merge here
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 3);
  blnThresholdPop = true;
  dblThreshold = 15;  // zone 2 (10) takes the first of its two equal neighbours
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(Members(1), (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(Members(2), (std::vector<int>{4, 5}));
  qeltest::ExpectTractsConsistent();
}

TEST_F(ApproxAggregationTest, ZoneOfMoreThanFiveHundredIBBsIsSplit) {
  qeltest::LatticeSpec spec;
  spec.cols = 30;
  spec.rows = 20;
  qeltest::BuildLattice(spec);
  for (int r = 2; r <= intNRecs; ++r) arrBB(r).intZoneA = 1;
  qeltest::MakeSingleBlockIBBs();
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  EXPECT_EQ(arrTract(2).intNMembers, 100);
  ExpectAllConnected();
  qeltest::ExpectTractsConsistent();
  EXPECT_TRUE(boxes.Shown().empty());
}

TEST_F(ApproxAggregationTest, LatticesGiveACompleteConsistentCover) {
  for (unsigned seed = 1; seed <= 3; ++seed) {
    for (bool fixedA : {false, true}) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " fixed A " << fixedA);
      qeltest::LatticeSpec spec;
      spec.cols = 11;
      spec.rows = 9;
      spec.seed = seed;
      spec.nHomVars = 3;
      qeltest::BuildLattice(spec);
      blnFixedA = fixedA;
      if (fixedA) {
        qeltest::MakeZoneAIBBs();
      } else {
        qeltest::MakeSingleBlockIBBs();
      }
      qeltest::SetHomogeneity({2, 1});
      blnThresholdPop = true;
      dblThreshold = 300;
      intNIterations = 3;
      boxes.Clear();
      BuildApproxTracts();
      qeltest::ExpectTractsConsistent();
      for (int g = 1; g <= intNIBB; ++g) EXPECT_EQ(arrIBB(g).intID, g);
      if (intNIterations == 3) ExpectAllConnected();
      if (!fixedA) {
        EXPECT_TRUE(boxes.Shown().empty());  // square zones of single blocks
      }
    }
  }
}

// A real study area through the readers and the run preparation.
class StudyAreaTest : public ApproxAggregationTest {
 protected:
  void Load(const std::string& pat, const std::string& ctg) {
    std::string a, b;
    ReadIntersectionFile(0, pat, a, b);
    int16_t arcs = 0;
    ReadContiguityFile(ctg, arcs);
    strRunFile = pat;
    intRunHeader = 0;
    blnApprox = true;
  }
};

TEST_F(StudyAreaTest, BothAggregationsCoverTheDemoAndTheCounties) {
  const std::string sets[][2] = {{"data/QELdemo.pat", "data/QELdemo.ctg"},
                                 {"tests/data/sids.pat", "tests/data/sids.ctg"}};
  for (const auto& set : sets) {
    for (bool fixedB : {false, true}) {
      SCOPED_TRACE(set[0] + (fixedB ? " fixed B" : ""));
      qeltest::SetDefaultRunSettings();
      Load(qeltest::RepoPath(set[0]), qeltest::RepoPath(set[1]));
      blnFixedB = fixedB;
      blnThresholdPop = blnTargetPop = true;
      dblThreshold = set[0].find("sids") != std::string::npos ? 9600 : 200;
      dblTarget = dblThreshold * 1.6;
      const bool sids = set[0].find("sids") != std::string::npos;
      blnHomog = true;
      intNHomGroups = sids ? 4 : 2;
      const int sizes[] = {2, sids ? 2 : 1, 1, 1};
      for (int g = 1; g <= intNHomGroups; ++g) intGroupSize(g) = static_cast<int16_t>(sizes[g - 1]);
      BuildIntermediateBBs();
      ASSERT_GT(intNIBB, 0);
      ASSERT_GT(intNZones, 0);

      BuildApproxTracts();
      qeltest::ExpectTractsConsistent();
      double result = 0;
      EvaluateObjective(result, 1);
      EXPECT_TRUE(std::isfinite(result));
      EXPECT_TRUE(std::isfinite(dblCurApx));

      BuildInitialTracts();
      qeltest::ExpectTractsConsistent();
      for (int t = 1; t <= intNTracts; ++t) EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
      EvaluateObjective(result, 1);
      EXPECT_TRUE(std::isfinite(result));
    }
  }
}

}  // namespace
