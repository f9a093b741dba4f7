#include <cmath>
#include <filesystem>
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

TEST(Random, SameSeedSameSequence) {
  Randomize(99);
  std::vector<double> first;
  for (int i = 0; i < 5; ++i) first.push_back(Rnd());
  Randomize(99);
  for (double r : first) EXPECT_EQ(Rnd(), r);
  Randomize(98);
  EXPECT_NE(Rnd(), first[0]);
  for (int i = 0; i < 10000; ++i) ASSERT_TRUE(DrawOneOf(10) >= 1 && DrawOneOf(10) <= 10);
}

class Files : public qeltest::EngineTest {};

TEST_F(Files, LinesEndInCrLfLfOrCr) {
  const std::string text = "one\r\ntwo\nthree\rfour\r\r\nsix";
  const std::vector<std::string> expected{"one", "two", "three", "four", "", "six"};
  for (bool view : {false, true}) {
    FileOpenInput(1, WriteFile("a.txt", text));
    std::vector<std::string> lines;
    std::string spill;
    while (!FileEof(1)) lines.push_back(view ? std::string(LineView(1, spill)) : LineInput(1));
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(ErrorOf([] { LineInput(1); }), kErrInputPastEnd);
    FileClose(1);
  }
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

TEST_F(Files, ReplacedFilesKeepTheirPermissionsAndAFolderWithoutRoomIsWrittenInPlace) {
  namespace fs = std::filesystem;
  const std::string p = WriteFile("out.txt", "old");
  fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write);
  auto write = [&p](const std::string& text) {
    FileOpenOutput(4, p);
    PrintLine(4, text);
    FileClose(4);
  };
  write("beside");
  EXPECT_EQ(qeltest::ReadWholeFile(p), "beside\r\n");
  EXPECT_EQ(fs::status(p).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  // The file beside cannot be made (as in a read-only folder; a directory
  // of its name stands in, since tests run as root): written in place.
  fs::create_directory(p + ".qel-new");
  write("in place");
  EXPECT_EQ(qeltest::ReadWholeFile(p), "in place\r\n");
  EXPECT_TRUE(fs::is_directory(p + ".qel-new"));
  EXPECT_EQ(ErrorOf([this] { FileOpenOutput(4, TempPath("nowhere/out.txt")); }), kErrPathAccess);
}

}  // namespace
