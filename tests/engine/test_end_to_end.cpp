// Whole runs, from the input files to the saved results, in every mode of
// the engine; each checks what must hold after any run.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <set>
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

struct Scenario {
  std::string name;
  std::function<void(const std::filesystem::path& dir)> load;
  RunSettings settings;
  std::vector<int> answers;  // message box answers, in order; OK after them
  bool connected = true;     // every best tract is one piece
};

void LoadLattice(const std::filesystem::path& dir, qeltest::LatticeSpec spec) {
  const auto files = qeltest::WriteLatticeFiles(spec, dir);
  qeltest::LoadStudyArea(files.patPath, files.ctgPath);
}

qeltest::LatticeSpec Spec(int cols, int rows, int nHomVars = 0, unsigned seed = 1) {
  qeltest::LatticeSpec s;
  s.cols = cols;
  s.rows = rows;
  s.nHomVars = nHomVars;
  s.seed = seed;
  return s;
}

// A lattice whose layer-A zone of the first cell also holds a cell that lies
// apart from it: `bridged` puts that cell one cell away (a repair joins it),
// otherwise in the far corner (no repair can).
void LoadDetachedZoneLattice(const std::filesystem::path& dir, bool bridged) {
  const auto spec = Spec(9, 9);
  std::istringstream in(qeltest::LatticePatText(spec));
  std::ostringstream out;
  std::string line;
  const int moved = bridged ? 2 + 4 : 2 + 9 * 9 - 1;  // cell (4, 0) or (8, 8)
  for (int r = 1; std::getline(in, line); ++r) {
    if (r == moved) {
      std::istringstream f(line);
      std::string id, zoneA, rest;
      f >> id >> zoneA;
      std::getline(f, rest);
      line = id + " 1" + rest;
    }
    out << line << "\n";
  }
  const std::string pat = (dir / "detached.pat").string(), ctg = (dir / "detached.ctg").string();
  std::ofstream(pat) << out.str();
  std::ofstream(ctg) << qeltest::LatticeCtgText(spec);
  qeltest::LoadStudyArea(pat, ctg);
}

void LoadRepoArea(const std::string& pat, const std::string& ctg) {
  qeltest::LoadStudyArea(qeltest::RepoPath(pat), qeltest::RepoPath(ctg));
}

RunSettings Settings(std::function<void(RunSettings&)> f) {
  RunSettings s;
  s.iterations = 6;
  f(s);
  return s;
}

