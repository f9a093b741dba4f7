// A program that sees the engine through its public header alone.
#include <gtest/gtest.h>

#include <string>

#include "engine.h"

TEST(PublicHeader, ReadsARealStudyArea) {
  qel::ResetEngineState();
  qel::StartMain();
  std::string a, b;
  int16_t arcs = 0;
  qel::ReadIntersectionFile(0, std::string(QEL_SOURCE_DIR) + "/tests/data/sids.pat", a, b);
  qel::ReadContiguityFile(std::string(QEL_SOURCE_DIR) + "/tests/data/sids.ctg", arcs);
  EXPECT_EQ(qel::intNRecs, 101);
  EXPECT_EQ(arcs, 287);
  EXPECT_DOUBLE_EQ(qel::dblTotPopA, 329962);
}
