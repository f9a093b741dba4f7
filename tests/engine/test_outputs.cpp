#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

using namespace qel;

namespace {

// Blocks 2..6 with own numbers 20, 30, ... (so record and own number differ):
// IBB 1 = {2, 3, 4}, IBB 2 = {5}, IBB 3 = {6}.
// Best tracts: 1 = IBB 1 (population 1250), 2 = IBBs 3 and 2 (population 80.5).
class OutputsTest : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetClock([] { return 1700000000.0; });
    intNRecs = 6;
    arrBB(1).intID = 1;
    for (int r = 2; r <= 6; ++r) arrBB(r).intID = static_cast<int16_t>(r * 10);
    intNIBB = 3;
    SetIBB(1, {2, 3, 4}, 1);
    SetIBB(2, {5}, 2);
    SetIBB(3, {6}, 2);
    intNBestIBB = 3;
    for (int g = 1; g <= 3; ++g) {
      intBestIBBCount(g) = arrIBB(g).intNMembers;
      for (int k = 1; k <= arrIBB(g).intNMembers; ++k) intBestIBBMember(g, k) = arrIBB(g).intMember(k);
    }
    intNBestTracts = 2;
    SetBestTract(1, 1250, {1});
    SetBestTract(2, 80.5, {3, 2});
    strInputFile = "C:\\data\\area.pat";
    intNIterations = 25;
    intElapsedSecs = 7;
    intBestIteration = 3;
    dblBestTP = 2500;
    dblBestP2A = 40;
    dblBestIAC = 0;
    dblBestMin = 1.7E+308;
    dblBestApx = 0.125;
    intIslandsSkipped = 2;
  }
  void TearDown() override {
    SetClock(nullptr);
    EngineTest::TearDown();
  }

  static void SetIBB(int g, std::vector<int> blocks, int tract) {
    udtIBB& ibb = arrIBB(g);
    ibb.intID = static_cast<int16_t>(g);
    ibb.intNMembers = static_cast<int16_t>(blocks.size());
    for (size_t k = 0; k < blocks.size(); ++k) {
      ibb.intMember(static_cast<int>(k + 1)) = static_cast<int16_t>(blocks[k]);
      arrBB(blocks[k]).intIBB = static_cast<int16_t>(g);
    }
    ibb.intTract = static_cast<int16_t>(tract);
  }
  static void SetBestTract(int t, double pop, std::vector<int> ibbs) {
    udtTract& tr = arrBestTract(t);
    tr.intID = static_cast<int16_t>(t);
    tr.dblPop = pop;
    tr.intNMembers = static_cast<int16_t>(ibbs.size());
    for (size_t k = 0; k < ibbs.size(); ++k) tr.intMember(static_cast<int>(k + 1)) = static_cast<int16_t>(ibbs[k]);
  }

  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
      size_t end = text.find("\r\n", pos);
      EXPECT_NE(end, std::string::npos) << "last line not ended by CR LF";
      if (end == std::string::npos) break;
      out.push_back(text.substr(pos, end - pos));
      pos = end + 2;
    }
    return out;
  }

  std::string LogText() {
    std::string path = TempPath("QELlog.txt");
    WriteProgramLog(path);
    return qeltest::ReadWholeFile(path);
  }
};

const std::string kSep(54, '=');

TEST_F(OutputsTest, LogWithEverySettingOnIsLaidOutExactly) {
  blnThresholdPop = blnTargetPop = blnShape = blnHomog = true;
  blnFixedA = blnFixedB = blnApprox = blnIRAApprox = blnSA = true;
  dblThreshold = 900;
  dblTarget = 1200.5;
  intPopLayer = 1;
  dblShapeWeight = 2;
  dblHomWeight = 0.5;
  const std::string expected =
      kSep + "\r\n" +
      "QEL Program Log written at " + TimeText() + " on " + DateText() + "\r\n" +
      kSep + "\r\n" +
      "Input file : C:\\data\\area.pat\r\n"
      "Number of iterations : 25\r\n"
      "Elapsed time         : 7 seconds\r\n"
      "Threshold population : 900\r\n"
      "Target population    : 1200.5\r\n"
      "Population layer     : A\r\n"
      "P2A constraint       : 2\r\n"
      "IAC constraint       : 0.5\r\n"
      "Boundary layer A     : Fixed\r\n"
      "Boundary layer B     : Fixed\r\n"
      "Approximate matching : On\r\n"
      "IRA based on approximate matching\r\n"
      "SA                   : On \r\n" +
      kSep + "\r\n" +
      "Best iteration : 3\r\n"
      "Best TP value  : 2500\r\n"
      "Best P2A value : 40\r\n"
      "Best IAC value : 0\r\n"
      "Best Min value : 1.7E+308\r\n"
      "Best Apx value : 0.125\r\n"
      "2 sub-threshold islands skipped\r\n" +
      kSep + "\r\n" +
      "Tract ID, Pop, No. parts, BBinput IDs\r\n"
      "1  1250 3  2 3 4\r\n"
      "2  80.5 2  6 5\r\n" +
      kSep + "\r\n";
  EXPECT_EQ(LogText(), expected);
  EXPECT_FALSE(FileIsOpen(4));
}

