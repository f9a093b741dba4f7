#include <string>

#include "test_support.h"

using namespace qel;

namespace {

class ContiguityReader : public qeltest::EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    intNRecs = 20;
  }
  int16_t Read(const std::string& content) {
    int16_t arcs = -1;
    ReadContiguityFile(WriteFile("c.ctg", content), arcs);
    EXPECT_FALSE(FileIsOpen(2)) << "the reader must close its channel";
    return arcs;
  }
  // Length shared by block y with x, or -1 when x is not y's neighbour.
  static double Shared(int y, int x) {
    const udtBB& bb = arrBB(y);
    for (int k = 1; k <= bb.intNNbrs; ++k)
      if (bb.intNbr(k) == x) return bb.dblNbrLen(k);
    return -1;
  }
};

}  // namespace

TEST_F(ContiguityReader, ArcsOfOnePairAddUpInEitherOrder) {
  EXPECT_EQ(Read("5 7 10.5\r\n1 5 3\r\n7 5 2.5 99 extra\r\n5 6 1\r\n6 6 4\r\n"), 5);
  EXPECT_TRUE(boxes.Shown().empty());
  ASSERT_EQ(arrBB(5).intNNbrs, 3);
  EXPECT_EQ(arrBB(5).intNbr(1), 7);  // order of first appearance
  EXPECT_EQ(arrBB(5).intNbr(2), 1);
  EXPECT_EQ(arrBB(5).intNbr(3), 6);
  EXPECT_DOUBLE_EQ(Shared(5, 7), 13);
  EXPECT_DOUBLE_EQ(Shared(7, 5), 13);
  EXPECT_DOUBLE_EQ(Shared(5, 1), 3);
  EXPECT_EQ(arrBB(1).intNNbrs, 0);  // the outside keeps no list
  EXPECT_EQ(arrBB(7).intNNbrs, 1);
  // An arc inside one block borders nothing: block 6 is not its own neighbour.
  EXPECT_EQ(arrBB(6).intNNbrs, 1);
  EXPECT_DOUBLE_EQ(Shared(6, 6), -1);
}

TEST_F(ContiguityReader, EveryReadStartsFromEmptyLists) {
  arrBB(19).intNNbrs = 1;  // left by an earlier study area
  arrBB(19).intNbr(1) = 18;
  const std::string text = "2 3 1.5\n3 4 2\n";
  Read(text);
  Read(text);
  EXPECT_DOUBLE_EQ(Shared(2, 3), 1.5);
  EXPECT_EQ(arrBB(3).intNNbrs, 2);
  EXPECT_EQ(arrBB(19).intNNbrs, 0);
  // A failed open leaves no list of the earlier file either.
  int16_t arcs = -1;
  ReadContiguityFile(TempPath("missing.ctg"), arcs);
  EXPECT_EQ(arcs, 0);
  EXPECT_EQ(arrBB(2).intNNbrs, 0);
  EXPECT_EQ(boxes.Shown(), (std::vector<qeltest::ShownBox>{{"Error 53 File not found", 48, "Error"}}));

  // A new intersection file drops the neighbours of the old study area.
  Read(text);
  std::string a, b;
  ReadIntersectionFile(0, WriteFile("s.pat", "1 0 0 0 0 0\n2 1 1 5 5 1\n"), a, b);
  EXPECT_EQ(arrBB(3).intNNbrs + arrBB(2).intNNbrs, 0);
}

TEST_F(ContiguityReader, FailingLineIsNamedAndEarlierLinesKept) {
  std::string fiftyOne = "4 5 1";
  for (int k = 0; k < 48; ++k) fiftyOne += " 9";
  const std::pair<std::string, std::string> cases[] = {
      {"4 x 1", "Error 13 Type mismatch: text is not a number (line 3)"},
      {"4 5", "Error 13 Type mismatch: a line needs two record numbers and a length (line 3)"},
      {"", "Error 13 Type mismatch: a line needs two record numbers and a length (line 3)"},
      {"4 21 1", "Error 9 Index outside the bounds of a table: record 21 is not among records 1 to 20 (line 3)"},
      {"0 4 1", "Error 9 Index outside the bounds of a table: record 0 is not among records 1 to 20 (line 3)"},
      {"4 -2 1", "Error 9 Index outside the bounds of a table: record -2 is not among records 1 to 20 (line 3)"},
      {"4 40000 1", "Error 6 Overflow: value outside the range of a 16-bit number (line 3)"},
      {fiftyOne, "Error 9 Index outside the bounds of a table: a line has more than 50 fields (line 3)"},
      {std::string(40000, '1'), "Error 6 Overflow: a line is longer than 32767 characters (line 3)"},
  };
  for (const auto& [badLine, prompt] : cases) {
    SCOPED_TRACE(prompt);
    boxes.Clear();
    EXPECT_EQ(Read("2 3 1\n3 4 2\n" + badLine + "\n5 6 1\n"), 3);
    EXPECT_EQ(boxes.Shown(), (std::vector<qeltest::ShownBox>{{prompt, 48, "Error"}}));
    EXPECT_DOUBLE_EQ(Shared(3, 4), 2);
    EXPECT_EQ(arrBB(4).intNNbrs, 1);
    EXPECT_EQ(arrBB(5).intNNbrs, 0);
  }
}

TEST_F(ContiguityReader, NeighbourLimitStopsWithSymmetricLists) {
  intNRecs = 600;
  std::string text;
  for (int x = 3; x <= 503; ++x) text += "2 " + std::to_string(x) + " 1\n";
  EXPECT_EQ(Read(text + "5 6 1\n"), 501);
  EXPECT_EQ(boxes.Shown(),
            (std::vector<qeltest::ShownBox>{{"Too many zone neighbours on zone file", 16, "Too many neighbours"}}));
  EXPECT_EQ(arrBB(2).intNNbrs, 500);
  EXPECT_EQ(arrBB(2).intNbr(500), 502);
  EXPECT_EQ(arrBB(503).intNNbrs, 0);
  EXPECT_EQ(arrBB(6).intNNbrs, 1);  // the line after the limit is not read

  // An arc of a pair already listed still adds its length at the limit.
  boxes.Clear();
  text.erase(text.rfind("2 503"));
  EXPECT_EQ(Read(text + "502 2 4\n"), 501);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_DOUBLE_EQ(Shared(2, 502), 5);
}
