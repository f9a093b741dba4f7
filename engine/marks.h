// Marks on the numbers 0 to kTableSize (IBBs, with 0 for the outside, or
// blocks) that hold for one operation. Begin voids every earlier mark by
// advancing a stamp, so an operation costs what it marks, never the table.
#pragma once

#include <array>
#include <cstdint>

#include "engine.h"

namespace qel {

struct Marks {
  static constexpr bool InRange(int x) { return x >= 0 && x <= kTableSize; }

  void Begin() {
    if (++current == 0) {  // wrapped: no old stamp may look current
      stamp.fill(0);
      current = 1;
    }
  }
  // Out-of-range numbers are never marked.
  bool Has(int x) const { return InRange(x) && stamp[static_cast<std::size_t>(x)] == current; }
  // The value of a marked number.
  int Get(int x) const { return value[static_cast<std::size_t>(x)]; }
  // x must be in range.
  void Set(int x, int v) {
    stamp[static_cast<std::size_t>(x)] = current;
    value[static_cast<std::size_t>(x)] = v;
  }

  uint32_t current = 0;
  std::array<uint32_t, kTableSize + 1> stamp{};
  std::array<int32_t, kTableSize + 1> value{};
};

}  // namespace qel