TEST_F(OutputsTest, LogWritesOnlyTheSettingLinesOfTheRun) {
  // Nothing on: no population, constraint or layer lines; SA off.
  auto lines = Lines(LogText());
  ASSERT_EQ(lines.size(), 20u);  // 28 rows less 9 conditional ones, 2 tract lines
  EXPECT_EQ(lines[5], "Elapsed time         : 7 seconds");
  EXPECT_EQ(lines[6], "SA                   : Off ");
  EXPECT_EQ(lines[7], kSep);

  // Threshold only, population B: lines 7 and 9, not 8.
  blnThresholdPop = true;
  dblThreshold = 100;
  intPopLayer = 2;
  lines = Lines(LogText());
  ASSERT_EQ(lines.size(), 22u);
  EXPECT_EQ(lines[6], "Threshold population : 100");
  EXPECT_EQ(lines[7], "Population layer     : B");
  EXPECT_EQ(lines[8], "SA                   : Off ");
}

TEST_F(OutputsTest, TractLineCountsBlocksNotIBBsAndListsTheBestSnapshot) {
  // The snapshot, not the IBBs' present members, decides the list.
  arrIBB(1).intNMembers = 1;
  intBestIBBMember(1, 2) = 9;
  auto lines = Lines(LogText());
  EXPECT_EQ(lines[lines.size() - 3], "1  1250 3  2 9 4");
  // A tract with no blocks still gets its line.
  arrBestTract(2).intNMembers = 0;
  lines = Lines(LogText());
  EXPECT_EQ(lines[lines.size() - 2], "2  80.5 0 ");
}

TEST_F(OutputsTest, CompositionListsOwnNumbersAndCurrentTractsOfBlocks2ToN) {
  std::string path = TempPath("QELout.csv");
  WriteTractComposition(path);
  EXPECT_EQ(qeltest::ReadWholeFile(path), "20,1\r\n30,1\r\n40,1\r\n50,2\r\n60,2\r\n");
  EXPECT_FALSE(FileIsOpen(3));
}

TEST_F(OutputsTest, CompositionGivesTractZeroToABlockInNoIBB) {
  // Block 7 was never grouped (intIBB 0); block 8 keeps a stale IBB number
  // from an earlier run although IBB 2 does not hold it.
  intNRecs = 8;
  arrBB(7).intID = 70;
  arrBB(7).intIBB = 0;
  arrBB(8).intID = -80;
  arrBB(8).intIBB = 2;
  std::string path = TempPath("QELout.csv");
  WriteTractComposition(path);
  EXPECT_EQ(qeltest::ReadWholeFile(path), "20,1\r\n30,1\r\n40,1\r\n50,2\r\n60,2\r\n70,0\r\n-80,0\r\n");
}

TEST_F(OutputsTest, TwelveRecordsGiveElevenCompositionLines) {
  intNRecs = 12;
  for (int r = 7; r <= 12; ++r) {
    arrBB(r).intID = static_cast<int16_t>(r * 10);
    SetIBB(r - 3, {r}, 3);
  }
  intNIBB = 9;
  std::string path = TempPath("QELout.csv");
  WriteTractComposition(path);
  auto lines = Lines(qeltest::ReadWholeFile(path));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines.front(), "20,1");
  EXPECT_EQ(lines.back(), "120,3");
}

TEST_F(OutputsTest, SavingOverAnExistingFileReplacesItWhole) {
  std::string path = WriteFile("QELout.csv", std::string(5000, 'x'));
  WriteTractComposition(path);
  EXPECT_EQ(qeltest::ReadWholeFile(path), "20,1\r\n30,1\r\n40,1\r\n50,2\r\n60,2\r\n");
  path = WriteFile("QELlog.txt", std::string(9000, 'x'));
  WriteProgramLog(path);
  EXPECT_EQ(qeltest::ReadWholeFile(path).substr(0, 54), kSep);
}

TEST_F(OutputsTest, AWriteThatFailsPartWayKeepsTheExistingFile) {
  auto onlyOldFile = [this](const std::string& path, const std::string& old) {
    EXPECT_EQ(qeltest::ReadWholeFile(path), old);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(tempDir)) {
      (void)e;
      ++files;
    }
    EXPECT_EQ(files, 1) << "a partial file was left beside the target";
    for (int ch = 1; ch <= kMaxChannel; ++ch) EXPECT_FALSE(FileIsOpen(ch));
  };
  // The log fails at its second tract: the snapshot names a 501st block.
  const std::string oldLog = "previous log\r\n";
  std::string log = WriteFile("QELlog.txt", oldLog);
  intBestIBBCount(3) = 501;
  EXPECT_THROW(WriteProgramLog(log), RuntimeError);
  onlyOldFile(log, oldLog);
  std::filesystem::remove(log);

  // The composition fails past the last record of the table.
  const std::string oldOut = "1,1\r\n";
  std::string out = WriteFile("QELout.csv", oldOut);
  intNRecs = 2001;
  EXPECT_THROW(WriteTractComposition(out), RuntimeError);
  onlyOldFile(out, oldOut);
}

TEST_F(OutputsTest, AnUnwritablePathRaisesAndLeavesNoChannelOpen) {
  std::string dir = TempPath("no_such_dir") + "/QELlog.txt";
  EXPECT_THROW(WriteProgramLog(dir), RuntimeError);
  EXPECT_THROW(WriteTractComposition(dir), RuntimeError);
  for (int ch = 1; ch <= kMaxChannel; ++ch) EXPECT_FALSE(FileIsOpen(ch));
}

}  // namespace
