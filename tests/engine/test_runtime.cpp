// The run-time layer under the engine (conversions, tables, clock, files)
// and the engine's state, seen through the public header alone.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <tuple>
#include <type_traits>

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
  EXPECT_EQ((std::vector<int>{CInt(2.5), CInt(3.5), CInt(-2.5), CInt(-32768.5), CInt(std::string(" 07 ")),
                              CInt(std::string("-1234")), CInt(std::string(" 98 "))}),
            (std::vector<int>{2, 4, -2, -32768, 7, -1234, 98}));
  for (double v : {32767.5, -32769.0, std::nan(""), 1.7E+308}) EXPECT_EQ(ErrorOf([v] { CInt(v); }), kErrOverflow) << v;
  EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), kErrOverflow);
  for (const char* text : {"abc", "", "1.2.3", "inf", "nan", "12,5", "0x10"})
    EXPECT_EQ(ErrorOf([text] { CDbl(text); }), kErrTypeMismatch) << text;
  for (const std::string& text : {std::string("1.5e999"), std::string(400, '9')})
    EXPECT_EQ(ErrorOf([&] { CDbl(text); }), kErrOverflow) << text.size();
  for (const std::string& text : {std::string("1e-999"), "0." + std::string(700, '0') + "1e300"})
    EXPECT_EQ(CDbl(text), 0.0) << text;  // too small for a float: 0
  EXPECT_EQ(ErrorFromException(std::make_exception_ptr(std::bad_alloc())).Number(), kErrOutOfMemory);
  EXPECT_DOUBLE_EQ(CDbl(" -1.5e3 "), -1500.0);
  const std::pair<double, const char*> texts[] = {{1.7E+308, "1.7E+308"}, {1E-08, "1E-08"}, {2900.0 / 120.0, "24.1666666666667"},
                                                  {-0.0, "0"}, {0.1 + 0.2, "0.3"}, {1E15, "1E+15"}, {0.0001, "0.0001"},
                                                  {HUGE_VAL, "Inf"}, {-HUGE_VAL, "-Inf"}};
  for (const auto& [value, text] : texts) EXPECT_EQ(Str(value), text);
}

TEST(Tables, EveryIndexWithinTheBoundsIsItsOwnAndNoneBeyond) {
  struct {
    Table<int, -1, 2> one;
    Table2<int, 1, 3, 0, 2> two;
    int guard[12] = {};  // what a table too small would read instead
  } t;
  t.one.Fill(7);
  for (int i = 1; i <= 3; ++i)
    for (int j = 0; j <= 2; ++j) t.two(i, j) = 7;
  for (int i = -1; i <= 2; ++i) EXPECT_EQ(t.one(i), 7);
  for (int i = 1; i <= 3; ++i)
    for (int j = 0; j <= 2; ++j) EXPECT_EQ(t.two(i, j), 7) << i << ',' << j;
  const auto& c = t;
  for (const auto& outside : std::vector<std::function<void()>>{
           [&] { c.one(3); }, [&] { c.one(-2); }, [&] { t.one(3); }, [&] { c.two(4, 0); }, [&] { t.two(1, 3); }})
    EXPECT_EQ(ErrorOf(outside), kErrSubscript);
}

TEST(Clock, TimeAndDateOfTheLocalClock) {
  setenv("TZ", "UTC", 1);
  tzset();
  SetClock([] { return 1700000000.5; });
  const TimeAndDate now = TimeAndDateNow();
  EXPECT_EQ(now.time + " " + now.date, "22:13:20 2023-11-14");
  EXPECT_EQ(TimeOfDay(), 80000.5);
  SetClock(nullptr);
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
    EXPECT_EQ(ErrorOf([] { LineInput(1); }), 62);  // the number the user's box shows
    FileClose(1);
  }
}

