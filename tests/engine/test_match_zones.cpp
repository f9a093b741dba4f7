#include <string>

#include "test_support.h"

using namespace qel;

namespace {

class MatchZones : public qeltest::EngineTest {
 protected:
  void Read(const std::string& content, int16_t header = 0) {
    ReadMatchZones(header, WriteFile("z.pat", content));
    EXPECT_FALSE(FileIsOpen(1)) << "the reader must close its channel";
  }
};

// Record 4 carries the outside's number 1 in the middle of the file.
const char* kZones =
    "1 0 0 1000 1000 0\n"
    "2 07 5 10 1\n"
    "3 8 5 20 2 1\n"
    "1 7 5 40 4 1\n"
    "5 7 6 30 3 1\n";

}  // namespace

TEST_F(MatchZones, GroupsByTheLayerThatIsNotFixed) {
  intPopLayer = 1;
  Read(kZones);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNRecs, 5);
  ASSERT_EQ(intNZones, 2);
  const udtZone& z7 = arrZone(1);
  EXPECT_EQ(z7.intCode, 7);  // 07 and 7 are one zone
  ASSERT_EQ(z7.intNBB, 2);
  EXPECT_EQ(z7.intBB(1), 2);
  EXPECT_EQ(z7.intBB(2), 5);
  EXPECT_DOUBLE_EQ(z7.dblBBPop(2), 30);
  EXPECT_DOUBLE_EQ(z7.dblPop, 40);
  EXPECT_EQ(arrZone(2).intCode, 8);
  EXPECT_DOUBLE_EQ(dblTotalPop, 60);

  // Layer A fixed: grouped by layer B's codes, with population B.
  blnFixedA = true;
  intPopLayer = 2;
  Read(kZones);
  ASSERT_EQ(intNZones, 2);
  EXPECT_EQ(arrZone(1).intCode, 5);
  EXPECT_EQ(arrZone(1).intNBB, 2);
  EXPECT_EQ(arrZone(2).intBB(1), 5);
  EXPECT_DOUBLE_EQ(dblTotalPop, 6);
}

TEST_F(MatchZones, HeaderQuestion) {
  const std::string text = std::string("name LayerA LayerB\n") + kZones;
  Read(text, 1);
  EXPECT_EQ(boxes.Shown(),
            (std::vector<qeltest::ShownBox>{{"Header Line reads name LayerA LayerB", 65, "Header information"}}));
  EXPECT_EQ(intNZones, 2);

  boxes.Answer(kIdCancel);
  Read(text, 1);
  EXPECT_EQ(intNRecs, 0);
  EXPECT_EQ(intNZones, 0);
  EXPECT_DOUBLE_EQ(dblTotalPop, 60);
}

TEST_F(MatchZones, FailuresKeepWhatWasBuiltWithinTheTables) {
  dblTotalPop = 123;
  Read("1 0 0 0 0 0\n2 3 3 10 10 1\n3 4 4 x 10 1\n4 4 4 10 10 1\n");
  EXPECT_EQ(boxes.Shown(),
            (std::vector<qeltest::ShownBox>{{"Error 13 Type mismatch: text is not a number", 48, "Error"}}));
  EXPECT_EQ(intNRecs, 2);
  EXPECT_EQ(intNZones, 1);
  EXPECT_DOUBLE_EQ(dblTotalPop, 123);

  // A zone's 501st member.
  boxes.Clear();
  std::string text = "1 0 0 0 0 0\n";
  for (int r = 2; r <= 502; ++r) text += std::to_string(r) + " 9 9 1 1 1\n";
  Read(text + "503 8 8 1 1 1\n");
  EXPECT_EQ(boxes.Shown().at(0).prompt,
            "Error 9 Index outside the bounds of a table: zone 9 has more than 500 records");
  EXPECT_EQ(intNZones, 1);
  EXPECT_EQ(arrZone(1).intNBB, 500);
  EXPECT_EQ(intNRecs, 501);

  // The record limit.
  boxes.Clear();
  text.clear();
  for (int r = 1; r <= 2001; ++r) text += std::to_string(r) + " " + std::to_string(r % 300) + " 1 1 1 1\n";
  Read(text);
  EXPECT_EQ(boxes.Shown(),
            (std::vector<qeltest::ShownBox>{{"Too many zone records in intersection file", 16, "Too many zones"}}));
  EXPECT_EQ(intNRecs, 0);
  EXPECT_LE(intNZones, 300);
  EXPECT_DOUBLE_EQ(dblTotalPop, 123);
}
