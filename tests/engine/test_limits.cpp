// Limits and settings that the program meets with a clear message or a
// defined value instead of a crash, a table overrun or a loop without end.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "aggregation_common.h"
#include "test_support.h"

using namespace qel;
using qeltest::RunSettings;
using qeltest::ShownBox;
using Ints = std::vector<int>;

namespace {

class Limits : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    blnContCheck = false;
  }
  bool Shown(const std::string& prompt) const { return boxes.CountStartingWith(prompt) > 0; }
  // Runs the iterations on the IBBs as they stand, as the Run command does.
  void Run(int iterations) {
    intNIterations = static_cast<int16_t>(iterations);
    RunIterations(intNIterations);
  }
  // The IBBs of a lattice, in no tract yet.
  void Lattice(int cols, int rows, bool king = false) {
    qeltest::LoadLattice(tempDir, {.cols = cols, .rows = rows, .king = king});
    BuildIntermediateBBs();
    ResetTracts();
    boxes.Clear();
    for (int g = 1; g <= intNIBB; ++g) arrIBB(g).intTract = 0;
  }
  static Ints Span(int from, int to) {
    Ints v;
    for (int g = from; g <= to; ++g) v.push_back(g);
    return v;
  }
  // Tract t of the IBBs: the first seeds it, the rest are added in order.
  static void MakeTract(int t, const Ints& ibbs) {
    SeedTract(static_cast<int16_t>(t), static_cast<int16_t>(ibbs.front()));
    intNTracts = std::max<int16_t>(intNTracts, static_cast<int16_t>(t));
    for (size_t k = 1; k < ibbs.size(); ++k) AddIBBToTract(static_cast<int16_t>(t), static_cast<int16_t>(ibbs[k]));
  }
  // Every byte of the tract table in use, to show that a refusal wrote nothing.
  static std::string TractTableBytes() {
    std::string s;
    auto put = [&s](const auto& v) { s.append(reinterpret_cast<const char*>(&v), sizeof v); };
    put(intNTracts);
    for (int t = 1; t <= intNTracts; ++t) put(arrTract(t));
    for (int g = 1; g <= intNIBB; ++g) put(arrIBB(g).intTract);
    return s;
  }
  void ExpectRefused(const std::function<void()>& op, const ShownBox& box) {
    boxes.Clear();
    const std::string before = TractTableBytes();
    op();
    EXPECT_TRUE(TractTableBytes() == before) << box.prompt << ": the tract table changed";
    EXPECT_EQ(boxes.Shown(), std::vector<ShownBox>{box});
  }
};

TEST_F(Limits, RefusedPreparationEndsTheRunAndKeepsTheLastResults) {
  // One zone A of 600 blocks: more than a list, a tract or a zone holds.
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 20, .zoneA = 30});
  qeltest::StartRun({.threshold = true, .thresholdPop = 500, .iterations = 1});
  WriteTractComposition(TempPath("before.csv"));
  const std::string tracts = TractTableBytes();
  const std::pair<RunSettings, std::string> refusals[] = {
      {{.target = true, .targetPop = 0}, "Target population must be greater than 0"},
      {{.fixedA = true}, "Too many building blocks labelled as belonging to same zone A"},
      {{.approx = true}, "Error 9 Index outside the bounds of a table: zone 1 has more than 500 records (line 502 of "},
      {{.approx = true}, "Header Line reads "},  // read with a header line, then Cancel
  };
  for (const auto& [r, prompt] : refusals) {
    boxes.Clear();
    windows.calls.clear();
    if (prompt == "Header Line reads ") intRunHeader = 1, boxes.Answer(kIdCancel);
    qeltest::StartRun(r);
    EXPECT_TRUE(Shown(prompt)) << prompt;
    EXPECT_TRUE(std::find(windows.calls.begin(), windows.calls.end(), "ShowOutput") == windows.calls.end());
    EXPECT_TRUE(TractTableBytes() == tracts) << prompt;
    WriteTractComposition(TempPath("after.csv"));
    EXPECT_EQ(qeltest::ReadWholeFile(TempPath("after.csv")), qeltest::ReadWholeFile(TempPath("before.csv")));
  }
}

