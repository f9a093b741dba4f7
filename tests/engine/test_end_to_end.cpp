// Whole runs, from the input files to the saved results, in every mode of the
// engine on lattices, the demo data, a real study area and irregular
// generated areas; move by move, what every kept move must leave; and
// malformed or oversized input followed by a run.
#include <cmath>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "run_loop.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::GenArea;
using qeltest::RunSettings;

namespace {

using Path = std::filesystem::path;
using Loader = std::function<void(const Path&)>;

Loader Lattice(qeltest::LatticeParams s) {
  return [=](const Path& dir) { qeltest::LoadGenArea(qeltest::LatticeArea(s), dir); };
}
Loader Repo(const std::string& name) {
  return [=](const Path&) { qeltest::LoadRepoArea(name); };
}
const Loader kDemo = Repo("data/QELdemo"), kSids = Repo("tests/data/sids");

qeltest::GenParams Params(int blocks, unsigned seed, int homVars = 0) {
  return {.blocks = blocks, .zonesA = std::max(4, blocks / 12), .zonesB = std::max(6, blocks / 7),
          .homVars = homVars, .seed = seed};
}
Loader Hex(int blocks, unsigned seed, int homVars = 0) {
  return [=](const Path& dir) { qeltest::LoadGenArea(qeltest::MakeHexArea(Params(blocks, seed, homVars)), dir); };
}

// A 9 x 9 lattice whose zone A of the first cell also holds a cell apart
// from it: one cell away (a repair joins it) or in the far corner (none can).
Loader Detached(bool bridged) {
  return [=](const Path& dir) {
    GenArea a = qeltest::LatticeArea({.cols = 9, .rows = 9});
    a.blocks[bridged ? 5 : 81].zoneA = 1;
    qeltest::LoadGenArea(a, dir);
  };
}

// Best tract of every block record, through the best tracts and the
// membership snapshot; a block listed twice fails.
std::map<int, int> BestTractOfBlocks() {
  std::map<int, int> of;
  for (int t = 1; t <= intNBestTracts; ++t)
    for (int k = 1; k <= arrBestTract(t).intNMembers; ++k) {
      const int g = arrBestTract(t).intMember(k);
      for (int j = 1; j <= intBestIBBCount(g); ++j)
        EXPECT_TRUE(of.emplace(intBestIBBMember(g, j), t).second) << "block in two best tracts";
    }
  return of;
}

// Every block in one best tract, the populations adding up, the tables
// consistent, and both saved files listing exactly the best tracts.
void ExpectSoundRun(bool connected, const std::string& log, const std::string& csv) {
  ASSERT_GT(intNBestTracts, 0);
  ASSERT_EQ(intNTracts, intNBestTracts);
  const auto of = BestTractOfBlocks();
  std::string expectedCsv;
  for (int r = 2; r <= intNRecs; ++r) {
    EXPECT_TRUE(arrBB(r).intID <= 0 || of.count(r) == 1) << "block " << r << " in no best tract";
    expectedCsv += Str(static_cast<int>(arrBB(r).intID)) + "," + Str(of.count(r) ? of.at(r) : 0) + "\r\n";
  }
  EXPECT_EQ(csv, expectedCsv);
  double ibbs = 0, tracts = 0;
  for (int g = 1; g <= intNIBB; ++g) ibbs += arrIBB(g).dblPop;
  for (int t = 1; t <= intNBestTracts; ++t) tracts += arrBestTract(t).dblPop;
  EXPECT_NEAR(tracts, ibbs, 1e-9 * std::max(1.0, ibbs));
  if (connected) {
    for (int t = 1; t <= intNTracts; ++t) EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
    qeltest::ExpectTractsConsistent();
  }
  for (const char* best : {"TP", "P2A", "IAC", "Min", "Apx"}) {
    const size_t at = log.find(std::string("\r\nBest ") + best + " value");
    ASSERT_NE(at, std::string::npos) << best;
    EXPECT_TRUE(std::isfinite(std::strtod(log.c_str() + log.find(':', at) + 1, nullptr))) << best;
  }
  for (int t = 1; t <= intNBestTracts; ++t) {
    const size_t at = log.find("\r\n" + Str(t) + "  " + Str(arrBestTract(t).dblPop) + " ");
    ASSERT_NE(at, std::string::npos) << "tract " << t;
    std::istringstream line(log.substr(at, log.find("\r\n", at + 2) - at));
    int id = 0, count = 0, block = 0, listed = 0;
    std::string pop;
    for (line >> id >> pop >> count; line >> block; ++listed) EXPECT_EQ(of.count(block) ? of.at(block) : 0, t);
    EXPECT_EQ(listed, count);
  }
}

class EndToEndTest : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetClock([] { return 1700000000.0; });  // the log's time and date repeat
  }
  // Runs and saves both files; returns their text.
  std::pair<std::string, std::string> RunAndSave(const RunSettings& s, const std::vector<int>& answers,
                                                 const std::string& tag) {
    for (int a : answers) boxes.Answer(a);
    qeltest::StartRun(s);
    WriteProgramLog(TempPath(tag + ".txt"));
    WriteTractComposition(TempPath(tag + ".csv"));
    return {qeltest::ReadWholeFile(TempPath(tag + ".txt")), qeltest::ReadWholeFile(TempPath(tag + ".csv"))};
  }
};

