// The move operator: bookkeeping of both tracts against from-scratch values,
// move and move back, homogeneity, emptied tracts and the list limits.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <random>
#include <vector>

#include "engine.h"
#include "test_support.h"
#include "tract_checks.h"

namespace {

using namespace qel;
using qeltest::LatticeSpec;
using qeltest::ShownBox;

class MovesTest : public qeltest::TractFixture {
 protected:
  static void Move(int to, int ibb) { MoveIBBToTract(static_cast<int16_t>(to), static_cast<int16_t>(ibb)); }
  // 3 x 3 lattice (IBB 1 + x + 3y): tract 1 the centre, tract 2 the ring.
  void CentreAndRing() {
    Lattice(3, 3);
    qeltest::MakeTract(1, {5});
    qeltest::MakeTract(2, {1, 2, 3, 4, 6, 7, 8, 9});
    qeltest::FinishTractsFromScratch();
  }
};

TEST_F(MovesTest, OutsideEntryFollowsTheMembersThatTouchIt) {
  CentreAndRing();
  ASSERT_EQ(Nbrs(1), (std::vector<int>{Cell(1, 0), Cell(0, 1), Cell(2, 1), Cell(1, 2)}));

  // The corner joins the centre: the receiver's list keeps its order and
  // gains the outside at the end; the giver's is rebuilt by member and
  // block order, the outside once, where its first member meets it.
  Move(1, Cell(0, 0));
  // The receiver gains the outside that only the corner touched.
  EXPECT_EQ(Nbrs(1), (std::vector<int>{Cell(1, 0), Cell(0, 1), Cell(2, 1), Cell(1, 2), 0}));
  EXPECT_EQ(Nbrs(2), (std::vector<int>{0, Cell(0, 0), Cell(1, 1)}));
  EXPECT_EQ(Members(1), (std::vector<int>{Cell(1, 1), Cell(0, 0)}));
  EXPECT_EQ(arrTract(2).intMember(8), 0);  // the slot past the new count
  EXPECT_EQ(arrIBB(Cell(0, 0)).intTract, 1);
  // The corner's 4 sides (2 on the outside) and the centre's 4.
  EXPECT_DOUBLE_EQ(arrTract(1).dblP2, 64.0);
  qeltest::ExpectTractsConsistent();

  // Back again: the centre alone no longer touches the outside, and its
  // one member on the edge took the outside entry along.
  Move(2, Cell(0, 0));
  EXPECT_EQ(Nbrs(1), (std::vector<int>{Cell(1, 0), Cell(0, 1), Cell(2, 1), Cell(1, 2)}));
  EXPECT_EQ(Members(1), std::vector<int>{Cell(1, 1)});
  EXPECT_EQ(arrTract(1).intMember(2), 0);
  EXPECT_EQ(Members(2).back(), Cell(0, 0));
  EXPECT_DOUBLE_EQ(arrTract(1).dblP2, 16.0);
  qeltest::ExpectTractsConsistent();
}

TEST_F(MovesTest, HomogeneityFollowsTheMove) {
  Lattice(4, 1, 2);
  intNHomGroups = 2;
  intGroupSize(1) = 1;
  intGroupSize(2) = 1;
  // Two equal IBBs in tract 1.
  for (int g : {1, 2}) {
    arrIBB(g).dblHom(1) = 30;
    arrIBB(g).dblHom(2) = 10;
    arrIBB(g).dblHomTotal = 30;
  }
  qeltest::MakeTract(1, {1, 2});
  qeltest::MakeTract(2, {3, 4});
  qeltest::FinishTractsFromScratch();
  ASSERT_EQ(arrTract(1).dblHomTotal, 60);

  Move(2, 2);
  EXPECT_EQ(arrTract(1).dblHomTotal, 30);  // half, never zero
  EXPECT_EQ(arrTract(1).dblHomSum(2), 10);
  EXPECT_DOUBLE_EQ(arrTract(1).dblHomProp(2), 10.0 / 30.0);
  qeltest::ExpectTractsConsistent();

  // With the term off the sums still move, the proportions stay.
  blnHomog = false;
  const double prop1 = arrTract(1).dblHomProp(2);
  const double prop2 = arrTract(2).dblHomProp(2);
  const double sum2 = arrTract(2).dblHomSum(2);
  Move(1, 2);
  EXPECT_EQ(arrTract(1).dblHomProp(2), prop1);
  EXPECT_EQ(arrTract(2).dblHomProp(2), prop2);
  EXPECT_EQ(arrTract(2).dblHomSum(2), sum2 - 10);
  EXPECT_EQ(arrTract(1).dblHomTotal, 60);
}

TEST_F(MovesTest, ZeroTotalsAndEmptiedTractsGiveNoDivision) {
  Lattice(4, 1, 2);
  for (int g : {1, 2, 3}) {
    arrIBB(g).dblHom(1) = arrIBB(g).dblHom(2) = 0;
    arrIBB(g).dblHomTotal = 0;
  }
  arrIBB(2).dblHom(1) = 0.1;  // totals that cancel only up to rounding
  arrIBB(2).dblHomTotal = 0.1;
  arrIBB(3).dblHom(1) = 0.2;
  arrIBB(3).dblHomTotal = 0.2;
  qeltest::MakeTract(1, {1, 2, 3});
  qeltest::MakeTract(2, {4});
  qeltest::FinishTractsFromScratch();

  Move(2, 3);
  Move(2, 2);  // tract 1 keeps only zero-total member 1
  for (int v = 1; v <= 2; ++v) {
    EXPECT_TRUE(std::isfinite(arrTract(1).dblHomProp(v)));
    EXPECT_EQ(arrTract(1).dblHomProp(v), 0);
  }
  // Emptied by the move of its last member: a tract with no members, no
  // neighbours, no perimeter, and finite values.
  Move(2, 1);
  const udtTract& empty = arrTract(1);
  EXPECT_EQ(empty.intNMembers, 0);
  EXPECT_EQ(empty.intNNbrs, 0);
  EXPECT_EQ(empty.dblP2, 0);
  EXPECT_NEAR(empty.dblPop, 0, 1e-9);
  for (int v = 1; v <= 2; ++v) EXPECT_EQ(empty.dblHomProp(v), 0);
  EXPECT_EQ(arrTract(2).intNMembers, 4);
  EXPECT_EQ(qeltest::TractNeighbourSet(2), std::set<int>{0});
}

// Thousands of random moves between neighbouring tracts, half of them moved
// back at once, on generated study areas with and without fixed layers.
TEST_F(MovesTest, RandomMovesKeepEveryTractTrue) {
  struct Case {
    int cols, rows;
    bool fixA, fixB;
    int members;
  };
  const Case cases[] = {
      {37, 54, false, false, 8}, {30, 30, true, false, 4}, {30, 30, false, true, 4}, {40, 40, true, true, 3}};
  std::mt19937 gen(11);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.cols) + "x" + std::to_string(c.rows) + " A" + std::to_string(c.fixA) + " B" +
                 std::to_string(c.fixB));
    LatticeSpec s;
    s.cols = c.cols;
    s.rows = c.rows;
    s.nHomVars = 3;
    s.seed = 3;
    qeltest::BuildLattice(s);
    blnFixedA = c.fixA;
    blnFixedB = c.fixB;
    blnHomog = true;
    intNHomGroups = 2;
    intGroupSize(1) = 2;
    intGroupSize(2) = 1;
    BuildIntermediateBBs();
    qeltest::GrowTracts(c.members);
    qeltest::ExpectTractsConsistent();

    int moves = 0, backs = 0;
    for (int step = 0; step < 3000 && !HasFailure(); ++step) {
      const int r = std::uniform_int_distribution<int>(1, intNTracts)(gen);
      if (arrTract(r).intNNbrs == 0) continue;
      const int i = arrTract(r).intNbr(std::uniform_int_distribution<int>(1, arrTract(r).intNNbrs)(gen));
      if (i == 0) continue;
      const int donor = arrIBB(i).intTract;
      if (arrTract(donor).intNMembers < 2) continue;

      const auto rMembers = Members(r);
      const auto donorMembers = qeltest::TractMemberSet(donor);
      const auto rNbrs = qeltest::TractNeighbourSet(r);
      const auto donorNbrs = qeltest::TractNeighbourSet(donor);
      const double rPop = arrTract(r).dblPop, donorPop = arrTract(donor).dblPop;
      Move(r, i);
      ++moves;
      ASSERT_EQ(arrIBB(i).intTract, r);
      ASSERT_EQ(Members(r).back(), i);
      ASSERT_EQ(qeltest::TractNeighbourSet(r), qeltest::ExpectedTractNeighbourSet(r));
      ASSERT_EQ(qeltest::TractNeighbourSet(donor), qeltest::ExpectedTractNeighbourSet(donor));
      if (gen() % 2 == 0) {
        Move(donor, i);
        ++backs;
        ASSERT_EQ(Members(r), rMembers);
        ASSERT_EQ(arrTract(r).intMember(static_cast<int>(rMembers.size()) + 1), 0);
        ASSERT_EQ(qeltest::TractMemberSet(donor), donorMembers);
        ASSERT_EQ(Members(donor).back(), i);
        ASSERT_EQ(qeltest::TractNeighbourSet(r), rNbrs);
        ASSERT_EQ(qeltest::TractNeighbourSet(donor), donorNbrs);
        ASSERT_NEAR(arrTract(r).dblPop, rPop, 1e-9 * rPop);
        ASSERT_NEAR(arrTract(donor).dblPop, donorPop, 1e-9 * donorPop);
      }
      if (step % 200 == 0) qeltest::ExpectTractsConsistent();
    }
    qeltest::ExpectTractsConsistent();
    EXPECT_GT(moves, 1000);
    EXPECT_GT(backs, 300);
    EXPECT_TRUE(boxes.Shown().empty());
  }
}

