// Writes the expected trace of every golden run into a folder:
//   write_traces <folder> [--every-trial] [run name ...]
// Run through tools/regenerate-golden.sh; never by a test.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "golden_runs.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <folder> [--every-trial] [run name ...]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  bool everyTrial = false;
  std::set<std::string> only;
  for (int k = 2; k < argc; ++k) {
    if (std::strcmp(argv[k], "--every-trial") == 0) {
      everyTrial = true;
    } else {
      only.insert(argv[k]);
    }
  }
  std::filesystem::create_directories(out);
  const auto scratch = std::filesystem::temp_directory_path() / "qel_write_traces";
  int written = 0;
  for (const auto& run : qeltest::GoldenRuns()) {
    if (!only.empty() && !only.contains(run.name)) continue;
    std::ofstream(out / (run.name + ".trace"), std::ios::binary) << qeltest::TraceRun(run, scratch, everyTrial);
    ++written;
  }
  std::filesystem::remove_all(scratch);
  std::printf("%d traces written to %s\n", written, out.c_str());
  return written > 0 ? 0 : 1;
}