struct Scenario {
  std::string name;
  Loader load;
  std::function<void(RunSettings&)> set;
  std::vector<int> answers = {};  // to the contiguity questions, OK after them
  bool connected = true;          // false where the user gave up the contiguity check
};

std::vector<Scenario> Scenarios() {
  return {
      {"NoConstraints", Hex(160, 1), [](RunSettings&) {}},
      {"ThresholdOnlyDemo", kDemo, [](RunSettings& s) { s.threshold = true, s.thresholdPop = 200; }},
      {"MatchingOnly", Hex(200, 3), [](RunSettings& s) { s.approx = true; }},
      {"TargetShapeSASids", kSids,
       [](RunSettings& s) {
         s.target = s.threshold = s.shape = s.sa = true, s.targetPop = 16000, s.thresholdPop = 9600;
       }},
      {"HomogeneityGroups", Hex(180, 5, 6),
       [](RunSettings& s) { s.target = s.homog = true, s.targetPop = 25000, s.groups = {2, 2, 1, 1}; }},
      {"LayerAFixed", Hex(300, 6), [](RunSettings& s) { s.fixedA = s.target = s.shape = true, s.targetPop = 30000; }},
      {"LayerBFixedPopulationB", Hex(260, 7),
       [](RunSettings& s) { s.fixedB = s.threshold = true, s.thresholdPop = 8000, s.popLayer = 2; }},
      {"BothLayersFixed", Hex(280, 8),
       [](RunSettings& s) {
         s.fixedA = s.fixedB = s.threshold = s.target = true, s.thresholdPop = 5000, s.targetPop = 20000;
       }},
      {"BothLayersFixedLattice", Lattice({.cols = 12, .rows = 12}),
       [](RunSettings& s) {
         s.threshold = s.target = s.fixedA = s.fixedB = true, s.thresholdPop = 1000, s.targetPop = 2000, s.popLayer = 2;
       }},
      {"MatchingFixedASids", kSids, [](RunSettings& s) { s.approx = s.fixedA = s.target = true, s.targetPop = 30000; }},
      {"MatchingStartRepaired", Detached(true),
       [](RunSettings& s) { s.approx = s.iraApprox = s.target = s.shape = true, s.targetPop = 900; }},
      {"MatchingStartCancelled", Detached(false),
       [](RunSettings& s) { s.approx = s.iraApprox = s.threshold = true, s.thresholdPop = 500; }, {kIdCancel}, false},
      {"MatchingStartOnLayerBCodes", Hex(300, 13),
       [](RunSettings& s) { s.approx = s.iraApprox = s.fixedA = s.threshold = true, s.thresholdPop = 3000; }},
      {"LongThinStrip", Lattice({.cols = 150, .rows = 1}),
       [](RunSettings& s) { s.target = s.shape = s.threshold = true, s.targetPop = 1200, s.thresholdPop = 300; }},
      {"FullTable", Hex(1999, 12), [](RunSettings& s) { s.target = s.shape = true, s.targetPop = 32000, s.iterations = 2; }},
  };
}

class ModesTest : public EndToEndTest, public ::testing::WithParamInterface<Scenario> {};

TEST_P(ModesTest, RunGivesSoundTractsAndFilesThatRepeatForTheSameSeed) {
  const Scenario& sc = GetParam();
  sc.load(tempDir);
  EXPECT_TRUE(boxes.Shown().empty()) << boxes.Shown()[0];  // large populations and all
  RunSettings s;
  s.iterations = 6;
  sc.set(s);
  const auto first = RunAndSave(s, sc.answers, "first");
  EXPECT_EQ(windows.outputShown, 1);
  ExpectSoundRun(sc.connected, first.first, first.second);
  EXPECT_TRUE(RunAndSave(s, sc.answers, "again") == first) << "the same seed must give the very same files";
}

