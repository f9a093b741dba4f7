#include <string>
#include <vector>

#include "test_support.h"

using namespace qel;

namespace {

using Fields = std::vector<std::string>;

// Splits into a token array that an earlier, longer line has filled.
Fields Split(const std::string& line) {
  TokenArray tok;
  int16_t n = -1;
  SplitLine("p q r s t u v", tok, n);
  SplitLine(line, tok, n);
  Fields out;
  for (int k = 1; k <= n; ++k) out.push_back(tok(k));
  for (int k = n + 1; k <= kMaxFields; ++k) EXPECT_EQ(tok(k), "") << "position " << k;
  return out;
}

int ErrorOf(const std::string& line) {
  TokenArray tok;
  int16_t n = 0;
  try {
    SplitLine(line, tok, n);
  } catch (const RuntimeError& e) {
    EXPECT_TRUE(n >= 1 && n <= kMaxFields) << n;
    return e.Number();
  }
  return 0;
}

}  // namespace

TEST(SplitLine, CommaAndBlankRules) {
  const std::pair<std::string, Fields> cases[] = {
      {"1, 2, 3", {"1", "2", "3"}},
      {"1 2 3", {"1", "2", "3"}},
      {"1,2,3", {"123"}},
      {"1,000 2", {"1000", "2"}},
      {",,,", {""}},
      {"a , b", {"a", "b"}},  // a comma does not end a run of blanks
      {"  a   b", {"a", "b"}},
      {"a b ", {"a", "b", ""}},  // a blank at the end opens an empty field
      {"a b    ", {"a", "b", ""}},
      {"", {""}},
      {"    ", {""}},
      {"a\tb c\r", {"a\tb", "c\r"}},  // every other character belongs to the field
  };
  for (const auto& [line, fields] : cases) EXPECT_EQ(Split(line), fields) << '"' << line << '"';
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
