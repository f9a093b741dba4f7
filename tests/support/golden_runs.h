// Seeded whole runs whose every decision is written down as a trace: the
// IBBs built, each iteration's starting tracts, a fingerprint of every trial
// move in order (receiver, IBB, donor, the objective's bits, kept or not),
// the boxes and window operations, the best terms to the last bit and the
// output files. The committed traces in tests/golden pin them; only
// tools/regenerate-golden.sh writes them.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "run_loop.h"

namespace qeltest {

struct GoldenRun {
  std::string name;
  // Loads the study area into the engine at its start-up state, sets the run
  // and seeds the generator, up to the built IBBs; may queue answers to
  // boxes through `answers`. Leaves intNIterations set.
  std::function<void(const std::filesystem::path& scratch, std::deque<int>& answers)> prepare;
  int lookUpTable = 0;  // the value of the options' look-up-table box
};

const std::vector<GoldenRun>& GoldenRuns();
inline void PrintTo(const GoldenRun& run, std::ostream* os) { *os << run.name; }

// Runs one of them in `scratch` (emptied first) and returns its trace. With
// `everyTrial` each trial move gets a line of its own, for finding where two
// traces part; the committed traces hold one fingerprint per iteration.
// `also`, when given, is told of the run's decisions too. With `again` the
// same run is made a second time in the same session, the study area read
// anew as the user would, and its trace (from the preparation on) goes there.
std::string TraceRun(const GoldenRun& run, const std::filesystem::path& scratch, bool everyTrial = false,
                     qel::RunObserver* also = nullptr, std::string* again = nullptr);

// Where the committed trace of a run lives.
std::filesystem::path GoldenPath(const std::string& name);

}  // namespace qeltest