TEST_F(MovesTest, MovesPastAListAreRefusedAndReportedOnce) {
  Lattice(40, 25);
  std::vector<int> run(500);
  std::iota(run.begin(), run.end(), 1);
  qeltest::MakeTract(1, run);
  qeltest::MakeTract(2, {501, 502, 503});
  qeltest::FinishTractsFromScratch();
  auto before = qeltest::TakeTractSnapshot();
  Move(1, 501);
  Move(1, 502);
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(boxes.Shown(),
            (std::vector<ShownBox>{{"Too many members to receiving tract", 16, "Error moving intermediate BB"}}));
  // The caller's move back of a refused move finds the IBB at home.
  Move(2, 501);
  qeltest::ExpectTractTableUnchanged(before);

  // A run along the middle row of 3 x 310 cells with 500 neighbour entries.
  boxes.Clear();
  Lattice(310, 3);
  run.clear();
  for (int x = 0; x < 249; ++x) run.push_back(Cell(x, 1));
  qeltest::MakeTract(1, run);
  ASSERT_EQ(arrTract(1).intNNbrs, 500);
  qeltest::MakeTract(2, {Cell(249, 1), Cell(250, 1)});
  qeltest::FinishTractsFromScratch();
  before = qeltest::TakeTractSnapshot();
  Move(1, Cell(249, 1));
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(boxes.Shown().at(0).prompt, "Too many neighbours to receiving tract");

  // The giving side: a row with a cell above and below cell 5 has 500
  // entries; taking out cell 5, whose neighbours all stay in the tract,
  // would add it as a 501st.
  boxes.Clear();
  Lattice(251, 5);
  run.clear();
  for (int x = 0; x < 249; ++x) run.push_back(Cell(x, 2));
  run.push_back(Cell(5, 1));
  run.push_back(Cell(5, 3));
  qeltest::MakeTract(1, run);
  qeltest::MakeTract(2, {Cell(250, 4)});
  qeltest::FinishTractsFromScratch();
  ASSERT_EQ(arrTract(1).intNNbrs, 500);
  before = qeltest::TakeTractSnapshot();
  Move(2, Cell(5, 2));
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(boxes.Shown().at(0).prompt, "Too many neighbours to giving tract");
}

TEST_F(MovesTest, CallsOutsideThePreconditionsChangeNothing) {
  CentreAndRing();
  const auto before = qeltest::TakeTractSnapshot();
  Move(1, Cell(1, 1));  // already there
  Move(1, 0);
  Move(1, intNIBB + 1);
  Move(0, Cell(0, 0));
  Move(3, Cell(0, 0));  // a record past the tract count is no tract
  arrIBB(Cell(0, 0)).intTract = 1;  // names a tract that does not hold it
  Move(2, Cell(0, 0));
  arrIBB(Cell(0, 0)).intTract = 2;
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_TRUE(boxes.Shown().empty());
}

}  // namespace
