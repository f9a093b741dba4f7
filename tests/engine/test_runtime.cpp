// The run-time layer under the engine (conversions, tables, clock, files)
// and the engine's state, seen through the public header alone.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <set>
#include <sstream>
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

// The message the user's box shows for the failure, "" when there is none.
std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RuntimeError& e) {
    return ErrorMessageText(e);
  }
  return "";
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
    return MessageOf([&] { FileOpenOutput(4, p); }) == "Error 75 Path or file cannot be accessed: Permission denied" &&
           qeltest::ReadWholeFile(p) == "old";
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
  // Another user's file, open to all, in a folder open to all: a
  // replacement could not be given that user, so the file is written in
  // place and stays theirs.
  const std::string theirs = WriteFile("open/theirs.txt", "old");
  ASSERT_EQ(::chown(theirs.c_str(), 4242, 4343), 0);
  ASSERT_EQ(::chmod(theirs.c_str(), 0666), 0);
  EXPECT_TRUE(qeltest::AsUnprivileged([&] {
    Save(theirs, "new");
    return qeltest::ReadWholeFile(theirs) == "new\r\n";
  }));
  ASSERT_EQ(::stat(theirs.c_str(), &st), 0);
  EXPECT_EQ(std::tuple(st.st_uid, st.st_gid, st.st_mode & 07777), std::tuple(4242u, 4343u, 0666u));
  EXPECT_EQ(Names(tempDir / "open"), (std::set<std::string>{"out.txt", "theirs.txt"}));
}

// A file system of its own in the test's folder, taken away at the end;
// only root may mount one.
class Mount {
 public:
  Mount(const std::string& source, const std::string& at, const char* type, unsigned long flags, const char* data)
      : at_(at), mounted_(::mount(source.c_str(), at.c_str(), type, flags, data) == 0) {}
  ~Mount() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }

 private:
  std::string at_;
  bool mounted_;
};

// On a full disk a save is refused with the system's reason and leaves the
// old file byte for byte as it was: a replaced file and, written in place,
// a file with two names alike.
TEST_F(Files, AFullDiskLeavesTheOldFileWhole) {
  namespace fs = std::filesystem;
  fs::create_directory(tempDir / "small");
  const Mount disk("qeltest", TempPath("small"), "tmpfs", 0, "size=256k");
  if (!disk.Mounted()) GTEST_SKIP() << "a small file system of the test's own needs root";
  const std::string single = WriteFile("small/single.txt", "old single");
  const std::string linked = WriteFile("small/linked.txt", "old linked");
  fs::create_hard_link(linked, tempDir / "small/other name");
  // A file open to all in a folder that takes no new file from a user.
  fs::create_directory(tempDir / "small/closed");
  const std::string closed = WriteFile("small/closed/out.txt", "old closed");
  fs::permissions(closed, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec);
  fs::permissions(tempDir / "small/closed", fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
  // Filled to the last byte.
  const int filler = ::open(TempPath("small/filler").c_str(), O_WRONLY | O_CREAT, 0600);
  const std::string page(4096, 'f');
  while (::write(filler, page.data(), page.size()) > 0) {
  }
  ::close(filler);
  const auto names = Names(tempDir / "small");
  const std::string full = "Error 57 Input/output error on the device: No space left on device";
  const std::string text(64 * 1024, 'x');
  for (const std::string& p : {single, linked}) EXPECT_EQ(MessageOf([&] { Save(p, text); }), full) << p;
  EXPECT_TRUE(qeltest::AsUnprivileged([&] { return MessageOf([&] { Save(closed, text); }) == full; }));
  EXPECT_EQ(qeltest::ReadWholeFile(closed), "old closed");
  EXPECT_EQ(qeltest::ReadWholeFile(single), "old single");
  EXPECT_EQ(qeltest::ReadWholeFile(linked), "old linked");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("small/other name")), "old linked");
  EXPECT_EQ(Names(tempDir / "small"), names);
  EXPECT_FALSE(FileIsOpen(4));
}