TEST_F(Limits, FixedZoneAtItsExactSize) {
  // One fixed zone: of 500 blocks, one IBB; of 501, more than an IBB holds
  // (each block still lists the 500 others); of 600, more than a list holds.
  // A refusal leaves the IBBs as they were and no placed mark on a number.
  const RunSettings s{.threshold = true, .thresholdPop = 500, .fixedA = true, .iterations = 1};
  for (const auto& [cells, refusal] : {std::pair{500, ""}, {501, "Too many building blocks in one intermediate"},
                                       {600, "Too many building blocks labelled as belonging to same zone A"}}) {
    boxes.Clear();
    qeltest::LoadLattice(tempDir, {.cols = cells, .rows = 1, .zoneA = 600});
    const int16_t before = intNIBB;
    qeltest::StartRun(s);
    EXPECT_EQ(boxes.Shown().size(), *refusal ? 1u : 0u) << cells;
    EXPECT_TRUE(!*refusal || Shown(refusal)) << cells;
    EXPECT_EQ(intNIBB, *refusal ? before : 1) << cells;
    for (int r = 2; r <= intNRecs; ++r) ASSERT_EQ(arrBB(r).intID, r) << r;
  }
}

TEST_F(Limits, ClosuresTargetsAndReferencesBeyondTheirRange) {
  // Both layers fixed, their zones overlapping across the whole lattice: the
  // closure of every block is larger than a list holds.
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 20, .zoneA = 2, .zoneB = 2});
  blnFixedA = blnFixedB = true;
  BuildIntermediateBBs();
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many small zones in fixed geography", 16, "Fixed zones error"}}));
  EXPECT_EQ(intNIBB, 0);
  // A target that implies more tracts than 16 bits hold: the warning gives
  // the true number and the preparation goes on.
  blnFixedA = blnFixedB = false;
  blnTargetPop = true, dblTarget = 0.001;
  BuildIntermediateBBs();
  EXPECT_TRUE(Shown("Resetting target number of tracts (" + Str(std::nearbyint(dblTotPopA / 0.001)) +
                    ") to number of building blocks supplied (600)"));
  EXPECT_EQ(intNIBB, 600);
  // One fixed zone along the middle row of 260 x 3 cells: its IBB would have
  // 520 neighbouring blocks and the outside.
  blnTargetPop = false, blnFixedA = true;
  qeltest::LoadLattice(tempDir, {.cols = 260, .rows = 3});
  for (int r = 2; r <= intNRecs; ++r) arrBB(r).intZoneA = static_cast<int16_t>((r - 2) / 260 == 1 ? 0 : r);
  BuildIntermediateBBs();
  EXPECT_EQ(boxes.CountStartingWith("Too many neighbours to one intermediate building block"), 1);
  EXPECT_EQ(intNIBB, 600);  // a refusal leaves the last run's IBBs
  // A first homogeneity group that sums to nothing leaves the means at 0.
  blnFixedA = false, blnHomog = true, intNHomGroups = 1, intGroupSize(1) = 2;
  qeltest::LoadArea(tempDir, {"1 1 10 10 1 0 0 4", "1 1 10 10 1 0 0 6"}, "2 3 1,2 1 1,3 1 1");
  EXPECT_TRUE(Shown("The first group of homogeneity variables sums to 0"));
  EXPECT_EQ(dblHomMean(3), 0);
  // 300 blocks in one zone of both fixed layers: layer B lists none again.
  boxes.Clear();
  blnHomog = false, blnFixedA = blnFixedB = true;
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 10, .zoneA = 30, .zoneB = 31});
  BuildIntermediateBBs();
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNIBB, 1);
}

TEST_F(Limits, ByteOrderMarkIsNoPartOfTheFirstLine) {
  std::string n1, n2;
  ReadIntersectionFile(0, WriteFile("bom.pat", "\xEF\xBB\xBF" "1 0 0 0 0 0\r\n2 1 1 10 10 1\r\n"), n1, n2);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNRecs, 2);
}

TEST_F(Limits, BlocksOutsideEveryTract) {
  // Record 4 has no neighbour and record 5 no positive number: neither can be
  // placed; a self-arc is no boundary; the composition file names tract 0.
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "1 1 10 10 1", "2 2 10 10 1", "1 1 10 10 1"},
                    "2 3 1,2 2 5,2 1 3,3 1 3");
  arrBB(5).intID = 0;
  BuildIntermediateBBs();
  EXPECT_EQ(arrBB(2).intNNbrs, 2);
  blnThresholdPop = true, dblThreshold = 5, blnMinOnly = true;
  Run(1);
  EXPECT_TRUE(Shown("Intermediate BB 3 omitted from IRA"));
  WriteTractComposition(TempPath("out.csv"));
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("out.csv")), "2,1\r\n3,2\r\n4,0\r\n0,0\r\n");
  // A negative number, even the one without a positive counterpart, places
  // no block and is positive after the preparation.
  arrBB(3).intID = INT16_MIN;
  BuildIntermediateBBs();
  EXPECT_EQ(arrBB(3).intID, INT16_MAX);
}

