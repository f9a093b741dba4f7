#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <string>

#include "test_support.h"

using namespace qel;
using qeltest::ShownBox;
using Boxes = std::vector<ShownBox>;
using qeltest::RecordingWindows;

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
  // A record's homogeneity values are its own, never those of the area before.
  EXPECT_EQ(arrBB(2).dblHom(1), 0);
  // The outside may be numbered 0; the most records a file may have.
  std::string text = "0 0 0 0 0 0\n";
  for (int r = 2; r <= 2000; ++r) text += std::to_string(r) + " 1 1 10 10 1\n";
  ReadPat(text);
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(intNRecs, 2000);
}

// Everything that loading an intersection file may change.
std::string LoadedArea(const RecordingWindows& windows) {
  std::ostringstream s;
  s << intNRecs << ' ' << dblTotPopA << ' ' << dblTotPopB << ' ' << intNHomVars << ' ' << blnDemoFile << ' '
    << intNBestTracts << ' ' << dblBestTP << ' ' << intBestIteration;
  for (int r = 1; r <= intNRecs; ++r) {
    const udtBB& b = arrBB(r);
    s << '|' << b.intID << ',' << b.intZoneA << ',' << b.intZoneB << ',' << b.dblPopA << ',' << b.dblPopB << ','
      << b.dblArea;
    for (int v = 1; v <= kHomSize; ++v) s << ',' << b.dblHom(v);
    for (int k = 1; k <= b.intNNbrs; ++k) s << ';' << b.intNbr(k) << ':' << b.dblNbrLen(k);
  }
  for (const std::string& caption : windows.summary) s << '|' << caption;
  return s.str();
}

TEST_F(Readers, AnIntersectionFileThatDoesNotLoadWholeChangesNothing) {
  // The demo set, with its neighbours and the results of a run, is loaded.
  std::filesystem::create_directories(tempDir / "demo");
  qeltest::LoadStudyArea(WriteFile("demo/QELdemo.pat", kGood + "3 1 2 30 40 2 5 6\n4 2 2 50 60 3 7 8\n"),
                         WriteFile("demo.ctg", "2 3 1\n3 4 1\n2 1 2\n4 1 2\n"));
  qeltest::StartRun({.threshold = true, .thresholdPop = 20, .iterations = 2});
  ASSERT_TRUE(blnDemoFile && intNBestTracts > 0 && AnyBlockHasNeighbours());
  const std::string loaded = LoadedArea(windows);

  std::string tooMany;
  for (int r = 1; r <= 2001; ++r) tooMany += std::to_string(r) + " 1 1 10 10 1\n";
  const std::string p = TempPath("a.pat");
  const std::string mismatch = "Error 13 Type mismatch: text is not a number in field ";
  const struct {
    std::string content;
    std::string prompt;
  } cases[] = {
      {tooMany, "Too many zone records in intersection file (line 2001 of " + p + ")"},
      {kGood + "3 1 1 1 1 1\n4 1 1 1 1 1\n5 1 1 1 1 1 1 2 3 4 5 6 7 8 9 10 11 12 13\n",
       "Error 9 Index outside the bounds of a table: a record has more than 18 fields (line 5 of " + p + ")"},
      {kGood + "3 1 1 1 1 1\n40000 1 1 1 1 1\n",
       "Error 6 Overflow: value outside the range of a 16-bit number in field 1 (line 4 of " + p + ")"},
      {kGood + std::string(40000, '7') + "\n", "Error 6 Overflow: a line is longer than 32767 characters (line 3 of " + p + ")"},
      {kGood + "3 1 1 1" + std::string(1, '\0') + " 1 1\n", mismatch + "4 (line 3 of " + p + ")"},
      {"id A B\n" + kGood, mismatch + "1 (line 1 of " + p + ")"},
      {kGood + "3 1 1 abc 1 1\n", mismatch + "4 (line 3 of " + p + ")"},
      {kGood + "3 1 1 1e309 1 1\n", "Error 6 Overflow: the number is too large in field 4 (line 3 of " + p + ")"},
      {kGood + "3 1 1 1 1\n",
       "Error 13 Type mismatch: field 6 is missing; a record needs 6 fields at least (line 3 of " + p + ")"},
      {kGood + "3 1 1 1 1 1 7 \n", "Error 13 Type mismatch: field 8 is empty (line 3 of " + p + ")"},
      {kGood + "\n", "Error 13 Type mismatch: the line is empty (line 3 of " + p + ")"},
      {"1 0 0 0 0 0\n", "Error 6 Overflow: the file holds no building block (" + p + ")"},
      // The preparation marks a placed block by the sign of its number.
      {kGood + "-5 1 1 1 1 1\n", "Error 5 Invalid value: a block number must be 1 or more, not -5 (line 3 of " + p + ")"},
      {kGood + "0 1 1 1 1 1\n", "Error 5 Invalid value: a block number must be 1 or more, not 0 (line 3 of " + p + ")"},
      {"-1 0 0 0 0 0\n2 1 1 10 10 1\n",
       "Error 5 Invalid value: the number of the outside (record 1) must be 0 or more, not -1 (line 1 of " + p + ")"},
  };
  for (const auto& c : cases) {
    ReadPat(c.content);
    ASSERT_EQ(boxes.Shown().size(), 1u) << c.prompt;
    EXPECT_EQ(boxes.Shown()[0].prompt, c.prompt);
    EXPECT_EQ(boxes.Shown()[0].title, c.prompt.rfind("Too many", 0) == 0 ? "Too many zones" : "Error");
    EXPECT_EQ(LoadedArea(windows), loaded) << c.prompt;
  }
  // Cancel at the header question: the header box alone, nothing changed.
  boxes.Clear();
  boxes.Answer(kIdCancel);
  EXPECT_FALSE(ReadIntersectionFile(1, WriteFile("a.pat", "id A B\n" + kGood), nameA, nameB));
  EXPECT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(nameA, "old");
  EXPECT_EQ(LoadedArea(windows), loaded);
  // The results of the run still stand for the area they were made on.
  qeltest::StartRun({.threshold = true, .thresholdPop = 20, .iterations = 0});
  EXPECT_EQ(boxes.CountStartingWith("The run found no solution"), 0);
}

