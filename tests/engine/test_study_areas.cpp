// Whole runs on generated study areas shaped like census geography, in every
// mode, and loads of malformed files, each followed by a run.
#include <cmath>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "movability.h"
#include "run_helpers.h"
#include "run_loop.h"
#include "study_area_gen.h"
#include "test_support.h"
#include "tract_checks.h"

using namespace qel;
using qeltest::GenArea;
using qeltest::GenBlock;
using qeltest::GenSpec;
using qeltest::RunSettings;

namespace {

// Best tract of every block record, through the best tracts and the
// membership snapshot; a block listed twice fails.
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

void ExpectSoundRun(bool connected) {
  ASSERT_GT(intNBestTracts, 0);
  const auto of = BestTractOfBlocks();
  for (int r = 2; r <= intNRecs; ++r)
    EXPECT_TRUE(arrBB(r).intID <= 0 || of.count(r) == 1) << "block " << r << " in no best tract";
  double ibbs = 0, tracts = 0;
  for (int g = 1; g <= intNIBB; ++g) ibbs += arrIBB(g).dblPop;
  for (int t = 1; t <= intNBestTracts; ++t) tracts += arrBestTract(t).dblPop;
  EXPECT_NEAR(tracts, ibbs, 1e-9 * std::max(1.0, ibbs));
  for (double v : {dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx}) EXPECT_TRUE(std::isfinite(v));
  ASSERT_EQ(intNTracts, intNBestTracts);
  if (!connected) return;
  for (int t = 1; t <= intNTracts; ++t) EXPECT_TRUE(qeltest::IsTractConnected(t)) << "tract " << t;
  qeltest::ExpectTractsConsistent();
}

std::vector<std::string> Lines(const std::string& path) {
  std::istringstream in(qeltest::ReadWholeFile(path));
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) {
    EXPECT_TRUE(!l.empty() && l.back() == '\r') << path << ": " << l;
    lines.push_back(l.substr(0, l.size() - 1));
  }
  return lines;
}

bool FiniteText(const std::string& s) {
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  return end != s.c_str() && *end == '\0' && std::isfinite(v);
}

// The saved files list exactly the best tables, with finite numbers only.
void ExpectFilesMatchBest(const std::string& logPath, const std::string& outPath) {
  const auto of = BestTractOfBlocks();
  const auto out = Lines(outPath);
  ASSERT_EQ(static_cast<int>(out.size()), intNRecs - 1);
  for (int r = 2; r <= intNRecs; ++r) {
    const int tract = of.count(r) ? of.at(r) : 0;
    EXPECT_EQ(out[static_cast<size_t>(r - 2)], Str(static_cast<int>(arrBB(r).intID)) + "," + Str(tract));
  }
  const auto log = Lines(logPath);
  size_t head = 0;
  for (; head < log.size() && log[head] != "Tract ID, Pop, No. parts, BBinput IDs"; ++head)
    EXPECT_TRUE(log[head].rfind("Best ", 0) != 0 || FiniteText(log[head].substr(17))) << log[head];
  ASSERT_LT(head + static_cast<size_t>(intNBestTracts) + 1, log.size());
  for (int t = 1; t <= intNBestTracts; ++t) {
    std::istringstream f(log[head + static_cast<size_t>(t)]);
    int id = 0, count = 0;
    std::string pop;
    f >> id >> pop >> count;
    EXPECT_EQ(id, t);
    EXPECT_TRUE(FiniteText(pop)) << pop;
    EXPECT_EQ(pop, Str(arrBestTract(t).dblPop));
    int listed = 0;
    for (int b; f >> b; ++listed) EXPECT_EQ(of.count(b) ? of.at(b) : 0, t) << "block " << b;
    EXPECT_EQ(listed, count);
  }
}

void ExpectCountsWithinTables() {
  EXPECT_TRUE(intNRecs >= 0 && intNRecs <= kTableSize && intNHomVars >= 0 && intNHomVars <= kHomSize);
  for (int r = 1; r <= kTableSize; ++r)
    ASSERT_TRUE(arrBB(r).intNNbrs >= 0 && arrBB(r).intNNbrs <= kListSize) << "record " << r;
}

