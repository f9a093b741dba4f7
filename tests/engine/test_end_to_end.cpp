// Whole runs, from the input files to the saved results, in every mode of
// the engine; and, move by move, what every kept move must leave.
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "run_helpers.h"
#include "run_loop.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::RunSettings;

namespace {

using Path = std::filesystem::path;
using Loader = std::function<void(const Path&)>;

Loader Lattice(int cols, int rows, int nHomVars = 0, unsigned seed = 1) {
  return [=](const Path& dir) {
    qeltest::LatticeSpec s;
    s.cols = cols, s.rows = rows, s.nHomVars = nHomVars, s.seed = seed;
    const auto files = qeltest::WriteLatticeFiles(s, dir);
    qeltest::LoadStudyArea(files.patPath, files.ctgPath);
  };
}
Loader Repo(const std::string& name) {
  return [=](const Path&) { qeltest::LoadStudyArea(qeltest::RepoPath(name + ".pat"), qeltest::RepoPath(name + ".ctg")); };
}
const Loader kDemo = Repo("data/QELdemo"), kSids = Repo("tests/data/sids");

// A 9 x 9 lattice whose zone A of the first cell also holds a cell apart
// from it: one cell away (a repair joins it) or in the far corner (none can).
Loader Detached(bool bridged) {
  return [=](const Path& dir) {
    qeltest::LatticeSpec spec;
    spec.cols = spec.rows = 9;
    std::istringstream in(qeltest::LatticePatText(spec));
    std::ofstream pat(dir / "detached.pat");
    std::string line;
    for (int r = 1; std::getline(in, line); ++r) {
      if (r == (bridged ? 6 : 82)) line.replace(line.find(' ') + 1, line.find(' ', line.find(' ') + 1) - line.find(' ') - 1, "1");
      pat << line << "\n";
    }
    pat.close();
    std::ofstream(dir / "detached.ctg") << qeltest::LatticeCtgText(spec);
    qeltest::LoadStudyArea((dir / "detached.pat").string(), (dir / "detached.ctg").string());
  };
}

RunSettings With(std::function<void(RunSettings&)> f) {
  RunSettings s;
  s.iterations = 6;
  f(s);
  return s;
}

struct Scenario {
  std::string name;
  Loader load;
  RunSettings settings;
  int answer = kIdOk;      // to the first contiguity question
  bool connected = true;   // every best tract is one piece
};

std::vector<Scenario> Scenarios() {
  return {
      {"NoConstraints", Lattice(8, 8), With([](RunSettings&) {})},
      {"ThresholdOnlyDemo", kDemo, With([](RunSettings& s) { s.threshold = true, s.thresholdPop = 200; })},
      {"MatchingOnly", Lattice(10, 9), With([](RunSettings& s) { s.approx = true; })},
      {"TargetShapeSids", kSids, With([](RunSettings& s) {
         s.target = true, s.targetPop = 16000, s.threshold = true, s.thresholdPop = 9600, s.shape = s.sa = true;
       })},
      {"HomogeneityLattice", Lattice(12, 12, 4, 2), With([](RunSettings& s) {
         s.target = true, s.targetPop = 1000, s.shape = s.homog = true, s.groups = {2, 2};
       })},
      {"FixedBoth", Lattice(12, 12), With([](RunSettings& s) {
         s.threshold = s.target = s.fixedA = s.fixedB = true, s.thresholdPop = 1000, s.targetPop = 2000, s.popLayer = 2;
       })},
      {"MatchingFixedASids", kSids, With([](RunSettings& s) { s.approx = s.fixedA = s.target = true, s.targetPop = 30000; })},
      {"MatchingStartRepaired", Detached(true),
       With([](RunSettings& s) { s.approx = s.iraApprox = s.target = s.shape = true, s.targetPop = 900; })},
      {"MatchingStartCancelled", Detached(false),
       With([](RunSettings& s) { s.approx = s.iraApprox = s.threshold = true, s.thresholdPop = 500; }), kIdCancel, false},
  };
}

class EndToEndTest : public qeltest::EngineTest, public ::testing::WithParamInterface<Scenario> {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetClock([] { return 1700000000.0; });
  }
  void TearDown() override {
    SetClock(nullptr);
    SetKeptMoveObserver(nullptr);
    EngineTest::TearDown();
  }
  // Runs and saves both files; returns their text.
  std::string RunAndSave(const Scenario& sc, const std::string& tag) {
    boxes.Answer(sc.answer);
    qeltest::StartRun(sc.settings);
    WriteProgramLog(TempPath(tag + ".txt"));
    WriteTractComposition(TempPath(tag + ".csv"));
    return qeltest::ReadWholeFile(TempPath(tag + ".txt")) + qeltest::ReadWholeFile(TempPath(tag + ".csv"));
  }
};

