// The neighbour lists of arrBB, which only the contiguity reader fills.
#pragma once

namespace qel {

// Empties every neighbour list: a new study area, or a new contiguity file,
// starts from none. It visits only the records that the reader filled.
void ClearNeighbourLists();

}  // namespace qel