class StudyAreaTest : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetClock([] { return 1700000000.0; });  // the log's time and date repeat
  }
  void TearDown() override {
    SetClock(nullptr);
    SetKeptMoveObserver(nullptr);
    EngineTest::TearDown();
  }
  // Writes and reads both files as the two load buttons do, and names the
  // intersection file for the run; a header line is confirmed with OK.
  void Load(const GenArea& a, bool header = false, bool crlf = false) {
    const std::string pat = WriteFile("area.pat", qeltest::PatText(a, header, crlf));
    const std::string ctg = WriteFile("area.ctg", qeltest::CtgText(a, crlf));
    strInputFile = strRunFile = pat;
    intRunHeader = header ? 1 : 0;
    std::string nameA, nameB;
    ReadIntersectionFile(header ? 1 : 0, pat, nameA, nameB);
    ASSERT_EQ(intNRecs, a.Records());
    EXPECT_EQ(nameB, header ? "TRACT" : "");
    int16_t arcs = 0;
    ReadContiguityFile(ctg, arcs);
    ASSERT_EQ(arcs, static_cast<int>(a.arcs.size()));
    // A well-formed area loads without a message, large populations included.
    EXPECT_EQ(boxes.Shown().size(), header ? 1u : 0u);
    EXPECT_EQ(boxes.CountStartingWith("Header Line reads "), header ? 1 : 0);
    boxes.Clear();
  }
  // A run, both files saved, then checked against the best tables.
  void RunAndSave(const RunSettings& s, const std::vector<int>& answers, const std::string& tag) {
    for (int a : answers) boxes.Answer(a);
    qeltest::StartRun(s);
    WriteProgramLog(TempPath(tag + ".txt"));
    WriteTractComposition(TempPath(tag + ".csv"));
  }
};

struct Mode {
  std::string name;
  std::function<GenArea()> area;
  std::function<void(RunSettings&)> settings;
  bool header = false, crlf = false;
  std::vector<int> answers = {};  // message box answers during the run, OK after them
  bool connected = true;          // false where the user gave up the contiguity check
};

GenSpec Spec(int blocks, unsigned seed, int homVars = 0) {
  GenSpec g;
  g.blocks = blocks, g.seed = seed, g.homVars = homVars;
  g.zonesA = std::max(4, blocks / 12), g.zonesB = std::max(6, blocks / 7);
  return g;
}

std::function<GenArea()> Hex(GenSpec g) {
  return [g] { return qeltest::MakeHexArea(g); };
}

std::vector<Mode> Modes() {
  return {
      {"NoConstraints", Hex(Spec(160, 1)), [](RunSettings&) {}, true, true},
      {"ThresholdOnly", Hex(Spec(220, 2)), [](RunSettings& s) { s.threshold = true, s.thresholdPop = 9000; }, true},
      {"MatchingOnly", Hex(Spec(200, 3)), [](RunSettings& s) { s.approx = true; }, true, true},
      {"TargetWithShape", Hex(Spec(240, 4)),
       [](RunSettings& s) { s.target = true, s.targetPop = 30000, s.shape = true, s.sa = true; }},
      {"HomogeneityGroups", Hex(Spec(180, 5, 6)),
       [](RunSettings& s) { s.target = true, s.targetPop = 25000, s.homog = true, s.groups = {2, 2, 1, 1}; }},
      {"LayerAFixed", Hex(Spec(300, 6)),
       [](RunSettings& s) { s.fixedA = true, s.target = true, s.targetPop = 30000, s.shape = true; }},
      {"LayerBFixed", Hex(Spec(260, 7)),
       [](RunSettings& s) { s.fixedB = true, s.threshold = true, s.thresholdPop = 8000, s.popLayer = 2; }},
      {"BothLayersFixed", Hex(Spec(280, 8)),
       [](RunSettings& s) {
         s.fixedA = s.fixedB = s.threshold = s.target = true, s.thresholdPop = 5000, s.targetPop = 20000;
       }},
      {"MatchingWithLayerAFixed", Hex(Spec(240, 9)), [](RunSettings& s) { s.approx = s.fixedA = s.shape = true; }},
      {"MatchingAsStartOkThenCancel", Hex(Spec(200, 10)),
       [](RunSettings& s) { s.approx = s.iraApprox = s.target = true, s.targetPop = 20000; }, false, false,
       {kIdOk, kIdOk, kIdOk, kIdCancel}, false},
      {"MatchingAsStartOnLayerBCodes", Hex(Spec(300, 13)),
       [](RunSettings& s) { s.approx = s.iraApprox = s.fixedA = s.threshold = true, s.thresholdPop = 3000; }},
      {"LongThinStrip", [] { return qeltest::MakeStrip(150, 11); },
       [](RunSettings& s) { s.target = s.shape = s.threshold = true, s.targetPop = 12000, s.thresholdPop = 2000; }},
      {"FullTable", Hex(Spec(1999, 12)),
       [](RunSettings& s) { s.target = s.shape = true, s.targetPop = 32000, s.iterations = 2; }, false, true},
  };
}