// The names in a folder, to show that a save left nothing else behind.
std::set<std::string> Names(const std::filesystem::path& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

void Save(const std::string& path, const std::string& text) {
  FileOpenOutput(4, path);
  PrintLine(4, text);
  FileClose(4);
}

TEST_F(Files, ASaveTouchesOnlyTheFileNamed) {
  namespace fs = std::filesystem;
  const std::string p = WriteFile("QELlog.txt", "old");
  fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // Names that an earlier program took for its scratch file: a planted link
  // and a file of the user's.
  const std::string victim = WriteFile("victim", "victim");
  fs::create_symlink(victim, p + ".qel-new");
  WriteFile("QELlog.txt.tmp", "mine");
  const auto names = Names(tempDir);

  FileOpenOutput(4, p);
  PrintLine(4, "aborted");
  FileAbort(4);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "old");
  Save(p, "new");
  EXPECT_EQ(qeltest::ReadWholeFile(p), "new\r\n");
  EXPECT_EQ(fs::status(p).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(qeltest::ReadWholeFile(victim), "victim");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("QELlog.txt.tmp")), "mine");
  EXPECT_TRUE(fs::is_symlink(p + ".qel-new"));
  EXPECT_EQ(Names(tempDir), names);  // no scratch file left, nothing else made

  // A link names the file to update, and stays a link; so does a link to a link.
  fs::create_symlink("QELlog.txt", tempDir / "link");
  fs::create_symlink(tempDir / "link", tempDir / "link2");
  Save(TempPath("link2"), "through links");
  EXPECT_TRUE(fs::is_symlink(TempPath("link")) && fs::is_symlink(TempPath("link2")));
  EXPECT_EQ(qeltest::ReadWholeFile(p), "through links\r\n");
  // A file with another name (a hard link) is written in place: both names
  // see the new text.
  fs::create_hard_link(p, tempDir / "hard");
  Save(p, "both names");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("hard")), "both names\r\n");
  EXPECT_EQ(fs::hard_link_count(p), 2u);
  // A pipe is written in place, and one that nobody reads is refused
  // rather than waited on.
  const std::string pipe = TempPath("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(ErrorOf([&] { FileOpenOutput(4, pipe); }), kErrPathAccess);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  Save(pipe, "piped");
  char got[16] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 7);
  EXPECT_STREQ(got, "piped\r\n");
  ::close(reader);
  EXPECT_TRUE(fs::is_fifo(pipe));
  // A folder is no file to write; neither is a path through a missing one.
  EXPECT_EQ(ErrorOf([this] { FileOpenOutput(4, TempPath("")); }), kErrPathAccess);
  EXPECT_EQ(ErrorOf([this] { FileOpenOutput(4, TempPath("nowhere/out.txt")); }), kErrPathAccess);
  EXPECT_FALSE(FileIsOpen(4));
}

TEST_F(Files, ASaveKeepsOwnerAndProtection) {
  namespace fs = std::filesystem;
  // In a folder that takes anybody's files, a write-protected file is still
  // refused, as a plain open refuses it, instead of being replaced.
  fs::create_directory(tempDir / "open");
  fs::permissions(tempDir / "open", fs::perms::all);
  const std::string p = WriteFile("open/out.txt", "old");
  fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(qeltest::AsUnprivileged([&] {
    try {
      FileOpenOutput(4, p);
    } catch (const RuntimeError& e) {
      return ErrorMessageText(e) == "Error 75 Path or file cannot be accessed: Permission denied" &&
             qeltest::ReadWholeFile(p) == "old";
    }
    return false;
  }));
  // In a sticky folder another user's file, open to all, cannot be replaced
  // by a new one: it is written in place, as a plain open writes it.
  fs::create_directory(tempDir / "sticky");
  fs::permissions(tempDir / "sticky", fs::perms::all | fs::perms::sticky_bit);
  const std::string shared = WriteFile("sticky/shared.txt", "old");
  fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::group_write | fs::perms::others_read | fs::perms::others_write);
  EXPECT_TRUE(qeltest::AsUnprivileged([&] {
    Save(shared, "new");
    return qeltest::ReadWholeFile(shared) == "new\r\n";
  }));
  EXPECT_EQ(Names(tempDir / "sticky"), std::set<std::string>{"shared.txt"});
  if (::geteuid() != 0) GTEST_SKIP() << "owner and group can be given to a file only by root";
  ASSERT_EQ(::chown(p.c_str(), 4242, 4343), 0);
  Save(p, "new");
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 4242u);
  EXPECT_EQ(st.st_gid, 4343u);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "new\r\n");
}

