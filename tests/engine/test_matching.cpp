// The approximate-matching term and the look-up table "QELlut.csv".
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
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
    intNIBB = 0;
    intNTracts = 0;
    intNZones = 0;
  }
  void TearDown() override {
    std::filesystem::current_path(oldDir_);
    EngineTest::TearDown();
  }
  // A block of its own IBB in tract t; returns the block's record number.
  static int Block(int t) {
    const int r = ++intNRecs;
    const int g = ++intNIBB;
    arrBB(r) = udtBB{};
    arrBB(r).intIBB = static_cast<int16_t>(g);
    arrIBB(g) = udtIBB{};
    arrIBB(g).intTract = static_cast<int16_t>(t);
    return r;
  }
  static void TractPop(int t, double pop) {
    if (t > intNTracts) intNTracts = static_cast<int16_t>(t);
    arrTract(t).dblPop = pop;
  }
  // A zone whose members are (tract, population) pairs, in member order.
  static udtZone& Zone(int code, const std::vector<std::pair<int, double>>& members) {
    udtZone& z = arrZone(++intNZones);
    z = udtZone{};
    z.intCode = static_cast<int16_t>(code);
    for (const auto& [t, pop] : members) {
      ++z.intNBB;
      z.intBB(z.intNBB) = static_cast<int16_t>(Block(t));
      z.dblBBPop(z.intNBB) = pop;
      z.dblPop += pop;
    }
    return z;
  }
  std::string LUT() const { return qeltest::ReadWholeFile((tempDir / "QELlut.csv").string()); }
  bool LUTExists() const { return std::filesystem::exists(tempDir / "QELlut.csv"); }

 private:
  std::filesystem::path oldDir_;
};

TEST_F(MatchingTest, BestTractHasTheLargestShareAndTheFirstOfEqualShares) {
  for (int t = 1; t <= 5; ++t) TractPop(t, 100);
  Zone(1, {{5, 40}, {2, 60}});
  Zone(2, {{5, 50}, {2, 50}});
  CalcApproxMatch();
  EXPECT_EQ(arrZone(1).intBestTract, 2);
  EXPECT_EQ(arrZone(2).intBestTract, 5);
  EXPECT_EQ(arrZone(1).intBBTract(1), 5);
  EXPECT_EQ(arrZone(1).intBBTract(2), 2);
  // Zone 1: (100 - 60)^2 + (100 - 60)^2 over 100; zone 2: 2 * 50^2 / 100.
  EXPECT_DOUBLE_EQ(arrZone(1).dblMismatch, 32);
  EXPECT_DOUBLE_EQ(arrZone(2).dblMismatch, 50);
  EXPECT_DOUBLE_EQ(dblCurApx, 82);
}

TEST_F(MatchingTest, MismatchOfTheWorkedExampleAndAPerfectMatch) {
  TractPop(1, 80);
  TractPop(2, 20);
  TractPop(3, 150);
  Zone(7, {{3, 60}, {2, 20}, {3, 40}});
  Zone(9, {{1, 80}});
  CalcApproxMatch();
  EXPECT_NEAR(arrZone(1).dblMismatch, 2900.0 / 120.0, 1e-12);
  EXPECT_EQ(arrZone(2).dblMismatch, 0);
  EXPECT_NEAR(dblCurApx, 2900.0 / 120.0, 1e-12);
  EXPECT_FALSE(LUTExists());  // switch clear: no file
}

TEST_F(MatchingTest, LookUpTableLines) {
  TractPop(2, 20);
  TractPop(3, 150);
  Zone(7, {{3, 60}, {2, 20}, {3, 40}});
  udtZone& empty = Zone(-4, {{3, 0}});
  empty.dblMismatch = 0;
  blnWriteLUT = true;
  CalcApproxMatch();
  // A zone without population has no best tract: tract and its population 0.
  EXPECT_EQ(LUT(), "7,120,3,150,100,20,50\r\n-4,0,0,0,0,0,0\r\n");
  EXPECT_EQ(arrZone(2).intBestTract, 0);
  EXPECT_FALSE(FileIsOpen(5));

  // The next call rewrites the file with its own lines only.
  TractPop(3, 100);
  CalcApproxMatch();
  EXPECT_EQ(LUT(), "7,120,3,100,100,20,0\r\n-4,0,0,0,0,0,0\r\n");

  // No zone at all: the file is emptied.
  intNZones = 0;
  CalcApproxMatch();
  EXPECT_TRUE(LUTExists());
  EXPECT_EQ(LUT(), "");
  EXPECT_EQ(dblCurApx, 0);
}

TEST_F(MatchingTest, ZoneWithoutPopulationKeepsItsMismatch) {
  TractPop(1, 50);
  udtZone& z = Zone(3, {{1, 0}, {1, 0}});
  z.dblMismatch = 2.5;  // left by an earlier call
  CalcApproxMatch();
  EXPECT_EQ(arrZone(1).dblMismatch, 2.5);
  EXPECT_EQ(dblCurApx, 2.5);
  EXPECT_EQ(arrZone(1).intBestTract, 0);
}

TEST_F(MatchingTest, MembersInNoTractCountOutsideTheBestTract) {
  TractPop(1, 30);
  Zone(1, {{1, 30}, {0, 10}, {2500, 10}});  // no tract, and a tract past the table
  const int noIBB = arrZone(1).intBB(2);
  arrBB(noIBB).intIBB = 0;
  CalcApproxMatch();
  EXPECT_EQ(arrZone(1).intBestTract, 1);
  EXPECT_EQ(arrZone(1).intBBTract(2), 0);
  EXPECT_EQ(arrZone(1).intBBTract(3), 0);
  EXPECT_DOUBLE_EQ(dblCurApx, 20.0 * 20.0 / 50.0);
  EXPECT_TRUE(std::isfinite(dblCurApx));
}

TEST_F(MatchingTest, UnwritableFolderGivesAMessageAndKeepsTheTerm) {
  if (::geteuid() == 0) {
    // Permissions do not stop root: make the name a folder instead.
    std::filesystem::create_directory(tempDir / "QELlut.csv.qel-new");
    std::filesystem::create_directory(tempDir / "QELlut.csv");
  } else {
    ::chmod(tempDir.c_str(), 0555);
  }
  TractPop(1, 100);
  Zone(7, {{1, 80}});
  blnWriteLUT = true;
  CalcApproxMatch();
  ::chmod(tempDir.c_str(), 0755);
  EXPECT_DOUBLE_EQ(dblCurApx, 400.0 / 80.0);
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_NE(boxes.Shown()[0].prompt.find("QELlut.csv"), std::string::npos);
  EXPECT_EQ(boxes.Shown()[0].title, "Look-up table");
  EXPECT_FALSE(FileIsOpen(5));
  EXPECT_TRUE(blnWriteLUT);  // the switch belongs to the run loop
}

}  // namespace