TEST_F(Limits, DominantZonesOfAnyCodeAndFullTracts) {
  // Codes 0, negative and beyond the block count each found a tract.
  blnApprox = blnIRAApprox = true;
  qeltest::LoadArea(tempDir, {"0 1 10 10 1", "-5 1 10 10 1", "30000 1 10 10 1", "30000 1 10 10 1"},
                    "2 3 1,3 4 1,4 5 1,2 1 1");
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 3);
  EXPECT_EQ(qeltest::Members(3), (std::vector<int>{3, 4}));
  // Layer A fixed: an IBB's dominant zone of layer B is the one with most
  // of its population, wherever its blocks stand.
  blnFixedA = true;
  qeltest::LoadArea(tempDir, {"1 5 10 10 1", "1 6 10 10 1", "1 6 10 10 1", "2 6 10 10 1"}, "2 3 1,3 4 1,4 5 1,2 1 1");
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 1);
  blnFixedA = false;
  // Shares below one person still make a zone dominant.
  qeltest::LoadArea(tempDir, {"7 1 0.5 0 1", "7 1 0.25 0 1", "8 1 0.5 0 1"}, "2 3 1,3 4 1,2 1 1");
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 2);
  EXPECT_EQ(qeltest::Members(1), (std::vector<int>{1, 2}));

  // One zone of 600 IBBs fills one tract to its 500 members; the rest start
  // another. (A zone table cannot hold that zone: its preparation is refused.)
  qeltest::LoadLattice(tempDir, {.cols = 30, .rows = 20, .zoneA = 30});
  blnApprox = false;
  BuildIntermediateBBs();
  BuildApproxTracts();
  ASSERT_EQ(intNTracts, 2);
  EXPECT_EQ(arrTract(1).intNMembers, 500);
  EXPECT_EQ(qeltest::TractsDiffer(), "");
}

TEST_F(Limits, RepairThatEmptiesATractTakesItOut) {
  blnApprox = blnIRAApprox = blnContCheck = true;
  // Zone 1 at both ends of a strip, zone 2 between: moving the middle joins
  // tract 1 and empties tract 2, which leaves the table.
  qeltest::LoadArea(tempDir, {"1 1 10 10 1", "2 1 10 10 1", "1 1 10 10 1"}, "2 3 1,3 4 1,2 1 1");
  BuildApproxTracts();
  EXPECT_EQ(intNTracts, 1);
  EXPECT_TRUE(qeltest::IsTractConnected(1));
  // Cancel at the question: no repair, and one iteration without the check.
  boxes.Clear();
  boxes.Answer(kIdCancel);
  intNIterations = 5;
  BuildApproxTracts();
  EXPECT_TRUE(Shown("Contiguity errors in tracts: one iteration without contiguity checking"));
  EXPECT_EQ(intNIterations, 1);
  EXPECT_FALSE(qeltest::IsTractConnected(1));
}

TEST_F(Limits, AnEarlierTargetDoesNotSizeAThresholdRun) {
  qeltest::LoadLattice(tempDir, {.cols = 12, .rows = 12});
  const RunSettings threshold{.threshold = true, .thresholdPop = 500, .iterations = 2};
  qeltest::StartRun(threshold);
  WriteTractComposition(TempPath("first.csv"));
  qeltest::StartRun({.target = true, .targetPop = 3000, .iterations = 1});
  qeltest::StartRun(threshold);
  WriteTractComposition(TempPath("again.csv"));
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("again.csv")), qeltest::ReadWholeFile(TempPath("first.csv")));
}

TEST_F(Limits, RunCountsAndTimes) {
  qeltest::LoadLattice(tempDir, {.cols = 2, .rows = 2});
  blnThresholdPop = blnMinOnly = true, dblThreshold = 150;
  BuildIntermediateBBs();
  // The largest count still ends, and the bar never passes 100.
  Run(32767);
  EXPECT_EQ(windows.progressValues.size(), 32768u);  // 0, then one value per iteration
  EXPECT_EQ(windows.progressValues.back(), 100);
  // A start later in the day than now lies before midnight: elapsed time is
  // counted across it and held within 16 bits.
  datRunStart = TimeOfDay() + 60;
  Run(1);
  EXPECT_EQ(intElapsedSecs, 32767);
}

