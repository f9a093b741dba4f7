// The program log and the tract composition file, byte for byte.
#include <filesystem>
#include <string>
#include <vector>

#include "test_support.h"

using namespace qel;

namespace {

const std::string kSep(54, '=');

// Blocks 2..6 with own numbers 20, 30, ... (record and own number differ):
// IBB 1 = {2, 3, 4}, IBB 2 = {5}, IBB 3 = {6}. Best tracts: 1 = IBB 1
// (population 1250), 2 = IBBs 3 and 2 (population 80.5).
class OutputsTest : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    SetClock([] { return 1700000000.0; });  // the log's time stays put
    intNRecs = 6;
    arrBB(1).intID = 1;
    for (int r = 2; r <= 6; ++r) arrBB(r).intID = static_cast<int16_t>(r * 10);
    const std::vector<int> members[] = {{2, 3, 4}, {5}, {6}};
    intNIBB = intNBestIBB = 3;
    for (int g = 1; g <= 3; ++g) {
      udtIBB& ibb = arrIBB(g);
      ibb.intID = static_cast<int16_t>(g);
      ibb.intTract = g == 1 ? 1 : 2;
      for (int r : members[g - 1]) {
        ibb.intMember(++ibb.intNMembers) = static_cast<int16_t>(r);
        arrBB(r).intIBB = static_cast<int16_t>(g);
        intBestIBBMember(g, ibb.intNMembers) = static_cast<int16_t>(r);
      }
      intBestIBBCount(g) = ibb.intNMembers;
    }
    intNBestTracts = 2;
    arrBestTract(1).intID = 1, arrBestTract(1).dblPop = 1250;
    arrBestTract(1).intNMembers = 1, arrBestTract(1).intMember(1) = 1;
    arrBestTract(2).intID = 2, arrBestTract(2).dblPop = 80.5;
    arrBestTract(2).intNMembers = 2, arrBestTract(2).intMember(1) = 3, arrBestTract(2).intMember(2) = 2;
    strInputFile = "C:\\data\\area.pat";
    intNIterations = 25, intElapsedSecs = 7, intBestIteration = 3, intIslandsSkipped = 2;
    dblBestTP = 2500, dblBestP2A = 40, dblBestIAC = 0, dblBestMin = 1.7E+308, dblBestApx = 0.125;
  }
  void TearDown() override {
    SetClock(nullptr);
    EngineTest::TearDown();
  }
  std::string Log() {
    const std::string path = WriteFile("QELlog.txt", std::string(9000, 'x'));  // a longer old file
    WriteProgramLog(path);
    return qeltest::ReadWholeFile(path);
  }
  std::string Composition() {
    const std::string path = WriteFile("QELout.csv", std::string(5000, 'x'));
    WriteTractComposition(path);
    return qeltest::ReadWholeFile(path);
  }
};

TEST_F(OutputsTest, LogLaysOutTheSettingsOfTheRunAndTheBestTracts) {
  const std::string head = kSep + "\r\nQEL Program Log written at " + TimeText() + " on " + DateText() + "\r\n" +
                           kSep + "\r\nInput file : C:\\data\\area.pat\r\nNumber of iterations : 25\r\n"
                           "Elapsed time         : 7 seconds\r\n";
  const std::string tail = kSep + "\r\nBest iteration : 3\r\nBest TP value  : 2500\r\nBest P2A value : 40\r\n"
                           "Best IAC value : 0\r\nBest Min value : 1.7E+308\r\nBest Apx value : 0.125\r\n"
                           "2 sub-threshold islands skipped\r\n" + kSep +
                           "\r\nTract ID, Pop, No. parts, BBinput IDs\r\n1  1250 3  2 3 4\r\n2  80.5 2  6 5\r\n" +
                           kSep + "\r\n";
  EXPECT_EQ(Log(), head + "SA                   : Off \r\n" + tail);

  blnThresholdPop = true, dblThreshold = 100, intPopLayer = 2;
  EXPECT_EQ(Log(), head + "Threshold population : 100\r\nPopulation layer     : B\r\nSA                   : Off \r\n" + tail);

  blnTargetPop = blnShape = blnHomog = blnFixedA = blnFixedB = blnApprox = blnIRAApprox = blnSA = true;
  dblThreshold = 900, dblTarget = 1200.5, intPopLayer = 1, dblShapeWeight = 2, dblHomWeight = 0.5;
  EXPECT_EQ(Log(), head +
                       "Threshold population : 900\r\nTarget population    : 1200.5\r\nPopulation layer     : A\r\n"
                       "P2A constraint       : 2\r\nIAC constraint       : 0.5\r\nBoundary layer A     : Fixed\r\n"
                       "Boundary layer B     : Fixed\r\nApproximate matching : On\r\n"
                       "IRA based on approximate matching\r\nSA                   : On \r\n" + tail);
  EXPECT_FALSE(FileIsOpen(4));

  // The tract lines follow the snapshot of the best iteration, not the
  // IBBs' present members; a tract without blocks still gets its line.
  arrIBB(1).intNMembers = 1;
  intBestIBBMember(1, 2) = 9;
  arrBestTract(2).intNMembers = 0;
  EXPECT_NE(Log().find("\r\n1  1250 3  2 9 4\r\n2  80.5 0 \r\n"), std::string::npos);
}

TEST_F(OutputsTest, CompositionGivesEveryBlockItsOwnNumberAndTract) {
  EXPECT_EQ(Composition(), "20,1\r\n30,1\r\n40,1\r\n50,2\r\n60,2\r\n");
  EXPECT_FALSE(FileIsOpen(3));
  // Block 7 belongs to no IBB; block 8 keeps the number of an IBB that does
  // not hold it: both are in no tract.
  intNRecs = 8;
  arrBB(7).intID = 70, arrBB(7).intIBB = 0;
  arrBB(8).intID = -80, arrBB(8).intIBB = 2;
  EXPECT_EQ(Composition(), "20,1\r\n30,1\r\n40,1\r\n50,2\r\n60,2\r\n70,0\r\n-80,0\r\n");
}

TEST_F(OutputsTest, AWriteThatFailsKeepsTheExistingFileAndNoChannelOpen) {
  auto expectOnly = [this](const std::string& path, const std::string& old) {
    EXPECT_EQ(qeltest::ReadWholeFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tempDir), {}), 1) << "a partial file was left";
    for (int ch = 1; ch <= kMaxChannel; ++ch) EXPECT_FALSE(FileIsOpen(ch));
  };
  const std::string log = WriteFile("QELlog.txt", "previous log\r\n");
  intBestIBBCount(3) = 501;  // the second tract line fails part-way
  EXPECT_THROW(WriteProgramLog(log), RuntimeError);
  expectOnly(log, "previous log\r\n");
  std::filesystem::remove(log);
  const std::string out = WriteFile("QELout.csv", "1,1\r\n");
  intNRecs = 2001;  // past the last record of the table
  EXPECT_THROW(WriteTractComposition(out), RuntimeError);
  expectOnly(out, "1,1\r\n");
  EXPECT_THROW(WriteProgramLog(TempPath("no_such_dir/QELlog.txt")), RuntimeError);
  expectOnly(out, "1,1\r\n");
}

}  // namespace
