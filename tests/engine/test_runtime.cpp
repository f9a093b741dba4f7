#include <cmath>
#include <limits>

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

}  // namespace

TEST(Conversions, RoundToNearestTiesToEven) {
  EXPECT_EQ(CInt(2.5), 2);
  EXPECT_EQ(CInt(3.5), 4);
  EXPECT_EQ(CInt(-2.5), -2);
  EXPECT_EQ(CInt(0.5), 0);
  EXPECT_EQ(CInt(1.5000001), 2);
  EXPECT_EQ(CInt(32767.4), 32767);
  EXPECT_EQ(CInt(-32768.5), -32768);
  EXPECT_EQ(CInt(std::string(" 12 ")), 12);
  EXPECT_EQ(CInt(std::string("07")), 7);
}

TEST(Conversions, OverflowAndTypeErrors) {
  EXPECT_EQ(ErrorOf([] { CInt(32767.5); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CInt(-32769.0); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CInt(std::nan("")); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CInt(1.7E+308); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CInt(std::string("40000")); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CDbl("abc"); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl(""); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl("1.2.3"); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl("inf"); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl("nan"); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl("1e"); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([] { CDbl("1e999"); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
  EXPECT_DOUBLE_EQ(CDbl(" -1.5e3 "), -1500.0);
  EXPECT_DOUBLE_EQ(CDbl("+.5"), 0.5);
  EXPECT_DOUBLE_EQ(CDbl("5."), 5.0);
  EXPECT_DOUBLE_EQ(CDbl("1e-999"), 0.0);
  // Out of range is told apart by magnitude, whatever the mantissa's form.
  EXPECT_EQ(ErrorOf([] { CDbl("1.5e999"); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CDbl(std::string(400, '9')); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([] { CDbl("0.01e311"); }), kErrOverflow);
  EXPECT_DOUBLE_EQ(CDbl("0.001e310"), 1e307);
  EXPECT_DOUBLE_EQ(CDbl("1000e-400"), 0.0);
  EXPECT_DOUBLE_EQ(CDbl("-0.5e-400"), 0.0);
  EXPECT_TRUE(IsNumber("12.5"));
  EXPECT_FALSE(IsNumber("12,5"));
}

TEST(Conversions, FloatText) {
  EXPECT_EQ(Str(1.7E+308), "1.7E+308");
  EXPECT_EQ(Str(1E-08), "1E-08");
  EXPECT_EQ(Str(2900.0 / 120.0), "24.1666666666667");
  EXPECT_EQ(Str(0.0), "0");
  EXPECT_EQ(Str(-0.0), "0");
  EXPECT_EQ(Str(1250.0), "1250");
  EXPECT_EQ(Str(0.1 + 0.2), "0.3");
  EXPECT_EQ(Str(123456789012345.0), "123456789012345");
  EXPECT_EQ(Str(1E15), "1E+15");
  EXPECT_EQ(Str(0.0001), "0.0001");
  EXPECT_EQ(Str(0.00001), "1E-05");
  EXPECT_EQ(Str(-2.5), "-2.5");
  EXPECT_EQ(Str(static_cast<int>(-7)), "-7");
}

TEST(Tables, IndexOutsideBoundsIsError9) {
  Table<int, 1, 3> t;
  t(1) = 5;
  t(3) = 7;
  EXPECT_EQ(t(1) + t(3), 12);
  EXPECT_EQ(ErrorOf([&] { t(0) = 1; }), kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { t(4) = 1; }), kErrSubscript);
  Table2<int, 1, 2, 1, 3> u;
  u(2, 3) = 9;
  EXPECT_EQ(u(2, 3), 9);
  EXPECT_EQ(ErrorOf([&] { u(3, 1) = 1; }), kErrSubscript);
  EXPECT_EQ(ErrorOf([&] { u(1, 0) = 1; }), kErrSubscript);
}

TEST(Random, SameSeedSameSequenceAndRange) {
  Randomize(99);
  std::vector<double> a;
  for (int i = 0; i < 1000; ++i) a.push_back(Rnd());
  Randomize(99);
  for (int i = 0; i < 1000; ++i) {
    double r = Rnd();
    EXPECT_EQ(r, a[static_cast<size_t>(i)]);
    EXPECT_GE(r, 0.0);
    EXPECT_LT(r, 1.0);
  }
  Randomize(-32768);
  double x = Rnd();
  Randomize(32767);
  EXPECT_NE(x, Rnd());
  // Draw one of n stays within 1..n+1 and covers 1..n.
  Randomize(1);
  std::vector<int> seen(6, 0);
  for (int i = 0; i < 2000; ++i) {
    int d = DrawOneOf(5);
    ASSERT_GE(d, 1);
    ASSERT_LE(d, 6);
    ++seen[static_cast<size_t>(d - 1)];
  }
  for (int k = 0; k < 5; ++k) EXPECT_GT(seen[static_cast<size_t>(k)], 0);
  EXPECT_EQ(DrawOneOf(0), 1);
}

TEST(Random, FixedSequenceForSeed99) {
  // The sequence is part of the program's reproducibility: a run with the same
  // seed must give the same tracts on every compiler and platform.
  Randomize(99);
  EXPECT_EQ(Rnd(), 0.65407301443045551);
  EXPECT_EQ(Rnd(), 0.41445576819185326);
  EXPECT_EQ(Rnd(), 0.75772692007984888);
  Randomize(99);
  std::vector<int> draws;
  for (int i = 0; i < 5; ++i) draws.push_back(DrawOneOf(10));
  EXPECT_EQ(draws, (std::vector<int>{7, 5, 8, 2, 6}));
}

class Files : public qeltest::EngineTest {};

TEST_F(Files, ReadLinesWithEitherEnding) {
  std::string p = WriteFile("a.txt", "one\r\ntwo\nthree\rfour");
  FileOpenInput(1, p);
  EXPECT_EQ(LineInput(1), "one");
  EXPECT_EQ(LineInput(1), "two");
  EXPECT_EQ(LineInput(1), "three");
  EXPECT_FALSE(FileEof(1));
  EXPECT_EQ(LineInput(1), "four");
  EXPECT_TRUE(FileEof(1));
  EXPECT_EQ(ErrorOf([] { LineInput(1); }), kErrInputPastEnd);
  FileClose(1);
  EXPECT_FALSE(FileIsOpen(1));
}

TEST_F(Files, ByteOrderMarkIsSkipped) {
  FileOpenInput(1, WriteFile("bom.txt", "\xEF\xBB\xBF" "1 2\r\n"));
  EXPECT_EQ(LineInput(1), "1 2");
  EXPECT_TRUE(FileEof(1));
  FileClose(1);
  FileOpenInput(1, WriteFile("short.txt", "\xEF\xBB"));
  EXPECT_EQ(LineInput(1), "\xEF\xBB");
  FileClose(1);
}

TEST_F(Files, TrailingEmptyLineIsALine) {
  std::string p = WriteFile("b.txt", "x\r\n\r\n");
  FileOpenInput(1, p);
  EXPECT_EQ(LineInput(1), "x");
  EXPECT_FALSE(FileEof(1));
  EXPECT_EQ(LineInput(1), "");
  EXPECT_TRUE(FileEof(1));
  FileClose(1);
}

TEST_F(Files, ChannelErrors) {
  std::string p = WriteFile("c.txt", "x");
  FileOpenInput(2, p);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(2, p); }), kErrFileAlreadyOpen);
  FileClose(2);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(2, TempPath("missing.txt")); }), kErrFileNotFound);
  EXPECT_FALSE(FileIsOpen(2));
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(6, p); }), kErrBadFileChannel);
  EXPECT_EQ(ErrorOf([&] { FileOpenOutput(3, TempPath("no/such/dir/x.txt")); }), kErrPathAccess);
  EXPECT_EQ(ErrorOf([&] { FileOpenInput(2, tempDir.string()); }), kErrPathAccess);
  EXPECT_FALSE(FileIsOpen(2));
}

