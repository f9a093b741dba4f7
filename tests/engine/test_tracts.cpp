// Preparation of the IBBs and the tract operations: adds, merges and moves
// against values computed from scratch, and the list limits.
#include <random>

#include "test_support.h"

using namespace qel;
using qeltest::ShownBox;
using Ints = std::vector<int>;

namespace {

class Tracts : public qeltest::EngineTest {
 protected:
  void Lattice(int cols, int rows) {
    qeltest::LoadLattice(tempDir, {.cols = cols, .rows = rows});
    BuildIntermediateBBs();
    ResetTracts();
    boxes.Clear();
    for (int g = 1; g <= intNIBB; ++g) arrIBB(g).intTract = 0;
  }
  static Ints Run(int from, int to) {
    Ints v;
    for (int g = from; g <= to; ++g) v.push_back(g);
    return v;
  }
  void ExpectRefused(const std::function<void()>& op, const ShownBox& box) {
    boxes.Clear();
    const std::string before = qeltest::TractTableBytes();
    op();
    EXPECT_TRUE(qeltest::TractTableBytes() == before) << box.prompt << ": the tract table changed";
    EXPECT_EQ(boxes.Shown(), std::vector<ShownBox>{box});
  }
};

TEST_F(Tracts, FixedCodesCloseOverBothLayers) {
  qeltest::LoadLattice(tempDir, {.cols = 5, .rows = 2, .zoneA = 1, .zoneB = 1});
  arrBB(2).intZoneA = arrBB(3).intZoneA = -1;  // A joins 2 and 3, B joins 3 and 4
  arrBB(3).intZoneB = arrBB(4).intZoneB = -2;
  blnFixedA = blnFixedB = true;
  BuildIntermediateBBs();
  ASSERT_EQ(intNIBB, 8);
  EXPECT_EQ((Ints{arrIBB(1).intNMembers, arrBB(2).intIBB, arrBB(3).intIBB, arrBB(4).intIBB, arrBB(5).intIBB}),
            (Ints{3, 1, 1, 1, 2}));
  EXPECT_DOUBLE_EQ(arrIBB(1).dblPop, arrBB(2).dblPopA + arrBB(3).dblPopA + arrBB(4).dblPopA);
  ASSERT_EQ(arrIBB(1).intNbr(1), 1);  // the outside once, with the length of all four sides
  EXPECT_DOUBLE_EQ(arrIBB(1).dblNbrLen(1), 4.0);
}

// Thousands of random moves between neighbouring tracts, and now and then a
// merge, with no layer, one or both fixed.
TEST_F(Tracts, RandomAddsMovesAndMergesKeepEveryTractTrue) {
  std::mt19937 gen(11);
  auto pick = [&gen](int n) { return std::uniform_int_distribution<int>(1, n)(gen); };
  for (auto [fixA, fixB] : {std::pair{false, false}, {true, false}, {false, true}, {true, true}}) {
    SCOPED_TRACE(testing::Message() << "A " << fixA << " B " << fixB);
    qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 30, .homVars = 3, .seed = 3});
    blnFixedA = fixA, blnFixedB = fixB, blnHomog = true;
    intNHomGroups = 2, intGroupSize(1) = 2, intGroupSize(2) = 1;
    BuildIntermediateBBs();
    qeltest::GrowTracts(fixA || fixB ? 3 : 6);
    ASSERT_EQ(qeltest::TractsDiffer(true), "");
    int moves = 0, merges = 0;
    for (int step = 0; step < 3000; ++step) {
      const int r = pick(intNTracts);
      if (arrTract(r).intNNbrs == 0) continue;
      const int i = arrTract(r).intNbr(pick(arrTract(r).intNNbrs));
      const int donor = i ? arrIBB(i).intTract : 0;
      if (i == 0) continue;
      if (step % 50 == 0 && arrTract(r).intNMembers + arrTract(donor).intNMembers <= 60) {
        int16_t into = static_cast<int16_t>(r);
        MergeTracts(static_cast<int16_t>(donor), into);
        ASSERT_EQ(into, donor < r ? r - 1 : r);
        ASSERT_EQ(qeltest::TractsDiffer(false), "") << "merge";
        qeltest::FinishTractsFromScratch();  // a merge leaves the lengths to its caller
        ++merges;
      } else if (arrTract(donor).intNMembers > 1) {
        MoveIBBToTract(static_cast<int16_t>(r), static_cast<int16_t>(i));
        ASSERT_EQ(qeltest::Members(r).back(), i);
        ASSERT_EQ(qeltest::TractsDiffer(true), "") << "move " << i << " to " << r;
        ++moves;
      }
    }
    EXPECT_GT(moves, 300);
    EXPECT_GT(merges, 10);
    EXPECT_TRUE(boxes.Shown().empty());
  }
}

TEST_F(Tracts, LimitsAreRefusedWithTheTablesUnchanged) {
  Lattice(40, 25);  // rows of 40: runs of IBB numbers are connected
  qeltest::MakeTract(1, Run(1, 250));
  qeltest::MakeTract(2, Run(251, 500));
  qeltest::MakeTract(3, Run(501, 751));
  int16_t into = 1;
  ExpectRefused([&] { MergeTracts(3, into); }, {"Too many members to merged tract", 16, "Error merging tracts"});
  MergeTracts(2, into);
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  ExpectRefused([] { MoveIBBToTract(1, 751); },
                {"Too many members to receiving tract", 16, "Error moving intermediate BB"});
  // Runs along the middle row of 3 x 310 cells: two neighbour entries a cell.
  Lattice(310, 3);
  auto middle = [](int from, int to) { return Run(311 + from, 311 + to); };
  qeltest::MakeTract(1, middle(0, 149));
  qeltest::MakeTract(2, middle(151, 300));
  into = 2;
  ExpectRefused([&] { MergeTracts(1, into); }, {"Too many neighbours to merged tract", 16, "Error merging tracts"});
  // With a cell of the top row the count is odd: 499 entries, then 501.
  Lattice(310, 3);
  qeltest::MakeTract(1, Ints{301});
  int x = 311;
  for (AddIBBToTract(1, 311); arrIBB(x).intTract == 1;) AddIBBToTract(1, static_cast<int16_t>(++x));
  EXPECT_EQ(arrIBB(x).intTract, 0);  // refused, without a message: the aggregations go on
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(arrTract(1).intNNbrs, 499);
  Lattice(310, 3);
  Ints run = middle(0, 246);
  run.insert(run.begin(), 301);
  qeltest::MakeTract(1, run);
  qeltest::MakeTract(2, middle(247, 248));
  ASSERT_EQ(arrTract(1).intNNbrs, 499);
  ExpectRefused([] { MoveIBBToTract(1, 311 + 247); },
                {"Too many neighbours to receiving tract", 16, "Error moving intermediate BB"});
}

}  // namespace
