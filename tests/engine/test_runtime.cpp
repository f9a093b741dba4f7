#include <cmath>

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

TEST(Conversions, RoundingOverflowAndTypeErrors) {
  // Nearest, ties to the even one.
  EXPECT_EQ((std::vector<int>{CInt(2.5), CInt(3.5), CInt(-2.5), CInt(-32768.5), CInt(std::string(" 07 "))}),
            (std::vector<int>{2, 4, -2, -32768, 7}));
  for (double v : {32767.5, -32769.0, std::nan(""), 1.7E+308}) EXPECT_EQ(ErrorOf([v] { CInt(v); }), kErrOverflow) << v;
  EXPECT_EQ(ErrorOf([] { CInt(std::string("40000")); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
  // Only plain decimal numbers, '.' as the separator, blanks around allowed.
  for (const char* text : {"abc", "", "1.2.3", "inf", "nan", "1e", "12,5", "0x10"})
    EXPECT_EQ(ErrorOf([text] { CDbl(text); }), kErrTypeMismatch) << text;
  EXPECT_DOUBLE_EQ(CDbl(" -1.5e3 "), -1500.0);
  EXPECT_DOUBLE_EQ(CDbl("+.5"), 0.5);
  // Too large is an overflow whatever the mantissa's form; too small is 0.
  for (const std::string& text : {std::string("1.5e999"), std::string(400, '9'), std::string("0.01e311")})
    EXPECT_EQ(ErrorOf([text] { CDbl(text); }), kErrOverflow) << text;
  EXPECT_DOUBLE_EQ(CDbl("0.001e310"), 1e307);
  EXPECT_DOUBLE_EQ(CDbl("-0.5e-400"), 0.0);
}

TEST(Conversions, FloatText) {
  const std::pair<double, const char*> cases[] = {
      {1.7E+308, "1.7E+308"}, {1E-08, "1E-08"},   {2900.0 / 120.0, "24.1666666666667"},
      {-0.0, "0"},            {0.1 + 0.2, "0.3"}, {123456789012345.0, "123456789012345"},
      {1E15, "1E+15"},        {0.0001, "0.0001"}, {0.00001, "1E-05"},
      {-2.5, "-2.5"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(Str(value), text);
}

TEST(Tables, IndexOutsideBoundsIsError9) {
  Table<int, 1, 3> t;
  Table2<int, 1, 2, 1, 3> u;
  t(3) = 7, u(2, 3) = 9;
  EXPECT_EQ(t(3) + u(2, 3), 16);
  for (auto f : std::vector<std::function<void()>>{[&] { t(0); }, [&] { t(4); }, [&] { u(3, 1); }, [&] { u(1, 0); }})
    EXPECT_EQ(ErrorOf(f), kErrSubscript);
}

TEST(Random, FixedSequenceInRange) {
  // A run with the same seed must give the same tracts on every compiler and
  // platform: the sequence itself is fixed.
  Randomize(99);
  EXPECT_EQ(Rnd(), 0.65407301443045551);
  EXPECT_EQ(Rnd(), 0.41445576819185326);
  Randomize(99);
  std::vector<int> draws;
  for (int i = 0; i < 5; ++i) draws.push_back(DrawOneOf(10));
  EXPECT_EQ(draws, (std::vector<int>{7, 5, 8, 2, 6}));
  Randomize(-32768);
  const double first = Rnd();
  Randomize(32767);
  EXPECT_NE(first, Rnd());
  for (int i = 0; i < 10000; ++i) {
    const double r = Rnd();
    ASSERT_TRUE(r >= 0.0 && r < 1.0) << r;
  }
}

class Files : public qeltest::EngineTest {};

TEST_F(Files, ReadLinesWithAnyEndingAndChannelErrors) {
  const std::string p = WriteFile("a.txt", "\xEF\xBB\xBF" "one\r\ntwo\nthree\r\r\n");
  FileOpenInput(1, p);
  for (const char* line : {"one", "two", "three", ""}) {
    EXPECT_FALSE(FileEof(1));
    EXPECT_EQ(LineInput(1), line);  // the byte order mark is no part of the text
  }
  EXPECT_TRUE(FileEof(1));
  EXPECT_EQ(ErrorOf([] { LineInput(1); }), kErrInputPastEnd);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(1, p); }), kErrFileAlreadyOpen);
  FileClose(1);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(2, TempPath("missing.txt")); }), kErrFileNotFound);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(2, tempDir.string()); }), kErrPathAccess);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(6, p); }), kErrBadFileChannel);
  EXPECT_EQ(ErrorOf([&] { FileOpenOutput(3, TempPath("no/such/dir/x.txt")); }), kErrPathAccess);
  for (int ch = 1; ch <= kMaxChannel; ++ch) EXPECT_FALSE(FileIsOpen(ch));
}

TEST_F(Files, OutputReplacesTargetOnlyWhenClosed) {
  const std::string p = WriteFile("out.txt", "old content");
  FileOpenOutput(3, p);
  PrintLine(3, "a");
  WriteRecord(3, {12, -3});
  EXPECT_EQ(qeltest::ReadWholeFile(p), "old content");
  FileClose(3);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "a\r\n12,-3\r\n");
  // A write abandoned part-way leaves the file as it was.
  FileOpenOutput(3, p);
  PrintLine(3, "partial");
  FileAbort(3);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "a\r\n12,-3\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tempDir), {}), 1);
}

TEST(MessageBoxes, HandlerAnswersAndErrorsBecomeBoxes) {
  qeltest::ScriptedBoxes boxes;
  boxes.Answer(kIdCancel);
  EXPECT_EQ(MsgBox("Question", kMbInformationOkCancel, "Header information"), kIdCancel);
  EXPECT_EQ(MsgBox("Plain"), kIdOk);
  ShowErrorBox(RuntimeError(53, "File not found"));
  EXPECT_EQ(boxes.Shown(), (std::vector<qeltest::ShownBox>{{"Question", 65, "Header information"},
                                                           {"Plain", 0, "QEL"},
                                                           {"Error 53 File not found", 48, "Error"}}));
  EXPECT_EQ(ErrorFromException(std::make_exception_ptr(std::bad_alloc())).Number(), kErrOutOfMemory);
  EXPECT_EQ(ErrorFromException(std::make_exception_ptr(5)).Number(), kErrInternal);
  // A handler that fails must not turn a handled failure into a crash.
  SetMessageBoxHandler([](const std::string&, int, const std::string&) -> int { throw 1; });
  EXPECT_NO_THROW(ShowErrorBox(RuntimeError(6, "Overflow")));
  SetMessageBoxHandler(nullptr);
}

TEST(Time, ElapsedWholeSecondsPastMidnight) {
  EXPECT_DOUBLE_EQ(SecondsBetween(10.9, 12.1), 2.0);
  EXPECT_DOUBLE_EQ(SecondsBetween(86399.0, 5.0), 6.0);
}

TEST(StartUp, LimitsSwitchesAndMainWindow) {
  ResetEngineState();
  blnWriteLUT = true;
  qeltest::RecordingWindows windows;
  StartMain();
  EXPECT_EQ((std::vector<int>{intMaxRecs, intMaxNbrs, intMaxMembers, intMaxZoneBBs, intMaxTracts}),
            (std::vector<int>{2000, 500, 500, 500, 2000}));
  EXPECT_TRUE(blnContCheck && !blnWriteLUT);
  EXPECT_EQ(windows.calls, std::vector<std::string>{"CreateLoadShowMain"});
  EXPECT_EQ(frmMainInst, &windows);
}

}  // namespace