std::vector<Scenario> Scenarios() {
  using std::filesystem::path;
  auto demo = [](const path&) { LoadRepoArea("data/QELdemo.pat", "data/QELdemo.ctg"); };
  auto sids = [](const path&) { LoadRepoArea("tests/data/sids.pat", "tests/data/sids.ctg"); };
  auto lattice = [](qeltest::LatticeSpec spec) { return [spec](const path& d) { LoadLattice(d, spec); }; };
  return {
      {"NoConstraints", lattice(Spec(8, 8)), Settings([](RunSettings&) {}), {}, true},
      {"ThresholdOnlyLattice", lattice(Spec(12, 10)),
       Settings([](RunSettings& s) { s.threshold = true, s.thresholdPop = 600, s.sa = true; }), {}, true},
      {"ThresholdOnlyDemo", demo, Settings([](RunSettings& s) { s.threshold = true, s.thresholdPop = 200; }), {},
       true},
      {"MatchingOnlyLattice", lattice(Spec(10, 9)), Settings([](RunSettings& s) { s.approx = true; }), {}, true},
      {"TargetShapeLattice", lattice(Spec(14, 12, 0, 4)),
       Settings([](RunSettings& s) { s.target = true, s.targetPop = 900, s.shape = true, s.sa = true; }), {}, true},
      {"TargetShapeSids", sids,
       Settings([](RunSettings& s) {
         s.target = true, s.targetPop = 16000, s.threshold = true, s.thresholdPop = 9600, s.shape = true;
         s.shapeWeight = 0.5, s.sa = true;
       }),
       {}, true},
      {"HomogeneityGroupsSids", sids,
       Settings([](RunSettings& s) {
         s.target = true, s.targetPop = 16000, s.homog = true, s.groups = {2, 2, 1, 1}, s.homWeight = 2;
       }),
       {}, true},
      {"HomogeneityGroupsLattice", lattice(Spec(12, 12, 4, 2)),
       Settings([](RunSettings& s) {
         s.target = true, s.targetPop = 1000, s.shape = true, s.homog = true, s.groups = {2, 2};
       }),
       {}, true},
      {"FixedLayerA", lattice(Spec(12, 12)),
       Settings([](RunSettings& s) { s.target = true, s.targetPop = 1500, s.fixedA = true, s.shape = true; }), {},
       true},
      {"FixedLayerB", lattice(Spec(11, 13, 0, 3)),
       Settings([](RunSettings& s) { s.threshold = true, s.thresholdPop = 800, s.fixedB = true; }), {}, true},
      {"FixedBothLayers", lattice(Spec(12, 12)),
       Settings([](RunSettings& s) {
         s.threshold = true, s.thresholdPop = 1000, s.target = true, s.targetPop = 2000;
         s.fixedA = s.fixedB = true, s.popLayer = 2;
       }),
       {}, true},
      {"MatchingWithLayerAFixedSids", sids,
       Settings([](RunSettings& s) { s.approx = true, s.fixedA = true, s.target = true, s.targetPop = 30000; }), {},
       true},
      {"MatchingAsStartRepaired", [](const path& d) { LoadDetachedZoneLattice(d, true); },
       Settings([](RunSettings& s) {
         s.approx = s.iraApprox = true, s.target = true, s.targetPop = 900, s.shape = true;
       }),
       {kIdOk}, true},
      {"MatchingAsStartCancelled", [](const path& d) { LoadDetachedZoneLattice(d, false); },
       Settings([](RunSettings& s) { s.approx = s.iraApprox = true, s.threshold = true, s.thresholdPop = 500; }),
       {kIdCancel}, false},
      {"MatchingAsStartDemo", demo,
       Settings([](RunSettings& s) { s.approx = s.iraApprox = true, s.target = true, s.targetPop = 300; }), {},
       true},
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
    EngineTest::TearDown();
  }

  void Run(const Scenario& sc) {
    for (int a : sc.answers) boxes.Answer(a);
    qeltest::StartRun(sc.settings);
  }

  double BlockPop(int r) const { return intPopLayer == 2 ? arrBB(r).dblPopB : arrBB(r).dblPopA; }

  // Best tract of every block record, from the best tracts and the snapshot;
  // fails when a block is listed twice.
  std::map<int, int> BestTractOfBlocks() {
    std::map<int, int> of;
    for (int t = 1; t <= intNBestTracts; ++t) {
      const udtTract& tr = arrBestTract(t);
      for (int k = 1; k <= tr.intNMembers; ++k)
        for (int j = 1; j <= intBestIBBCount(tr.intMember(k)); ++j) {
          const int r = intBestIBBMember(tr.intMember(k), j);
          EXPECT_EQ(of.count(r), 0u) << "block " << r << " in two best tracts";
          of[r] = t;
        }
    }
    return of;
  }

  void ExpectSoundBestSolution(bool connected) {
    ASSERT_GT(intNBestTracts, 0);
    const auto of = BestTractOfBlocks();
    double total = 0, tracts = 0;
    for (int r = 2; r <= intNRecs; ++r) {
      EXPECT_EQ(of.count(r), 1u) << "block " << r << " in no best tract";
      total += BlockPop(r);
    }
    for (int t = 1; t <= intNBestTracts; ++t) tracts += arrBestTract(t).dblPop;
    EXPECT_NEAR(tracts, total, 1e-9 * total);
    ASSERT_EQ(intNTracts, intNBestTracts);
    if (connected) {
      for (int t = 1; t <= intNTracts; ++t) EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
    }
  }

  // The saved files list exactly the best tables.
  void ExpectFilesMatchBest(const std::string& log, const std::string& out) {
    const auto of = BestTractOfBlocks();
    std::istringstream csv(qeltest::ReadWholeFile(out));
    std::string line;
    int r = 2;
    for (; std::getline(csv, line); ++r) {
      ASSERT_TRUE(r <= intNRecs && !line.empty() && line.back() == '\r') << line;
      EXPECT_EQ(line, Str(static_cast<int>(arrBB(r).intID)) + "," + Str(of.at(r)) + "\r");
    }
    EXPECT_EQ(r, intNRecs + 1);

    std::istringstream text(qeltest::ReadWholeFile(log));
    std::vector<std::string> lines;
    while (std::getline(text, line)) lines.push_back(line.substr(0, line.size() - 1));
    size_t head = 0;
    while (head < lines.size() && lines[head] != "Tract ID, Pop, No. parts, BBinput IDs") ++head;
    ASSERT_LT(head + static_cast<size_t>(intNBestTracts) + 1, lines.size());
    EXPECT_EQ(lines[head + static_cast<size_t>(intNBestTracts) + 1], std::string(54, '='));
    for (int t = 1; t <= intNBestTracts; ++t) {
      std::istringstream f(lines[head + static_cast<size_t>(t)]);
      int id = 0, count = 0;
      std::string pop;
      f >> id >> pop >> count;
      EXPECT_EQ(id, t);
      EXPECT_EQ(pop, Str(arrBestTract(t).dblPop));
      std::vector<int> listed;
      for (int b; f >> b;) listed.push_back(b);
      EXPECT_EQ(static_cast<int>(listed.size()), count);
      for (int b : listed) EXPECT_EQ(of.at(b), t) << "block " << b;
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Best iteration : " + Str(static_cast<int>(intBestIteration))),
              lines.end());
  }
};

