// The contiguity reader on any file, after a small valid study area (the demo
// data set) has been loaded. Every call starts from the demo's own arcs; the
// lists left are sound, and a file that yields no arc leaves them as they were.
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_support.h"

namespace {
std::string g_demoArcs;  // path of the demo's contiguity file
std::string g_demoLists;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qelfuzz::StartEngine();
  std::string a, b;
  qel::ReadIntersectionFile(0, qelfuzz::RepoPath("data/QELdemo.pat"), a, b);
  g_demoArcs = qelfuzz::RepoPath("data/QELdemo.ctg");
  int16_t arcs = 0;
  qel::ReadContiguityFile(g_demoArcs, arcs);
  qelfuzz::Require(qel::intNRecs == 11 && arcs == 23, "the demo data set loads");
  g_demoLists = qelfuzz::NeighbourLists();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int16_t arcs = 0;
  qel::ReadContiguityFile(g_demoArcs, arcs);
  const std::string path = qelfuzz::WriteScratch("in.ctg", data, size);
  arcs = -1;
  qel::ReadContiguityFile(path, arcs);
  qelfuzz::Require(!qel::FileIsOpen(2), "the file closed");
  qelfuzz::Require(arcs >= 0, "a line count");
  qelfuzz::RequireSoundNeighbourLists();
  if (arcs == 0) qelfuzz::Require(qelfuzz::NeighbourLists() == g_demoLists, "a refused file changes no list");
  return 0;
}
