// Inspection point of the run loop, for checks that follow a run move by move.
#pragma once

#include <cstdint>
#include <functional>

namespace qel {

// Called after every trial move that the move pass keeps, with the IBB, the
// tract it left and the tract it joined. Empty (the default) calls nothing.
using KeptMoveObserver = std::function<void(int16_t intIBB, int16_t intFrom, int16_t intTo)>;
void SetKeptMoveObserver(KeptMoveObserver observer);

// Trial moves made since the program started, kept or not (for measurements).
int64_t TrialMoveCount();

}  // namespace qel
