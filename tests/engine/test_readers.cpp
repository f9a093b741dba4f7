#include <string>

#include "test_support.h"

using namespace qel;
using qeltest::ShownBox;
using Boxes = std::vector<ShownBox>;

namespace {

TEST(SplitLine, CommaAndBlankRules) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"1, 2, 3", {"1", "2", "3"}}, {"1,2,3", {"123"}},      {"1,000 2", {"1000", "2"}}, {"a , b", {"a", "b"}},
      {"  a   b", {"a", "b"}},      {"a b ", {"a", "b", ""}}, {"", {""}},                {"a\tb c", {"a\tb", "c"}},
  };
  std::string fifty;  // the most fields a line may have
  for (int k = 1; k <= kMaxFields; ++k) fifty += (k > 1 ? " f" : "f") + std::to_string(k);
  TokenArray tok;
  int16_t n = 0;
  SplitLine(fifty, tok, n);
  EXPECT_EQ(n, kMaxFields);
  EXPECT_EQ(tok(kMaxFields), "f50");
  EXPECT_THROW(SplitLine(fifty + " f51", tok, n), RuntimeError);
  for (const auto& [line, fields] : cases) {
    SplitLine(fifty, tok, n);  // an earlier, longer line leaves nothing behind
    SplitLine(line, tok, n);
    std::vector<std::string> got;
    for (int k = 1; k <= kMaxFields; ++k)
      if (k <= n || !tok(k).empty()) got.push_back(tok(k));
    EXPECT_EQ(got, fields) << '"' << line << '"';
  }
  const std::string longest = "1" + std::string(32765, ',') + "2";  // 32767 characters
  SplitLine(longest, tok, n);
  EXPECT_EQ(tok(1), "12");
  EXPECT_THROW(SplitLine(longest + " ", tok, n), RuntimeError);
}

class Readers : public qeltest::EngineTest {
 protected:
  void ReadPat(const std::string& content, int16_t header = 0) {
    boxes.Clear();
    ReadIntersectionFile(header, WriteFile("a.pat", content), nameA, nameB);
    EXPECT_FALSE(FileIsOpen(1));
  }
  int16_t ReadCtg(const std::string& content) {
    boxes.Clear();
    int16_t arcs = -1;
    ReadContiguityFile(WriteFile("a.ctg", content), arcs);
    return arcs;
  }
  // Length that block y shares with x, -1 when x is no neighbour of y.
  static double Shared(int y, int x) {
    for (int k = 1; k <= arrBB(y).intNNbrs; ++k)
      if (arrBB(y).intNbr(k) == x) return arrBB(y).dblNbrLen(k);
    return -1;
  }
  std::string nameA = "old", nameB = "old";
};

const std::string kGood = "1 0 0 0 0 0\n2 1 1 10 10 1\n";

TEST_F(Readers, IntersectionFile) {
  ReadPat("1 0 0 0 0 0\n2 1 1 40000.5 10 1 7\n3 1 1 20 1e9 1 8 0 0 0 0 0 0 0 0 0 0 9\n");  // beyond 16 bits
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNHomVars, 12);
  EXPECT_EQ(arrBB(3).dblHom(12), 9);
  EXPECT_EQ(std::vector<std::string>(windows.summary, windows.summary + 4),
            (std::vector<std::string>{"20", "40000", "10", "1000000000"}));
  ReadPat("id Tracts\r\n" + kGood, 1);
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Header Line reads id Tracts", 65, "Header information"}}));
  EXPECT_EQ(nameA, "Tracts");
  EXPECT_EQ(intNRecs, 2);
  ReadPat("id Tracts\n" + kGood + "3 x 1 1 1 1\n", 1);  // lines count from the header
  EXPECT_EQ(boxes.Shown().back().prompt, "Error 13 Type mismatch: text is not a number (line 4)");
  nameA = "old";
  boxes.Answer(kIdCancel);
  ReadIntersectionFile(1, TempPath("a.pat"), nameA, nameB);
  EXPECT_EQ(intNRecs, 0);
  EXPECT_EQ(nameA, "old");
  std::string text;
  for (int r = 1; r <= 2000; ++r) text += std::to_string(r) + " 1 1 10 10 1\n";
  ReadPat(text);
  EXPECT_EQ(intNRecs, 2000);
  ReadPat(text + "2001 1 1 10 10 1 5\n");
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Too many zone records in intersection file", 16, "Too many zones"}}));
  // A failed load leaves nothing of itself counted.
  EXPECT_EQ(intNRecs, 0);
  EXPECT_EQ(intNHomVars, 0);
  EXPECT_EQ(dblTotPopA + dblTotPopB, 0);
}

TEST_F(Readers, MalformedIntersectionLinesEndInOneMessageAndAreNotCounted) {
  const struct {
    std::string content;
    int kept;
    const char* error;
  } cases[] = {
      {"id A B\n" + kGood, 0, "Error 13 Type mismatch: text is not a number (line 1)"},
      {kGood + "x 1 1 1 1 1\n", 2, "Error 13 "},
      {kGood + "3 1 1 1 1\n", 2, "Error 13 "},
      {kGood + "3 1 1 abc 1 1\n", 2, "Error 13 Type mismatch: text is not a number (line 3)"},
      {kGood + "3 1 1 1 1 1 1 2 3 4 5 6 7 8 9 10 11 12 13\n", 2,
       "Error 9 Index outside the bounds of a table: a record has more than 18 fields (line 3)"},
      {kGood + "40000 1 1 1 1 1\n", 2, "Error 6 "},
      {kGood + std::string(40000, '7') + "\n", 2, "Error 6 Overflow: a line is longer than 32767 characters (line 3)"},
      {"", 1, "Error 6 Overflow: the file holds no building block"},  // only one record, no line at fault
  };
  for (const auto& c : cases) {
    dblTotPopA = 0;
    ReadPat(c.content + "9 1 1 10 10 1\n");
    ASSERT_EQ(boxes.Shown().size(), 1u) << c.content.substr(0, 60);
    EXPECT_EQ(boxes.Shown()[0].prompt.rfind(c.error, 0), 0u) << boxes.Shown()[0].prompt;
    EXPECT_EQ(intNRecs, c.kept) << c.content.substr(0, 60);
    EXPECT_DOUBLE_EQ(dblTotPopA, c.kept > 0 ? 10 : 0);
  }
}