// A file system that reserves no room (ramfs): a file with two names is
// still written whole, longer and shorter than before.
TEST_F(Files, WithoutReservationsAFileIsStillWrittenWhole) {
  std::filesystem::create_directory(tempDir / "ram");
  const Mount disk("qeltest", TempPath("ram"), "ramfs", 0, nullptr);
  if (!disk.Mounted()) GTEST_SKIP() << "a file system of the test's own needs root";
  const std::string p = WriteFile("ram/linked.txt", "old text");
  std::filesystem::create_hard_link(p, TempPath("ram/other name"));
  for (const std::string& text : {std::string(10000, 'x'), std::string("short")}) {
    Save(p, text);
    EXPECT_EQ(qeltest::ReadWholeFile(TempPath("ram/other name")), text + "\r\n");
  }
}

// A file mounted in place cannot be replaced by rename: it is written as a
// plain write would write it.
TEST_F(Files, AFileMountedInPlaceIsWrittenInPlace) {
  const std::string source = WriteFile("source.txt", "old");
  const std::string target = WriteFile("target.txt", "");
  const Mount bound(source, target, nullptr, MS_BIND, nullptr);
  if (!bound.Mounted()) GTEST_SKIP() << "a bind mount needs root";
  const auto names = Names(tempDir);
  Save(target, "new");
  EXPECT_EQ(qeltest::ReadWholeFile(target), "new\r\n");
  EXPECT_EQ(qeltest::ReadWholeFile(source), "new\r\n");
  EXPECT_EQ(Names(tempDir), names);
}