// Files that are no text file are refused at once, without waiting on a
// pipe or reading a device without end, and the message names the path.
TEST_F(Readers, WhatCannotBeReadIsRefusedAtOnceWithItsPath) {
  ReadPat(kGood);
  const std::string loaded = LoadedArea(windows);
  const std::string pipe = TempPath("pipe.pat");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::filesystem::create_directory(tempDir / "folder.pat");
  const std::string device = ": a pipe or device, not a file (";
  const std::pair<std::string, std::string> refused[] = {
      {TempPath("none.pat"), "Error 53 File not found (" + TempPath("none.pat") + ")"},
      {TempPath("folder.pat"), "Error 75 Path or file cannot be accessed: a folder, not a file (" + TempPath("folder.pat") + ")"},
      {pipe, "Error 75 Path or file cannot be accessed" + device + pipe + ")"},
      {"/dev/zero", "Error 75 Path or file cannot be accessed" + device + "/dev/zero)"},
  };
  for (const auto& [path, prompt] : refused) {
    boxes.Clear();
    ReadIntersectionFile(0, path, nameA, nameB);
    EXPECT_EQ(boxes.Shown(), (Boxes{{prompt, 48, "Error"}}));
    int16_t arcs = -1;
    ReadContiguityFile(path, arcs);
    EXPECT_EQ(arcs, 0);
    EXPECT_EQ(LoadedArea(windows), loaded);
  }
  // A file that is there but may not be read is no missing file.
  const std::string locked = WriteFile("locked.pat", kGood);
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  EXPECT_TRUE(qeltest::AsUnprivileged([&] {
    boxes.Clear();
    ReadIntersectionFile(0, locked, nameA, nameB);
    return boxes.Shown() == Boxes{{"Error 75 Path or file cannot be accessed: Permission denied (" + locked + ")", 48, "Error"}} &&
           LoadedArea(windows) == loaded;
  }));
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
  // A file that fails at any line, or passes the neighbour limit, replaces
  // nothing: the lists loaded before stay whole.
  const std::string p = TempPath("a.ctg");
  const std::pair<std::string, std::string> bad[] = {
      {"4 x 1", "Error 13 Type mismatch: text is not a number (line 3 of " + p + ")"},
      {"4 5", "Error 13 Type mismatch: a line needs two record numbers and a length (line 3 of " + p + ")"},
      {"4 2001 1", "Error 9 Index outside the bounds of a table: record 2001 is not among records 1 to 2000 (line 3 of " + p + ")"},
      {"4 40000 1", "Error 6 Overflow: value outside the range of a 16-bit number (line 3 of " + p + ")"},
  };
  for (const auto& [line, prompt] : bad) {
    EXPECT_EQ(ReadCtg("2 3 1\n3 4 2\n" + line + "\n5 6 1\n"), 0);
    EXPECT_EQ(boxes.Shown(), (Boxes{{prompt, 48, "Error"}}));
    EXPECT_EQ(Shared(5, 7), 10.5);
    EXPECT_EQ(Shared(3, 4) + arrBB(5).intNNbrs, -1 + 1);
  }
  std::string text;
  for (int x = 3; x <= 502; ++x) text += "2 " + std::to_string(x) + " 1\n";
  ReadCtg(text + "502 2 4\n");  // a pair already listed still adds at the limit
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(Shared(2, 502), 5);
  EXPECT_EQ(ReadCtg("1999 2000 1\n" + text + "2 503 1\n5 6 1\n"), 0);
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Too many zone neighbours on zone file (line 502 of " + p + ")", 16, "Too many neighbours"}}));
  EXPECT_EQ(arrBB(2).intNNbrs, 500);
  EXPECT_EQ(Shared(2, 502), 5);
  EXPECT_EQ(arrBB(1999).intNNbrs + arrBB(503).intNNbrs, 0);
  text.clear();
  for (int k = 1; k <= 32767; ++k) text += "2 3 1\n";
  EXPECT_EQ(ReadCtg(text), 32767);  // the most lines a file may have
  EXPECT_TRUE(boxes.Shown().empty());
  EXPECT_EQ(ReadCtg(text + "2 3 1\n"), 0);
  EXPECT_EQ(boxes.Shown(), (Boxes{{"Error 6 Overflow: the file has more than 32767 lines (line 32768 of " + p + ")", 48, "Error"}}));
  EXPECT_EQ(Shared(2, 3), 32767);
}

