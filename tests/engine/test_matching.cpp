// The approximate-matching term and the look-up table "QELlut.csv".
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "test_support.h"

using namespace qel;

namespace {

class MatchingTest : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    oldDir_ = std::filesystem::current_path();
    std::filesystem::current_path(tempDir);
    intNRecs = 1;
  }
  void TearDown() override {
    std::filesystem::current_path(oldDir_);
    EngineTest::TearDown();
  }
  // A zone whose members, each a block of its own IBB, are (tract,
  // population) pairs in member order; tract t has population 100 unless set.
  static void Zone(int code, const std::vector<std::pair<int, double>>& members) {
    udtZone& z = arrZone(++intNZones);
    z.intCode = static_cast<int16_t>(code);
    for (const auto& [t, pop] : members) {
      const int r = ++intNRecs, g = ++intNIBB;
      arrBB(r).intIBB = static_cast<int16_t>(g);
      arrIBB(g).intTract = static_cast<int16_t>(t);
      z.intBB(++z.intNBB) = static_cast<int16_t>(r);
      z.dblBBPop(z.intNBB) = pop;
      z.dblPop += pop;
      if (t > intNTracts && t <= kTableSize) intNTracts = static_cast<int16_t>(t);
    }
  }
  std::string LUT() const { return qeltest::ReadWholeFile((tempDir / "QELlut.csv").string()); }

 private:
  std::filesystem::path oldDir_;
};

TEST_F(MatchingTest, BestTractAndMismatchOfEachZone) {
  for (int t = 1; t <= 5; ++t) arrTract(t).dblPop = 100;
  arrTract(3).dblPop = 150;
  Zone(1, {{5, 40}, {2, 60}});            // the larger share wins
  Zone(2, {{5, 50}, {2, 50}});            // of equal shares the first reached
  Zone(7, {{3, 60}, {2, 20}, {3, 40}});   // the worked example: 120, 100 in 150
  Zone(9, {{1, 100}});                    // a perfect match
  Zone(4, {{1, 0}});                      // no population: keeps its mismatch
  arrZone(5).dblMismatch = 2.5;
  Zone(6, {{1, 30}, {0, 10}, {2500, 10}});  // members in no tract of the table
  arrBB(arrZone(6).intBB(2)).intIBB = 0;
  CalcApproxMatch();
  const int best[] = {2, 5, 3, 1, 0, 1};
  const double mismatch[] = {(1600 + 1600) / 100.0, 50, 2900 / 120.0, 0, 2.5, (400 + 4900) / 50.0};
  double sum = 0;
  for (int z = 1; z <= 6; ++z) {
    EXPECT_EQ(arrZone(z).intBestTract, best[z - 1]) << "zone " << z;
    EXPECT_NEAR(arrZone(z).dblMismatch, mismatch[z - 1], 1e-12) << "zone " << z;
    sum += mismatch[z - 1];
  }
  EXPECT_NEAR(dblCurApx, sum, 1e-9);
  EXPECT_EQ(arrZone(1).intBBTract(1), 5);
  EXPECT_EQ(arrZone(6).intBBTract(3), 0);
  EXPECT_FALSE(std::filesystem::exists(tempDir / "QELlut.csv"));  // not asked for
}

TEST_F(MatchingTest, LookUpTableHoldsTheLinesOfTheLastCallOnly) {
  arrTract(2).dblPop = 20;
  arrTract(3).dblPop = 150;
  Zone(7, {{3, 60}, {2, 20}, {3, 40}});
  Zone(-4, {{3, 0}});  // no best tract: its number and population show 0
  blnWriteLUT = true;
  CalcApproxMatch();
  EXPECT_EQ(LUT(), "7,120,3,150,100,20,50\r\n-4,0,0,0,0,0,0\r\n");
  arrTract(3).dblPop = 100;
  CalcApproxMatch();
  EXPECT_EQ(LUT(), "7,120,3,100,100,20,0\r\n-4,0,0,0,0,0,0\r\n");
  intNZones = 0;
  CalcApproxMatch();
  EXPECT_EQ(LUT(), "");
  EXPECT_FALSE(FileIsOpen(5));
}

TEST_F(MatchingTest, AnUnwritableFolderGivesAMessageAndKeepsTheTerm) {
  if (::geteuid() == 0) {  // permissions do not stop root: occupy the names
    std::filesystem::create_directory(tempDir / "QELlut.csv.qel-new");
    std::filesystem::create_directory(tempDir / "QELlut.csv");
  } else {
    ::chmod(tempDir.c_str(), 0555);
  }
  arrTract(1).dblPop = 100;
  Zone(7, {{1, 80}});
  blnWriteLUT = true;
  CalcApproxMatch();
  ::chmod(tempDir.c_str(), 0755);
  EXPECT_DOUBLE_EQ(dblCurApx, 400.0 / 80.0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_NE(boxes.Shown()[0].prompt.find("QELlut.csv"), std::string::npos);
  EXPECT_FALSE(FileIsOpen(5));
}

}  // namespace