// A new file gets the mode a plain create gives it in its folder: here the
// folder's default access list, which overrides the umask.
TEST_F(Files, ANewFileGetsTheModeOfThePlainCreate) {
  namespace fs = std::filesystem;
  fs::create_directory(tempDir / "shared");
  // A default access list of owner rw, group rw, others r.
  const uint32_t acl[] = {2, 0x01 | 6u << 16, 0xFFFFFFFF, 0x04 | 6u << 16, 0xFFFFFFFF, 0x20 | 4u << 16, 0xFFFFFFFF};
  if (::setxattr(TempPath("shared").c_str(), "system.posix_acl_default", acl, sizeof acl, 0) != 0)
    GTEST_SKIP() << "no access lists on this file system";
  const mode_t mask = ::umask(077);
  const int plain = ::open(TempPath("shared/plain.txt").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  ::close(plain);
  const int error = ErrorOf([&] { Save(TempPath("shared/saved.txt"), "new"); });
  ::umask(mask);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(fs::status(TempPath("shared/saved.txt")).permissions(), fs::status(TempPath("shared/plain.txt")).permissions());
  EXPECT_EQ(fs::status(TempPath("shared/plain.txt")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write |
                fs::perms::others_read);
}

// A save past the file-size limit of the process leaves the old file as it
// was, every name of it, and no scratch file behind; the writers name the
// file in their error. The limit is met before any write, so the signal
// that would end the program is never sent (it is left at its default).
TEST_F(Files, AFailedWriteKeepsTheOldFileAndNamesIt) {
  KeepRunResult();  // the results of a run of nothing
  const std::string p = WriteFile("out.txt", "old");
  const std::string linked = WriteFile("linked.txt", "old");
  std::filesystem::create_hard_link(linked, TempPath("other name"));
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_DFL);
  struct rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  // A name so long that no longer name fits in the folder beside it.
  const std::string longest = WriteFile(std::string(250, 'n'), "old");
  const auto names = Names(tempDir);
  const int error = ErrorOf([&] { Save(p, std::string(100, 'x')); });
  const int logError = ErrorOf([&] { WriteProgramLog(p); });
  const int longError = ErrorOf([&] { WriteProgramLog(longest); });
  const std::string inPlace = MessageOf([&] { Save(linked, std::string(100, 'x')); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(error, kErrDeviceIO);
  EXPECT_EQ(logError, kErrDeviceIO);
  EXPECT_EQ(longError, kErrDeviceIO);
  EXPECT_EQ(inPlace, "Error 57 Input/output error on the device: File too large");
  EXPECT_EQ(qeltest::ReadWholeFile(p), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(longest), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(linked), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("other name")), "old");
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

// Runs a command through the shell; its exit status.
int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The first line from `from` on that starts with `start` and holds every one
// of `parts`; -1 when there is none.
int FindCall(const std::vector<std::string>& lines, int from, const std::string& start,
             std::initializer_list<std::string> parts = {}) {
  for (int i = std::max(from, 0); i < static_cast<int>(lines.size()); ++i) {
    const std::string& l = lines[static_cast<std::size_t>(i)];
    if (l.rfind(start, 0) != 0) continue;
    bool all = true;
    for (const std::string& p : parts) all = all && l.find(p) != std::string::npos;
    if (all) return i;
  }
  return -1;
}

// The result of the call on a line of the trace ("... = 5").
std::string ResultOf(const std::vector<std::string>& lines, int i) {
  if (i < 0) return "?";
  const std::string& l = lines[static_cast<std::size_t>(i)];
  return l.substr(l.rfind(" = ") + 3);
}

// The order in which a save asks the system, as strace sees it: a
// replacement reaches the disk before it takes the old file's name and the
// folder is flushed after; a file written in place has its room reserved
// before its old text is touched; a new file gets its mode from the system,
// and the umask of the process is never changed.
TEST_F(Files, TheSystemCallsOfASaveComeInOrder) {
  if (const char* dir = std::getenv("QEL_TRACED_SAVES")) {  // the traced part, run by the part below
    for (const char* name : {"/replaced.txt", "/linked.txt", "/new.txt"}) Save(dir + std::string(name), "new");
    return;
  }
  if (Shell("strace -o /dev/null true >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace cannot trace here";
  WriteFile("replaced.txt", "old");
  std::filesystem::create_hard_link(WriteFile("linked.txt", "old"), TempPath("other name"));
  const std::string trace = TempPath("trace");
  ASSERT_EQ(Shell("QEL_TRACED_SAVES='" + tempDir.string() + "' strace -o '" + trace +
                  "' -e trace=open,openat,fallocate,write,pwrite64,fsync,fdatasync,ftruncate,rename,renameat,"
                  "renameat2,umask,close '" +
                  std::filesystem::read_symlink("/proc/self/exe").string() +
                  "' --gtest_filter=Files.TheSystemCallsOfASaveComeInOrder >/dev/null 2>&1"),
            0);
  std::vector<std::string> lines;
  std::istringstream text(qeltest::ReadWholeFile(trace));
  for (std::string line; std::getline(text, line);) lines.push_back(line);

  const int scratch = FindCall(lines, 0, "openat(", {"/.qel", "O_CREAT", "O_EXCL"});
  const std::string fd = ResultOf(lines, scratch);
  const int synced = FindCall(lines, scratch, "fsync(" + fd + ")");
  const int renamed = FindCall(lines, scratch, "rename", {"/replaced.txt\""});
  EXPECT_TRUE(scratch >= 0 && synced > scratch && FindCall(lines, synced, "close(" + fd + ")") < renamed &&
              renamed > synced)
      << "scratch file " << scratch << ", flushed " << synced << ", renamed " << renamed;
  const int folder = FindCall(lines, renamed, "openat(", {"O_DIRECTORY"});
  const std::string folderFd = ResultOf(lines, folder);
  const int folderSynced = FindCall(lines, folder, "fsync(" + folderFd + ")");
  EXPECT_TRUE(folder > renamed && folderSynced > folder && folderSynced < FindCall(lines, folder, "close(" + folderFd + ")"));

  const int target = FindCall(lines, renamed, "openat(", {"/linked.txt\""});
  const std::string inPlace = ResultOf(lines, target);
  const int reserved = FindCall(lines, target, "fallocate(" + inPlace + ",");
  int touched = -1;
  for (const char* call : {"pwrite64(", "write(", "ftruncate("}) {
    const int at = FindCall(lines, target, call + inPlace + ",");
    if (at >= 0 && (touched < 0 || at < touched)) touched = at;
  }
  EXPECT_TRUE(target >= 0 && reserved > target && touched > reserved)
      << "opened " << target << ", reserved " << reserved << ", first written " << touched;

  const int created = FindCall(lines, FindCall(lines, target, "close(" + inPlace + ")"), "openat(", {"/.qel"});
  ASSERT_NE(created, -1);
  EXPECT_NE(lines[static_cast<std::size_t>(created)].find(", 0666)"), std::string::npos);
  EXPECT_EQ(FindCall(lines, 0, "umask("), -1);
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
