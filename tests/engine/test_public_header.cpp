// A program of its own that sees the engine only through its public header:
// it installs a message-box handler, reads study areas and checks the tables.
// (Malformed files are the readers' own tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "engine.h"

namespace {

std::string ReadText(const std::string& path) {
  std::ostringstream os;
  os << std::ifstream(path, std::ios::binary).rdbuf();
  return os.str();
}

std::string Write(const std::string& name, const std::string& text) {
  // Named after the process: other builds may run this test at the same time.
  const std::string path =
      (std::filesystem::path(::testing::TempDir()) / ("qel_public_" + std::to_string(getpid()) + name)).string();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

// Loads both files with a handler that counts the boxes; returns the arcs.
int16_t Load(const std::string& pat, const std::string& ctg, int16_t header, int& boxes) {
  qel::ResetEngineState();
  qel::StartMain();
  boxes = 0;
  qel::SetMessageBoxHandler([&boxes](const std::string&, int, const std::string&) { return ++boxes, 1; });
  std::string a, b;
  const std::string patPath = Write("a.pat", pat), ctgPath = Write("a.ctg", ctg);
  qel::ReadIntersectionFile(header, patPath, a, b);
  int16_t arcs = 0;
  qel::ReadContiguityFile(ctgPath, arcs);
  qel::SetMessageBoxHandler(nullptr);
  std::filesystem::remove(patPath);
  std::filesystem::remove(ctgPath);
  return arcs;
}

// Every block has a neighbour, and every list is symmetric with equal lengths.
void ExpectSymmetricNeighbours() {
  for (int r = 2; r <= qel::intNRecs; ++r) {
    const qel::udtBB& bb = qel::arrBB(r);
    ASSERT_GT(bb.intNNbrs, 0) << "record " << r;
    for (int k = 1; k <= bb.intNNbrs; ++k) {
      const int n = bb.intNbr(k);
      ASSERT_TRUE(n >= 1 && n <= qel::intNRecs) << n;
      if (n == 1) continue;
      const qel::udtBB& other = qel::arrBB(n);
      int back = 0;
      for (int j = 1; j <= other.intNNbrs; ++j)
        if (other.intNbr(j) == r) back = j;
      ASSERT_GT(back, 0) << r << " -> " << n;
      EXPECT_DOUBLE_EQ(other.dblNbrLen(back), bb.dblNbrLen(k));
    }
  }
}

}  // namespace

TEST(PublicHeader, ReadsARealStudyAreaInEveryLineFormat) {
  const std::string pat = ReadText(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.pat");
  const std::string ctg = ReadText(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.ctg");
  ASSERT_FALSE(pat.empty());
  auto crlf = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
  };
  for (int variant = 0; variant < 3; ++variant) {
    SCOPED_TRACE(variant);
    const int16_t header = variant == 2 ? 1 : 0;
    int boxes = 0;
    const int16_t arcs = variant == 1 ? Load(crlf(pat), crlf(ctg), 0, boxes)
                                      : Load(header ? "FIPS L_id M_id\n" + pat : pat, ctg, header, boxes);
    EXPECT_EQ(boxes, header);  // the header question only
    EXPECT_EQ(arcs, 287);
    ASSERT_EQ(qel::intNRecs, 101);
    EXPECT_EQ(qel::intNHomVars, 6);
    EXPECT_DOUBLE_EQ(qel::dblTotPopA, 329962);
    EXPECT_DOUBLE_EQ(qel::dblTotPopB, 422392);
    EXPECT_EQ(qel::arrBB(2).intID, 1825);
    EXPECT_DOUBLE_EQ(qel::arrBB(2).dblArea, 1137380199.3);
    for (int r = 2; r <= qel::intNRecs; ++r)
      EXPECT_DOUBLE_EQ(qel::arrBB(r).dblHom(1) + qel::arrBB(r).dblHom(2), qel::arrBB(r).dblPopA) << r;
    ExpectSymmetricNeighbours();
  }
}

TEST(PublicHeader, ReadsTheLargestStudyArea) {
  // 1999 cells in rows of 50 plus the outside: 2000 records.
  constexpr int kCells = 1999, kCols = 50;
  std::string pat = "1 0 0 0 0 0 0\n", ctg;
  for (int i = 0; i < kCells; ++i) {
    const int r = i + 2, col = i % kCols;
    pat += std::to_string(r) + " " + std::to_string(i / 100 + 1) + " " + std::to_string(col / 10 + 1) +
           " 10 20 1 " + std::to_string(i % 7) + "\n";
    if (col + 1 < kCols && i + 1 < kCells) ctg += std::to_string(r) + " " + std::to_string(r + 1) + " 1\n";
    if (i + kCols < kCells) ctg += std::to_string(r + kCols) + " " + std::to_string(r) + " 1\n";
    if (col == 0 || i < kCols) ctg += "1 " + std::to_string(r) + " 1\n";
  }
  int boxes = 0;
  Load(pat, ctg, 0, boxes);
  EXPECT_EQ(boxes, 0);
  ASSERT_EQ(qel::intNRecs, 2000);
  EXPECT_DOUBLE_EQ(qel::dblTotPopB, 20.0 * kCells);
  EXPECT_EQ(qel::arrBB(2000).intZoneA, 20);
  EXPECT_EQ(qel::arrBB(2 + 55).intNNbrs, 4);
  ExpectSymmetricNeighbours();
}
