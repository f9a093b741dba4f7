// What the two readers of the intersection file share: its channel, the
// header question and the record limit.
#pragma once

#include <string>

#include "engine.h"

namespace qel {

constexpr int kIntersectionChannel = 1;

// Opens the file on its channel. With intHeader 1 the first line is shown
// for confirmation: on OK its fields are left in tok, otherwise the file is
// closed and the result is false. `line` counts the lines read (the header).
bool OpenIntersectionFile(int16_t intHeader, const std::string& strFile, TokenArray& tok, int& line);

// True when `records` records are read: one more would pass intMaxRecs.
inline bool AtRecordLimit(int records) { return records >= intMaxRecs; }

// Shows "Too many zone records in intersection file" and closes the file.
void StopAtRecordLimit();

}  // namespace qel
