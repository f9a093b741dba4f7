// One whole benchmark run per process, for counting instructions under
// callgrind (tools/bench-instructions.sh, tools/bench-compare.sh): start-up,
// the generated study area, the preparation and every iteration, exactly as
// the benchmark and the golden traces run them.
//
//   count_runs CONFIG COLS ROWS
//   CONFIG: threshold | target-shape | target-shape-homog | matching-fixed-a
//
// Prints one line of key=value pairs: the trial moves and kept moves, a
// fingerprint of every trial decision (two engines that decide alike print
// the same), the best tract count, wall times, peak resident memory and
// page faults. Uses only what the engine offered before the optimisation,
// so the same source builds against older revisions for comparisons.
#include <sys/resource.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "bench_config.h"
#include "engine.h"
#include "run_loop.h"

namespace {

using qelbench::Config;

// FNV-1a over each trial's receiver, IBB, donor, objective bits and outcome.
// Named so that the scripts can subtract its own cost from the move pass.
class DecisionRecorder : public qel::RunObserver {
 public:
  void Tried(int16_t receiver, int16_t ibb, int16_t donor, double objective, bool kept) override {
    Add(static_cast<uint64_t>(static_cast<uint16_t>(receiver)) | static_cast<uint64_t>(static_cast<uint16_t>(ibb)) << 16 |
        static_cast<uint64_t>(static_cast<uint16_t>(donor)) << 32 | static_cast<uint64_t>(kept) << 48);
    Add(std::bit_cast<uint64_t>(objective));
    kept_ += kept;
  }
  uint64_t Hash() const { return h_; }
  int64_t Kept() const { return kept_; }

 private:
  void Add(uint64_t v) {
    for (int k = 0; k < 8; ++k) {
      h_ ^= (v >> (8 * k)) & 0xFF;
      h_ *= 0x100000001B3ULL;
    }
  }
  uint64_t h_ = 0xCBF29CE484222325ULL;
  int64_t kept_ = 0;
};

bool ParseConfig(const char* s, Config& config) {
  const struct {
    const char* name;
    Config config;
  } names[] = {{"threshold", Config::kThresholdOnly},
               {"target-shape", Config::kTargetShape},
               {"target-shape-homog", Config::kTargetShapeHomog},
               {"matching-fixed-a", Config::kMatchingFixedA}};
  for (const auto& n : names)
    if (std::strcmp(s, n.name) == 0) {
      config = n.config;
      return true;
    }
  return false;
}

// A whole number in [lo, hi], or -1.
int ParseSize(const char* s, int lo, int hi) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (end == s || *end != '\0' || v < lo || v > hi) return -1;
  return static_cast<int>(v);
}

double MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char** argv) {
  Config config{};
  const int cols = argc == 4 ? ParseSize(argv[2], 1, qel::kTableSize) : -1;
  const int rows = argc == 4 ? ParseSize(argv[3], 1, qel::kTableSize) : -1;
  if (argc != 4 || !ParseConfig(argv[1], config) || cols < 0 || rows < 0 || cols * rows > qel::kTableSize - 1) {
    std::fprintf(stderr,
                 "usage: count_runs threshold|target-shape|target-shape-homog|matching-fixed-a COLS ROWS\n"
                 "       (COLS x ROWS at most %d blocks)\n",
                 qel::kTableSize - 1);
    return 2;
  }
  // A folder of its own, so that runs side by side never share lattice files.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("qel_count_runs_" + std::to_string(getpid()));

  const auto start = std::chrono::steady_clock::now();
  qelbench::PrepareRun(dir, cols, rows, config);
  const double prepareMs = MsSince(start);

  DecisionRecorder recorder;
  qel::SetRunObserver(&recorder);
  const int64_t trialsBefore = qel::TrialMoveCount();
  const auto runStart = std::chrono::steady_clock::now();
  qel::intNIterations = qelbench::kRunIterations;
  qel::datRunStart = qel::TimeOfDay();
  qel::RunIterations(qel::intNIterations);
  const double runMs = MsSince(runStart);
  qel::SetRunObserver(nullptr);
  const int64_t trials = qel::TrialMoveCount() - trialsBefore;

  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);

  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf(
      "config=%s blocks=%d trials=%lld kept=%lld decisions=%016llx best_tracts=%d prepare_ms=%.3f run_ms=%.3f "
      "maxrss_kb=%ld minflt=%ld\n",
      argv[1], cols * rows, static_cast<long long>(trials), static_cast<long long>(recorder.Kept()),
      static_cast<unsigned long long>(recorder.Hash()), static_cast<int>(qel::intNBestTracts), prepareMs, runMs,
      usage.ru_maxrss, usage.ru_minflt);
  return 0;
}
