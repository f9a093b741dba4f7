// The demo data set and the demo map: the blocks are the map's shapes on a 4
// by 4 grid, each drawn in its tract's colour.
#include <algorithm>
#include <map>
#include <set>

#include "test_support.h"

using namespace qel;

namespace {

class DemoTest : public qeltest::EngineTest {
 protected:
  // Records 2..n, record r its own IBB r - 1, in the tracts given from record 2.
  static void Demo(int nRecs, const std::vector<int>& tracts) {
    qeltest::OneIBBPerRecord(nRecs);
    for (int r = 2; r <= nRecs; ++r) arrIBB(r - 1).intTract = static_cast<int16_t>(tracts[r - 2]);
  }
  bool Called(const std::string& call) const {
    return std::find(windows.calls.begin(), windows.calls.end(), call) != windows.calls.end();
  }
};

TEST_F(DemoTest, DataFitTheMapAndSuitRuns) {
  qeltest::LoadRepoArea("data/QELdemo");
  EXPECT_TRUE(boxes.Shown().empty());
  ASSERT_EQ(intNRecs, 11);
  EXPECT_TRUE(blnDemoFile);
  // Areas and shared lengths from the grid (cells of side 100): each cell
  // side is a boundary with the cell beyond it, or with the outside.
  const int grid[4][4] = {{2, 3, 6, 6}, {4, 5, 6, 6}, {7, 9, 11, 11}, {7, 8, 10, 11}};
  std::map<int, double> area;
  std::map<std::pair<int, int>, double> shared, read;
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col) {
      const int r = grid[row][col];
      area[r] += 100 * 100;
      for (auto [dc, dr] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        const int c2 = col + dc, r2 = row + dr;
        const int n = c2 >= 0 && c2 < 4 && r2 >= 0 && r2 < 4 ? grid[r2][c2] : 1;
        if (n != r) shared[{r, n}] += 100;
      }
    }
  // Population A of 1000 in four zones of each layer, each near a target of
  // 250; the layers cross; variables 1 and 2 split population A.
  EXPECT_DOUBLE_EQ(dblTotPopA, 1000);
  EXPECT_EQ(intNHomVars, 3);
  std::map<int, double> zoneA, zoneB;
  std::map<int, std::set<int>> bOfA;
  for (int r = 2; r <= intNRecs; ++r) {
    const udtBB& bb = arrBB(r);
    EXPECT_DOUBLE_EQ(bb.dblArea, area[r]) << r;
    for (int k = 1; k <= bb.intNNbrs; ++k) read[{r, bb.intNbr(k)}] = bb.dblNbrLen(k);
    EXPECT_DOUBLE_EQ(bb.dblHom(1) + bb.dblHom(2), bb.dblPopA) << r;
    EXPECT_GT(bb.dblPopB, 0);
    zoneA[bb.intZoneA] += bb.dblPopA;
    zoneB[bb.intZoneB] += bb.dblPopA;
    bOfA[bb.intZoneA].insert(bb.intZoneB);
  }
  EXPECT_EQ(read, shared);
  for (const auto* layer : {&zoneA, &zoneB}) {
    EXPECT_EQ(layer->size(), 4u);
    for (const auto& [code, pop] : *layer) EXPECT_TRUE(pop >= 200 && pop <= 320) << code << ": " << pop;
  }
  EXPECT_GT(bOfA[3].size(), 1u);
}

TEST_F(DemoTest, ShapesTakeTheirTractsColoursAndShapeTenThatOfRecordEleven) {
  constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kYellow = 0x00FFFF, kGreen = 0x00FF00;
  Demo(12, {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3});
  DrawDemoMap();
  const uint32_t expected[11] = {kRed, kBlue, kYellow, kGreen, 0xFFFFFF, 0x000000, 0xFF00FF, 0xFFFF00,
                                 kRed, kBlue, kBlue};
  for (int k = 0; k < 11; ++k) {
    EXPECT_EQ(windows.shapeColor[k], expected[k]) << "shape " << k;
    EXPECT_EQ(windows.shapeFill[k], kFillSolid);
    EXPECT_EQ(windows.shapeBorder[k], k == 10 ? kBorderTransparent : kBorderSolid);
  }
  EXPECT_EQ(windows.lineBorder, kBorderSolid);
  const auto& c = windows.calls;
  EXPECT_EQ(std::vector<std::string>(c.end() - 3, c.end()),
            (std::vector<std::string>{"MapRefresh", "MapShow", "MapFocusClose"}));

  // A block that moves to tract 4 turns green; tract 9 has no colour and a
  // block without IBB no tract: both keep the colour they had.
  arrIBB(3).intTract = 4;
  arrIBB(4).intTract = 9;
  arrBB(6).intIBB = 0;
  DrawDemoMap();
  EXPECT_EQ((std::vector<uint32_t>{windows.shapeColor[2], windows.shapeColor[3], windows.shapeColor[4]}),
            (std::vector<uint32_t>{kGreen, kGreen, 0xFFFFFF}));

  // Eleven records: shape 10 still takes record 11's colour.
  Demo(11, {4, 4, 4, 4, 4, 4, 4, 4, 4, 1});
  DrawDemoMap();
  EXPECT_EQ(windows.shapeColor[10], kRed);

  // Other sizes draw only the shapes that exist.
  Demo(15, std::vector<int>(14, 3));
  DrawDemoMap();
  EXPECT_FALSE(Called("MapFillStyle 11"));
  EXPECT_EQ(windows.shapeColor[10], kYellow);
  windows.calls.clear();
  Demo(6, std::vector<int>(5, 3));
  DrawDemoMap();
  EXPECT_FALSE(Called("MapFillStyle 10"));
  EXPECT_TRUE(Called("MapShow"));
}

}  // namespace
