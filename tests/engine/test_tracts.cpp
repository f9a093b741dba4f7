// Tract table operations: emptying the table, adding IBBs, merging tracts
// with the renumbering, and the list limits. (Random sequences of adds,
// merges and moves against from-scratch values: test_moves.)
#include <numeric>

#include "tract_checks.h"

namespace {

using namespace qel;
using qeltest::ShownBox;
using Ints = std::vector<int>;

class TractsTest : public qeltest::TractFixture {
 protected:
  static Ints Run(int from, int to) {
    Ints v(static_cast<size_t>(to - from + 1));
    std::iota(v.begin(), v.end(), from);
    return v;
  }
  static void Merge(int from, int into, int expectedInto) {
    int16_t n = static_cast<int16_t>(into);
    MergeTracts(static_cast<int16_t>(from), n);
    EXPECT_EQ(n, expectedInto) << from << " into " << into;
  }
};

TEST_F(TractsTest, ResetTractsClearsOnlyTheRecordsOfTheIBBCount) {
  Lattice(5, 4, 2);
  qeltest::GrowTracts(4);
  arrTract(1).dblHomSum(1) = 7;
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
  EXPECT_EQ(arrTract(1).dblHomSum(1) + arrTract(intNIBB + 1).intNMembers, 10);
  EXPECT_EQ(arrIBB(1).intTract, tractOfFirst);
  EXPECT_EQ(dblHomPopSqRatio + dblHomPopMean + dblHomN0, 0);
}

TEST_F(TractsTest, AddIBBToTractKeepsOrderAndListsTheOutsideOnce) {
  Lattice(5, 4, 2);
  qeltest::StartTract(1, Cell(0, 0));
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
  Lattice(9, 2);  // nine tracts, the columns
  for (int x = 0; x < 9; ++x) qeltest::MakeTract(x + 1, {Cell(x, 0), Cell(x, 1)});
  // Tract 3 into 7: the receiver becomes 6 and holds its members, then 3's.
  const Ints moved = Members(3), above = Members(8);
  Ints merged = Members(7);
  merged.insert(merged.end(), moved.begin(), moved.end());
  Merge(3, 7, 6);
  ASSERT_EQ(intNTracts, 8);
  for (int t = 1; t <= 8; ++t) EXPECT_EQ(arrTract(t).intID, t);
  EXPECT_EQ(Members(6), merged);
  EXPECT_EQ(Members(7), above);
  qeltest::ExpectTractListsConsistent();
  // Upwards the receiver keeps its number; the last tract moves nothing.
  const Ints last = Members(8);
  Merge(7, 3, 3);
  EXPECT_EQ(Members(7), last);
  Merge(7, 6, 6);
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
  Merge(2, 1, 1);
  EXPECT_EQ(Nbrs(1), expected);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), 0), 1);
}

TEST_F(TractsTest, RefusalsPastTheListsChangeNothingAndSaySoOnce) {
  // Rows of 40 cells: IBBs 1..250, 251..500 and 501..751 are connected runs.
  Lattice(40, 25);
  qeltest::MakeTract(1, Run(1, 250));
  qeltest::MakeTract(2, Run(251, 500));
  qeltest::MakeTract(3, Run(501, 751));
  std::string before = qeltest::TractTableBytes();
  Merge(3, 1, 1);  // 250 + 251
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many members to merged tract", 16, "Error merging tracts"}}));
  qeltest::ExpectTractTableUnchanged(before);
  Merge(2, 1, 1);  // exactly 500
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  before = qeltest::TractTableBytes();
  AddIBBToTract(1, 752);
  AddIBBToTract(1, 753);
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(arrIBB(752).intTract + arrIBB(753).intTract, 0);  // in no tract: the caller can tell
  EXPECT_EQ(boxes.Shown().back(), (ShownBox{"Too many members to tract", 16, "Error adding to tract"}));
  EXPECT_EQ(boxes.Shown().size(), 2u);

  // Runs along the middle row of 3 x 310 cells gain two entries per cell.
  boxes.Clear();
  Lattice(310, 3);  // a new run: the limits are reported again
  qeltest::MakeTract(1, Run(Cell(0, 1), Cell(149, 1)));
  qeltest::MakeTract(2, Run(Cell(151, 1), Cell(300, 1)));
  before = qeltest::TractTableBytes();
  Merge(1, 2, 2);  // 302 + 302 neighbour entries
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many neighbours to merged tract", 16, "Error merging tracts"}}));
  qeltest::ExpectTractTableUnchanged(before);
  // With a cell of the top row beside it, the run has an odd count of
  // entries: 499, then one add too many would make 501.
  Lattice(310, 3);
  qeltest::MakeTract(1, {Cell(0, 1), Cell(300, 0)});
  int x = 1;
  for (; x < 310 && boxes.Shown().size() == 1; ++x) AddIBBToTract(1, static_cast<int16_t>(Cell(x, 1)));
  EXPECT_EQ(boxes.Shown().back(), (ShownBox{"Too many neighbours to tract", 16, "Error adding to tract"}));
  EXPECT_EQ(arrTract(1).intNNbrs, 499);
  EXPECT_EQ(arrTract(1).intNMembers, x);
  EXPECT_EQ(arrIBB(Cell(x - 1, 1)).intTract, 0);
  qeltest::ExpectTractListsConsistent();
}

TEST_F(TractsTest, CallsOutsideTheTablesChangeNothing) {
  Lattice(4, 4);
  qeltest::MakeTract(1, {1, 2});
  qeltest::MakeTract(2, {3, 4});
  const std::string before = qeltest::TractTableBytes();
  Merge(1, 1, 1);  // a tract into itself
  Merge(3, 1, 1);  // no tract 3
  Merge(2, 0, 0);
  AddIBBToTract(1, 0);
  AddIBBToTract(1, static_cast<int16_t>(intNIBB + 1));
  AddIBBToTract(0, 5);
  qeltest::ExpectTractTableUnchanged(before);
}

}  // namespace