TEST_F(Limits, EveryBlockATractOfItsOwn) {
  // A target below every block's population: the most tracts there can be.
  qeltest::LoadLattice(tempDir, {.cols = 1999, .rows = 1});
  qeltest::StartRun({.target = true, .targetPop = 0.5, .iterations = 1});
  EXPECT_TRUE(Shown("Resetting target number of tracts"));
  EXPECT_EQ(intNBestTracts, 1999);
  EXPECT_EQ(qeltest::TractsDiffer(), "");
}

TEST_F(Limits, TractListsFullAreRefusedWithTheTablesUnchanged) {
  int16_t into = 1;
  for (int run = 1; run <= 2; ++run) {  // a move's limit is shown once a run
    Lattice(40, 25);  // rows of 40: runs of IBB numbers are connected
    MakeTract(1, Span(1, 250));
    MakeTract(2, Span(251, 500));
    MakeTract(3, Span(501, 751));
    into = 1;
    ExpectRefused([&] { MergeTracts(3, into); }, {"Too many members to merged tract", 16, "Error merging tracts"});
    MergeTracts(2, into);
    EXPECT_EQ(arrTract(1).intNMembers, 500);
    ExpectRefused([] { MoveIBBToTract(1, 751); },
                  {"Too many members to receiving tract", 16, "Error moving intermediate BB"});
  }
  const std::string before = TractTableBytes();
  MoveIBBToTract(1, 800);  // an IBB in no tract stays there
  EXPECT_TRUE(TractTableBytes() == before);
  // Runs along the middle row of 3 x 310 cells: two neighbour entries a cell.
  Lattice(310, 3);
  auto middle = [](int from, int to) { return Span(311 + from, 311 + to); };
  MakeTract(1, middle(0, 149));
  MakeTract(2, middle(151, 300));
  into = 2;
  ExpectRefused([&] { MergeTracts(1, into); }, {"Too many neighbours to merged tract", 16, "Error merging tracts"});
  // With a cell of the top row the count is odd: 499 entries, then 501. The
  // aggregations pass over an IBB that does not fit: no box, no tract.
  Lattice(310, 3);
  MakeTract(1, Ints{301});
  int x = 0;
  for (; x < 300; ++x) {
    AddIBBToTract(1, static_cast<int16_t>(311 + x));
    if (arrIBB(311 + x).intTract != 1) break;
  }
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(arrTract(1).intNNbrs, 499);
  EXPECT_EQ(arrIBB(311 + x).intTract, 0);
  Lattice(310, 3);
  Ints run = middle(0, 246);
  run.insert(run.begin(), 301);
  MakeTract(1, run);
  MakeTract(2, middle(247, 248));
  ASSERT_EQ(arrTract(1).intNNbrs, 499);
  ExpectRefused([] { MoveIBBToTract(1, 311 + 247); },
                {"Too many neighbours to receiving tract", 16, "Error moving intermediate BB"});
  // With diagonal neighbours, 248 cells of the middle row have 500 entries;
  // a cell leaving from between them would be the 501st of the giving tract.
  Lattice(310, 3, true);
  MakeTract(1, middle(0, 247));
  MakeTract(2, Ints{101});
  ASSERT_EQ(arrTract(1).intNNbrs, 500);
  ExpectRefused([] { MoveIBBToTract(2, 311 + 100); },
                {"Too many neighbours to giving tract", 16, "Error moving intermediate BB"});
}

TEST_F(Limits, LookUpTableThatCannotBeWrittenKeepsTheResults) {
  qeltest::LoadLattice(tempDir, {.cols = 4, .rows = 4});
  const auto cwd = std::filesystem::current_path();
  std::filesystem::current_path(tempDir);
  windows.lutValue = 1;
  const RunSettings s{.approx = true, .iterations = 2};
  // The table's name taken by a folder, or by a pipe that nobody reads: the
  // table cannot be written, and the run is kept.
  for (const bool folder : {true, false}) {
    if (folder) {
      std::filesystem::create_directory("QELlut.csv");
    } else {
      ASSERT_EQ(::mkfifo("QELlut.csv", 0600), 0);
    }
    boxes.Clear();
    qeltest::StartRun(s);
    std::filesystem::remove("QELlut.csv");
    EXPECT_EQ(boxes.CountStartingWith("The look-up table QELlut.csv could not be written"), 1) << folder;
    EXPECT_FALSE(blnWriteLUT);  // the next evaluation writes no table
    EXPECT_GT(intNBestTracts, 0);
    EXPECT_TRUE(std::isfinite(dblBestApx));
  }
  std::filesystem::current_path(cwd);
}

}  // namespace
