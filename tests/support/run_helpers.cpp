#include "run_helpers.h"

#include <fstream>
#include <sstream>

#include "engine.h"

namespace qeltest {

using namespace qel;

void LoadStudyArea(const std::string& patPath, const std::string& ctgPath) {
  std::string nameA, nameB;
  strInputFile = strRunFile = patPath;
  intRunHeader = 0;
  ReadIntersectionFile(0, patPath, nameA, nameB);
  int16_t arcs = 0;
  ReadContiguityFile(ctgPath, arcs);
}

void LoadArea(const std::filesystem::path& dir, const std::vector<std::string>& blocks,
              const std::string& arcs) {
  std::ofstream p(dir / "area.pat"), c(dir / "area.ctg");
  p << "1 0 0 0 0 0\n";
  for (size_t k = 0; k < blocks.size(); ++k) p << k + 2 << ' ' << blocks[k] << '\n';
  std::istringstream in(arcs);
  for (std::string arc; std::getline(in, arc, ',');) c << arc << '\n';
  p.close(), c.close();
  LoadStudyArea((dir / "area.pat").string(), (dir / "area.ctg").string());
  BuildIntermediateBBs();
}

void OneIBBPerRecord(int nRecs) {
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
  intNHomGroups = static_cast<int16_t>(s.groups.size());
  for (size_t g = 0; g < s.groups.size(); ++g)
    intGroupSize(static_cast<int>(g + 1)) = static_cast<int16_t>(s.groups[g]);
  blnSA = s.sa;
  Randomize(static_cast<int16_t>(s.seed));
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
