// A study area loaded from any pair of files, then a run of one iteration
// with the threshold as its only constraint. The input is one options byte
// (bit 0 layer A fixed, bit 1 layer B fixed, bits 2..7 the threshold in
// hundreds), the intersection file, a line "%%" and the contiguity file.
// Whatever the files hold, the run ends with every tract sound.
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qelfuzz::StartEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace qel;
  if (size < 1) return 0;
  const uint8_t options = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t cut = text.find("\n%%\n");
  const std::string pat = cut == std::string::npos ? text : text.substr(0, cut + 1);
  const std::string ctg = cut == std::string::npos ? std::string() : text.substr(cut + 4);

  std::string a, b;
  ReadIntersectionFile(0, qelfuzz::WriteScratch("in.pat", pat), a, b);
  int16_t arcs = 0;
  ReadContiguityFile(qelfuzz::WriteScratch("in.ctg", ctg), arcs);
  if (intNRecs < 1) return 0;

  // Each input is a run of its own: no best solution of an earlier input.
  intNBestTracts = 0;
  blnThresholdPop = blnMinOnly = true;
  blnTargetPop = blnShape = blnHomog = blnApprox = blnIRAApprox = blnNoConstraints = false;
  blnFixedA = (options & 1) != 0;
  blnFixedB = (options & 2) != 0;
  dblThreshold = (options >> 2) * 100.0;
  intPopLayer = 1;
  blnSA = true;
  Randomize(99);
  intNIterations = 1;
  if (!BuildIntermediateBBs()) return 0;  // refused with its message, as Run stops
  RunIterations(intNIterations);

  qelfuzz::Require(intNTracts >= 0 && intNTracts <= intNIBB, "no more tracts than IBBs");
  for (int t = 1; t <= intNTracts; ++t) {
    const udtTract& tr = arrTract(t);
    qelfuzz::Require(tr.intNMembers >= 1 && tr.intNMembers <= kListSize, "a tract of 1 to 500 members");
    for (int k = 1; k <= tr.intNMembers; ++k) {
      const int g = tr.intMember(k);
      qelfuzz::Require(g >= 1 && g <= intNIBB && arrIBB(g).intTract == tr.intID, "members name their tract");
    }
  }
  return 0;
}
