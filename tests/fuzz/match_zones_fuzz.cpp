// The zone table of the matching layer built from any file, loaded first as
// the study area. The first byte chooses the settings (bit 0 header line,
// bit 1 layer A fixed, bit 2 population B) and answers the header questions
// (bits 3.. Cancel). The zones stay within their tables, and the records
// loaded are not touched.
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
  const uint8_t options = data[0];
  qel::blnFixedA = (options & 2) != 0;
  qel::intPopLayer = (options & 4) ? 2 : 1;
  qelfuzz::ScriptAnswers(options >> 3);
  const std::string path = qelfuzz::WriteScratch("in.pat", data + 1, size - 1);
  std::string a, b;
  qel::ReadIntersectionFile(options & 1, path, a, b);
  const int16_t loaded = qel::intNRecs;
  const bool built = qel::ReadMatchZones(options & 1, path);
  qelfuzz::Require(!qel::FileIsOpen(1), "the file closed");
  qelfuzz::Require(qel::intNRecs == loaded, "the records loaded are not touched");
  qelfuzz::Require(built || qel::intNZones == 0, "no half-built zone table");
  qelfuzz::Require(qel::intNZones >= 0 && qel::intNZones <= qel::kTableSize, "a zone count within the table");
  for (int z = 1; z <= qel::intNZones; ++z)
    qelfuzz::Require(qel::arrZone(z).intNBB >= 1 && qel::arrZone(z).intNBB <= qel::kListSize,
                     "a member count within the list");
  return 0;
}