class ModesTest : public StudyAreaTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(ModesTest, RunIsSoundAndRepeatsByteForByteForTheSameSeed) {
  const Mode& m = GetParam();
  Load(m.area(), m.header, m.crlf);
  RunSettings s;
  s.iterations = 6;
  m.settings(s);
  RunAndSave(s, m.answers, "first");
  EXPECT_EQ(windows.outputShown, 1);
  ExpectSoundRun(m.connected);
  ExpectFilesMatchBest(TempPath("first.txt"), TempPath("first.csv"));

  RunAndSave(s, m.answers, "again");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("first.txt")), qeltest::ReadWholeFile(TempPath("again.txt")));
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("first.csv")), qeltest::ReadWholeFile(TempPath("again.csv")));
}

INSTANTIATE_TEST_SUITE_P(StudyAreas, ModesTest, ::testing::ValuesIn(Modes()),
                         [](const ::testing::TestParamInfo<Mode>& info) { return info.param.name; });

// Many irregular areas and seeds: no kept move ever leaves a tract in pieces,
// and every run ends with every block in one whole tract.
TEST_F(StudyAreaTest, KeptMovesNeverSplitATractOnIrregularAreas) {
  int kept = 0, splits = 0;
  SetKeptMoveObserver([&](int16_t, int16_t from, int16_t to) {
    ++kept;
    splits += !qeltest::IsTractConnected(from) || !qeltest::IsTractConnected(to);
  });
  for (unsigned seed = 1; seed <= 16 && !HasFailure(); ++seed) {
    Load(qeltest::MakeHexArea(Spec(150 + 20 * static_cast<int>(seed), 100 + seed, seed % 3 ? 0 : 2)));
    RunSettings s;
    s.target = s.shape = s.sa = true, s.targetPop = 4000 + 1000 * seed, s.seed = static_cast<int>(seed);
    s.fixedA = seed % 4 == 1, s.fixedB = seed % 4 == 2, s.iterations = 6;
    if (seed % 3 == 0) s.homog = true, s.groups = {2};
    qeltest::StartRun(s);
    ExpectSoundRun(true);
    EXPECT_EQ(splits, 0) << "area " << seed;
  }
  EXPECT_GT(kept, 2000);
}

// ---- Malformed files --------------------------------------------------------

struct BadInput {
  std::string name;
  std::function<std::string(const std::string& goodPat)> pat;  // empty: keep the good one
  std::function<std::string(const std::string& goodCtg)> ctg;
  std::string box;                                  // start of the prompt shown once, by the load or the run
  std::function<void(GenArea&, RunSettings&)> edit = nullptr;  // a well-formed area past a limit of the run
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
  auto records = [](int n) {
    std::string s = "1 0 0 0 0 0\n";
    for (int r = 2; r <= n; ++r) s += std::to_string(r) + " 1 1 10 10 1\n";
    return s;
  };
  return {
      {"RandomBytes", [](const std::string&) { return RandomBytes(7, 5000); }, nullptr, "Error "},
      {"TruncatedLine", [](const std::string& p) { return Head(p, 40) + "2055 30001 4"; }, nullptr, "Error 13"},
      {"NulBytes", [](const std::string& p) { return Head(p, 12) + std::string("3001 30001 2 1\0 5 7 1.5\n", 24); },
       nullptr, "Error 13"},
      {"VeryLongLine", [](const std::string& p) { return Head(p, 5) + "2 30001 2 " + std::string(40000, '7') + "\n"; },
       nullptr, "Error 6"},
      {"NineteenFields", [](const std::string& p) { return Head(p, 9) + "9 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1\n"; },
       nullptr, "Error 9"},
      {"TooManyRecords", [records](const std::string&) { return records(2001); }, nullptr,
       "Too many zone records in intersection file"},
      {"IdBeyond16Bits", [](const std::string& p) { return Head(p, 30) + "40000 30001 2 10 10 1\n"; }, nullptr,
       "Error 6"},
      {"ZoneBeyond16Bits", [](const std::string& p) { return Head(p, 30) + "4000 -30001 -32769 10 10 1\n"; }, nullptr,
       "Error 6"},
      {"OnlyTheOutside", [](const std::string& p) { return Head(p, 1); }, nullptr, "Error 6"},
      {"EmptyLastLine", [](const std::string& p) { return p + "\n"; }, nullptr, "Error 13"},
      {"ContiguityRandomBytes", nullptr, [](const std::string&) { return RandomBytes(11, 3000); }, "Error "},
      {"ContiguityRecordBeyondArea", nullptr, [](const std::string& c) { return Head(c, 50) + "2 1500 1.0\n"; },
       "Error 9"},
      {"ContiguityNumberBeyond16Bits", nullptr, [](const std::string& c) { return Head(c, 50) + "70000 2 1\n"; },
       "Error 6"},
      {"ContiguityShortLine", nullptr, [](const std::string& c) { return Head(c, 50) + "2 3\n"; }, "Error 13"},
      {"SixHundredArcsForOneBlock", nullptr,
       [](const std::string& c) {
         std::string s = Head(c, 100);
         for (int r = 3; r <= 602; ++r) s += "2 " + std::to_string(r) + " 0.25\n";
         return s;
       },
       "Too many zone neighbours on zone file"},
      {"FixedZoneOfSixHundredBlocks", nullptr, nullptr, "Too many building blocks labelled as belonging to same zone A",
       [](GenArea& a, RunSettings& s) {
         for (size_t r = 1; r < 602; ++r) a.blocks[r].zoneA = 7;
         s.fixedA = true;
       }},
      {"FixedLayersClosingOverEverything", nullptr, nullptr, "Too many small zones in fixed geography",
       [](GenArea& a, RunSettings& s) {
         for (size_t r = 1; r < a.blocks.size(); ++r) a.blocks[r].zoneB = static_cast<int>(r % 50);
         s.fixedA = s.fixedB = true;
       }},
      {"MatchingZoneOfSevenHundredBlocks", nullptr, nullptr, "Error 9",
       [](GenArea& a, RunSettings& s) {
         for (GenBlock& b : a.blocks) b.zoneA = 5;
         s.approx = s.iraApprox = true;
         blnContCheck = false;
       }},
      {"TargetOfZero", nullptr, nullptr, "Target population must be greater than 0",
       [](GenArea&, RunSettings& s) { s.target = true, s.targetPop = 0; }},
  };
}