TEST_F(Files, OutputReplacesTargetOnlyWhenClosed) {
  std::string p = WriteFile("out.txt", "old content");
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
  EXPECT_FALSE(std::filesystem::exists(p + ".qel-new"));
}

TEST(MessageBoxes, HandlerSeesPromptStyleAndTitle) {
  qeltest::ScriptedBoxes boxes;
  boxes.Answer(kIdCancel);
  EXPECT_EQ(MsgBox("Question", kMbInformationOkCancel, "Header information"), kIdCancel);
  EXPECT_EQ(MsgBox("Plain"), kIdOk);
  ASSERT_EQ(boxes.Shown().size(), 2u);
  EXPECT_EQ(boxes.Shown()[0].style, 65);
  EXPECT_EQ(boxes.Shown()[0].title, "Header information");
  EXPECT_EQ(boxes.Shown()[1].title, "QEL");
}

TEST(Time, ElapsedAndTextForms) {
  SetClock([] { return 1700000000.0; });
  double t = TimeOfDay();
  EXPECT_GE(t, 0.0);
  EXPECT_LT(t, 86400.0);
  EXPECT_EQ(TimeText().size(), 8u);
  EXPECT_EQ(DateText().size(), 10u);
  SetClock(nullptr);
  EXPECT_DOUBLE_EQ(SecondsBetween(100.0, 160.0), 60.0);
  // Whole seconds, and a run that passes midnight does not go negative.
  EXPECT_DOUBLE_EQ(SecondsBetween(10.9, 12.1), 2.0);
  EXPECT_DOUBLE_EQ(SecondsBetween(86399.0, 5.0), 6.0);
}

