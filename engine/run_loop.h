// Inspection points of the run loop, for checks that follow a run decision by
// decision and for measurements.
#pragma once

#include <cstdint>

namespace qel {

// Told of every decision of a run; the defaults ignore it.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // An iteration's starting tracts stand and have been evaluated (objective
  // 0.5 without constraints, when nothing is evaluated).
  virtual void Started(int /*iteration*/, double /*allowance*/, double /*objective*/) {}
  // A trial move of IBB intIBB from intDonor into intReceiver was judged;
  // kept or put back.
  virtual void Tried(int16_t /*intReceiver*/, int16_t /*intIBB*/, int16_t /*intDonor*/, double /*objective*/,
                     bool /*kept*/) {}
  // The move pass is over and the iteration was compared with the best.
  virtual void Finished(int /*iteration*/, double /*objective*/) {}
};

// Installs the observer (not owned); nullptr removes it.
void SetRunObserver(RunObserver* observer);

// Trial moves made since the program started, kept or not (for measurements).
int64_t TrialMoveCount();

}  // namespace qel
