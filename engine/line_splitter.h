// The fields of one line of text, as SplitLine splits it, without copying
// them: the readers take each line's fields from here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine.h"

namespace qel {

struct LineFields {
  int16_t n = 0;
  std::array<std::string_view, kMaxFields + 1> field;  // 1..n; they point into the line or `joined`
  std::string joined;                                    // the line without its commas, when it had any
};

// Runs of blanks separate fields and a blank at the end opens an empty one;
// commas vanish without separating (1,000 reads 1000). A line of more than
// 32767 characters is error 6, more than 50 fields error 9. The fields stay
// valid while the line and `out` do.
void SplitFields(std::string_view line, LineFields& out);

}  // namespace qel
