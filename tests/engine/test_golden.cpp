// Every decision of seeded whole runs, compared with the committed traces.
// A difference means the search decided differently or did less; when that
// is intended, tools/regenerate-golden.sh writes the traces anew. Whatever
// the traces say, every kept move must leave sound tracts, and the same run
// made again in the session must decide alike.
#include <unistd.h>

#include <sstream>
#include <vector>

#include "golden_runs.h"
#include "test_support.h"

namespace {

class Golden : public ::testing::TestWithParam<qeltest::GoldenRun> {};

// The first line where two traces part, with its neighbours for context.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream e(expected), a(actual);
  std::string le, la;
  for (int line = 1;; ++line) {
    const bool moreE = static_cast<bool>(std::getline(e, le)), moreA = static_cast<bool>(std::getline(a, la));
    if (!moreE && !moreA) return "";
    if (le != la || moreE != moreA)
      return "line " + std::to_string(line) + "\n  expected: " + (moreE ? le : "<end>") +
             "\n  actual:   " + (moreA ? la : "<end>");
  }
}

// Each iteration's starting and final tracts, and both tracts of every kept
// move, true to their members, with the terms as a fresh computation gives
// them; no tract split where the iteration started from connected tracts.
class SoundTracts : public qel::RunObserver {
 public:
  std::string fault;
  void Started(int iteration, double, double) override {
    connected_ = true;
    for (int t = 1; t <= qel::intNTracts; ++t) connected_ = connected_ && qeltest::IsTractConnected(t);
    Note("start of iteration " + std::to_string(iteration), qeltest::TractsDiffer());
  }
  void Tried(int16_t receiver, int16_t ibb, int16_t donor, double, bool kept) override {
    if (!kept) return;
    std::string d = qeltest::TractDiffers(receiver) + qeltest::TractDiffers(donor);
    if (d.empty() && connected_ && !(qeltest::IsTractConnected(receiver) && qeltest::IsTractConnected(donor)))
      d = "a tract split";
    if (d.empty()) d = qeltest::TermsRecomputedDiffer();
    Note("IBB " + std::to_string(ibb) + " into tract " + std::to_string(receiver), d);
  }
  void Finished(int iteration, double) override {
    Note("end of iteration " + std::to_string(iteration), qeltest::TractsDiffer());
  }

 private:
  void Note(const std::string& when, const std::string& difference) {
    if (fault.empty() && !difference.empty()) fault = when + ": " + difference;
  }
  bool connected_ = true;
};

TEST_P(Golden, RunDecidesAsRecorded) {
  const auto& run = GetParam();
  const std::string expected = qeltest::ReadWholeFile(qeltest::GoldenPath(run.name).string());
  ASSERT_FALSE(expected.empty()) << "no trace for " << run.name << "; tools/regenerate-golden.sh writes it";
  const auto scratch = std::filesystem::temp_directory_path() /
                       ("qel_golden_" + std::to_string(::getpid()) + "_" + run.name);
  SoundTracts sound;
  std::string again;
  const std::string actual = qeltest::TraceRun(run, scratch, false, &sound, &again);
  std::filesystem::remove_all(scratch);
  EXPECT_EQ(sound.fault, "");
  EXPECT_TRUE(actual == expected) << run.name << " parts from its trace at " << FirstDifference(expected, actual);
  // Nothing of a run may linger into the next one of the session.
  const std::string first = actual.substr(actual.find('\n') + 1);
  EXPECT_TRUE(again == first) << "a second run parts from the first at " << FirstDifference(first, again);
}

INSTANTIATE_TEST_SUITE_P(Runs, Golden, ::testing::ValuesIn(qeltest::GoldenRuns()),
                         [](const ::testing::TestParamInfo<qeltest::GoldenRun>& info) {
                           std::string name = info.param.name;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