TEST_P(EndToEndTest, RunGivesSoundTractsAndFilesThatRepeatForTheSameSeed) {
  const Scenario& sc = GetParam();
  sc.load(tempDir);
  const std::string first = RunAndSave(sc, "first");
  ASSERT_GT(intNBestTracts, 0);
  ASSERT_EQ(intNTracts, intNBestTracts);
  // Every block in exactly one best tract, the populations adding up.
  std::map<int, int> tractOf;
  double total = 0, sum = 0;
  for (int t = 1; t <= intNBestTracts; ++t) {
    sum += arrBestTract(t).dblPop;
    for (int k = 1; k <= arrBestTract(t).intNMembers; ++k) {
      const int g = arrBestTract(t).intMember(k);
      for (int j = 1; j <= intBestIBBCount(g); ++j)
        EXPECT_TRUE(tractOf.emplace(intBestIBBMember(g, j), t).second) << "block in two tracts";
    }
    EXPECT_TRUE(!sc.connected || qeltest::IsTractConnected(t)) << "tract " << t;
  }
  for (int r = 2; r <= intNRecs; ++r) total += intPopLayer == 2 ? arrBB(r).dblPopB : arrBB(r).dblPopA;
  EXPECT_EQ(static_cast<int>(tractOf.size()), intNRecs - 1);
  EXPECT_NEAR(sum, total, 1e-9 * total);
  if (sc.connected) qeltest::ExpectTractsConsistent();
  // The composition file and the log's tract lines list the best tracts.
  std::string csv;
  for (int r = 2; r <= intNRecs; ++r) csv += Str(static_cast<int>(arrBB(r).intID)) + "," + Str(tractOf[r]) + "\r\n";
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("first.csv")), csv);
  for (int t = 1; t <= intNBestTracts; ++t) {
    const size_t at = first.find("\r\n" + Str(t) + "  " + Str(arrBestTract(t).dblPop) + " ");
    ASSERT_NE(at, std::string::npos) << "tract " << t;
    std::istringstream line(first.substr(at, first.find("\r\n", at + 2) - at));
    int id = 0, count = 0, block = 0, listed = 0;
    std::string pop;
    for (line >> id >> pop >> count; line >> block; ++listed) EXPECT_EQ(tractOf[block], t);
    EXPECT_EQ(listed, count);
  }
  EXPECT_EQ(RunAndSave(sc, "again"), first);  // the same seed, the very same files
}

