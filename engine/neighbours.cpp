// Whether the study area has contiguity: a new intersection file drops the
// neighbour lists of the earlier contiguity file, a contiguity file that
// names no known block fills none.
#include "engine.h"

namespace qel {

bool AnyBlockHasNeighbours() {
  for (int r = 1; r <= intNRecs && r <= kTableSize; ++r)
    if (arrBB(r).intNNbrs > 0) return true;
  return false;
}

}  // namespace qel
