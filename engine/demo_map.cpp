// Colours the demo map: one fixed rectangle per block of the demo data set,
// filled with the colour of the block's current tract.
#include <cstdint>

#include "block_tract.h"
#include "engine.h"

namespace qel {

namespace {

constexpr int kLastShape = 10;  // shapes 0..10 stand for records 2..12

// Platform colour values (0x00BBGGRR) of tracts 1 to 8; 0 = no colour.
uint32_t TractColour(int t) {
  static const uint32_t kColours[8] = {0x0000FF, 0xFF0000, 0x00FFFF, 0x00FF00,
                                       0xFFFFFF, 0x000000, 0xFF00FF, 0xFFFF00};
  return kColours[t - 1];
}

bool HasColour(int t) { return t >= 1 && t <= 8; }

}  // namespace

void DrawDemoMap() {
  WindowOps& w = Windows();
  // Records past 12 have no shape on the map and are left out.
  const int nRecs = intNRecs;
  for (int r = 2; r <= nRecs && r - 2 <= kLastShape; ++r) {
    const int k = r - 2;
    w.SetMapShapeFillStyle(k, kFillSolid);
    w.SetMapShapeBorderStyle(k, kBorderSolid);
    const int t = TractOfBlock(r);
    if (HasColour(t)) w.SetMapShapeFillColor(k, TractColour(t));
  }
  // Shape 10 completes record 11's L-shaped area, so it takes record 11's
  // colour and no border; without a record 11 it keeps its design.
  if (nRecs >= 11) {
    const int t = TractOfBlock(11);
    if (HasColour(t)) w.SetMapShapeFillColor(kLastShape, TractColour(t));
    w.SetMapShapeFillStyle(kLastShape, kFillSolid);
    w.SetMapShapeBorderStyle(kLastShape, kBorderTransparent);
  }
  w.SetMapLineBorderStyle(kBorderSolid);
  w.RefreshMap();
  w.ShowMap();
  w.FocusMapClose();
}

}  // namespace qel
