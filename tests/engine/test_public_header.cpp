// A program of its own that sees the engine only through its public header:
// it installs a message-box handler, reads a real study area in every line
// format and checks the tables. (Malformed files: the readers' own tests.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "engine.h"

namespace {

std::string Write(const std::string& name, const std::string& text) {
  // Named after the process: other builds may run this test at the same time.
  const auto path = std::filesystem::path(::testing::TempDir()) / ("qel_public_" + std::to_string(getpid()) + name);
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}

TEST(PublicHeader, ReadsARealStudyAreaInEveryLineFormat) {
  std::ostringstream pat, ctg;
  pat << std::ifstream(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.pat").rdbuf();
  ctg << std::ifstream(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.ctg").rdbuf();
  auto crlf = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
  };
  for (int variant = 0; variant < 3; ++variant) {  // LF, CR LF, LF with a header line
    SCOPED_TRACE(variant);
    qel::ResetEngineState();
    qel::StartMain();
    int boxes = 0;
    qel::SetMessageBoxHandler([&boxes](const std::string&, int, const std::string&) { return ++boxes, 1; });
    std::string a, b;
    const int16_t header = variant == 2;
    const std::string patText = variant == 1 ? crlf(pat.str()) : header ? "FIPS L_id M_id\n" + pat.str() : pat.str();
    qel::ReadIntersectionFile(header, Write("a.pat", patText), a, b);
    int16_t arcs = 0;
    qel::ReadContiguityFile(Write("a.ctg", variant == 1 ? crlf(ctg.str()) : ctg.str()), arcs);
    qel::SetMessageBoxHandler(nullptr);
    EXPECT_EQ(boxes, header);  // the header question only
    EXPECT_EQ(arcs, 287);
    ASSERT_EQ(qel::intNRecs, 101);
    EXPECT_EQ(qel::intNHomVars, 6);
    EXPECT_DOUBLE_EQ(qel::dblTotPopA, 329962);
    EXPECT_DOUBLE_EQ(qel::dblTotPopB, 422392);
    EXPECT_EQ(qel::arrBB(2).intID, 1825);
    EXPECT_DOUBLE_EQ(qel::arrBB(2).dblArea, 1137380199.3);
    // Every block has a neighbour; every list is symmetric with equal lengths.
    for (int r = 2; r <= qel::intNRecs; ++r) {
      const qel::udtBB& bb = qel::arrBB(r);
      EXPECT_DOUBLE_EQ(bb.dblHom(1) + bb.dblHom(2), bb.dblPopA) << r;
      ASSERT_GT(bb.intNNbrs, 0) << "record " << r;
      for (int k = 1; k <= bb.intNNbrs; ++k) {
        const int n = bb.intNbr(k);
        ASSERT_TRUE(n >= 1 && n <= qel::intNRecs) << n;
        if (n == 1) continue;
        int back = 0;
        for (int j = 1; j <= qel::arrBB(n).intNNbrs; ++j)
          if (qel::arrBB(n).intNbr(j) == r) back = j;
        ASSERT_GT(back, 0) << r << " -> " << n;
        EXPECT_DOUBLE_EQ(qel::arrBB(n).dblNbrLen(back), bb.dblNbrLen(k));
      }
    }
  }
}

}  // namespace
