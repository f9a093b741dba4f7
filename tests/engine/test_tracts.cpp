// Tract table operations: emptying the table, adding IBBs, merging tracts
// with the renumbering, and the list limits.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine.h"
#include "test_support.h"
#include "tract_checks.h"

namespace {

using namespace qel;
using qeltest::EngineTest;
using qeltest::LatticeSpec;

using TractsTest = qeltest::TractFixture;

TEST_F(TractsTest, ResetTractsClearsOnlyTheRecordsOfTheIBBCount) {
  Lattice(5, 4, 2);
  qeltest::GrowTracts(4);
  ASSERT_GT(intNTracts, 1);
  arrTract(1).dblHomSum(1) = 7;
  arrTract(1).dblHomProp(1) = 0.5;
  arrTract(1).dblHomTotal = 14;
  arrTract(intNIBB + 1).intNMembers = 3;
  arrTract(intNIBB + 1).dblPop = 9;
  dblHomPopSqRatio = dblHomPopMean = dblHomN0 = 2;
  const int16_t tractOfFirst = arrIBB(1).intTract;
  ResetTracts();

  EXPECT_EQ(intNTracts, 0);
  for (int t = 1; t <= intNIBB; ++t) {
    const udtTract& tr = arrTract(t);
    ASSERT_EQ(tr.intID + tr.intNMembers + tr.intNNbrs, 0);
    ASSERT_EQ(tr.dblPop + tr.dblArea + tr.dblP2, 0);
    for (int k = 1; k <= kListSize; ++k) ASSERT_EQ(tr.intMember(k) + tr.intNbr(k) + tr.dblNbrLen(k), 0);
  }
  EXPECT_EQ(arrTract(1).dblHomSum(1), 7);  // left for the aggregation to rebuild
  EXPECT_EQ(arrTract(1).dblHomProp(1), 0.5);
  EXPECT_EQ(arrTract(1).dblHomTotal, 14);
  EXPECT_EQ(arrTract(intNIBB + 1).intNMembers, 3);
  EXPECT_EQ(arrIBB(1).intTract, tractOfFirst);
  EXPECT_EQ(dblHomPopSqRatio + dblHomPopMean + dblHomN0, 0);

  // With no IBB only the count and the working values are cleared.
  arrTract(1).intNMembers = 4;
  intNIBB = 0;
  intNTracts = 3;
  dblHomN0 = 1;
  ResetTracts();
  EXPECT_EQ(intNTracts, 0);
  EXPECT_EQ(dblHomN0, 0);
  EXPECT_EQ(arrTract(1).intNMembers, 4);
}

TEST_F(TractsTest, AddIBBToTractKeepsOrderAndListsTheOutsideOnce) {
  Lattice(5, 4, 2);
  qeltest::StartTract(1, Cell(0, 0));
  EXPECT_EQ(Nbrs(1), (std::vector<int>{0, Cell(1, 0), Cell(0, 1)}));
  arrTract(1).dblNbrLen(1) = 42;  // stale by design: not touched
  arrTract(1).dblP2 = 43;

  // The IBB leaves its place; its new neighbours follow in block order; the
  // outside, already listed, is not listed again.
  AddIBBToTract(1, static_cast<int16_t>(Cell(1, 0)));
  EXPECT_EQ(Nbrs(1), (std::vector<int>{0, Cell(0, 1), Cell(2, 0), Cell(1, 1)}));
  EXPECT_EQ(Members(1), (std::vector<int>{Cell(0, 0), Cell(1, 0)}));
  EXPECT_EQ(arrIBB(Cell(1, 0)).intTract, 1);
  EXPECT_EQ(arrTract(1).dblNbrLen(1), 42);
  EXPECT_EQ(arrTract(1).dblP2, 43);

  // An IBB that does not touch the tract leaves the list as it was and
  // appends only its own neighbours.
  AddIBBToTract(1, static_cast<int16_t>(Cell(4, 3)));
  EXPECT_EQ(Nbrs(1), (std::vector<int>{0, Cell(0, 1), Cell(2, 0), Cell(1, 1), Cell(4, 2), Cell(3, 3)}));

  const udtIBB& a = arrIBB(Cell(0, 0));
  const udtIBB& b = arrIBB(Cell(1, 0));
  const udtIBB& c = arrIBB(Cell(4, 3));
  EXPECT_DOUBLE_EQ(arrTract(1).dblPop, a.dblPop + b.dblPop + c.dblPop);
  EXPECT_DOUBLE_EQ(arrTract(1).dblArea, 3.0);
  EXPECT_DOUBLE_EQ(arrTract(1).dblHomSum(2), a.dblHom(2) + b.dblHom(2) + c.dblHom(2));
  qeltest::ExpectTractListsConsistent();
}

// Nine tracts, the columns of a 9 x 2 lattice.
class MergeTest : public TractsTest {
 protected:
  void SetUp() override {
    TractsTest::SetUp();
    Lattice(9, 2);
    for (int x = 0; x < 9; ++x) qeltest::MakeTract(x + 1, {Cell(x, 0), Cell(x, 1)});
  }
};

TEST_F(MergeTest, MergeDownwardsLowersTheReceiverAndRenumbers) {
  const auto moved = Members(3);
  const auto kept = Members(7);
  const auto above = Members(8);
  int16_t into = 7;
  MergeTracts(3, into);
  EXPECT_EQ(into, 6);
  ASSERT_EQ(intNTracts, 8);
  for (int t = 1; t <= 8; ++t) EXPECT_EQ(arrTract(t).intID, t);
  std::vector<int> merged = kept;
  merged.insert(merged.end(), moved.begin(), moved.end());
  EXPECT_EQ(Members(6), merged);
  for (int g : moved) EXPECT_EQ(arrIBB(g).intTract, 6);
  EXPECT_EQ(Members(7), above);
  for (int g : above) EXPECT_EQ(arrIBB(g).intTract, 7);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(MergeTest, MergeUpwardsKeepsTheReceiverNumber) {
  const auto last = Members(9);
  int16_t into = 3;
  MergeTracts(7, into);
  EXPECT_EQ(into, 3);
  EXPECT_EQ(intNTracts, 8);
  EXPECT_EQ(Members(8), last);
  EXPECT_EQ(arrTract(8).intID, 8);
  qeltest::ExpectTractListsConsistent();

  // The last tract: nothing moves, the count drops.
  const auto before7 = Members(7);
  into = 7;
  MergeTracts(8, into);
  EXPECT_EQ(into, 7);
  EXPECT_EQ(intNTracts, 7);
  EXPECT_EQ(static_cast<int>(Members(7).size()), static_cast<int>(before7.size() + last.size()));
  qeltest::ExpectTractListsConsistent();
}

TEST_F(MergeTest, MergedNeighbourListKeepsOrderAndTheOutsideOnce) {
  // Tract 4 (column 3) takes tract 5 (column 4): 4's list without 5's
  // members, then 5's entries new to it, in 5's order.
  std::vector<int> expected;
  for (int x : Nbrs(4))
    if (x != Cell(4, 0) && x != Cell(4, 1)) expected.push_back(x);
  for (int x : Nbrs(5))
    if (x != Cell(3, 0) && x != Cell(3, 1) && std::find(expected.begin(), expected.end(), x) == expected.end())
      expected.push_back(x);
  int16_t into = 4;
  MergeTracts(5, into);
  EXPECT_EQ(Nbrs(4), expected);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), 0), 1);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(TractsTest, MergeRefusalsChangeNothing) {
  // Rows of 40 cells: IBBs 1..250, 251..500 and 501..751 are connected runs.
  Lattice(40, 25);
  auto run = [](int from, int to) {
    std::vector<int> v;
    for (int g = from; g <= to; ++g) v.push_back(g);
    return v;
  };
  qeltest::MakeTract(1, run(1, 250));
  qeltest::MakeTract(2, run(251, 500));
  qeltest::MakeTract(3, run(501, 751));
  ASSERT_TRUE(boxes.Shown().empty());

  const auto before = qeltest::TakeTractSnapshot();
  int16_t into = 1;
  MergeTracts(3, into);  // 250 + 251
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many members to merged tract");
  EXPECT_EQ(boxes.Shown()[0].title, "Error merging tracts");
  EXPECT_EQ(boxes.Shown()[0].style, kMbCritical);
  EXPECT_EQ(into, 1);
  qeltest::ExpectTractTableUnchanged(before);

  MergeTracts(2, into);  // exactly 500
  EXPECT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(intNTracts, 2);
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(TractsTest, MergeRefusedForNeighboursChangesNothing) {
  // The middle row of 3 x 310 cells in two runs of 150 cells: 302 neighbour
  // entries each, more than 500 together.
  Lattice(310, 3);
  std::vector<int> left, right;
  for (int x = 0; x < 150; ++x) left.push_back(Cell(x, 1));
  for (int x = 151; x <= 300; ++x) right.push_back(Cell(x, 1));
  qeltest::MakeTract(1, left);
  qeltest::MakeTract(2, right);
  ASSERT_EQ(arrTract(1).intNNbrs, 302);
  ASSERT_EQ(arrTract(2).intNNbrs, 302);

  const auto before = qeltest::TakeTractSnapshot();
  int16_t into = 2;
  MergeTracts(1, into);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many neighbours to merged tract");
  EXPECT_EQ(into, 2);
  qeltest::ExpectTractTableUnchanged(before);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(TractsTest, AddIBBToTractRefusesPastTheListsAndSaysSoOnce) {
  Lattice(40, 25);
  std::vector<int> run;
  for (int g = 1; g <= 500; ++g) run.push_back(g);
  qeltest::MakeTract(1, run);
  ASSERT_TRUE(boxes.Shown().empty());
  const auto before = qeltest::TakeTractSnapshot();
  AddIBBToTract(1, 501);
  AddIBBToTract(1, 502);
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(arrIBB(501).intTract, 0);  // in no tract: the caller can tell
  EXPECT_EQ(arrIBB(502).intTract, 0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many members to tract");
  EXPECT_EQ(boxes.Shown()[0].title, "Error adding to tract");
  EXPECT_EQ(boxes.Shown()[0].style, kMbCritical);

  // Neighbours: a run along the middle row of 3 x 310 cells gains two
  // entries per cell and is refused at its 501st.
  boxes.Clear();
  Lattice(310, 3);  // a new run: the limit is reported again
  qeltest::StartTract(1, Cell(0, 1));
  int x = 1;
  for (; x < 310 && boxes.Shown().empty(); ++x) {
    AddIBBToTract(1, static_cast<int16_t>(Cell(x, 1)));
    ASSERT_LE(arrTract(1).intNNbrs, 500);
  }
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Too many neighbours to tract");
  EXPECT_EQ(arrTract(1).intNMembers, x - 1);
  EXPECT_EQ(arrIBB(Cell(x - 1, 1)).intTract, 0);
  // The refused IBB stands outside every tract; the rest is consistent.
  const auto refused = Cell(x - 1, 1);
  for (int k = 1; k <= arrTract(1).intNMembers; ++k) EXPECT_NE(arrTract(1).intMember(k), refused);
  EXPECT_EQ(qeltest::TractNeighbourSet(1), qeltest::ExpectedTractNeighbourSet(1));
}

// Adds and merges on generated study areas: after every step the lists,
// populations and areas equal what the members give, and merged tracts of
// connected tracts stay connected.
TEST_F(TractsTest, RandomAddsAndMergesKeepTheListsTrue) {
  struct Case {
    int cols, rows;
    bool fixA, fixB;
  };
  const Case cases[] = {{37, 54, false, false}, {30, 30, true, false}, {30, 30, false, true}, {40, 40, true, true}};
  std::mt19937 gen(7);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.cols) + "x" + std::to_string(c.rows));
    LatticeSpec s;
    s.cols = c.cols;
    s.rows = c.rows;
    s.nHomVars = 2;
    qeltest::BuildLattice(s);
    blnFixedA = c.fixA;
    blnFixedB = c.fixB;
    BuildIntermediateBBs();
    ASSERT_GT(intNIBB, 0);
    qeltest::GrowTracts(3);
    qeltest::ExpectTractListsConsistent();
    for (int step = 0; step < 300 && intNTracts > 1 && !HasFailure(); ++step) {
      const int t = std::uniform_int_distribution<int>(1, intNTracts)(gen);
      const udtTract& tr = arrTract(t);
      if (tr.intNNbrs == 0) continue;
      const int e = tr.intNbr(std::uniform_int_distribution<int>(1, tr.intNNbrs)(gen));
      if (e == 0) continue;
      const int partner = arrIBB(e).intTract;
      if (tr.intNMembers + arrTract(partner).intNMembers > 60) continue;
      int16_t into = static_cast<int16_t>(t);
      const int16_t n = intNTracts;
      MergeTracts(static_cast<int16_t>(partner), into);
      ASSERT_EQ(intNTracts, n - 1);
      ASSERT_EQ(into, partner < t ? t - 1 : t);
      if (step % 10 == 0) qeltest::ExpectTractListsConsistent();
      ASSERT_TRUE(qeltest::IsTractConnected(into));
    }
    qeltest::ExpectTractListsConsistent();
    EXPECT_TRUE(boxes.Shown().empty());
  }
}

TEST_F(TractsTest, CallsOutsideTheTablesChangeNothing) {
  Lattice(4, 4);
  qeltest::MakeTract(1, {1, 2});
  qeltest::MakeTract(2, {3, 4});
  const auto before = qeltest::TakeTractSnapshot();
  int16_t into = 1;
  MergeTracts(1, into);  // a tract into itself
  MergeTracts(3, into);  // no tract 3
  into = 0;
  MergeTracts(2, into);
  AddIBBToTract(1, 0);
  AddIBBToTract(1, static_cast<int16_t>(intNIBB + 1));
  AddIBBToTract(0, 5);
  qeltest::ExpectTractTableUnchanged(before);
}

}  // namespace
