// A program of its own that sees the engine only through its public header:
// it installs a message-box handler, reads study areas and checks the tables.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"

namespace fs = std::filesystem;

namespace {

struct Box {
  std::string prompt, title;
  int style;
};

class PublicHeader : public ::testing::Test {
 protected:
  void SetUp() override {
    qel::ResetEngineState();
    qel::StartMain();
    qel::SetMessageBoxHandler([this](const std::string& prompt, int style, const std::string& title) {
      shown.push_back({prompt, title, style});
      return static_cast<int>(qel::kIdOk);
    });
    dir = fs::temp_directory_path() /
          ("qel_public_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    qel::SetMessageBoxHandler(nullptr);
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::string Write(const std::string& name, const std::string& text) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  int16_t Load(const std::string& pat, const std::string& ctg, int16_t header = 0) {
    std::string a, b;
    qel::ReadIntersectionFile(header, pat, a, b);
    int16_t arcs = 0;
    qel::ReadContiguityFile(ctg, arcs);
    return arcs;
  }

  std::vector<Box> shown;
  fs::path dir;
};

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream os;
  os << in.rdbuf();
  return os.str();
}

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Every list is symmetric with equal lengths, and every block has a neighbour.
void ExpectSymmetricNeighbours() {
  for (int r = 2; r <= qel::intNRecs; ++r) {
    const qel::udtBB& bb = qel::arrBB(r);
    ASSERT_GT(bb.intNNbrs, 0) << "record " << r;
    for (int k = 1; k <= bb.intNNbrs; ++k) {
      const int n = bb.intNbr(k);
      ASSERT_GE(n, 1);
      ASSERT_LE(n, qel::intNRecs);
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

TEST_F(PublicHeader, ReadsARealStudyAreaInEveryLineFormat) {
  const std::string pat = ReadText(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.pat");
  const std::string ctg = ReadText(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.ctg");
  ASSERT_FALSE(pat.empty());
  struct Variant {
    const char* name;
    std::string pat, ctg;
    int16_t header;
  };
  const Variant variants[] = {
      {"LF", pat, ctg, 0},
      {"CR LF", WithCrLf(pat), WithCrLf(ctg), 0},
      {"header", "FIPS L_id M_id\n" + pat, ctg, 1},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    shown.clear();
    const int16_t arcs = Load(Write("sids.pat", v.pat), Write("sids.ctg", v.ctg), v.header);
    EXPECT_EQ(shown.size(), v.header == 1 ? 1u : 0u);
    EXPECT_EQ(arcs, 287);
    ASSERT_EQ(qel::intNRecs, 101);
    EXPECT_EQ(qel::intNHomVars, 6);
    EXPECT_DOUBLE_EQ(qel::dblTotPopA, 329962);
    EXPECT_DOUBLE_EQ(qel::dblTotPopB, 422392);
    EXPECT_EQ(qel::arrBB(2).intID, 1825);
    EXPECT_DOUBLE_EQ(qel::arrBB(2).dblArea, 1137380199.3);
    for (int r = 2; r <= qel::intNRecs; ++r) {
      const qel::udtBB& bb = qel::arrBB(r);
      EXPECT_DOUBLE_EQ(bb.dblHom(1) + bb.dblHom(2), bb.dblPopA) << "record " << r;
    }
    ExpectSymmetricNeighbours();
  }
}

TEST_F(PublicHeader, ReadsTheLargestStudyArea) {
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
  Load(Write("big.pat", pat), Write("big.ctg", ctg));
  EXPECT_TRUE(shown.empty());
  ASSERT_EQ(qel::intNRecs, 2000);
  EXPECT_DOUBLE_EQ(qel::dblTotPopB, 20.0 * kCells);
  EXPECT_EQ(qel::arrBB(2000).intZoneA, 20);
  EXPECT_EQ(qel::arrBB(2 + 55).intNNbrs, 4);
  ExpectSymmetricNeighbours();
}

TEST_F(PublicHeader, MalformedFilesEndInAMessage) {
  const std::string good = "1 0 0 0 0 0\n2 1 1 5 5 1\n3 1 1 5 5 1\n";
  std::string records2001;
  for (int r = 1; r <= 2001; ++r) records2001 += std::to_string(r) + " 1 1 5 5 1\n";
  const std::string bad[] = {
      good + "4 1 1 five 5 1\n",
      good + "4 1 1 5 5 1 1 2 3 4 5 6 7 8 9 10 11 12 13\n",
      good + "4 1 99999 5 5 1\n",
      records2001,
      "",
      std::string("\0\x01\x02\x03\xff", 5),
      good + std::string(40000, '4') + "\n",
  };
  for (const std::string& text : bad) {
    shown.clear();
    std::string a, b;
    qel::ReadIntersectionFile(0, Write("bad.pat", text), a, b);
    ASSERT_EQ(shown.size(), 1u) << text.substr(0, 40);
    EXPECT_LE(qel::intNRecs, 3);
    int16_t arcs = 0;
    shown.clear();
    qel::ReadContiguityFile(Write("bad.ctg", text), arcs);
    EXPECT_EQ(shown.size(), text.empty() ? 0u : 1u) << text.substr(0, 40);
  }
  EXPECT_FALSE(qel::FileIsOpen(1));
  EXPECT_FALSE(qel::FileIsOpen(2));
}
