// The intersection reader on any file. The first byte answers the boxes
// (bit 0: read a header line; bits 1..: Cancel for box 1, 2, ...); the rest
// is the file. Whatever happens, no channel stays open, the counts agree
// with the table, and a file that is refused changes nothing.
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qelfuzz::StartEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int16_t header = data[0] & 1;
  qelfuzz::ScriptAnswers(data[0] >> 1);
  const std::string path = qelfuzz::WriteScratch("in.pat", data + 1, size - 1);
  std::string nameA, nameB;
  const int16_t records = qel::intNRecs, vars = qel::intNHomVars;
  const double total = qel::dblTotPopA;
  const bool loaded = qel::ReadIntersectionFile(header, path, nameA, nameB);
  if (!loaded) {
    qelfuzz::Require(qel::intNRecs == records && qel::intNHomVars == vars && qel::dblTotPopA == total,
                     "a refused file changes nothing");
  }
  qelfuzz::Require(!loaded || qel::intNRecs >= 2, "a loaded file holds a building block");
  qelfuzz::Require(!qel::FileIsOpen(1), "the file closed");
  qelfuzz::Require(qel::intNRecs >= 0 && qel::intNRecs <= qel::intMaxRecs, "a record count within the table");
  qelfuzz::Require(qel::intNHomVars <= qel::kHomSize, "at most 12 homogeneity variables");
  return 0;
}