class BadInputTest : public StudyAreaTest, public ::testing::WithParamInterface<BadInput> {};

// Each bad file ends in a message, leaves every count within its table, and
// a run started afterwards (with whatever the last good load left) ends.
TEST_P(BadInputTest, EndsInAMessageAndLeavesAStateThatRuns) {
  const BadInput& b = GetParam();
  GenArea area = qeltest::MakeHexArea(Spec(700, 21));
  RunSettings s;
  s.threshold = true, s.thresholdPop = 6000, s.shape = true, s.iterations = 2;
  if (b.edit) b.edit(area, s);
  Load(area);
  const std::string pat = b.pat ? b.pat(qeltest::PatText(area, false, false)) : qeltest::PatText(area, false, false);
  const std::string ctg = b.ctg ? b.ctg(qeltest::CtgText(area, false)) : qeltest::CtgText(area, false);
  std::string nameA, nameB;
  if (b.pat) ReadIntersectionFile(0, WriteFile("bad.pat", pat), nameA, nameB);
  int16_t arcs = 0;
  if (b.ctg) ReadContiguityFile(WriteFile("bad.ctg", ctg), arcs);
  ExpectCountsWithinTables();
  for (int channel = 1; channel <= kMaxChannel; ++channel) EXPECT_FALSE(FileIsOpen(channel));

  EXPECT_NO_THROW(qeltest::StartRun(s));
  EXPECT_EQ(windows.outputShown, 1);
  EXPECT_EQ(boxes.CountStartingWith(b.box), 1) << (boxes.Shown().empty() ? "no box" : boxes.Shown()[0].prompt);
  EXPECT_NO_THROW(WriteProgramLog(TempPath("log.txt")));
  EXPECT_NO_THROW(WriteTractComposition(TempPath("out.csv")));
}

INSTANTIATE_TEST_SUITE_P(StudyAreas, BadInputTest, ::testing::ValuesIn(BadInputs()),
                         [](const ::testing::TestParamInfo<BadInput>& info) { return info.param.name; });

// Block numbers are the file's own: a block numbered 1 that is not record 1
// is an ordinary block and must hold its tract together like any other.
TEST_F(StudyAreaTest, BlockNumberedOneKeepsItsTractInOnePiece) {
  for (const char* id : {"2", "1"}) {  // record 2 - record 3 - record 4 in a row, record 5 beside record 3
    const std::string pat =
        std::string("0 0 0 0 0 0\n") + id + " 1 1 10 10 1\n3 2 2 10 10 1\n4 3 3 10 10 1\n5 4 4 10 10 1\n";
    const std::string ctg = "2 3 1\n3 4 1\n3 5 1\n1 2 3\n1 4 3\n1 5 3\n";
    qeltest::LoadStudyArea(WriteFile("one.pat", pat), WriteFile("one.ctg", ctg));
    BuildIntermediateBBs();
    ResetTracts();
    qeltest::MakeTract(1, {1, 2, 3});
    qeltest::MakeTract(2, {4});
    qeltest::FinishTractsFromScratch();
    EXPECT_FALSE(IsMovable(2, 1)) << "record 2 numbered " << id << ": taking record 3 would split its tract";
  }
}

}  // namespace
