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
using qeltest::ShownBox;
using Ints = std::vector<int>;

class TractsTest : public qeltest::TractFixture {
 protected:
  static Ints Run(int from, int to) {
    Ints v;
    for (int g = from; g <= to; ++g) v.push_back(g);
    return v;
  }
};

TEST_F(TractsTest, ResetTractsClearsOnlyTheRecordsOfTheIBBCount) {
  Lattice(5, 4, 2);
  qeltest::GrowTracts(4);
  arrTract(1).dblHomSum(1) = 7;
  arrTract(1).dblHomTotal = 14;
  arrTract(intNIBB + 1).intNMembers = 3;
  dblHomPopSqRatio = dblHomPopMean = dblHomN0 = 2;
  const int16_t tractOfFirst = arrIBB(1).intTract;
  ResetTracts();
  EXPECT_EQ(intNTracts, 0);
  for (int t = 1; t <= intNIBB; ++t) {
    const udtTract& tr = arrTract(t);
    double sum = tr.intID + tr.intNMembers + tr.intNNbrs + tr.dblPop + tr.dblArea + tr.dblP2;
    for (int k = 1; k <= kListSize; ++k) sum += tr.intMember(k) + tr.intNbr(k) + tr.dblNbrLen(k);
    ASSERT_EQ(sum, 0) << "tract " << t;
  }
  // Left for the aggregation to rebuild, or beyond the IBB count.
  EXPECT_EQ(arrTract(1).dblHomSum(1) + arrTract(1).dblHomTotal, 21);
  EXPECT_EQ(arrTract(intNIBB + 1).intNMembers, 3);
  EXPECT_EQ(arrIBB(1).intTract, tractOfFirst);
  EXPECT_EQ(dblHomPopSqRatio + dblHomPopMean + dblHomN0, 0);
}

TEST_F(TractsTest, AddIBBToTractKeepsOrderAndListsTheOutsideOnce) {
  Lattice(5, 4, 2);
  qeltest::StartTract(1, Cell(0, 0));
  EXPECT_EQ(Nbrs(1), (Ints{0, Cell(1, 0), Cell(0, 1)}));
  arrTract(1).dblNbrLen(1) = 42;  // stale by design: not touched
  // The IBB leaves its place; its new neighbours follow in block order; the
  // outside, already listed, is not listed again.
  AddIBBToTract(1, static_cast<int16_t>(Cell(1, 0)));
  EXPECT_EQ(Nbrs(1), (Ints{0, Cell(0, 1), Cell(2, 0), Cell(1, 1)}));
  EXPECT_EQ(Members(1), (Ints{Cell(0, 0), Cell(1, 0)}));
  EXPECT_EQ(arrIBB(Cell(1, 0)).intTract, 1);
  EXPECT_EQ(arrTract(1).dblNbrLen(1), 42);
  // An IBB that does not touch the tract appends only its own neighbours.
  AddIBBToTract(1, static_cast<int16_t>(Cell(4, 3)));
  EXPECT_EQ(Nbrs(1), (Ints{0, Cell(0, 1), Cell(2, 0), Cell(1, 1), Cell(4, 2), Cell(3, 3)}));
  EXPECT_DOUBLE_EQ(arrTract(1).dblArea, 3.0);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(TractsTest, MergeRenumbersTractsAndTheReceiver) {
  // Nine tracts, the columns of a 9 x 2 lattice.
  Lattice(9, 2);
  for (int x = 0; x < 9; ++x) qeltest::MakeTract(x + 1, {Cell(x, 0), Cell(x, 1)});
  // Tract 3 into 7: the receiver becomes 6 and holds its members, then 3's.
  const Ints moved = Members(3), above = Members(8);
  Ints merged = Members(7);
  merged.insert(merged.end(), moved.begin(), moved.end());
  int16_t into = 7;
  MergeTracts(3, into);
  EXPECT_EQ(into, 6);
  ASSERT_EQ(intNTracts, 8);
  for (int t = 1; t <= 8; ++t) EXPECT_EQ(arrTract(t).intID, t);
  EXPECT_EQ(Members(6), merged);
  for (int g : moved) EXPECT_EQ(arrIBB(g).intTract, 6);
  EXPECT_EQ(Members(7), above);
  qeltest::ExpectTractListsConsistent();

  // Upwards the receiver keeps its number; the last tract moves nothing.
  const Ints last = Members(8);
  into = 3;
  MergeTracts(7, into);
  EXPECT_EQ(into, 3);
  EXPECT_EQ(Members(7), last);
  into = 6;
  MergeTracts(7, into);
  EXPECT_EQ(into, 6);
  EXPECT_EQ(intNTracts, 6);
  qeltest::ExpectTractListsConsistent();

  // The neighbour list: the receiver's without the giver's members, then
  // the giver's entries new to it in the giver's order; the outside once.
  const auto giver = qeltest::TractMemberSet(2), receiver = qeltest::TractMemberSet(1);
  Ints expected;
  for (int x : Nbrs(1))
    if (!giver.contains(x)) expected.push_back(x);
  for (int x : Nbrs(2))
    if (!receiver.contains(x) && std::find(expected.begin(), expected.end(), x) == expected.end())
      expected.push_back(x);
  into = 1;
  MergeTracts(2, into);
  EXPECT_EQ(Nbrs(1), expected);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), 0), 1);
}

