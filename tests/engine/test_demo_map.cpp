#include <algorithm>
#include <string>

#include "run_helpers.h"
#include "test_support.h"

using namespace qel;

namespace {

constexpr uint32_t kRed = 0x0000FF, kBlue = 0xFF0000, kYellow = 0x00FFFF, kGreen = 0x00FF00;
constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000, kMagenta = 0xFF00FF, kCyan = 0xFFFF00;

// Records 2..n each form their own IBB (record r is IBB r - 1), in tract t(r).
class DemoMapTest : public qeltest::EngineTest {
 protected:
  static void Demo(int nRecs) { qeltest::OneIBBPerRecord(nRecs); }
  static void SetTract(int r, int t) { arrIBB(r - 1).intTract = static_cast<int16_t>(t); }
  bool Called(const std::string& call) const {
    return std::find(windows.calls.begin(), windows.calls.end(), call) != windows.calls.end();
  }
};

TEST_F(DemoMapTest, EachOfTheEightTractsHasItsColour) {
  Demo(12);
  for (int r = 2; r <= 9; ++r) SetTract(r, r - 1);
  SetTract(10, 1);
  SetTract(11, 2);
  SetTract(12, 3);
  DrawDemoMap();
  const uint32_t expected[9] = {kRed, kBlue, kYellow, kGreen, kWhite, kBlack, kMagenta, kCyan, kRed};
  for (int k = 0; k < 9; ++k) {
    EXPECT_EQ(windows.shapeColor[k], expected[k]) << "shape " << k;
    EXPECT_EQ(windows.shapeFill[k], kFillSolid);
    EXPECT_EQ(windows.shapeBorder[k], kBorderSolid);
  }
  // Record 12's own shape 10 ends in record 11's colour, without a border.
  EXPECT_EQ(windows.shapeColor[9], kBlue);
  EXPECT_EQ(windows.shapeColor[10], kBlue);
  EXPECT_EQ(windows.shapeBorder[10], kBorderTransparent);
  EXPECT_EQ(windows.shapeFill[10], kFillSolid);
  EXPECT_EQ(windows.lineBorder, kBorderSolid);
  // The window is repainted before it is shown and the focus goes to Close.
  const auto& c = windows.calls;
  ASSERT_GE(c.size(), 3u);
  EXPECT_EQ(c[c.size() - 3], "MapRefresh");
  EXPECT_EQ(c[c.size() - 2], "MapShow");
  EXPECT_EQ(c[c.size() - 1], "MapFocusClose");
}

TEST_F(DemoMapTest, ElevenRecordsStillColourShapeTenFromRecordEleven) {
  Demo(11);
  for (int r = 2; r <= 11; ++r) SetTract(r, 4);
  SetTract(11, 1);
  DrawDemoMap();
  EXPECT_EQ(windows.shapeColor[0], kGreen);
  EXPECT_EQ(windows.shapeColor[9], kRed);
  EXPECT_EQ(windows.shapeColor[10], kRed);
  EXPECT_EQ(windows.shapeBorder[10], kBorderTransparent);
}

TEST_F(DemoMapTest, TractsWithoutColourAndBlocksWithoutIBBKeepTheEarlierColour) {
  Demo(12);
  for (int r = 2; r <= 12; ++r) SetTract(r, 2);
  DrawDemoMap();
  EXPECT_EQ(windows.shapeColor[3], kBlue);
  // Block 5 moves from tract 2 to tract 4: blue turns green.
  SetTract(5, 4);
  // Tract 9 has no colour; block 6 loses its IBB: both keep blue.
  SetTract(4, 9);
  arrBB(6).intIBB = 0;
  windows.shapeFill[2] = windows.shapeBorder[2] = -1;
  DrawDemoMap();
  EXPECT_EQ(windows.shapeColor[3], kGreen);
  EXPECT_EQ(windows.shapeColor[2], kBlue);
  EXPECT_EQ(windows.shapeColor[4], kBlue);
  EXPECT_EQ(windows.shapeFill[2], kFillSolid);
  EXPECT_EQ(windows.shapeBorder[2], kBorderSolid);
}

TEST_F(DemoMapTest, OtherSizesDrawOnlyTheShapesThatExist) {
  // More than 12 records: records past 12 have no shape.
  Demo(15);
  for (int r = 2; r <= 15; ++r) SetTract(r, 3);
  DrawDemoMap();
  for (const auto& call : windows.calls) {
    EXPECT_EQ(call.find("Map") == 0 && call.find(" 11 ") != std::string::npos, false) << call;
  }
  EXPECT_EQ(windows.shapeColor[10], kYellow);

  // Fewer than 11 records: shape 10 is left as designed.
  windows.calls.clear();
  Demo(6);
  DrawDemoMap();
  EXPECT_FALSE(Called("MapFillStyle 10 0"));
  EXPECT_FALSE(Called("MapBorderStyle 10 0"));
  EXPECT_TRUE(Called("MapLineBorder 1"));
  EXPECT_TRUE(Called("MapShow"));

  // No records at all: the map is still shown.
  windows.calls.clear();
  intNRecs = 0;
  DrawDemoMap();
  EXPECT_TRUE(Called("MapShow"));
}

}  // namespace