INSTANTIATE_TEST_SUITE_P(Modes, EndToEndTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

// After every kept move: both tracts in one piece, the donor not below the
// threshold, and every term as its definition computes it from the members
// (the evaluation that judged the move reads values kept up to date by the
// moves, which must agree with a computation from scratch).
void ExpectKeptMoveSound(int16_t from, int16_t to) {
  ASSERT_TRUE(qeltest::IsTractConnected(from) && qeltest::IsTractConnected(to)) << "tract split";
  EXPECT_TRUE(!blnThresholdPop || arrTract(from).dblPop >= dblThreshold) << "donor below the threshold";
  qeltest::ExpectTractsConsistent();
  const int n = intNTracts;
  double tp = 0, p2a = 0, sumSq = 0, P = dblHomPopTot;
  for (int t = 1; t <= n; ++t) {
    tp += std::pow(arrTract(t).dblPop - dblTarget, 2);
    p2a += arrTract(t).dblP2 / arrTract(t).dblArea;
    sumSq += std::pow(arrTract(t).dblHomTotal, 2);
  }
  EXPECT_NEAR(blnTargetPop ? dblCurTP : tp, tp, 1e-9 * tp);
  EXPECT_NEAR(blnShape ? dblCurP2A : p2a, p2a, 1e-9 * p2a);
  if (blnHomog) {  // one-way analysis of variance, group by group
    const double n0 = (P - sumSq / P) / (n - 1);
    double iac = 0;
    for (int g = 1, v = 0; g <= intNHomGroups; ++g)
      for (int j = 0; j < intGroupSize(g); ++j) {
        const double pv = dblHomMean(++v);
        double between = 0;
        for (int t = 1; t <= n; ++t)
          between += arrTract(t).dblHomTotal * std::pow(arrTract(t).dblHomSum(v) / arrTract(t).dblHomTotal - pv, 2);
        const double rho = between / (n - 1) / ((n0 - 1) * pv * (1 - pv)) - 1 / (n0 - 1);
        iac += (intGroupSize(g) == 1 ? rho : (1 - pv) * rho / (intGroupSize(g) - 1)) / intNHomGroups;
      }
    EXPECT_NEAR(dblCurIAC, iac, 1e-9);
  }
  if (blnApprox) {  // each zone's best tract through a share table by tract
    std::map<int, double> share;
    double apx = 0;
    for (int z = 1; z <= intNZones; ++z) {
      const udtZone& zone = arrZone(z);
      share.clear();
      double best = 0;
      int bestTract = 0;
      for (int m = 1; m <= zone.intNBB; ++m) {
        const int t = arrIBB(arrBB(zone.intBB(m)).intIBB).intTract;
        if ((share[t] += zone.dblBBPop(m)) > best) best = share[t], bestTract = t;
      }
      const double T = arrTract(bestTract).dblPop;
      if (zone.dblPop > 0) apx += (std::pow(zone.dblPop - best, 2) + std::pow(T - best, 2)) / zone.dblPop;
    }
    EXPECT_NEAR(dblCurApx, apx, 1e-9 * apx);
  }
}

TEST_F(EndToEndTest, EveryKeptMoveLeavesConnectedTractsAndTermsAsDefined) {
  int kept = 0, severalContacts = 0;
  SetKeptMoveObserver([&](int16_t ibb, int16_t from, int16_t to) {
    ++kept;
    int contacts = 0;
    for (int k = 1; k <= arrIBB(ibb).intNNbrs; ++k) {
      const int g = arrBB(arrIBB(ibb).intNbr(k)).intIBB;
      contacts += g > 0 && arrIBB(g).intTract == from;
    }
    severalContacts += contacts >= 2;
    ExpectKeptMoveSound(from, to);
  });
  const struct {
    Loader load;
    std::function<void(RunSettings&)> set;
    int seeds;
  } runs[] = {
      {Lattice(10, 9, 0, 1), [](RunSettings& s) { s.targetPop = 800; }, 4},
      {Lattice(11, 10, 3, 2), [](RunSettings& s) { s.targetPop = 1000, s.fixedA = s.homog = true, s.groups = {2, 1}; }, 4},
      {Lattice(12, 11, 0, 3), [](RunSettings& s) { s.targetPop = 1200, s.fixedB = s.approx = true; }, 4},
      {kDemo, [](RunSettings& s) { s.targetPop = 250; }, 12},
      {kSids, [](RunSettings& s) { s.targetPop = 16000, s.threshold = true, s.thresholdPop = 9600; }, 4},
      {kSids, [](RunSettings& s) { s.targetPop = 30000, s.fixedB = s.approx = true; }, 3},
  };
  for (const auto& r : runs)
    for (int seed = 1; seed <= r.seeds && !HasFatalFailure(); ++seed) {
      r.load(tempDir);
      RunSettings s;
      s.target = s.shape = s.sa = true, s.iterations = 3, s.seed = 37 * seed;
      r.set(s);
      qeltest::StartRun(s);
    }
  EXPECT_GT(kept, 1000);
  EXPECT_GT(severalContacts, 50) << "the chain rule was hardly exercised";
}

}  // namespace
