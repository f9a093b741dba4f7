// What the readers of the intersection file share: its channel, its header
// question, and the fields of a line.
#pragma once

#include <string>

#include "engine.h"
#include "line_splitter.h"

namespace qel {

constexpr int kIntersectionChannel = 1;

// Opens the file on its channel. With intHeader 1 the first line is shown
// for confirmation: on OK its fields are left in tok, otherwise the file is
// closed and the result is false. `line` counts the lines read (the header).
bool OpenIntersectionFile(int16_t intHeader, const std::string& strFile, TokenArray& tok, int& line);

// Field k of a split line, empty past the last one.
inline std::string_view Field(const LineFields& fields, int k) {
  return k <= fields.n ? fields.field[static_cast<std::size_t>(k)] : std::string_view();
}

}  // namespace qel
