#include <cmath>
#include <functional>

#include "test_support.h"

using namespace qel;

namespace {

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return e.Number();
  }
  return 0;
}

TEST(Conversions, RoundingTextAndErrors) {
  EXPECT_EQ((std::vector<int>{CInt(2.5), CInt(3.5), CInt(-2.5), CInt(-32768.5), CInt(std::string(" 07 "))}),
            (std::vector<int>{2, 4, -2, -32768, 7}));
  for (double v : {32767.5, -32769.0, std::nan(""), 1.7E+308}) EXPECT_EQ(ErrorOf([v] { CInt(v); }), kErrOverflow) << v;
  EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
  for (const char* text : {"abc", "", "1.2.3", "inf", "nan", "12,5", "0x10"})
    EXPECT_EQ(ErrorOf([text] { CDbl(text); }), kErrTypeMismatch) << text;
  EXPECT_EQ(ErrorOf([] { CDbl("1.5e999"); }), kErrOverflow);
  EXPECT_DOUBLE_EQ(CDbl(" -1.5e3 "), -1500.0);
  const std::pair<double, const char*> texts[] = {{1.7E+308, "1.7E+308"}, {1E-08, "1E-08"}, {2900.0 / 120.0, "24.1666666666667"},
                                                  {-0.0, "0"}, {0.1 + 0.2, "0.3"}, {1E15, "1E+15"}, {0.0001, "0.0001"}};
  for (const auto& [value, text] : texts) EXPECT_EQ(Str(value), text);
}

class Files : public qeltest::EngineTest {};

TEST_F(Files, LinesEndInCrLfLfOrCr) {
  FileOpenInput(1, WriteFile("a.txt", "one\r\ntwo\nthree\rfour"));
  std::vector<std::string> lines;
  while (!FileEof(1)) lines.push_back(LineInput(1));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
  EXPECT_EQ(ErrorOf([] { LineInput(1); }), kErrInputPastEnd);
}

TEST_F(Files, OutputReplacesTheTargetOnlyOnClose) {
  const std::string p = WriteFile("out.txt", "old");
  FileOpenOutput(3, p);
  PrintLine(3, "a");
  WriteRecord(3, {12, -3});
  EXPECT_EQ(qeltest::ReadWholeFile(p), "old");
  FileClose(3);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "a\r\n12,-3\r\n");
  FileOpenOutput(3, p);
  PrintLine(3, "partial");
  FileAbort(3);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "a\r\n12,-3\r\n");
}

}  // namespace
