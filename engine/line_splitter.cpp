// The one splitter of every text input: the lines of both input files and the
// homogeneity group definition.
#include "engine.h"

namespace qel {

namespace {
// Lines are scanned with a 16-bit character position.
constexpr std::size_t kMaxLineLength = 32767;
}  // namespace

void SplitLine(const std::string& strLine, TokenArray& strTok, int16_t& intN) {
  for (int k = TokenArray::kLower; k <= TokenArray::kUpper; ++k) strTok(k).clear();
  intN = 1;
  if (strLine.size() > kMaxLineLength) {
    RaiseError(kErrOverflow, "Overflow: a line is longer than 32767 characters");
  }
  // Runs of blanks separate fields and a blank at the end opens an empty
  // one; commas vanish without separating (1,000 reads 1000).
  char previous = ' ';
  for (char c : strLine) {
    if (c == ',') continue;
    if (c == ' ') {
      if (previous != ' ') {
        if (intN == kMaxFields) {
          RaiseSubscriptError("a line has more than 50 fields");
        }
        ++intN;
        previous = ' ';
      }
    } else {
      strTok(intN) += c;
      previous = c;
    }
  }
}

}  // namespace qel
