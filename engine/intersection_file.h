// What the two readers of the intersection file share: its channel, the
// header question and the record limit.
#pragma once

#include <string>

#include "engine.h"

namespace qel {

constexpr int kIntersectionChannel = 1;

// Opens the file on its channel. With intHeader 1 the first line is shown
// for confirmation: on OK its fields are left in tok, otherwise the file is
// closed and the result is false.
bool OpenIntersectionFile(int16_t intHeader, const std::string& strFile, TokenArray& tok);

// Called before each further line: true once intMaxRecs records are read.
// The message is shown, the file closed, and the load counts as failed
// (intNRecs 0), since a study area cut short would be run as if it were whole.
bool RecordLimitReached();

// Empties the neighbour list of every record: a new study area, or a new
// contiguity file, starts from none. Lives with the contiguity reader.
void ClearNeighbourLists();

}  // namespace qel
