// Whole runs from the input files to the saved results, in every mode, move
// by move; the run's schedule; and the exact layout of the program log.
#include <bit>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>

#include "run_loop.h"
#include "test_support.h"

using namespace qel;
using qeltest::RunSettings;

namespace {

using Loader = std::function<void(const std::filesystem::path&)>;
Loader Lat(qeltest::Lattice l) {
  return [=](const std::filesystem::path& dir) { qeltest::LoadLattice(dir, l); };
}
Loader Repo(const std::string& name) {
  return [=](const std::filesystem::path&) { qeltest::LoadRepoArea(name); };
}

// Every term in use as its definition computes it from the tracts' members.
void ExpectTermsAsDefined() {
  const int n = intNTracts;
  double tp = 0, p2a = 0, sumSq = 0, P = dblHomPopTot;
  for (int t = 1; t <= n; ++t) {
    tp += std::pow(arrTract(t).dblPop - dblTarget, 2);
    if (arrTract(t).dblArea > 0) p2a += arrTract(t).dblP2 / arrTract(t).dblArea;
    sumSq += std::pow(arrTract(t).dblHomTotal, 2);
  }
  EXPECT_NEAR(blnTargetPop ? dblCurTP : tp, tp, 1e-9 * tp);
  EXPECT_NEAR(blnShape ? dblCurP2A : p2a, p2a, 1e-9 * p2a);
  if (blnHomog && P > 0) {  // one-way analysis of variance, group by group
    const double n0 = (P - sumSq / P) / (n - 1);
    double iac = 0;
    for (int g = 1, v = 0; g <= intNHomGroups; ++g)
      for (int j = 0; j < intGroupSize(g); ++j) {
        const double pv = dblHomMean(++v);
        double between = 0;
        for (int t = 1; t <= n; ++t)
          if (const double w = arrTract(t).dblHomTotal; w > 0) between += w * std::pow(arrTract(t).dblHomSum(v) / w - pv, 2);
        const double rho = between / (n - 1) / ((n0 - 1) * pv * (1 - pv)) - 1 / (n0 - 1);
        iac += (intGroupSize(g) == 1 ? rho : (1 - pv) * rho / (intGroupSize(g) - 1)) / intNHomGroups;
      }
    EXPECT_NEAR(dblCurIAC, iac, 1e-9);
  }
  if (blnApprox) {  // each zone's best tract from a share table by tract
    double apx = 0;
    for (int z = 1; z <= intNZones; ++z) {
      std::map<int, double> share;
      double best = 0;
      int bestTract = 0;
      for (int m = 1; m <= arrZone(z).intNBB; ++m) {
        const int t = arrIBB(arrBB(arrZone(z).intBB(m)).intIBB).intTract;
        if ((share[t] += arrZone(z).dblBBPop(m)) > best) best = share[t], bestTract = t;
      }
      if (arrZone(z).dblPop > 0)
        apx += (std::pow(arrZone(z).dblPop - best, 2) + std::pow(arrTract(bestTract).dblPop - best, 2)) / arrZone(z).dblPop;
    }
    EXPECT_NEAR(dblCurApx, apx, 1e-9 * std::max(1.0, apx));
  }
}

// The terms as the last evaluation left them, kept part by part during the
// move pass, must be what computing them afresh gives, bit for bit.
void ExpectTermsRecomputedAlike() {
  const double tp = dblCurTP, p2a = dblCurP2A, iac = dblCurIAC, mn = dblCurMin, apx = dblCurApx;
  std::vector<double> mismatch;
  for (int z = 1; z <= intNZones; ++z) mismatch.push_back(arrZone(z).dblMismatch);
  auto again = [](bool on, void (*calc)(), const double& term, double kept) {
    if (!on) return;
    calc();
    EXPECT_EQ(std::bit_cast<uint64_t>(term), std::bit_cast<uint64_t>(kept));
  };
  again(blnTargetPop, CalcTargetDeviation, dblCurTP, tp);
  again(blnShape, CalcShape, dblCurP2A, p2a);
  again(blnHomog, CalcHomogeneity, dblCurIAC, iac);
  again(blnMinOnly, CalcThresholdDeviation, dblCurMin, mn);
  again(blnApprox, CalcApproxMatch, dblCurApx, apx);
  for (int z = 1; z <= intNZones; ++z)
    ASSERT_EQ(arrZone(z).dblMismatch, mismatch[static_cast<size_t>(z - 1)]) << "zone " << z;
}

struct Scenario {
  std::string name;
  Loader load;
  std::function<void(RunSettings&)> set;
  std::vector<int> answers = {};  // to the contiguity questions
  bool connected = true;          // false where the user gave up the check
};

class Runs : public qeltest::EngineTest, public ::testing::WithParamInterface<Scenario> {
 protected:
  std::string RunAndSave(const RunSettings& s, const std::string& tag) {
    for (int a : GetParam().answers) boxes.Answer(a);
    qeltest::StartRun(s);
    WriteProgramLog(TempPath(tag + ".txt"));
    WriteTractComposition(TempPath(tag + ".csv"));
    return qeltest::ReadWholeFile(TempPath(tag + ".txt")) + qeltest::ReadWholeFile(TempPath(tag + ".csv"));
  }
};

TEST_P(Runs, SoundTractsAfterEveryMoveAndFilesThatRepeat) {
  SetClock([] { return 1700000000.0; });
  GetParam().load(tempDir);
  RunSettings s;
  s.iterations = 4;
  GetParam().set(s);
  qeltest::KeptMoves check([&](int16_t from, int16_t to) {
    ASSERT_TRUE(qeltest::IsTractConnected(from) && qeltest::IsTractConnected(to)) << "tract split";
    ASSERT_EQ(qeltest::TractsDiffer(true), "");
    ExpectTermsAsDefined();
    ExpectTermsRecomputedAlike();
  });
  const std::string first = RunAndSave(s, "first");
  // Every block in exactly one best tract, and the populations add up.
  std::map<int, int> tractOf;
  double ibbs = 0, tracts = 0;
  for (int t = 1; t <= intNBestTracts; ++t) {
    tracts += arrBestTract(t).dblPop;
    for (int k = 1; k <= arrBestTract(t).intNMembers; ++k) {
      const int g = arrBestTract(t).intMember(k);
      for (int j = 1; j <= intBestIBBCount(g); ++j) EXPECT_TRUE(tractOf.emplace(intBestIBBMember(g, j), t).second);
    }
    EXPECT_TRUE(!GetParam().connected || qeltest::IsTractConnected(t)) << "tract " << t;
  }
  for (int g = 1; g <= intNIBB; ++g) ibbs += arrIBB(g).dblPop;
  EXPECT_EQ(static_cast<int>(tractOf.size()), intNRecs - 1);
  EXPECT_NEAR(tracts, ibbs, 1e-9 * ibbs);
  EXPECT_EQ(qeltest::TractsDiffer(GetParam().connected), "");
  if (blnDemoFile) {  // the map shows the restored best tracts; shape 10 takes record 11's colour
    const uint32_t colours[8] = {0x0000FF, 0xFF0000, 0x00FFFF, 0x00FF00, 0xFFFFFF, 0x000000, 0xFF00FF, 0xFFFF00};
    for (int r = 2; r <= 11; ++r)
      EXPECT_TRUE(arrIBB(arrBB(r).intIBB).intTract > 8 ||
                  windows.shapeColor[r - 2] == colours[arrIBB(arrBB(r).intIBB).intTract - 1]) << "record " << r;
    EXPECT_EQ(windows.shapeColor[10], windows.shapeColor[9]);
  }
  EXPECT_TRUE(RunAndSave(s, "again") == first) << "the same seed must give the very same files";
}

const Loader kDemo = Repo("data/QELdemo"), kSids = Repo("tests/data/sids");
// Zone A of the first cell also holds the far corner, beyond repair.
const Loader kDetached = [](const std::filesystem::path& dir) {
  qeltest::LoadLattice(dir, {.cols = 9, .rows = 9});
  std::string pat = qeltest::ReadWholeFile((dir / "lattice.pat").string());
  pat.replace(pat.find("\n82 203 "), 9, "\n82 1 ");
  std::ofstream(dir / "lattice.pat") << pat;
  qeltest::LoadStudyArea((dir / "lattice.pat").string(), (dir / "lattice.ctg").string());
};

INSTANTIATE_TEST_SUITE_P(
    Modes, Runs,
    ::testing::Values(
        Scenario{"NoConstraints", Lat({}), [](RunSettings&) {}},
        Scenario{"ThresholdOnlyDemo", kDemo, [](RunSettings& s) { s.threshold = true, s.thresholdPop = 200; }},
        Scenario{"TargetShapeSids", kSids,
                 [](RunSettings& s) { s.target = s.threshold = s.shape = s.sa = true, s.targetPop = 16000, s.thresholdPop = 9600; }},
        Scenario{"HomogeneityGroupsKing", Lat({.cols = 12, .rows = 11, .homVars = 4, .king = true}),
                 [](RunSettings& s) { s.target = s.homog = s.sa = true, s.targetPop = 900, s.groups = {2, 1, 1}; }},
        Scenario{"BothLayersFixedKing", Lat({.cols = 14, .rows = 12, .king = true}),
                 [](RunSettings& s) {
                   s.fixedA = s.fixedB = s.threshold = s.target = s.shape = true, s.thresholdPop = 500, s.targetPop = 1500;
                 }},
        Scenario{"LayerBFixedPopulationB", Lat({.cols = 12, .rows = 12}),
                 [](RunSettings& s) { s.fixedB = s.threshold = true, s.thresholdPop = 800, s.popLayer = 2; }},
        Scenario{"MatchingOnlyKing", Lat({.cols = 12, .rows = 12, .king = true}), [](RunSettings& s) { s.approx = true; }},
        Scenario{"MatchingFixedASids", kSids, [](RunSettings& s) { s.approx = s.fixedA = s.target = true, s.targetPop = 30000; }},
        Scenario{"MatchingStartCancelled", kDetached,
                 [](RunSettings& s) { s.approx = s.iraApprox = s.threshold = true, s.thresholdPop = 500; }, {kIdCancel}, false}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

class RunLoop : public qeltest::EngineTest {};

TEST_F(RunLoop, AllowanceFallsToNothingByTheMiddleAndTheBarFollows) {
  qeltest::LoadRepoArea("tests/data/sids");
  RunSettings s;
  s.target = s.sa = true, s.targetPop = 16000, s.iterations = 8;
  double worst[9] = {};
  qeltest::KeptMoves track([&](int16_t, int16_t) {
    const size_t iteration = windows.progressValues.size();  // 0 first, then one value per iteration
    worst[iteration] = std::max(worst[iteration], dblCurTP / dblRefTP);
  });
  qeltest::StartRun(s);
  EXPECT_EQ(windows.progressValues, (std::vector<int>{0, 12, 25, 38, 50, 62, 75, 88, 100}));
  const double allowance[9] = {0, 0.20, 0.15, 0.10, 0.05, 0, 0, 0, 0};
  for (int i = 1; i <= 8; ++i) EXPECT_LE(worst[i], 1 + allowance[i] + 1e-12) << "iteration " << i;
  EXPECT_GT(worst[1], 1.0) << "no worse move was ever kept";
}

TEST_F(RunLoop, OnlyAStrictlyBetterIterationIsANewBest) {
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "1 1 10 10 1"}, "2 3 1,2 1 3,3 1 3");
  RunSettings s;
  s.threshold = true, s.thresholdPop = 100, s.iterations = 5;  // one tract every time
  qeltest::StartRun(s);
  EXPECT_EQ(intBestIteration, 1);
  EXPECT_EQ(windows.progressLines.size(), 1u);
}

TEST_F(RunLoop, ProgramLogLayout) {
  SetClock([] { return 1700000000.0; });
  intNRecs = 12;
  for (int r = 1; r <= 12; ++r) arrBB(r).intID = static_cast<int16_t>(r);
  intNBestTracts = intNIBB = 3;
  for (int t = 1; t <= 3; ++t) arrBestTract(t).intID = static_cast<int16_t>(t);
  arrBestTract(1).dblPop = 80.5;
  arrBestTract(3).dblPop = 1250;
  arrBestTract(3).intNMembers = 1, arrBestTract(3).intMember(1) = 2;
  intBestIBBCount(2) = 3;
  intBestIBBMember(2, 1) = 4, intBestIBBMember(2, 2) = 9, intBestIBBMember(2, 3) = 12;
  strInputFile = "C:\\data\\area.pat";
  intNIterations = 25, intElapsedSecs = 7, intBestIteration = 3, intIslandsSkipped = 2;
  dblBestTP = 2500, dblBestP2A = 40, dblBestIAC = 0, dblBestMin = 1.7E+308, dblBestApx = 0.125;
  blnThresholdPop = true, dblThreshold = 100, intPopLayer = 2;
  WriteProgramLog(WriteFile("QELlog.txt", std::string(9000, 'x')));  // a longer old file
  const std::string sep(54, '=');
  const TimeAndDate now = TimeAndDateNow();
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("QELlog.txt")),
            sep + "\r\nQEL Program Log written at " + now.time + " on " + now.date + "\r\n" + sep +
                "\r\nInput file : C:\\data\\area.pat\r\nNumber of iterations : 25\r\nElapsed time         : 7 seconds\r\n"
                "Threshold population : 100\r\nPopulation layer     : B\r\nSA                   : Off \r\n" +
                sep + "\r\nBest iteration : 3\r\nBest TP value  : 2500\r\nBest P2A value : 40\r\nBest IAC value : 0\r\n"
                "Best Min value : 1.7E+308\r\nBest Apx value : 0.125\r\n2 sub-threshold islands skipped\r\n" + sep +
                "\r\nTract ID, Pop, No. parts, BBinput IDs\r\n1  80.5 0 \r\n2  0 0 \r\n3  1250 3  4 9 12\r\n" + sep + "\r\n");
}

}  // namespace
