// The demo map: one shape per block of the demo data set in its tract's colour.
#include <algorithm>
#include <string>

#include "run_helpers.h"
#include "test_support.h"

using namespace qel;

namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kYellow = 0x00FFFF, kGreen = 0x00FF00;

class DemoMapTest : public qeltest::EngineTest {
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

TEST_F(DemoMapTest, ShapesTakeTheirTractsColoursAndShapeTenThatOfRecordEleven) {
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
  EXPECT_EQ(windows.shapeColor[2], kGreen);
  EXPECT_EQ(windows.shapeColor[3], kGreen);
  EXPECT_EQ(windows.shapeColor[4], 0xFFFFFFu);

  // Eleven records: shape 10 still takes record 11's colour.
  Demo(11, {4, 4, 4, 4, 4, 4, 4, 4, 4, 1});
  DrawDemoMap();
  EXPECT_EQ(windows.shapeColor[10], kRed);
}

TEST_F(DemoMapTest, OtherSizesDrawOnlyTheShapesThatExist) {
  Demo(15, std::vector<int>(14, 3));
  DrawDemoMap();
  EXPECT_FALSE(Called("MapFillStyle 11 0"));
  EXPECT_EQ(windows.shapeColor[10], kYellow);
  windows.calls.clear();
  Demo(6, std::vector<int>(5, 3));
  DrawDemoMap();
  EXPECT_FALSE(Called("MapFillStyle 10 0"));
  EXPECT_TRUE(Called("MapShow"));
}

}  // namespace
