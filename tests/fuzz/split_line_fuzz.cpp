// SplitLine on any text: at most 50 fields, nothing left above the count,
// no blank inside a field, no comma anywhere; a failure is a run-time error.
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  qel::TokenArray tok;
  int16_t n = 0;
  try {
    qel::SplitLine(line, tok, n);
  } catch (const qel::RuntimeError&) {
    return 0;
  }
  qelfuzz::Require(n >= 1 && n <= qel::kMaxFields, "a field count from 1 to 50");
  for (int k = 1; k <= qel::kMaxFields; ++k) {
    const std::string& f = tok(k);
    qelfuzz::Require(k <= n || f.empty(), "nothing above the count");
    qelfuzz::Require(f.find(' ') == std::string::npos && f.find(',') == std::string::npos,
                     "no blank or comma in a field");
  }
  return 0;
}