// A write that fails part-way (here the file-size limit of the process)
// leaves the old file as it was, and no scratch file behind; the writers
// name the file in their error.
TEST_F(Files, AFailedWriteKeepsTheOldFileAndNamesIt) {
  KeepRunResult();  // the results of a run of nothing
  const std::string p = WriteFile("out.txt", "old");
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  // A name so long that no longer name fits in the folder beside it.
  const std::string longest = WriteFile(std::string(250, 'n'), "old");
  const auto names = Names(tempDir);
  const int error = ErrorOf([&] { Save(p, std::string(100, 'x')); });
  const int logError = ErrorOf([&] { WriteProgramLog(p); });
  const int longError = ErrorOf([&] { WriteProgramLog(longest); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, kErrDeviceIO);
  EXPECT_EQ(logError, kErrDeviceIO);
  EXPECT_EQ(longError, kErrDeviceIO);
  EXPECT_EQ(qeltest::ReadWholeFile(p), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(longest), "old");
  EXPECT_EQ(Names(tempDir), names);
  EXPECT_FALSE(FileIsOpen(4));
  try {
    WriteProgramLog(TempPath("nowhere/QELlog.txt"));
    ADD_FAILURE() << "written into a missing folder";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Description(), "Path or file cannot be accessed: No such file or directory (" +
                                   TempPath("nowhere/QELlog.txt") + ")");
  }
}

// Every scalar of the engine's state.
auto Scalars() {
  using namespace qel;
  return std::tie(intMaxRecs, intMaxTracts, intMaxNbrs, intMaxMembers, intMaxZoneBBs, intNRecs,
                  strInputFile, dblTotPopA, dblTotPopB, intNHomVars, blnDemoFile, intNZones, dblTotalPop, intNIBB,
                  intNTracts, intTargetTracts, blnThresholdPop, dblThreshold, blnTargetPop, dblTarget, blnShape,
                  dblShapeWeight, blnHomog, dblHomWeight, intNHomGroups, blnFixedA, blnFixedB, intPopLayer, blnApprox,
                  blnIRAApprox, blnSA, blnNoConstraints, blnFixedCount, blnMinOnly, intNIterations, intRunHeader,
                  strRunFile, datRunStart, intRandomSeed, dblOffsetPct, dblSAStart, dblPopWeight, dblApxWeight,
                  blnContCheck, dblCurTP, dblCurP2A, dblCurIAC, dblCurMin, dblCurApx, dblRefTP, dblRefP2A, dblRefIAC,
                  dblRefMin, dblRefApx, dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx, dblHomPopTot,
                  dblHomPopSumSq, dblHomPopSqRatio, dblHomPopMean, dblHomN0, intNBestTracts, intNBestIBB, intBestIteration,
                  intElapsedSecs, intIslandsSkipped, blnWriteLUT, frmMainInst);
}
auto Values() {
  return std::apply([](const auto&... v) { return std::tuple(v...); }, Scalars());
}
// At program start: the engine's variables are constant-initialized.
const auto kAtStart = Values();

TEST(MessageBoxes, WithoutAHandlerABoxAnswersOk) {
  SetMessageBoxHandler(nullptr);  // the engine on its own, with no window
  EXPECT_EQ(MsgBox("Tract 1 not fully contiguous", kMbExclamationOkCancel, "Contiguity error"), kIdOk);
}

TEST(EngineState, ResetReturnsEveryScalarToItsValueAtStart) {
  auto change = [](auto& v) {
    using T = std::remove_reference_t<decltype(v)>;
    if constexpr (std::is_same_v<T, bool>) {
      v = !v;
    } else if constexpr (std::is_same_v<T, std::string>) {
      v += "x";
    } else if constexpr (std::is_pointer_v<T>) {
      v = &v;
    } else {
      v = static_cast<T>(v + 1);
    }
  };
  std::apply([&](auto&... v) { (change(v), ...); }, Scalars());
  qel::ResetEngineState();
  EXPECT_EQ(Values(), kAtStart);
}

}  // namespace