TEST_F(TractsTest, MergeRefusalsChangeNothing) {
  // Rows of 40 cells: IBBs 1..250, 251..500 and 501..751 are connected runs.
  Lattice(40, 25);
  qeltest::MakeTract(1, Run(1, 250));
  qeltest::MakeTract(2, Run(251, 500));
  qeltest::MakeTract(3, Run(501, 751));
  auto before = qeltest::TakeTractSnapshot();
  int16_t into = 1;
  MergeTracts(3, into);  // 250 + 251
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many members to merged tract", 16, "Error merging tracts"}}));
  EXPECT_EQ(into, 1);
  qeltest::ExpectTractTableUnchanged(before);
  MergeTracts(2, into);  // exactly 500
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  EXPECT_EQ(boxes.Shown().size(), 1u);

  // Two runs along the middle row of 3 x 310 cells, 302 neighbour entries
  // each: together more than 500.
  boxes.Clear();
  Lattice(310, 3);
  Ints left, right;
  for (int x = 0; x < 150; ++x) left.push_back(Cell(x, 1));
  for (int x = 151; x <= 300; ++x) right.push_back(Cell(x, 1));
  qeltest::MakeTract(1, left);
  qeltest::MakeTract(2, right);
  before = qeltest::TakeTractSnapshot();
  into = 2;
  MergeTracts(1, into);
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many neighbours to merged tract", 16, "Error merging tracts"}}));
  qeltest::ExpectTractTableUnchanged(before);
}

TEST_F(TractsTest, AddIBBToTractRefusesPastTheListsAndSaysSoOnce) {
  Lattice(40, 25);
  qeltest::MakeTract(1, Run(1, 500));
  const auto before = qeltest::TakeTractSnapshot();
  AddIBBToTract(1, 501);
  AddIBBToTract(1, 502);
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(arrIBB(501).intTract + arrIBB(502).intTract, 0);  // in no tract: the caller can tell
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many members to tract", 16, "Error adding to tract"}}));

  // A run along the middle row of 3 x 310 cells gains two entries per cell
  // and is refused at its 501st.
  boxes.Clear();
  Lattice(310, 3);  // a new run: the limit is reported again
  qeltest::StartTract(1, Cell(0, 1));
  int x = 1;
  for (; x < 310 && boxes.Shown().empty(); ++x) AddIBBToTract(1, static_cast<int16_t>(Cell(x, 1)));
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many neighbours to tract", 16, "Error adding to tract"}}));
  EXPECT_EQ(arrTract(1).intNNbrs, 500);
  EXPECT_EQ(arrTract(1).intNMembers, x - 1);
  EXPECT_EQ(arrIBB(Cell(x - 1, 1)).intTract, 0);
  qeltest::ExpectTractListsConsistent();
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
    qeltest::LatticeSpec s;
    s.cols = c.cols;
    s.rows = c.rows;
    s.nHomVars = 2;
    qeltest::BuildLattice(s);
    blnFixedA = c.fixA;
    blnFixedB = c.fixB;
    BuildIntermediateBBs();
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