INSTANTIATE_TEST_SUITE_P(Modes, ModesTest, ::testing::ValuesIn(Scenarios()),
                         [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

// After every kept move: both tracts in one piece, the donor not below the
// threshold, and every term as its definition computes it from the members
// (the evaluation that judged the move reads values kept up to date by the
// moves, which must agree with a computation from scratch).
void ExpectKeptMoveSound(int16_t from, int16_t to) {
  ASSERT_TRUE(qeltest::IsTractConnected(from) && qeltest::IsTractConnected(to)) << "tract split";
  EXPECT_TRUE(!blnThresholdPop || arrTract(from).dblPop >= dblThreshold) << "donor below the threshold";
  ASSERT_EQ(qeltest::TractsDiffer(true), "");
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
  if (blnApprox) {  // each zone's best tract through a share table by tract
    double apx = 0;
    for (int z = 1; z <= intNZones; ++z) {
      const udtZone& zone = arrZone(z);
      std::map<int, double> share;
      double best = 0;
      int bestTract = 0;
      for (int m = 1; m <= zone.intNBB; ++m) {
        const int t = arrIBB(arrBB(zone.intBB(m)).intIBB).intTract;
        if ((share[t] += zone.dblBBPop(m)) > best) best = share[t], bestTract = t;
      }
      if (zone.dblPop > 0)
        apx += (std::pow(zone.dblPop - best, 2) + std::pow(arrTract(bestTract).dblPop - best, 2)) / zone.dblPop;
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
    std::function<Loader(int seed)> load;
    std::function<void(RunSettings&, int seed)> set;
    int seeds;
  } runs[] = {
      {[](int seed) { return Lattice({.cols = 10, .rows = 9, .seed = static_cast<unsigned>(seed)}); },
       [](RunSettings& s, int) { s.targetPop = 800; }, 3},
      {[](int seed) { return Lattice({.cols = 11, .rows = 10, .nHomVars = 3, .seed = static_cast<unsigned>(seed)}); },
       [](RunSettings& s, int) { s.targetPop = 1000, s.fixedA = s.homog = true, s.groups = {2, 1}; }, 3},
      {[](int seed) { return Lattice({.cols = 12, .rows = 11, .seed = static_cast<unsigned>(seed)}); },
       [](RunSettings& s, int) { s.targetPop = 1200, s.fixedB = s.approx = true; }, 3},
      {[](int) { return kDemo; }, [](RunSettings& s, int) { s.targetPop = 250; }, 12},
      {[](int) { return kSids; }, [](RunSettings& s, int) { s.targetPop = 16000, s.threshold = true, s.thresholdPop = 9600; }, 4},
      {[](int) { return kSids; }, [](RunSettings& s, int) { s.targetPop = 30000, s.fixedB = s.approx = true; }, 3},
      // Irregular areas, with one, the other or no layer fixed.
      {[](int seed) { return Hex(150 + 20 * seed, 100 + seed, seed % 3 ? 0 : 2); },
       [](RunSettings& s, int seed) {
         s.targetPop = 4000 + 1000 * seed, s.fixedA = seed % 4 == 1, s.fixedB = seed % 4 == 2;
         if (seed % 3 == 0) s.homog = true, s.groups = {2};
       },
       8},
  };
  for (const auto& r : runs)
    for (int seed = 1; seed <= r.seeds && !HasFatalFailure(); ++seed) {
      r.load(seed)(tempDir);
      RunSettings s;
      s.target = s.shape = s.sa = true, s.iterations = 3, s.seed = 37 * seed;
      r.set(s, seed);
      qeltest::StartRun(s);
      EXPECT_TRUE(boxes.Shown().empty()) << boxes.Shown()[0];
    }
  EXPECT_GT(kept, 2000);
  EXPECT_GT(severalContacts, 50) << "the chain rule was hardly exercised";
}

// ---- Malformed files and limits of the run ------------------------------------

// The area of a good load, the settings of the run that follows, and the
// files of a bad load in between ("": none).
struct Input {
  GenArea area;
  RunSettings s;
  std::string pat, ctg;
};
struct BadInput {
  std::string name, box;  // start of the one prompt shown, by the load or the run
  std::function<void(Input&)> edit;
};

std::string RandomBytes(unsigned seed, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>((seed = seed * 1103515245u + 12345u) >> 16);
  return s;
}

// The first n lines of a text.
std::string Head(const std::string& text, int n) {
  size_t p = 0;
  for (int i = 0; i < n && p != std::string::npos; ++i) p = text.find('\n', p + 1);
  return text.substr(0, p == std::string::npos ? text.size() : p + 1);
}

std::vector<BadInput> BadInputs() {
  using qeltest::CtgText, qeltest::PatText;
  return {
      {"RandomBytes", "Error ", [](Input& in) { in.pat = RandomBytes(7, 5000); }},
      {"TruncatedLine", "Error 13", [](Input& in) { in.pat = Head(PatText(in.area), 40) + "2055 30001 4"; }},
      {"NulBytes", "Error 13",
       [](Input& in) { in.pat = Head(PatText(in.area), 12) + std::string("3001 30001 2 1\0 5 7 1.5\n", 24); }},
      {"TooManyRecords", "Too many zone records in intersection file",
       [](Input& in) {
         for (int r = 1; r <= 2001; ++r) in.pat += std::to_string(r) + " 1 1 10 10 1\n";
       }},
      {"OnlyTheOutside", "Error 6", [](Input& in) { in.pat = Head(PatText(in.area), 1); }},
      {"ContiguityRandomBytes", "Error ", [](Input& in) { in.ctg = RandomBytes(11, 3000); }},
      {"ContiguityRecordBeyondArea", "Error 9", [](Input& in) { in.ctg = Head(CtgText(in.area), 50) + "2 1500 1.0\n"; }},
      {"SixHundredArcsForOneBlock", "Too many zone neighbours on zone file",
       [](Input& in) {
         in.ctg = Head(CtgText(in.area), 100);
         for (int r = 3; r <= 602; ++r) in.ctg += "2 " + std::to_string(r) + " 0.25\n";
       }},
      {"FixedZoneOfSixHundredBlocks", "Too many building blocks labelled as belonging to same zone A",
       [](Input& in) {
         for (size_t r = 1; r < 602; ++r) in.area.blocks[r].zoneA = 7;
         in.s.fixedA = true;
       }},
      {"FixedLayersClosingOverEverything", "Too many small zones in fixed geography",
       [](Input& in) {
         for (size_t r = 1; r < in.area.blocks.size(); ++r) in.area.blocks[r].zoneB = static_cast<int>(r % 50);
         in.s.fixedA = in.s.fixedB = true;
       }},
      {"MatchingZoneOfSevenHundredBlocks", "Error 9",
       [](Input& in) {
         for (auto& b : in.area.blocks) b.zoneA = 5;
         in.s.approx = in.s.iraApprox = true;
         blnContCheck = false;
       }},
      {"TargetOfZero", "Target population must be greater than 0", [](Input& in) { in.s.target = true; }},
  };
}

class BadInputTest : public EndToEndTest, public ::testing::WithParamInterface<BadInput> {};

// Each ends in its message, shown once, leaves every count within its table and no file
// open, and a run started afterwards (on what the last good load left) ends.
TEST_P(BadInputTest, EndsInOneMessageAndLeavesAStateThatRuns) {
  Input in{qeltest::MakeHexArea(Params(700, 21)), {}, "", ""};
  in.s.threshold = in.s.shape = true, in.s.thresholdPop = 6000, in.s.iterations = 2;
  GetParam().edit(in);
  qeltest::LoadGenArea(in.area, tempDir);
  ASSERT_EQ(intNRecs, in.area.Records());
  std::string nameA, nameB;
  if (!in.pat.empty()) ReadIntersectionFile(0, WriteFile("bad.pat", in.pat), nameA, nameB);
  int16_t arcs = 0;
  if (!in.ctg.empty()) ReadContiguityFile(WriteFile("bad.ctg", in.ctg), arcs);
  EXPECT_TRUE(intNRecs >= 0 && intNRecs <= kTableSize && intNHomVars >= 0 && intNHomVars <= kHomSize);
  for (int r = 1; r <= kTableSize; ++r)
    ASSERT_TRUE(arrBB(r).intNNbrs >= 0 && arrBB(r).intNNbrs <= kListSize) << "record " << r;
  for (int channel = 1; channel <= kMaxChannel; ++channel) EXPECT_FALSE(FileIsOpen(channel));

  EXPECT_NO_THROW(qeltest::StartRun(in.s));
  EXPECT_EQ(windows.outputShown, 1);
  EXPECT_EQ(boxes.CountStartingWith(GetParam().box), 1) << (boxes.Shown().empty() ? "no box" : boxes.Shown()[0].prompt);
  EXPECT_NO_THROW(WriteProgramLog(TempPath("log.txt")));
  EXPECT_NO_THROW(WriteTractComposition(TempPath("out.csv")));
}

INSTANTIATE_TEST_SUITE_P(StudyAreas, BadInputTest, ::testing::ValuesIn(BadInputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

}  // namespace
