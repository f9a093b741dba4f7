// The demo data set must fit the demo map: the blocks are the map's shapes on
// a 4 by 4 grid, so areas and shared lengths follow from the cells.
#include <map>
#include <set>
#include <utility>

#include "test_support.h"

using namespace qel;

namespace {

constexpr double kSide = 100;

// Record of each cell, rows 0..3 of columns 0..3, as the map draws them.
const int kGrid[4][4] = {{2, 3, 6, 6}, {4, 5, 6, 6}, {7, 9, 11, 11}, {7, 8, 10, 11}};

class DemoData : public qeltest::EngineTest {};

}  // namespace

TEST_F(DemoData, BlocksFitTheMapAndSuitRuns) {
  std::string a, b;
  ReadIntersectionFile(0, qeltest::RepoPath("data/QELdemo.pat"), a, b);
  int16_t arcs = 0;
  ReadContiguityFile(qeltest::RepoPath("data/QELdemo.ctg"), arcs);
  EXPECT_TRUE(boxes.Shown().empty());
  ASSERT_EQ(intNRecs, 11);
  EXPECT_TRUE(blnDemoFile);

  // Areas and shared lengths from the grid: each cell side is a boundary
  // with the cell beyond it, or with the outside (record 1).
  std::map<int, double> area;
  std::map<std::pair<int, int>, double> shared;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      const int r = kGrid[row][col];
      area[r] += kSide * kSide;
      for (auto [dc, dr] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        const int c2 = col + dc, r2 = row + dr;
        const int n = c2 >= 0 && c2 < 4 && r2 >= 0 && r2 < 4 ? kGrid[r2][c2] : 1;
        if (n != r) shared[{r, n}] += kSide;
      }
    }
  std::map<std::pair<int, int>, double> read;
  for (int r = 2; r <= 11; ++r) {
    EXPECT_DOUBLE_EQ(arrBB(r).dblArea, area[r]) << r;
    for (int k = 1; k <= arrBB(r).intNNbrs; ++k) read[{r, arrBB(r).intNbr(k)}] = arrBB(r).dblNbrLen(k);
  }
  EXPECT_EQ(read, shared);

  // Population A of 1000 in four zones of each layer, each near a target of
  // 250; the layers cross; variables 1 and 2 split population A.
  EXPECT_DOUBLE_EQ(dblTotPopA, 1000);
  EXPECT_EQ(intNHomVars, 3);
  std::map<int, double> zoneA, zoneB;
  std::map<int, std::set<int>> bOfA;
  for (int r = 2; r <= intNRecs; ++r) {
    const udtBB& bb = arrBB(r);
    EXPECT_DOUBLE_EQ(bb.dblHom(1) + bb.dblHom(2), bb.dblPopA) << r;
    EXPECT_GT(bb.dblPopB, 0);
    zoneA[bb.intZoneA] += bb.dblPopA;
    zoneB[bb.intZoneB] += bb.dblPopA;
    bOfA[bb.intZoneA].insert(bb.intZoneB);
  }
  for (const auto* layer : {&zoneA, &zoneB}) {
    EXPECT_EQ(layer->size(), 4u);
    for (const auto& [code, pop] : *layer) EXPECT_TRUE(pop >= 200 && pop <= 320) << code << ": " << pop;
  }
  EXPECT_GT(bOfA[3].size(), 1u);
}