TEST(Errors, AnyFailureBecomesAnErrorBox) {
  auto caught = [](auto thrower) {
    try {
      thrower();
    } catch (...) {
      return ErrorFromException(std::current_exception());
    }
    return RuntimeError(0, "");
  };
  EXPECT_EQ(caught([] { RaiseError(kErrTypeMismatch); }).Number(), kErrTypeMismatch);
  EXPECT_EQ(caught([] { throw std::bad_alloc(); }).Number(), kErrOutOfMemory);
  EXPECT_EQ(caught([] { throw std::logic_error("x"); }).Number(), kErrInternal);
  EXPECT_EQ(caught([] { throw 5; }).Number(), kErrInternal);

  qeltest::ScriptedBoxes boxes;
  ShowErrorBox(RuntimeError(53, "File not found"));
  ASSERT_EQ(boxes.Shown().size(), 1u);
  EXPECT_EQ(boxes.Shown()[0].prompt, "Error 53 File not found");
  EXPECT_EQ(boxes.Shown()[0].title, "Error");
  EXPECT_EQ(boxes.Shown()[0].style, 48);
  SetMessageBoxHandler([](const std::string&, int, const std::string&) -> int { throw 1; });
  EXPECT_NO_THROW(ShowErrorBox(RuntimeError(6, "Overflow")));
  SetMessageBoxHandler(nullptr);
}

TEST(StartUp, LimitsAndSwitches) {
  ResetEngineState();
  EXPECT_EQ(intMaxRecs, 0);
  EXPECT_EQ(intMaxTracts, 0);
  blnWriteLUT = true;
  qeltest::RecordingWindows windows;
  StartMain();
  EXPECT_EQ(intMaxRecs, 2000);
  EXPECT_EQ(intMaxNbrs, 500);
  EXPECT_EQ(intMaxMembers, 500);
  EXPECT_EQ(intMaxZoneBBs, 500);
  EXPECT_EQ(intMaxTracts, 2000);
  EXPECT_TRUE(blnContCheck);
  EXPECT_FALSE(blnWriteLUT);
  ASSERT_EQ(windows.calls.size(), 1u);
  EXPECT_EQ(windows.calls[0], "CreateLoadShowMain");
  EXPECT_EQ(frmMainInst, &windows);
}
