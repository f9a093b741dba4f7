// The results of the last run, kept at its end for the log, the composition
// file and the report, and the best solution that a new study area drops.
#include <algorithm>
#include <utility>

#include "block_tract.h"
#include "engine.h"

namespace qel {

udtRunResult udtLastRun;

namespace {

void KeepSettings(udtRunResult& r) {
  r.strInputFile = strInputFile;
  r.intNIterations = intNIterations;
  r.intElapsedSecs = intElapsedSecs;
  r.blnThresholdPop = blnThresholdPop;
  r.dblThreshold = dblThreshold;
  r.blnTargetPop = blnTargetPop;
  r.dblTarget = dblTarget;
  r.intPopLayer = intPopLayer;
  r.blnShape = blnShape;
  r.dblShapeWeight = dblShapeWeight;
  r.blnHomog = blnHomog;
  r.dblHomWeight = dblHomWeight;
  r.blnFixedA = blnFixedA;
  r.blnFixedB = blnFixedB;
  r.blnApprox = blnApprox;
  r.blnIRAApprox = blnIRAApprox;
  r.blnSA = blnSA;
  r.intBestIteration = intBestIteration;
  r.dblBestTP = dblBestTP;
  r.dblBestP2A = dblBestP2A;
  r.dblBestIAC = dblBestIAC;
  r.dblBestMin = dblBestMin;
  r.dblBestApx = dblBestApx;
  r.intIslandsSkipped = intIslandsSkipped;
  r.intNHomVars = static_cast<int16_t>(std::clamp<int>(intNHomVars, 0, kHomSize));
}

// The best tracts through the snapshot of the best iteration, and each
// block's tract as the restore left it.
void KeepTracts(udtRunResult& r) {
  r.intTractBlock.reserve(static_cast<std::size_t>(std::max<int>(intNRecs, 0)));
  for (int t = 1; t <= intNBestTracts; ++t) {
    const udtTract& tract = std::as_const(arrBestTract)(t);
    r.intTractID.push_back(tract.intID);
    r.dblTractPop.push_back(tract.dblPop);
    for (int k = 1; k <= tract.intNMembers; ++k) {
      const int16_t g = tract.intMember(k);
      for (int j = 1; j <= intBestIBBCount(g); ++j) r.intTractBlock.push_back(std::as_const(intBestIBBMember)(g, j));
    }
    r.intTractBlocksEnd.push_back(static_cast<int>(r.intTractBlock.size()));
    for (int v = 1; v <= r.intNHomVars; ++v) r.dblTractHomSum.push_back(tract.dblHomSum(v));
  }
  const int blocks = std::max(intNRecs - 1, 0);
  r.intBlockID.resize(static_cast<std::size_t>(blocks));
  r.intBlockTract.resize(static_cast<std::size_t>(blocks));
  for (int i = 2; i <= intNRecs; ++i) {
    r.intBlockID[static_cast<std::size_t>(i - 2)] = std::as_const(arrBB)(i).intID;
    r.intBlockTract[static_cast<std::size_t>(i - 2)] = TractOfBlock(i);
  }
}

}  // namespace

void KeepRunResult() {
  // Filled apart and then put in the last one's place whole.
  udtRunResult next;
  next.blnMade = true;
  next.blnAreaLoaded = true;
  KeepSettings(next);
  if (intNBestTracts > 0) KeepTracts(next);
  udtLastRun = std::move(next);
}

std::string RunResultRefusal(bool tracts) {
  const udtRunResult& r = udtLastRun;
  if (!r.blnMade) return "No run has ended: there are no results";
  if (!r.blnAreaLoaded) {
    return "The results of the last run, on " + r.strInputFile +
           ", are no longer held: an intersection file has been loaded since";
  }
  if (tracts && r.intTractID.empty()) return "The last run found no solution: there are no tracts to save";
  return "";
}

std::string RunTractLine(int t) {
  const udtRunResult& r = udtLastRun;
  const auto k = static_cast<std::size_t>(t - 1);
  const int first = t > 1 ? r.intTractBlocksEnd.at(k - 1) : 0;
  const int end = r.intTractBlocksEnd.at(k);
  std::string list;
  for (int b = first; b < end; ++b) {
    list += ' ';
    list += Str(static_cast<int>(r.intTractBlock.at(static_cast<std::size_t>(b))));
  }
  return Str(static_cast<int>(r.intTractID.at(k))) + "  " + Str(r.dblTractPop.at(k)) + " " + Str(end - first) + " " +
         list;
}

std::string RunHomLine(int t) {
  const udtRunResult& r = udtLastRun;
  const auto k = static_cast<std::size_t>(t - 1);
  const auto nVars = static_cast<std::size_t>(r.intNHomVars);
  std::string line = Str(static_cast<int>(r.intTractID.at(k))) + " " + Str(r.dblTractPop.at(k));
  for (std::size_t v = 0; v < nVars; ++v) line.append(" ").append(Str(r.dblTractHomSum.at(k * nVars + v)));
  return line;
}

void ForgetBestSolution() {
  intNBestTracts = 0;
  intNBestIBB = 0;
  intBestIteration = 0;
  dblBestTP = dblBestP2A = dblBestIAC = dblBestMin = dblBestApx = 0;
  Windows().UnloadMap();
}

void LeaveStudyArea() {
  ForgetBestSolution();
  intIslandsSkipped = 0;
  udtLastRun.blnAreaLoaded = false;
}

}  // namespace qel
