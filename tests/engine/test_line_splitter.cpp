#include <string>
#include <vector>

#include "test_support.h"

using namespace qel;

namespace {

std::vector<std::string> Split(const std::string& line) {
  TokenArray tok;
  int16_t n = -1;
  SplitLine(line, tok, n);
  std::vector<std::string> out;
  for (int k = 1; k <= n; ++k) out.push_back(tok(k));
  // Positions above the count are always empty.
  for (int k = n + 1; k <= kMaxFields; ++k) EXPECT_EQ(tok(k), "") << "position " << k;
  return out;
}

using Fields = std::vector<std::string>;

int ErrorOf(const std::string& line) {
  TokenArray tok;
  int16_t n = 0;
  try {
    SplitLine(line, tok, n);
  } catch (const RuntimeError& e) {
    EXPECT_GE(n, 1);
    EXPECT_LE(n, kMaxFields);
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST(SplitLine, CommasAreDroppedAndSeparateNothing) {
  EXPECT_EQ(Split("1, 2, 3"), (Fields{"1", "2", "3"}));
  EXPECT_EQ(Split("1 2 3"), (Fields{"1", "2", "3"}));
  EXPECT_EQ(Split("1,2,3"), (Fields{"123"}));
  EXPECT_EQ(Split("1,000 2"), (Fields{"1000", "2"}));
  EXPECT_EQ(Split(",,,"), (Fields{""}));
  // A comma between blanks does not stop the run of blanks.
  EXPECT_EQ(Split("a , b"), (Fields{"a", "b"}));
}

TEST(SplitLine, BlankRules) {
  EXPECT_EQ(Split("  a   b"), (Fields{"a", "b"}));
  EXPECT_EQ(Split("a b "), (Fields{"a", "b", ""}));
  EXPECT_EQ(Split("a b    "), (Fields{"a", "b", ""}));
  EXPECT_EQ(Split(""), (Fields{""}));
  EXPECT_EQ(Split("    "), (Fields{""}));
  // Tabs and other characters belong to the field.
  EXPECT_EQ(Split("a\tb c\r"), (Fields{"a\tb", "c\r"}));
}

TEST(SplitLine, ClearsWhatAnEarlierLineLeft) {
  TokenArray tok;
  int16_t n = 0;
  SplitLine("a b c d e", tok, n);
  SplitLine("x", tok, n);
  EXPECT_EQ(n, 1);
  EXPECT_EQ(tok(1), "x");
  EXPECT_EQ(tok(2), "");
  EXPECT_EQ(tok(5), "");
}

TEST(SplitLine, LimitsRaiseErrorsWithinBounds) {
  std::string fifty;
  for (int k = 1; k <= 50; ++k) fifty += std::to_string(k) + " ";
  fifty.pop_back();
  EXPECT_EQ(Split(fifty).size(), 50u);
  EXPECT_EQ(ErrorOf(fifty + " 51"), kErrSubscript);
  EXPECT_EQ(ErrorOf(fifty + " "), kErrSubscript);  // the trailing blank opens field 51

  EXPECT_EQ(Split(std::string(32767, 'x')).front().size(), 32767u);
  EXPECT_EQ(ErrorOf(std::string(32768, 'x')), kErrOverflow);
  EXPECT_EQ(ErrorOf(std::string(40000, ' ')), kErrOverflow);
}
