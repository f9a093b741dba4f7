// The initial aggregation by approximate matching: dominant zones, one tract
// per zone, the contiguity check with its repair dialogue, and the cover it
// leaves on generated and real study areas.
#include <string>
#include <vector>

#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::TractMemberList;
using V = std::vector<int>;

namespace {

class ApproxAggregationTest : public qeltest::EngineTest {
 protected:
  // Blocks 2, 3, ... in a row along the edge, each its own IBB, population
  // 10, with the given zone A codes (the matching layer).
  void Row(const V& zones) {
    std::vector<std::string> blocks;
    std::string arcs;
    for (size_t k = 0; k < zones.size(); ++k) {
      blocks.push_back(std::to_string(zones[k]) + " 1 10 10 1");
      const int r = static_cast<int>(k) + 2;
      arcs += std::to_string(r) + " 1 1,";
      if (k + 1 < zones.size()) arcs += std::to_string(r) + " " + std::to_string(r + 1) + " 1,";
    }
    qeltest::LoadArea(tempDir, blocks, arcs);
  }
  int Asked() const { return boxes.CountStartingWith("Tract "); }
};

TEST_F(ApproxAggregationTest, EachDominantZoneMakesOneTract) {
  // IBBs are the zones of layer B; the matching layer is A. Shares per IBB:
  // {5:30, 3:20}, {3:25, 5:25}, {5}, {3}, {-7}, {30000}, {0:5}, {0:3, -7:3},
  // then two IBBs without population.
  blnFixedB = true;
  blnContCheck = false;
  qeltest::LoadArea(tempDir,
                    {"5 1 30 0 1", "3 1 20 0 1", "3 2 25 0 1", "5 2 25 0 1", "5 3 10 0 1", "3 4 10 0 1",
                     "-7 5 10 0 1", "30000 6 10 0 1", "0 7 5 0 1", "0 8 3 0 1", "-7 8 3 0 1", "4 9 0 0 1",
                     "9 10 0 0 1"},
                    "");
  ASSERT_EQ(intNIBB, 10);
  BuildApproxTracts();
  const V expected[] = {{1, 3}, {2, 4}, {5, 8}, {6}, {7}, {9, 10}};
  ASSERT_EQ(intNTracts, 6);
  for (int t = 1; t <= 6; ++t) EXPECT_EQ(TractMemberList(t), expected[t - 1]) << "tract " << t;
  qeltest::ExpectTractsConsistent();
}

TEST_F(ApproxAggregationTest, RepairDialogue) {
  // Zones 1 2 1 2: OK moves IBB 2, which touches both pieces, into tract 1.
  Row({1, 2, 1, 2});
  boxes.Answer(kIdOk);
  intNIterations = 5;
  BuildApproxTracts();
  ASSERT_EQ(Asked(), 1);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Tract 1 not fully contiguous");
  EXPECT_EQ(boxes.Shown()[0].style, 49);
  EXPECT_EQ(boxes.Shown()[0].title, "Contiguity error");
  EXPECT_EQ(TractMemberList(1), (V{1, 3, 2}));
  EXPECT_EQ(intNIterations, 5);
  qeltest::ExpectTractsConsistent();

  // Zones 1 2 1: the repair empties tract 2, which leaves the table.
  boxes.Clear();
  Row({1, 2, 1});
  BuildApproxTracts();
  EXPECT_EQ(Asked(), 1);
  EXPECT_EQ(intNTracts, 1);
  qeltest::ExpectTractsConsistent();

  // Zones 1 2 3 1: no IBB touches both pieces; asked again until Cancel.
  boxes.Clear();
  Row({1, 2, 3, 1});
  for (int a : {kIdOk, kIdOk, kIdCancel}) boxes.Answer(a);
  BuildApproxTracts();
  EXPECT_EQ(Asked(), 3);
  EXPECT_EQ(boxes.CountStartingWith("Contiguity errors in tracts: one iteration without contiguity checking"), 1);
  EXPECT_EQ(intNIterations, 1);
  qeltest::ExpectTractsConsistent();  // lengths and all, though not merged

  // Nobody ever answers Cancel: the dialogue still ends.
  boxes.Clear();
  intNIterations = 8;
  BuildApproxTracts();
  EXPECT_GT(Asked(), 1);
  EXPECT_LE(Asked(), 1000);
  EXPECT_EQ(intNIterations, 1);
}

TEST_F(ApproxAggregationTest, MergingOnlyUnderTheThresholdAndAfterTheCheck) {
  Row({1, 1, 2, 3, 3});
  blnFixedCount = true;  // matching alone does not merge here
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 3);
  blnThresholdPop = true;
  dblThreshold = 15;  // zone 2 (10) takes the first of its two equal neighbours
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(TractMemberList(1), (V{3, 1, 2}));
  Row({1, 2, 2, 1});
  boxes.Answer(kIdCancel);
  BuildApproxTracts();  // no merging after Cancel
  EXPECT_EQ(intNTracts, 2);
}

TEST_F(ApproxAggregationTest, AZoneOfMoreThanFiveHundredIBBsIsSplit) {
  qeltest::BuildLattice({.cols = 30, .rows = 20, .zoneASize = 30});
  BuildIntermediateBBs();
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  EXPECT_TRUE(qeltest::IsTractConnected(2));
  qeltest::ExpectTractsConsistent();
}

TEST_F(ApproxAggregationTest, GeneratedAndRealAreasGetACompleteConsistentCover) {
  for (const std::string set : {"", "data/QELdemo", "tests/data/sids"})
    for (bool fixed : {false, true}) {
      SCOPED_TRACE(set + (fixed ? " fixed" : ""));
      qeltest::SetDefaultRunSettings();
      if (set.empty()) {
        qeltest::LoadGenArea(qeltest::LatticeArea({.cols = 11, .rows = 9, .nHomVars = 3}), tempDir);
      } else {
        qeltest::LoadRepoArea(set);
      }
      blnFixedA = fixed;
      blnApprox = blnThresholdPop = blnHomog = true;
      dblThreshold = set.find("sids") != std::string::npos ? 9600 : 250;
      intNHomGroups = 2, intGroupSize(1) = 2, intGroupSize(2) = 1;
      BuildIntermediateBBs();
      BuildApproxTracts();
      qeltest::ExpectTractsConsistent();
      for (int g = 1; g <= intNIBB; ++g) EXPECT_EQ(arrIBB(g).intID, g);
    }
}

}  // namespace