TEST_F(Readers, LoadsThatYieldNoArcKeepTheLoadedNeighbours) {
  ReadPat(kGood + "3 1 1 10 10 1\n");
  ASSERT_EQ(ReadCtg("2 3 4\n2 1 1\n"), 2);
  auto kept = [] { return Shared(2, 3) == 4 && Shared(3, 2) == 4 && Shared(2, 1) == 1 && arrBB(2).intNNbrs == 2; };
  const std::pair<std::string, std::string> refused[] = {
      {"", "The contiguity file " + TempPath("a.ctg") + " holds no usable arc; nothing was loaded"},
      {"2 2 1\n3 3 5\n", "The contiguity file " + TempPath("a.ctg") + " holds no usable arc; nothing was loaded"},
      {"2 2 1\nx 3 1\n2 3 1\n", "Error 13 Type mismatch: text is not a number (line 2 of " + TempPath("a.ctg") + ")"},
  };
  for (const auto& [content, prompt] : refused) {
    EXPECT_EQ(ReadCtg(content), 0);
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].prompt, prompt);
    EXPECT_TRUE(kept()) << content;
  }
  // A new study area starts without neighbours.
  ReadPat(kGood);
  EXPECT_EQ(arrBB(2).intNNbrs + arrBB(3).intNNbrs, 0);
  EXPECT_FALSE(AnyBlockHasNeighbours());  // the main window keeps Run off
}

// The zones name records of the loaded area: a run reads the file again, and
// a file changed since (or read with another header setting) is refused.
// The grouping itself is pinned by the golden runs that match.
TEST_F(Readers, MatchingZonesComeFromTheFileAsLoaded) {
  const std::string p = WriteFile("z.pat", kGood + "3 1 2 30 40 2\n");
  ReadIntersectionFile(0, p, nameA, nameB);
  intPopLayer = 1;
  EXPECT_TRUE(ReadMatchZones(0, p));
  EXPECT_EQ(intNZones, 1);
  const std::string changed = "The intersection file no longer holds the study area loaded from it (";
  const std::string again = "): load it again before a run with approximate matching";
  const std::pair<std::string, ShownBox> refused[] = {
      {kGood + "3 1 2 31 40 2\n", {changed + "line 3 of " + p + again, 48, "Intersection file"}},
      {kGood, {changed + p + again, 48, "Intersection file"}},
      {kGood + "3 1 2 30 40 2\n4 1 1 1 1 1\n", {changed + "line 4 of " + p + again, 48, "Intersection file"}},
      {kGood + "3 y 2 30 40 2\n", {changed + "line 3 of " + p + again, 48, "Intersection file"}},
  };
  for (const auto& [content, box] : refused) {
    WriteFile("z.pat", content);
    boxes.Clear();
    EXPECT_FALSE(ReadMatchZones(0, p));
    EXPECT_EQ(boxes.Shown(), (Boxes{box}));
    EXPECT_FALSE(FileIsOpen(1));
    EXPECT_EQ(intNZones, 0);
  }
  WriteFile("z.pat", kGood + "3 1 2 30 40 2\n");
  boxes.Clear();
  EXPECT_FALSE(ReadMatchZones(1, p));  // the header box ticked since the load
  EXPECT_EQ(boxes.Shown().back().prompt, changed + "line 2 of " + p + again);
  ReadIntersectionFile(1, WriteFile("h.pat", "id A B\n" + kGood), nameA, nameB);
  boxes.Clear();
  EXPECT_FALSE(ReadMatchZones(0, TempPath("h.pat")));  // and unticked since
  EXPECT_EQ(boxes.Shown().back().prompt, changed + "line 1 of " + TempPath("h.pat") + again);
}

}  // namespace
