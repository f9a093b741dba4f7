// The neighbour lists of arrBB, which the contiguity reader fills.
#pragma once

namespace qel {

// Empties the neighbour list of every record: a new study area, or a new
// contiguity file, starts from none.
void ClearNeighbourLists();

}  // namespace qel
