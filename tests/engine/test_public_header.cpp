// A program that sees the engine through its public header alone.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <type_traits>

#include "engine.h"

namespace {

// Every scalar of the engine's state.
auto Scalars() {
  using namespace qel;
  return std::tie(intMaxRecs, intMaxTracts, intMaxNbrs, intMaxMembers, intMaxZoneBBs, intNRecs,
                  strInputFile, dblTotPopA, dblTotPopB, intNHomVars, blnDemoFile, intNZones, dblTotalPop, intNIBB,
                  intNTracts, intTargetTracts, blnThresholdPop, dblThreshold, blnTargetPop, dblTarget, blnShape,
                  dblShapeWeight, blnHomog, dblHomWeight, intNHomGroups, blnFixedA, blnFixedB, intPopLayer, blnApprox,
                  blnIRAApprox, blnSA, blnNoConstraints, blnFixedCount, blnMinOnly, intNIterations, intRunHeader,
                  strRunFile, datRunStart, intRandomSeed, dblOffsetPct, dblSAStart, dblPopWeight, dblApxWeight,
                  blnContCheck, dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblCurApx, dblRefTP, dblRefP2A, dblRefIAC,
                  dblRefMin, dblRefApx, dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx, dblHomPopTot,
                  dblHomPopSumSq, dblHomPopSqRatio, dblHomPopMean, dblHomN0, intNBestTracts, intBestIteration,
                  intElapsedSecs, intIslandsSkipped, blnWriteLUT, frmMainInst);
}
auto Values() {
  return std::apply([](const auto&... v) { return std::tuple(v...); }, Scalars());
}
// At program start: the engine's variables are constant-initialized.
const auto kAtStart = Values();

TEST(PublicHeader, ResetReturnsEveryScalarToItsValueAtStart) {
  auto change = [](auto& v) {
    using T = std::remove_reference_t<decltype(v)>;
    if constexpr (std::is_same_v<T, bool>) {
      v = !v;
    } else if constexpr (std::is_same_v<T, std::string>) {
      v += "x";
    } else if constexpr (std::is_pointer_v<T>) {
      v = &v;
    } else {
      v = static_cast<T>(v + 1);
    }
  };
  std::apply([&](auto&... v) { (change(v), ...); }, Scalars());
  qel::ResetEngineState();
  EXPECT_EQ(Values(), kAtStart);
}

}  // namespace
