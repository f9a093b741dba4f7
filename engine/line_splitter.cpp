// The one splitter of every text input: the lines of both input files and the
// homogeneity group definition.
#include "line_splitter.h"

#include <cstring>

namespace qel {

namespace {
void CheckLength(std::string_view line) {
  if (line.size() > kMaxLineLength) RaiseError(kErrOverflow, kLineTooLong);
}
}  // namespace

void SplitFields(std::string_view line, LineFields& out) {
  CheckLength(line);
  // Commas vanish: the fields are those of the line without them.
  if (std::memchr(line.data(), ',', line.size()) != nullptr) {
    out.joined.clear();
    for (char c : line)
      if (c != ',') out.joined.push_back(c);
    line = out.joined;
  }
  out.n = 1;
  const char* p = line.data();
  const char* const end = p + line.size();
  while (p < end && *p == ' ') ++p;  // blanks before the first field open none
  while (p < end) {
    const char* start = p;
    while (p < end && *p != ' ') ++p;
    out.field[static_cast<std::size_t>(out.n)] = std::string_view(start, static_cast<std::size_t>(p - start));
    if (p == end) return;
    // A blank after a field opens the next one, also at the end of the line.
    if (out.n == kMaxFields) RaiseSubscriptError("a line has more than 50 fields");
    ++out.n;
    while (p < end && *p == ' ') ++p;
  }
  out.field[static_cast<std::size_t>(out.n)] = std::string_view();
}

void SplitLine(const std::string& strLine, TokenArray& strTok, int16_t& intN) {
  for (int k = TokenArray::kLower; k <= TokenArray::kUpper; ++k) strTok(k).clear();
  intN = 1;
  CheckLength(strLine);
  static LineFields fields;
  SplitFields(strLine, fields);
  intN = fields.n;
  for (int k = 1; k <= intN; ++k) strTok(k) = fields.field[static_cast<std::size_t>(k)];
}

}  // namespace qel
