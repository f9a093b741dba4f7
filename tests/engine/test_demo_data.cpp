// The demo data set must fit the demo map: the blocks are the map's shapes on
// a 4 by 4 grid, so areas and shared lengths follow from the cells.
#include <map>
#include <utility>

#include "test_support.h"

using namespace qel;

namespace {

constexpr double kSide = 100;

// Record of each cell (column, row), as the map draws them.
const int kGrid[4][4] = {
    // row 0..3, column 0..3
    {2, 3, 6, 6},
    {4, 5, 6, 6},
    {7, 9, 11, 11},
    {7, 8, 10, 11},
};

class DemoData : public qeltest::EngineTest {
 protected:
  void Load() {
    std::string a, b;
    ReadIntersectionFile(0, qeltest::RepoPath("data/QELdemo.pat"), a, b);
    int16_t arcs = 0;
    ReadContiguityFile(qeltest::RepoPath("data/QELdemo.ctg"), arcs);
    EXPECT_GT(arcs, 0);
    EXPECT_TRUE(boxes.Shown().empty());
  }
};

}  // namespace

TEST_F(DemoData, BlocksMatchTheMapGrid) {
  Load();
  ASSERT_EQ(intNRecs, 11);
  EXPECT_TRUE(blnDemoFile);
  std::map<int, int> cells;
  std::map<std::pair<int, int>, double> shared;  // (block, neighbour) -> length
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) {
      const int r = kGrid[row][col];
      ++cells[r];
      const int dc[4] = {1, -1, 0, 0};
      const int dr[4] = {0, 0, 1, -1};
      for (int d = 0; d < 4; ++d) {
        const int c2 = col + dc[d], r2 = row + dr[d];
        const bool inside = c2 >= 0 && c2 < 4 && r2 >= 0 && r2 < 4;
        const int n = inside ? kGrid[r2][c2] : 1;
        if (n != r) shared[{r, n}] += kSide;
      }
    }
  }
  for (int r = 2; r <= 11; ++r) {
    SCOPED_TRACE(r);
    const udtBB& bb = arrBB(r);
    EXPECT_DOUBLE_EQ(bb.dblArea, cells[r] * kSide * kSide);
    int expectedNbrs = 0;
    for (const auto& [key, len] : shared) {
      if (key.first != r) continue;
      ++expectedNbrs;
      bool found = false;
      for (int k = 1; k <= bb.intNNbrs; ++k) {
        if (bb.intNbr(k) == key.second) {
          found = true;
          EXPECT_DOUBLE_EQ(bb.dblNbrLen(k), len) << "neighbour " << key.second;
        }
      }
      EXPECT_TRUE(found) << "neighbour " << key.second;
    }
    EXPECT_EQ(bb.intNNbrs, expectedNbrs);
  }
}

TEST_F(DemoData, PopulationsZonesAndVariablesSuitRuns) {
  Load();
  EXPECT_DOUBLE_EQ(dblTotPopA, 1000);
  EXPECT_EQ(intNHomVars, 3);
  std::map<int, double> zoneA, zoneB;
  for (int r = 2; r <= intNRecs; ++r) {
    const udtBB& bb = arrBB(r);
    EXPECT_DOUBLE_EQ(bb.dblHom(1) + bb.dblHom(2), bb.dblPopA) << "record " << r;
    EXPECT_GT(bb.dblPopB, 0);
    zoneA[bb.intZoneA] += bb.dblPopA;
    zoneB[bb.intZoneB] += bb.dblPopA;
  }
  // Four zones in each layer, each near a target of 250, so that fixed-layer
  // and matching runs have sensible tracts.
  for (const auto* layer : {&zoneA, &zoneB}) {
    EXPECT_EQ(layer->size(), 4u);
    for (const auto& [code, pop] : *layer) {
      EXPECT_GE(pop, 200) << "zone " << code;
      EXPECT_LE(pop, 320) << "zone " << code;
    }
  }
  // The two layers cross: some zone of A is split between zones of B.
  bool crossing = false;
  for (int r = 2; r <= intNRecs; ++r)
    for (int s = 2; s <= intNRecs; ++s)
      if (arrBB(r).intZoneA == arrBB(s).intZoneA && arrBB(r).intZoneB != arrBB(s).intZoneB) crossing = true;
  EXPECT_TRUE(crossing);
}
