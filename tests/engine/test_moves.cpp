// The move operator: bookkeeping of both tracts against from-scratch values,
// move and move back, homogeneity, emptied tracts and the list limits.
#include <cmath>
#include <numeric>
#include <random>

#include "tract_checks.h"

namespace {

using namespace qel;
using qeltest::ShownBox;
using Ints = std::vector<int>;

class MovesTest : public qeltest::TractFixture {
 protected:
  static void Move(int to, int ibb) { MoveIBBToTract(static_cast<int16_t>(to), static_cast<int16_t>(ibb)); }
  // Tracts of the given IBBs, their lengths and values from scratch.
  static void Tracts(const std::vector<Ints>& tracts) {
    for (size_t t = 0; t < tracts.size(); ++t) qeltest::MakeTract(static_cast<int>(t + 1), tracts[t]);
    qeltest::FinishTractsFromScratch();
  }
};

TEST_F(MovesTest, OutsideEntryFollowsTheMembersThatTouchIt) {
  Lattice(3, 3);
  Tracts({{5}, {1, 2, 3, 4, 6, 7, 8, 9}});  // the centre and the ring
  const Ints centre = Nbrs(1);
  // The corner joins the centre: the receiver keeps its order and gains the
  // outside at the end; the giver's list is rebuilt by member and block
  // order, the outside once, where its first member meets it.
  Move(1, Cell(0, 0));
  EXPECT_EQ(Nbrs(1), (Ints{Cell(1, 0), Cell(0, 1), Cell(2, 1), Cell(1, 2), 0}));
  EXPECT_EQ(Nbrs(2), (Ints{0, Cell(0, 0), Cell(1, 1)}));
  EXPECT_EQ(Members(1), (Ints{Cell(1, 1), Cell(0, 0)}));
  EXPECT_EQ(arrTract(2).intMember(8), 0);  // the slot past the new count
  EXPECT_EQ(arrIBB(Cell(0, 0)).intTract, 1);
  EXPECT_DOUBLE_EQ(arrTract(1).dblP2, 64.0);  // the corner's 4 sides and the centre's 4
  qeltest::ExpectTractsConsistent();
  // Back again: the centre no longer touches the outside; its one member on
  // the edge took the outside entry along.
  Move(2, Cell(0, 0));
  EXPECT_EQ(Nbrs(1), centre);
  EXPECT_EQ(arrTract(1).intMember(2), 0);
  EXPECT_EQ(Members(2).back(), Cell(0, 0));
  EXPECT_DOUBLE_EQ(arrTract(1).dblP2, 16.0);
  qeltest::ExpectTractsConsistent();
}

TEST_F(MovesTest, HomogeneityFollowsTheMoveWithoutDividingByZero) {
  Lattice(4, 1, 2);
  intNHomGroups = 2;
  intGroupSize(1) = intGroupSize(2) = 1;
  auto set = [](const double (&values)[4][3]) {  // hom 1, hom 2, total of each IBB
    for (int g = 1; g <= 4; ++g) {
      const double* v = values[g - 1];
      arrIBB(g).dblHom(1) = v[0], arrIBB(g).dblHom(2) = v[1], arrIBB(g).dblHomTotal = v[2];
    }
  };
  set({{30, 10, 30}, {30, 10, 30}, {0, 0, 0}, {0, 0, 0}});
  Tracts({{1, 2}, {3, 4}});
  Move(2, 2);
  EXPECT_EQ(arrTract(1).dblHomTotal, 30);  // half, never zero
  EXPECT_DOUBLE_EQ(arrTract(1).dblHomProp(2), 10.0 / 30.0);
  qeltest::ExpectTractsConsistent();
  // With the term off the sums still move, the proportions stay.
  blnHomog = false;
  const double prop1 = arrTract(1).dblHomProp(2), prop2 = arrTract(2).dblHomProp(2), sum2 = arrTract(2).dblHomSum(2);
  Move(1, 2);
  EXPECT_EQ(arrTract(1).dblHomProp(2) + arrTract(2).dblHomProp(2), prop1 + prop2);
  EXPECT_EQ(arrTract(2).dblHomSum(2), sum2 - 10);
  EXPECT_EQ(arrTract(1).dblHomTotal, 60);

  // Totals that cancel only up to rounding, then none left: proportions 0.
  blnHomog = true;
  set({{0, 0, 0}, {0.1, 0, 0.1}, {0.2, 0, 0.2}, {0, 0, 0}});
  ResetTracts();
  Tracts({{1, 2, 3}, {4}});
  Move(2, 3);
  Move(2, 2);  // tract 1 keeps only member 1, of total 0
  for (int v = 1; v <= 2; ++v) EXPECT_EQ(arrTract(1).dblHomProp(v), 0);
  Move(2, 1);
  const udtTract& empty = arrTract(1);
  EXPECT_EQ(empty.intNMembers + empty.intNNbrs + empty.dblP2, 0);  // emptied: no members, no neighbours, no perimeter
  EXPECT_NEAR(empty.dblPop, 0, 1e-9);
  for (int v = 1; v <= 2; ++v) EXPECT_EQ(empty.dblHomProp(v), 0);
  EXPECT_EQ(arrTract(2).intNMembers, 4);
  EXPECT_EQ(qeltest::TractNeighbourSet(2), std::set<int>{0});
}

// Thousands of random moves between neighbouring tracts, half of them moved
// back at once, and now and then a merge, on generated study areas with and
// without fixed layers.
TEST_F(MovesTest, RandomMovesAndMergesKeepEveryTractTrue) {
  const struct {
    int cols, rows;
    bool fixA, fixB;
    int members;
  } cases[] = {{37, 54, false, false, 8}, {30, 30, true, false, 4}, {30, 30, false, true, 4}, {40, 40, true, true, 3}};
  std::mt19937 gen(11);
  auto pick = [&gen](int n) { return std::uniform_int_distribution<int>(1, n)(gen); };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.cols << "x" << c.rows << " A" << c.fixA << " B" << c.fixB);
    qeltest::BuildLattice({.cols = c.cols, .rows = c.rows, .nHomVars = 3, .seed = 3});
    blnFixedA = c.fixA, blnFixedB = c.fixB, blnHomog = true;
    intNHomGroups = 2;
    intGroupSize(1) = 2, intGroupSize(2) = 1;
    BuildIntermediateBBs();
    qeltest::GrowTracts(c.members);
    qeltest::ExpectTractsConsistent();
    int moves = 0, backs = 0, merges = 0;
    for (int step = 0; step < 3000 && !HasFailure(); ++step) {
      const int r = pick(intNTracts);
      if (arrTract(r).intNNbrs == 0) continue;
      const int i = arrTract(r).intNbr(pick(arrTract(r).intNNbrs));
      if (i == 0) continue;
      const int donor = arrIBB(i).intTract;
      if (step % 50 == 0 && arrTract(r).intNMembers + arrTract(donor).intNMembers <= 60) {
        int16_t into = static_cast<int16_t>(r);
        MergeTracts(static_cast<int16_t>(donor), into);
        ASSERT_EQ(into, donor < r ? r - 1 : r);
        ASSERT_EQ(qeltest::TractsDiffer(false), "");
        qeltest::FinishTractsFromScratch();  // a merge leaves the lengths to its caller
        ++merges;
        continue;
      }
      if (arrTract(donor).intNMembers < 2) continue;
      const Ints rMembers = Members(r);
      const auto donorMembers = qeltest::TractMemberSet(donor);
      const auto rNbrs = qeltest::TractNeighbourSet(r), donorNbrs = qeltest::TractNeighbourSet(donor);
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
    EXPECT_GT(merges, 10);
    EXPECT_TRUE(boxes.Shown().empty());
  }
}