TEST_P(EndToEndTest, RunGivesSoundTractsAndFilesThatRepeatForTheSameSeed) {
  const Scenario& sc = GetParam();
  sc.load(tempDir);
  Run(sc);
  EXPECT_EQ(windows.outputShown, 1);
  ExpectSoundBestSolution(sc.connected);
  if (sc.connected) qeltest::ExpectTractsConsistent();
  const std::string log1 = TempPath("QELlog.txt"), out1 = TempPath("QELout.csv");
  WriteProgramLog(log1);
  WriteTractComposition(out1);
  ExpectFilesMatchBest(log1, out1);

  // The same seed again: the very same files.
  Run(sc);
  const std::string log2 = TempPath("again.txt"), out2 = TempPath("again.csv");
  WriteProgramLog(log2);
  WriteTractComposition(out2);
  EXPECT_EQ(qeltest::ReadWholeFile(log1), qeltest::ReadWholeFile(log2));
  EXPECT_EQ(qeltest::ReadWholeFile(out1), qeltest::ReadWholeFile(out2));
}

INSTANTIATE_TEST_SUITE_P(Modes, EndToEndTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

// The movability test keeps every donor in one piece: over many seeded runs
// every tract is connected after every kept move.
class KeptMovesTest : public qeltest::EngineTest {
 protected:
  void TearDown() override {
    SetKeptMoveObserver(nullptr);
    EngineTest::TearDown();
  }
};

TEST_F(KeptMovesTest, EveryTractStaysConnectedAfterEveryKeptMove) {
  int kept = 0, severalContacts = 0;
  bool failed = false;
  SetKeptMoveObserver([&](int16_t ibb, int16_t from, int16_t to) {
    ++kept;
    int contacts = 0;
    const udtIBB& m = arrIBB(ibb);
    for (int k = 1; k <= m.intNNbrs; ++k) {
      const int g = arrBB(m.intNbr(k)).intIBB;
      contacts += g > 0 && arrIBB(g).intTract == from;
    }
    severalContacts += contacts >= 2;
    if (failed) return;
    if (!qeltest::IsTractConnected(from) || !qeltest::IsTractConnected(to)) {
      failed = true;
      ADD_FAILURE() << "moving IBB " << ibb << " from tract " << from << " to " << to << " split a tract";
    }
  });
  auto runs = [&](const std::function<void()>& load, RunSettings s, int seeds) {
    for (int seed = 1; seed <= seeds && !failed; ++seed) {
      load();
      s.seed = seed * 37;
      qeltest::StartRun(s);
    }
  };
  RunSettings shape;
  shape.target = true, shape.shape = true, shape.sa = true, shape.iterations = 3;
  for (unsigned v = 1; v <= 4; ++v) {
    auto spec = Spec(9 + static_cast<int>(v), 8 + static_cast<int>(v), 0, v);
    RunSettings s = shape;
    s.targetPop = 600 + 200 * v;
    s.fixedA = v % 2 == 0;
    s.fixedB = v == 3;
    runs([&] { LoadLattice(tempDir, spec); }, s, 5);
  }
  RunSettings demo = shape;
  demo.targetPop = 250;
  runs([] { LoadRepoArea("data/QELdemo.pat", "data/QELdemo.ctg"); }, demo, 20);
  RunSettings sids = shape;
  sids.targetPop = 16000;
  sids.threshold = true, sids.thresholdPop = 9600;
  runs([] { LoadRepoArea("tests/data/sids.pat", "tests/data/sids.ctg"); }, sids, 10);
  sids.fixedB = true, sids.targetPop = 40000, sids.threshold = false;
  runs([] { LoadRepoArea("tests/data/sids.pat", "tests/data/sids.ctg"); }, sids, 5);
  EXPECT_GT(kept, 1000);
  EXPECT_GT(severalContacts, 50) << "the chain rule was hardly exercised";
}

// The boundary lengths that every trial is judged by are computed in one
// walk over the members' blocks; after every kept move they equal, to the
// last bit, the scan per neighbour entry that defines them.
TEST_F(KeptMovesTest, BoundaryLengthsEqualTheScanPerEntryAfterEveryKeptMove) {
  auto expectScan = [](int t) {
    const udtTract& tr = arrTract(t);
    double perimeter = 0;
    for (int k = 1; k <= tr.intNNbrs; ++k) {
      double len = 0;
      for (int j = 1; j <= tr.intNMembers; ++j) {
        const udtIBB& m = arrIBB(tr.intMember(j));
        for (int q = 1; q <= m.intNNbrs; ++q)
          if (arrBB(m.intNbr(q)).intIBB == tr.intNbr(k)) len += m.dblNbrLen(q);
      }
      ASSERT_EQ(tr.dblNbrLen(k), len) << "tract " << t << " entry " << k;
      perimeter += len;
    }
    ASSERT_EQ(tr.dblP2, std::pow(perimeter, 2)) << "tract " << t;
  };
  int kept = 0;
  SetKeptMoveObserver([&](int16_t, int16_t from, int16_t to) {
    ++kept;
    expectScan(from);
    expectScan(to);
  });
  RunSettings s;
  s.target = true, s.targetPop = 16000, s.shape = true, s.sa = true, s.iterations = 4;
  LoadRepoArea("tests/data/sids.pat", "tests/data/sids.ctg");
  qeltest::StartRun(s);
  LoadLattice(tempDir, Spec(15, 12, 0, 9));
  s.targetPop = 900, s.fixedA = true;
  qeltest::StartRun(s);
  EXPECT_GT(kept, 100);
}

// The matching term, computed with a short list of shares per zone, equals
// to the last bit the straightforward pass over a share table by tract that
// defines it, after every kept move of runs with matching.
TEST_F(KeptMovesTest, MatchingTermEqualsTheSharePassAfterEveryKeptMove) {
  std::vector<double> share(kTableSize + 1);
  auto expectSharePass = [&] {
    double apx = 0;
    for (int zi = 1; zi <= intNZones; ++zi) {
      const udtZone& z = arrZone(zi);
      std::vector<int> tract(static_cast<size_t>(z.intNBB) + 1);
      for (int m = 1; m <= z.intNBB; ++m) {
        tract[static_cast<size_t>(m)] = arrIBB(arrBB(z.intBB(m)).intIBB).intTract;
        share[static_cast<size_t>(tract[static_cast<size_t>(m)])] = 0;
      }
      double best = 0;
      int bestTract = 0;
      for (int m = 1; m <= z.intNBB; ++m) {
        double& s = share[static_cast<size_t>(tract[static_cast<size_t>(m)])];
        s = z.dblBBPop(m) + s;
        if (s > best) best = s, bestTract = tract[static_cast<size_t>(m)];
      }
      ASSERT_EQ(z.intBestTract, bestTract) << "zone " << zi;
      if (z.dblPop > 0) {
        const double T = arrTract(bestTract).dblPop;
        ASSERT_EQ(z.dblMismatch, ((z.dblPop - best) * (z.dblPop - best) + (T - best) * (T - best)) / z.dblPop);
      }
      apx = apx + z.dblMismatch;
    }
    ASSERT_EQ(dblCurApx, apx);
  };
  int kept = 0;
  SetKeptMoveObserver([&](int16_t, int16_t, int16_t) {
    ++kept;
    expectSharePass();
  });
  RunSettings s;
  s.approx = true, s.target = true, s.targetPop = 20000, s.sa = true, s.iterations = 4;
  LoadRepoArea("tests/data/sids.pat", "tests/data/sids.ctg");
  qeltest::StartRun(s);
  s.fixedA = true, s.targetPop = 1200;
  LoadLattice(tempDir, Spec(16, 14, 0, 6));
  qeltest::StartRun(s);
  s.fixedA = false, s.target = false;
  LoadLattice(tempDir, Spec(13, 12, 0, 8));
  qeltest::StartRun(s);
  EXPECT_GT(kept, 100);
}

}  // namespace
