#include "run_helpers.h"

#include "engine.h"

namespace qeltest {

void LoadStudyArea(const std::string& patPath, const std::string& ctgPath) {
  using namespace qel;
  std::string nameA, nameB;
  strInputFile = patPath;
  ReadIntersectionFile(0, patPath, nameA, nameB);
  int16_t arcs = 0;
  ReadContiguityFile(ctgPath, arcs);
}

void OneIBBPerRecord(int nRecs) {
  using namespace qel;
  intNRecs = static_cast<int16_t>(nRecs);
  intNIBB = static_cast<int16_t>(nRecs - 1);
  arrBB(1).intID = 1;
  for (int r = 2; r <= nRecs; ++r) {
    arrBB(r) = udtBB{};
    arrBB(r).intID = static_cast<int16_t>(r);
    arrBB(r).intIBB = static_cast<int16_t>(r - 1);
    udtIBB& ibb = arrIBB(r - 1);
    ibb = udtIBB{};
    ibb.intID = static_cast<int16_t>(r - 1);
    ibb.intNMembers = 1;
    ibb.intMember(1) = static_cast<int16_t>(r);
  }
}

void StartRun(const RunSettings& s) {
  using namespace qel;
  blnThresholdPop = s.threshold;
  blnTargetPop = s.target;
  blnShape = s.shape;
  blnHomog = s.homog;
  blnFixedA = s.fixedA;
  blnFixedB = s.fixedB;
  if (s.threshold) dblThreshold = s.thresholdPop;
  if (s.target) dblTarget = s.targetPop;
  intPopLayer = static_cast<int16_t>(s.popLayer);
  blnApprox = s.approx;
  blnIRAApprox = s.approx && s.iraApprox;
  intRunHeader = 0;
  strRunFile = strInputFile;
  if (s.shape) dblShapeWeight = s.shapeWeight;
  if (s.homog) {
    intNHomGroups = static_cast<int16_t>(s.groups.size());
    for (size_t g = 0; g < s.groups.size(); ++g)
      intGroupSize(static_cast<int>(g + 1)) = static_cast<int16_t>(s.groups[g]);
    dblHomWeight = s.homWeight;
  }
  blnSA = s.sa;
  blnContCheck = s.contCheck;
  intRandomSeed = static_cast<int16_t>(s.seed);
  Randomize(intRandomSeed);
  const bool any = s.homog || s.shape || s.target || s.threshold;
  blnNoConstraints = !any && !s.approx;
  blnFixedCount = s.approx && !any;
  blnMinOnly = s.threshold && !s.approx && !s.homog && !s.shape && !s.target;
  intNIterations = static_cast<int16_t>(s.iterations);
  datRunStart = TimeOfDay();
  BuildIntermediateBBs();
  RunIterations(intNIterations);
}

}  // namespace qeltest