TEST_F(MovesTest, MovesPastAListAreRefusedAndReportedOnce) {
  Lattice(40, 25);
  Ints run(500);
  std::iota(run.begin(), run.end(), 1);
  Tracts({run, {501, 502, 503}});
  std::string before = qeltest::TractTableBytes();
  Move(1, 501);
  Move(1, 502);
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(boxes.Shown(),
            (std::vector<ShownBox>{{"Too many members to receiving tract", 16, "Error moving intermediate BB"}}));
  Move(2, 501);  // the caller's move back of a refused move finds the IBB at home
  qeltest::ExpectTractTableUnchanged(before);

  // A run along the middle row of 3 x 310 cells with 500 neighbour entries.
  boxes.Clear();
  Lattice(310, 3);
  run.clear();
  for (int x = 0; x < 249; ++x) run.push_back(Cell(x, 1));
  Tracts({run, {Cell(249, 1), Cell(250, 1)}});
  ASSERT_EQ(arrTract(1).intNNbrs, 500);
  before = qeltest::TractTableBytes();
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
  Tracts({run, {Cell(250, 4)}});
  ASSERT_EQ(arrTract(1).intNNbrs, 500);
  before = qeltest::TractTableBytes();
  Move(2, Cell(5, 2));
  qeltest::ExpectTractTableUnchanged(before);
  EXPECT_EQ(boxes.Shown().at(0).prompt, "Too many neighbours to giving tract");
}

TEST_F(MovesTest, CallsOutsideThePreconditionsChangeNothing) {
  Lattice(3, 3);
  Tracts({{5}, {1, 2, 3, 4, 6, 7, 8, 9}});
  const std::string before = qeltest::TractTableBytes();
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