TEST_F(Readers, ContiguityFile) {
  intNRecs = 2000;
  EXPECT_EQ(ReadCtg("5 7 10.5\r\n1 5 3\r\n7 5 2.5\r\n5 2000 1\n"), 4);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(arrBB(5).intNNbrs, 3);
  EXPECT_EQ(Shared(5, 7) + Shared(7, 5) + Shared(5, 1), 13 + 13 + 3);
  ReadCtg("5 7 10.5\n");  // a second read replaces the first, to the last record
  EXPECT_EQ(Shared(5, 7), 10.5);
  EXPECT_EQ(arrBB(5).intNNbrs + arrBB(2000).intNNbrs, 1);
  const std::pair<std::string, std::string> bad[] = {
      {"4 x 1", "Error 13 Type mismatch: text is not a number (line 3)"},
      {"4 5", "Error 13 Type mismatch: a line needs two record numbers and a length (line 3)"},
      {"4 2001 1", "Error 9 Index outside the bounds of a table: record 2001 is not among records 1 to 2000 (line 3)"},
      {"4 40000 1", "Error 6 Overflow: value outside the range of a 16-bit number (line 3)"},
  };
  for (const auto& [line, prompt] : bad) {
    EXPECT_EQ(ReadCtg("2 3 1\n3 4 2\n" + line + "\n5 6 1\n"), 3);
    EXPECT_EQ(boxes.Shown(), (Boxes{{prompt, 48, "Error"}}));
    EXPECT_EQ(Shared(3, 4), 2);
    EXPECT_EQ(arrBB(5).intNNbrs, 0);
  }
  std::string text;
  for (int x = 3; x <= 502; ++x) text += "2 " + std::to_string(x) + " 1\n";
  ReadCtg(text + "502 2 4\n");  // a pair already listed still adds at the limit
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(Shared(2, 502), 5);
  EXPECT_EQ(ReadCtg(text + "2 503 1\n5 6 1\n"), 501);
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Too many zone neighbours on zone file", 16, "Too many neighbours"}}));
  EXPECT_EQ(arrBB(2).intNNbrs, 500);
  EXPECT_EQ(arrBB(503).intNNbrs, 0);
  EXPECT_EQ(arrBB(5).intNNbrs, 1);  // the line after the limit is not read
  text.clear();
  for (int k = 1; k <= 32767; ++k) text += "2 3 1\n";
  EXPECT_EQ(ReadCtg(text), 32767);  // the most lines a file may have
  EXPECT_TRUE(boxes.Shown().empty());
  ReadCtg(text + "2 3 1\n");
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Error 6 Overflow: the file has more than 32767 lines (line 32768)", 48, "Error"}}));
}

TEST_F(Readers, LoadsThatYieldNoArcKeepTheLoadedNeighbours) {
  ReadPat(kGood + "3 1 1 10 10 1\n");
  ASSERT_EQ(ReadCtg("2 3 4\n2 1 1\n"), 2);
  auto kept = [] { return Shared(2, 3) == 4 && Shared(3, 2) == 4 && Shared(2, 1) == 1 && arrBB(2).intNNbrs == 2; };
  const std::pair<std::string, std::string> refused[] = {
      {"", "The contiguity file " + TempPath("a.ctg") + " holds no usable arc; nothing was loaded"},
      {"2 2 1\n3 3 5\n", "The contiguity file " + TempPath("a.ctg") + " holds no usable arc; nothing was loaded"},
      {"2 2 1\nx 3 1\n2 3 1\n", "Error 13 Type mismatch: text is not a number (line 2)"},
  };
  for (const auto& [content, prompt] : refused) {
    EXPECT_EQ(ReadCtg(content), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].prompt, prompt);
    EXPECT_TRUE(kept()) << content;
  }
  int16_t arcs = -1;
  boxes.Clear();
  ReadContiguityFile(TempPath("none.ctg"), arcs);
  EXPECT_EQ(arcs, 0);
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Error 53 File not found", 48, "Error"}}));
  EXPECT_TRUE(kept() && AnyBlockHasNeighbours());
  // Neither Cancel at the header question nor a file that cannot be opened
  // reads a new study area; one that is read starts without neighbours.
  boxes.Answer(kIdCancel);
  ReadIntersectionFile(1, WriteFile("h.pat", "id A B\n" + kGood), nameA, nameB);
  ReadIntersectionFile(0, TempPath("none.pat"), nameA, nameB);
  EXPECT_TRUE(kept());
  ReadPat(kGood);
  EXPECT_EQ(arrBB(2).intNNbrs + arrBB(3).intNNbrs, 0);
  EXPECT_FALSE(AnyBlockHasNeighbours());  // the main window keeps Run off
}

// The grouping itself is pinned by the golden runs that match.
TEST_F(Readers, MatchingZonesOfAFileWithABadLineAreNone) {
  ReadMatchZones(0, WriteFile("z.pat", kGood + "3 y 1 1 1 1\n"));
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Error 13 Type mismatch: text is not a number (line 3)", 48, "Error"}}));
  EXPECT_FALSE(FileIsOpen(1));
  EXPECT_EQ(intNZones, 0);
}

}  // namespace
