// The tract of a building block: the tract of the IBB that its intIBB names.
// The restore of the best solution at the end of a run sets both links, so
// after it this reads the best solution, also one kept from an earlier run
// whose IBBs were numbered otherwise. Shared by the approximate-matching
// term, the writers and the demo map.
#pragma once

#include <cstdint>
#include <utility>

#include "engine.h"

namespace qel {

// The IBB that record r's intIBB names, or 0 when r is in no IBB (the
// outside, a block whose own number is not positive).
inline int16_t IBBOfBlock(int r) {
  if (!arrBB.InBounds(r)) return 0;
  const int16_t g = std::as_const(arrBB)(r).intIBB;
  if (g < 1 || g > intNIBB) return 0;
  return g;
}

// t when it names a tract of the table, else 0.
inline int16_t TractInTable(int16_t t) { return t >= 1 && t <= intNTracts ? t : 0; }

// The tract of IBB g, or 0 when g is no IBB or its tract is not in the table.
inline int16_t TractOfIBB(int g) {
  return g >= 1 && g <= intNIBB ? TractInTable(std::as_const(arrIBB)(g).intTract) : 0;
}

inline int16_t TractOfBlock(int r) { return TractOfIBB(IBBOfBlock(r)); }

}  // namespace qel
