// The tract of a building block, through its intermediate building block.
// Shared by the writers and the demo map, which must cope with blocks that
// belong to no IBB in this run (the outside, a block whose own number is not
// positive) and with a best solution restored from an earlier run whose IBBs
// were not this run's.
#pragma once

#include <cstdint>

#include "engine.h"

namespace qel {

// The IBB that really holds record r, or 0 when none does.
inline int16_t IBBOfBlock(int r) {
  if (r < 1 || r > kTableSize) return 0;
  const int16_t g = arrBB(r).intIBB;
  if (g < 1 || g > intNIBB) return 0;
  const udtIBB& ibb = arrIBB(g);
  for (int k = 1; k <= ibb.intNMembers && k <= kListSize; ++k)
    if (ibb.intMember(k) == r) return g;
  return 0;
}

// The current tract of record r's IBB, or 0 when the block has no IBB.
inline int16_t TractOfBlock(int r) {
  const int16_t g = IBBOfBlock(r);
  return g == 0 ? 0 : arrIBB(g).intTract;
}

}  // namespace qel
