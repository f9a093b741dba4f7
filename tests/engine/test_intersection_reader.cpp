#include <string>

#include "test_support.h"

using namespace qel;
using qeltest::ShownBox;

namespace {

class IntersectionReader : public qeltest::EngineTest {
 protected:
  void Read(const std::string& path, int16_t header = 0) {
    nameA = "old A", nameB = "old B";
    ReadIntersectionFile(header, path, nameA, nameB);
    EXPECT_FALSE(FileIsOpen(1)) << "the reader must close its channel";
  }
  // The prompt of the one error box that a failed read shows.
  std::string ErrorShown() const {
    EXPECT_EQ(boxes.Shown().size(), 1u);
    if (boxes.Shown().empty()) return "";
    EXPECT_EQ(boxes.Shown()[0].title, "Error");
    EXPECT_EQ(boxes.Shown()[0].style, 48);
    return boxes.Shown()[0].prompt;
  }
  std::vector<std::string> Summary() const { return {windows.summary, windows.summary + 4}; }
  std::string nameA, nameB;
};

const char* kSmall =
    "1 0 0 500 600 0\n"
    "11 1 7 100 200 2.5 1 2 3 4 5 6 7 8 9 10 11 12\n"
    "12 1 8 50.5 300 1.5 9 9\n"
    "13 2 8 70 20 1 1 2 3 4 5 6 7 8 9 10 11\n";

TEST_F(IntersectionReader, StoresFieldsTotalsAndExtremes) {
  arrBB(3).dblHom(5) = 42;  // a record keeps the values that its line does not carry
  arrBB(2).intNNbrs = 3;    // neighbours of an earlier study area
  arrBB(1500).intNNbrs = 1;
  Read(WriteFile("small.pat", kSmall));
  EXPECT_TRUE(boxes.Shown().empty());
  ASSERT_EQ(intNRecs, 4);
  EXPECT_EQ(arrBB(2).intID, 11);
  EXPECT_EQ(arrBB(2).intZoneB, 7);
  EXPECT_DOUBLE_EQ(arrBB(3).dblPopA, 50.5);
  EXPECT_DOUBLE_EQ(arrBB(2).dblArea, 2.5);
  EXPECT_DOUBLE_EQ(arrBB(2).dblHom(12), 12);
  EXPECT_DOUBLE_EQ(arrBB(3).dblHom(2), 9);
  EXPECT_DOUBLE_EQ(arrBB(3).dblHom(5), 42);
  EXPECT_EQ(arrBB(2).intNNbrs + arrBB(1500).intNNbrs, 0);
  EXPECT_EQ(intNHomVars, 11);  // from the last record
  // Record 1 counts in the totals but not in the extremes; 50.5 ties to even.
  EXPECT_DOUBLE_EQ(dblTotPopA, 720.5);
  EXPECT_DOUBLE_EQ(dblTotPopB, 1120);
  EXPECT_EQ(Summary(), (std::vector<std::string>{"50", "100", "20", "300"}));
  EXPECT_EQ(nameA, "old A");
  EXPECT_FALSE(blnDemoFile);

  // Populations beyond 16 bits load and show in full.
  Read(WriteFile("big.pat", "1 0 0 0 0 0\n2 1 1 40000.5 10 1\n3 1 1 20 1e9 1\n"));
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(Summary(), (std::vector<std::string>{"20", "40000", "10", "1000000000"}));
}

TEST_F(IntersectionReader, HeaderAcceptedOrCancelled) {
  const std::string path = WriteFile("h.pat", std::string("id Tracts\r\n") + kSmall);
  Read(path, 1);
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Header Line reads id Tracts", 65, "Header information"}}));
  EXPECT_EQ(intNRecs, 4);
  EXPECT_EQ(nameA + "|" + nameB, "Tracts|");
  dblTotPopA = 7;
  boxes.Answer(kIdCancel);
  Read(path, 1);
  EXPECT_EQ(intNRecs, 0);
  EXPECT_EQ(nameA + "|" + nameB, "old A|old B");
  EXPECT_DOUBLE_EQ(dblTotPopA, 7);
  EXPECT_EQ(boxes.Shown().size(), 2u);
}

TEST_F(IntersectionReader, FailingLineIsNotCounted) {
  blnDemoFile = true;
  windows.summary[0] = "earlier";
  Read(WriteFile("bad.pat", "1 0 0 500 600 0\n2 1 1 100 200 1 5\n3 1 1 300 400 1 6 7\n4 1 1 abc 50 1\n5 1 1 10 10 1\n"));
  EXPECT_EQ(ErrorShown(), "Error 13 Type mismatch: text is not a number");
  EXPECT_EQ(intNRecs, 3);
  EXPECT_DOUBLE_EQ(dblTotPopA, 900);
  EXPECT_EQ(intNHomVars, 2);
  EXPECT_NE(arrBB(4).intID, 4);  // the failing line wrote nothing
  EXPECT_TRUE(blnDemoFile);
  EXPECT_EQ(windows.summary[0], "earlier");
}

TEST_F(IntersectionReader, MalformedFilesEndInOneMessage) {
  const std::string good = "1 0 0 0 0 0\n2 1 1 10 10 1\n";
  std::string fifty;
  for (int k = 0; k < 45; ++k) fifty += " 1";
  const struct {
    const char* name;
    std::string content;
    int recordsKept;
    const char* errorPrefix;
  } cases[] = {
      {"header without the flag", "id A B\n" + good, 0, "Error 13 "},
      {"no number", good + "x 1 1 1 1 1\n", 2, "Error 13 "},
      {"short line", good + "3 1 1 1 1\n", 2, "Error 13 "},
      {"19 fields", good + "3 1 1 1 1 1 1 2 3 4 5 6 7 8 9 10 11 12 13\n", 2, "Error 9 "},
      {"51 fields", good + "3 1 1 1 1 1" + fifty + "\n", 2, "Error 9 "},
      {"16-bit overflow", good + "40000 1 1 1 1 1\n", 2, "Error 6 "},
      {"zone overflow", good + "3 1 -32769 1 1 1\n", 2, "Error 6 "},
      {"trailing blank", good + "3 1 1 1 1 1 \n", 2, "Error 13 "},
      {"empty last line", good + "\n", 2, "Error 13 "},
      {"long line", good + std::string(40000, '7') + "\n", 2, "Error 6 "},
      {"empty file", "", 0, "Error 6 "},
      {"only the outside", "1 0 0 0 0 0\n", 1, "Error 6 "},
      {"binary", std::string("\x7f" "ELF\0\x01\x02\xff\xfe\n\0\0", 13), 0, "Error 13 "},
      {"missing file", "", 0, "Error 53 File not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes.Clear();
    Read(c.errorPrefix[6] == '5' ? TempPath("missing.pat") : WriteFile("m.pat", c.content));
    EXPECT_EQ(intNRecs, c.recordsKept);
    EXPECT_EQ(ErrorShown().rfind(c.errorPrefix, 0), 0u) << ErrorShown();
  }
}

TEST_F(IntersectionReader, RecordLimitAndDemoFlag) {
  std::string text;
  for (int r = 1; r <= 2000; ++r) text += std::to_string(r) + " 1 1 10 10 1\n";
  Read(WriteFile("max.pat", text));
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNRecs, 2000);
  Read(WriteFile("over.pat", text + "2001 1 1 10 10 1\n"));
  EXPECT_EQ(boxes.Shown(), (std::vector<ShownBox>{{"Too many zone records in intersection file", 16, "Too many zones"}}));
  EXPECT_EQ(intNRecs, 0);
  for (const auto& [name, demo] : {std::pair{"QELdemo.pat", true}, {"qeldemo.pat", false}, {"QELdemo.pat.txt", false}}) {
    Read(WriteFile(name, kSmall));
    EXPECT_EQ(blnDemoFile, demo) << name;
  }
}

}  // namespace
