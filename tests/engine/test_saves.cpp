// Saves: written whole into the file that a plain create-or-open of the
// path finds, or not at all; the old text, the file's access, its folder
// and the disk as they were after a save that fails.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <tuple>

#include "save_writes.h"
#include "test_support.h"

using namespace qel;
using qeltest::ErrorOf;
using qeltest::MessageOf;
namespace fs = std::filesystem;

namespace {

class Files : public qeltest::EngineTest {};

const std::string kDenied = "Error 75 Path or file cannot be accessed: Permission denied";
const std::string kFull = "Error 57 Input/output error on the device: No space left on device";

// The names in a folder, to show that a save left nothing else behind.
std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

void Save(const std::string& path, const std::string& text) {
  FileOpenOutput(4, path);
  PrintLine(4, text);
  FileClose(4);
}

// Runs a command through the shell: its exit status, and what it printed.
int Shell(const std::string& command, std::string* output = nullptr) {
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return -1;
  char buffer[512];
  std::string text;
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
  const int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Root() { return ::geteuid() == 0; }

// A file system of its own in the test's folder, taken away at the end;
// only root may mount one.
class Mount {
 public:
  Mount(const std::string& source, const std::string& at, const char* type, unsigned long flags, const char* data)
      : at_(at), mounted_(::mount(source.c_str(), at.c_str(), type, flags, data) == 0) {
    if (!mounted_) error_ = std::strerror(errno);
  }
  // A disk image of `megabytes` made by mkfs.TYPE and mounted through a loop device.
  static Mount Disk(const std::string& image, const std::string& at, const std::string& type, int megabytes,
                    const std::string& options = "") {
    return Mount(DiskTag{}, image, at, type, megabytes, options);
  }
  ~Mount() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  const std::string& Error() const { return error_; }

 private:
  struct DiskTag {};
  Mount(DiskTag, const std::string& image, const std::string& at, const std::string& type, int megabytes,
        const std::string& options)
      : at_(at) {
    fs::create_directories(at);
    std::ofstream(image).close();
    fs::resize_file(image, static_cast<std::uintmax_t>(megabytes) << 20);
    mounted_ = Shell("mkfs." + type + " -q " + options + " '" + image + "'", &error_) == 0 &&
               Shell("mount -o loop '" + image + "' '" + at + "'", &error_) == 0;
  }
  std::string at_;
  bool mounted_ = false;
  std::string error_;
};

// A switch of the system (under /proc/sys) set for the test and put back.
class SystemSwitch {
 public:
  SystemSwitch(const std::string& name, const std::string& value) : path_("/proc/sys/" + name) {
    std::ifstream(path_) >> old_;
    std::ofstream(path_) << value;
    std::string now;
    std::ifstream(path_) >> now;
    set_ = now == value;
  }
  ~SystemSwitch() { std::ofstream(path_) << old_; }
  bool Set() const { return set_; }

 private:
  std::string path_, old_;
  bool set_ = false;
};

// Takes `bytes` off the end of the filler, and waits until the disk has them back.
void GiveBack(const std::string& filler, off_t bytes) {
  if (bytes > 0) fs::resize_file(filler, std::max<std::uintmax_t>(fs::file_size(filler), bytes) - bytes);
  ::sync();
}

// Writes to the file until the disk is full, then gives back `spare` bytes.
void FillDisk(const std::string& filler, off_t spare) {
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT, 0600);
  const std::string page(4096, 'f');
  while (::write(fd, page.data(), page.size()) > 0) {
  }
  ::close(fd);
  GiveBack(filler, spare);
}

std::string Attribute(const std::string& path, const char* name) {
  char value[256];
  const ssize_t n = ::getxattr(path.c_str(), name, value, sizeof value);
  return n < 0 ? "none" : std::string(value, static_cast<std::size_t>(n));
}

TEST_F(Files, ASaveTouchesOnlyTheFileNamed) {
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
  // More than the pipe holds: the writer waits for the reader.
  const std::string piped(300 * 1024, 'p');
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  FileOpenOutput(4, pipe);  // a writer, before the reader waits for one
  std::string got;
  std::thread drain([&] {
    ::fcntl(reader, F_SETFL, 0);
    char block[4096];
    for (ssize_t n; (n = ::read(reader, block, sizeof block)) > 0;) got.append(block, static_cast<std::size_t>(n));
  });
  PrintLine(4, piped);
  EXPECT_EQ(ErrorOf([] { FileClose(4); }), 0);
  drain.join();
  ::close(reader);
  EXPECT_TRUE(got == piped + "\r\n") << got.size();
  EXPECT_TRUE(fs::is_fifo(pipe));
  // A folder is no file to write; neither is a path through a missing one.
  EXPECT_EQ(MessageOf([this] { FileOpenOutput(4, TempPath("")); }),
            "Error 75 Path or file cannot be accessed: a folder, not a file");
  EXPECT_EQ(ErrorOf([this] { FileOpenOutput(4, TempPath("nowhere/out.txt")); }), kErrPathAccess);
  EXPECT_FALSE(FileIsOpen(4));
}

// The file written is the one the save began with: a new name is taken at
// once, and a file moved away or put in its place during the save is never
// found again by name.
TEST_F(Files, ASaveWritesTheFileItBeganWith) {
  const std::string p = TempPath("QELlog.txt");
  FileOpenOutput(4, p);
  EXPECT_EQ(::open(p.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666), -1);  // nobody else can take the name
  FileAbort(4);
  EXPECT_FALSE(fs::exists(p));

  WriteFile("QELlog.txt", "old");
  FileOpenOutput(4, p);
  PrintLine(4, "new");
  fs::rename(p, TempPath("moved.txt"));
  const std::string theirs = WriteFile("theirs.txt", "theirs");
  fs::create_hard_link(theirs, p);
  FileClose(4);
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("moved.txt")), "new\r\n");
  EXPECT_EQ(qeltest::ReadWholeFile(p), "theirs");
  // Given another name during the save: both names see the text.
  FileOpenOutput(4, TempPath("moved.txt"));
  PrintLine(4, "both");
  fs::create_hard_link(TempPath("moved.txt"), TempPath("late.txt"));
  FileClose(4);
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("late.txt")), "both\r\n");
  fs::remove(TempPath("late.txt"));
  // Removed during the save: the text has nowhere to go, and says so.
  FileOpenOutput(4, p);
  fs::remove(p);
  fs::remove(theirs);
  EXPECT_EQ(MessageOf([] { FileClose(4); }), "Error 75 Path or file cannot be accessed: No such file or directory");
  EXPECT_EQ(Names(tempDir), std::set<std::string>{"moved.txt"});
}

// Where the system refuses a plain create of the path (a link that another
// user planted in a shared sticky folder, that user's file there), the
// save is refused too, and nothing is written anywhere.
TEST_F(Files, ASaveGoesOnlyWhereAPlainCreateMayGo) {
  if (!Root()) GTEST_SKIP() << "the system's protections are switched and another user's files made by root";
  const SystemSwitch links("fs/protected_symlinks", "1"), regular("fs/protected_regular", "1");
  ASSERT_TRUE(links.Set() && regular.Set());
  fs::create_directory(tempDir / "shared");
  fs::permissions(tempDir / "shared", fs::perms::all | fs::perms::sticky_bit);
  const std::string victim = WriteFile("victim.txt", "secret");
  fs::permissions(victim, fs::perms::owner_read | fs::perms::owner_write);
  const std::string link = TempPath("shared/QELlog.txt"), newLink = TempPath("shared/QELout.csv");
  fs::create_symlink(victim, link);
  fs::create_symlink(TempPath("created.csv"), newLink);
  const std::string theirs = WriteFile("shared/QELlut.csv", "theirs");
  for (const std::string& p : {link, newLink, theirs}) ASSERT_EQ(::lchown(p.c_str(), 4242, 4242), 0);
  ASSERT_EQ(::chmod(theirs.c_str(), 0666), 0);
  const auto names = Names(tempDir), shared = Names(tempDir / "shared");
  for (const std::string& p : {link, newLink, theirs}) EXPECT_EQ(MessageOf([&] { Save(p, "new"); }), kDenied) << p;
  EXPECT_EQ(qeltest::ReadWholeFile(victim), "secret");
  EXPECT_EQ(qeltest::ReadWholeFile(theirs), "theirs");
  EXPECT_EQ(Names(tempDir), names);
  EXPECT_EQ(Names(tempDir / "shared"), shared);
}

TEST_F(Files, ASaveKeepsOwnerAndProtection) {
  // In a folder that takes anybody's files, a write-protected file is still
  // refused, as a plain open refuses it, instead of being replaced.
  fs::create_directory(tempDir / "open");
  fs::permissions(tempDir / "open", fs::perms::all);
  const std::string p = WriteFile("open/out.txt", "old");
  fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  EXPECT_TRUE(qeltest::AsUnprivileged([&] {
    return MessageOf([&] { FileOpenOutput(4, p); }) == kDenied && qeltest::ReadWholeFile(p) == "old";
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
  if (!Root()) GTEST_SKIP() << "owner and group can be given to a file only by root";
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

// A replaced file keeps its access list and its other extended attributes,
// and one that had no access list gets none, whatever the folder's default
// list. A new file gets the mode a plain create gives it in its folder:
// here the default list, which overrides the umask.
TEST_F(Files, ASaveKeepsAccessListsAndAttributes) {
  fs::create_directory(tempDir / "shared");
  // Owner rw, user 4002 rw, group r, mask rw, others r; the default also.
  const uint32_t acl[] = {2,          0x01 | 6u << 16, 0xFFFFFFFF, 0x02 | 6u << 16, 4002, 0x04 | 4u << 16,
                          0xFFFFFFFF, 0x10 | 6u << 16, 0xFFFFFFFF, 0x20 | 4u << 16, 0xFFFFFFFF};
  const std::string listed = WriteFile("shared/listed.txt", "old"), bare = WriteFile("shared/bare.txt", "old");
  if (::setxattr(listed.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) != 0 ||
      ::setxattr(listed.c_str(), "user.note", "kept", 4, 0) != 0 ||
      ::setxattr(TempPath("shared").c_str(), "system.posix_acl_default", acl, sizeof acl, 0) != 0)
    GTEST_SKIP() << "no access lists or attributes on this file system";
  ASSERT_EQ(::chmod(bare.c_str(), 0600), 0);
  const std::string listBefore = Attribute(listed, "system.posix_acl_access");
  const auto listedMode = fs::status(listed).permissions();
  const auto inode = [](const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? st.st_ino : 0;
  };
  const auto inodes = std::pair(inode(listed), inode(bare));
  Save(listed, "new");
  Save(bare, "new");
  // Replaced, not written in place: a save cut short leaves the old text or the new.
  EXPECT_TRUE(inode(listed) != inodes.first && inode(bare) != inodes.second);
  EXPECT_EQ(qeltest::ReadWholeFile(listed), "new\r\n");
  EXPECT_EQ(Attribute(listed, "system.posix_acl_access"), listBefore);
  EXPECT_EQ(Attribute(listed, "user.note"), "kept");
  EXPECT_EQ(fs::status(listed).permissions(), listedMode);
  EXPECT_EQ(Attribute(bare, "system.posix_acl_access"), "none");
  EXPECT_EQ(fs::status(bare).permissions(), fs::perms::owner_read | fs::perms::owner_write);

  const mode_t mask = ::umask(077);
  const int plain = ::open(TempPath("shared/plain.txt").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
  ::close(plain);
  const int error = ErrorOf([&] { Save(TempPath("shared/saved.txt"), "new"); });
  ::umask(mask);
  EXPECT_EQ(error, 0);
  EXPECT_EQ(fs::status(TempPath("shared/saved.txt")).permissions(),
            fs::status(TempPath("shared/plain.txt")).permissions());
  EXPECT_EQ(Attribute(TempPath("shared/saved.txt"), "system.posix_acl_access"),
            Attribute(TempPath("shared/plain.txt"), "system.posix_acl_access"));
}

// On a full disk a save is refused with the system's reason and leaves the
// old file byte for byte as it was: a replaced file and, written in place,
// a file with two names alike.
TEST_F(Files, AFullDiskLeavesTheOldFileWhole) {
  fs::create_directory(tempDir / "small");
  const Mount disk("qeltest", TempPath("small"), "tmpfs", 0, "size=256k");
  if (!Root()) GTEST_SKIP() << "a small file system of the test's own needs root";
  ASSERT_TRUE(disk.Mounted()) << disk.Error();
  const std::string single = WriteFile("small/single.txt", "old single");
  // Room for the new text in the old one's blocks, though not beside them.
  const std::string large = WriteFile("small/large.txt", std::string(64 * 1024, 'o'));
  const std::string linked = WriteFile("small/linked.txt", "old linked");
  fs::create_hard_link(linked, tempDir / "small/other name");
  // A file of holes, whose old length holds no room.
  const std::string holes = WriteFile("small/holes.txt", "");
  fs::resize_file(holes, 128 * 1024);
  fs::create_hard_link(holes, tempDir / "small/holes name");
  // A file open to all in a folder that takes no new file from a user.
  fs::create_directory(tempDir / "small/closed");
  const std::string closed = WriteFile("small/closed/out.txt", "old closed");
  fs::permissions(closed, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec);
  fs::permissions(tempDir / "small/closed", fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
  FillDisk(TempPath("small/filler"), 16 * 1024);  // room for a part of the text
  const auto names = Names(tempDir / "small");
  struct stat was {}, is {};
  ASSERT_EQ(::stat(linked.c_str(), &was), 0);
  const std::string text(64 * 1024, 'x');
  for (const std::string& p : {single, linked, holes, TempPath("small/new.txt")})
    EXPECT_EQ(MessageOf([&] { Save(p, text); }), kFull) << p;
  ASSERT_EQ(::stat(linked.c_str(), &is), 0);
  EXPECT_EQ(std::tuple(is.st_ctim.tv_sec, is.st_ctim.tv_nsec), std::tuple(was.st_ctim.tv_sec, was.st_ctim.tv_nsec));
  Save(large, std::string(60 * 1024, 'n'));
  EXPECT_TRUE(qeltest::ReadWholeFile(large) == std::string(60 * 1024, 'n') + "\r\n");
  EXPECT_TRUE(qeltest::AsUnprivileged([&] { return MessageOf([&] { Save(closed, text); }) == kFull; }));
  EXPECT_EQ(qeltest::ReadWholeFile(closed), "old closed");
  EXPECT_EQ(qeltest::ReadWholeFile(single), "old single");
  EXPECT_EQ(qeltest::ReadWholeFile(linked), "old linked");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("small/other name")), "old linked");
  EXPECT_TRUE(qeltest::ReadWholeFile(holes) == std::string(128 * 1024, '\0'));
  EXPECT_EQ(Names(tempDir / "small"), names);
  EXPECT_FALSE(FileIsOpen(4));
}

// A refused save gives back the room it reserved, and leaves the file's
// times alone: on ext4 a reservation refused for want of room keeps what it
// took, the holes it filled too. A disk whose every inode is taken has no
// room for a scratch file, but a file may still be written in place.
TEST_F(Files, ARefusedSaveLeavesTheDiskAsItWas) {
  if (!Root()) GTEST_SKIP() << "a disk of the test's own needs root";
  const Mount disk = Mount::Disk(TempPath("ext4.img"), TempPath("ext4"), "ext4", 4, "-N 64");
  ASSERT_TRUE(disk.Mounted()) << disk.Error();
  const std::string holes = WriteFile("ext4/holes.txt", "");
  fs::resize_file(holes, 2 << 20);
  fs::create_hard_link(holes, tempDir / "ext4/other name");
  const std::string linked = WriteFile("ext4/linked.txt", "old linked");
  fs::create_hard_link(linked, tempDir / "ext4/linked name");
  const std::string single = WriteFile("ext4/single.txt", "old single");
  FillDisk(TempPath("ext4/filler"), 16 * 1024);
  for (int i = 0;; ++i) {
    const int fd = ::open(TempPath("ext4/inode" + std::to_string(i)).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) break;
    ::close(fd);
  }
  struct statvfs before {}, after {};
  struct stat was {}, is {};
  ASSERT_EQ(::statvfs(holes.c_str(), &before), 0);
  ASSERT_EQ(::stat(holes.c_str(), &was), 0);
  for (const std::string& p : {holes, linked})
    EXPECT_EQ(MessageOf([&] { Save(p, std::string(256 * 1024, 'x')); }), kFull) << p;
  ASSERT_EQ(::statvfs(holes.c_str(), &after), 0);
  ASSERT_EQ(::stat(holes.c_str(), &is), 0);
  EXPECT_EQ(after.f_bfree, before.f_bfree);
  EXPECT_EQ(std::tuple(is.st_blocks, is.st_size, is.st_mtim.tv_sec, is.st_mtim.tv_nsec),
            std::tuple(was.st_blocks, was.st_size, was.st_mtim.tv_sec, was.st_mtim.tv_nsec));
  EXPECT_TRUE(qeltest::ReadWholeFile(holes) == std::string(2 << 20, '\0'));
  EXPECT_EQ(qeltest::ReadWholeFile(linked), "old linked");
  EXPECT_EQ(ErrorOf([&] { Save(single, "new"); }), 0);
  EXPECT_EQ(qeltest::ReadWholeFile(single), "new\r\n");
}

// On a file system that copies on write (btrfs), writing over a block takes
// new room, which no reservation holds: a file with two names on a nearly
// full disk is refused whole, and written whole where there is room.
TEST_F(Files, ACopyOnWriteDiskLeavesNoFileMixed) {
  if (!Root()) GTEST_SKIP() << "a disk of the test's own needs root";
  const Mount disk = Mount::Disk(TempPath("btrfs.img"), TempPath("btrfs"), "btrfs", 120);
  ASSERT_TRUE(disk.Mounted()) << disk.Error();
  const std::string old(64 * 1024, 'o');
  const std::string linked = WriteFile("btrfs/linked.txt", old);
  fs::create_hard_link(linked, tempDir / "btrfs/other name");
  // The same, open to all, in a folder that takes no new file from a user.
  fs::create_directory(tempDir / "btrfs/closed");
  const std::string closed = WriteFile("btrfs/closed/linked.txt", old);
  fs::create_hard_link(closed, tempDir / "btrfs/closed/other name");
  ASSERT_EQ(::chmod(closed.c_str(), 0666), 0);
  const std::string filler = TempPath("btrfs/filler");
  FillDisk(filler, 40 * 1024);
  const std::string text(64 * 1024 - 2, 'n');
  EXPECT_EQ(MessageOf([&] { Save(linked, text); }), kFull);
  EXPECT_TRUE(qeltest::AsUnprivileged([&] { return MessageOf([&] { Save(closed, text); }) == kFull; }));
  EXPECT_TRUE(qeltest::ReadWholeFile(linked) == old && qeltest::ReadWholeFile(closed) == old) << "an old text changed";
  // Room for the text, though not for much more: longer and shorter than before.
  GiveBack(filler, 512 * 1024);
  for (const std::string& next : {std::string(100000, 'n'), std::string("short")}) {
    Save(linked, next);
    EXPECT_TRUE(qeltest::ReadWholeFile(TempPath("btrfs/other name")) == next + "\r\n") << next.size();
  }
  EXPECT_EQ(Names(tempDir / "btrfs"), (std::set<std::string>{"closed", "filler", "linked.txt", "other name"}));
}

// A file system that reserves no room (ramfs): a file with two names is
// still written whole, longer and shorter than before.
TEST_F(Files, WithoutReservationsAFileIsStillWrittenWhole) {
  fs::create_directory(tempDir / "ram");
  const Mount disk("qeltest", TempPath("ram"), "ramfs", 0, nullptr);
  if (!Root()) GTEST_SKIP() << "a file system of the test's own needs root";
  ASSERT_TRUE(disk.Mounted()) << disk.Error();
  const std::string p = WriteFile("ram/linked.txt", "old text");
  fs::create_hard_link(p, TempPath("ram/other name"));
  for (const std::string& text : {std::string(10000, 'x'), std::string("short")}) {
    Save(p, text);
    EXPECT_EQ(qeltest::ReadWholeFile(TempPath("ram/other name")), text + "\r\n");
  }
}

// Where no scratch file can stand beside the target, the target is written
// in place, and a new file is created as a plain create creates it: a path
// that leaves no room for a longer name, a folder that takes new names but
// keeps them (append-only), a file mounted in place in a full folder.
TEST_F(Files, WhereNoScratchFitsTheFileIsWrittenInPlace) {
  // A folder path so long that a scratch path beside the file would pass
  // the system's limit.
  std::string deep = tempDir.string();
  while (4090 - deep.size() > 250) deep += "/" + std::string(200, 'd');
  deep += "/" + std::string(4090 - deep.size() - 1, 'e');
  fs::create_directories(deep);
  std::ofstream(deep + "/o") << "old";
  Save(deep + "/o", "new");
  EXPECT_EQ(qeltest::ReadWholeFile(deep + "/o"), "new\r\n");
  EXPECT_EQ(Names(deep), std::set<std::string>{"o"});

  if (!Root()) GTEST_SKIP() << "an append-only folder and a mount need root";
  // Root reads the folder; a user may only write into it, not list it.
  fs::create_directory(tempDir / "kept");
  const std::string log = WriteFile("kept/QELlog.txt", "old"), csv = TempPath("kept/QELout.csv");
  fs::permissions(log, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec & ~fs::perms::others_exec);
  fs::permissions(tempDir / "kept", fs::perms::owner_all | fs::perms::group_write | fs::perms::group_exec |
                                        fs::perms::others_write | fs::perms::others_exec);
  ASSERT_EQ(Shell("chattr +a '" + TempPath("kept") + "'"), 0);
  const int errorOld = ErrorOf([&] { Save(log, "root's"); });
  const bool user = qeltest::AsUnprivileged([&] { return ErrorOf([&] { Save(csv, "new"), Save(log, "new"); }) == 0; });
  const auto kept = Names(tempDir / "kept");
  Shell("chattr -a '" + TempPath("kept") + "'");
  EXPECT_EQ(std::tuple(errorOld, user), std::tuple(0, true));
  EXPECT_EQ(qeltest::ReadWholeFile(log), "new\r\n");
  EXPECT_EQ(qeltest::ReadWholeFile(csv), "new\r\n");
  EXPECT_EQ(kept, (std::set<std::string>{"QELlog.txt", "QELout.csv"}));

  fs::create_directory(tempDir / "small");
  const Mount disk("qeltest", TempPath("small"), "tmpfs", 0, "size=256k");
  ASSERT_TRUE(disk.Mounted()) << disk.Error();
  const std::string source = WriteFile("small/source.txt", "old");
  const std::string target = WriteFile("small/target.txt", "");
  FillDisk(TempPath("small/filler"), 0);
  const Mount bound(source, target, nullptr, MS_BIND, nullptr);
  ASSERT_TRUE(bound.Mounted()) << bound.Error();
  const auto names = Names(tempDir / "small");
  Save(target, "new");
  EXPECT_EQ(qeltest::ReadWholeFile(target), "new\r\n");
  EXPECT_EQ(qeltest::ReadWholeFile(source), "new\r\n");
  EXPECT_EQ(Names(tempDir / "small"), names);
}

// A save past the file-size limit of the process leaves the old file as it
// was, every name of it, and no scratch file behind; the writers name the
// file in their error. The limit is met before any write, so the signal
// that would end the program is never sent (it is left at its default).
TEST_F(Files, AFailedWriteKeepsTheOldFileAndNamesIt) {
  KeepRunResult();  // the results of a run of nothing
  const std::string p = WriteFile("out.txt", "old");
  const std::string linked = WriteFile("linked.txt", "old");
  fs::create_hard_link(linked, TempPath("other name"));
  struct rlimit old {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  const auto previous = std::signal(SIGXFSZ, SIG_DFL);
  struct rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  // A name so long that no longer name fits in the folder beside it.
  const std::string longest = WriteFile(std::string(250, 'n'), "old");
  // A link to a file not yet made: what the save makes there, it removes.
  fs::create_symlink("made.txt", tempDir / "link");
  const auto names = Names(tempDir);
  const int error = ErrorOf([&] { Save(p, std::string(100, 'x')); });
  const int logError = ErrorOf([&] { WriteProgramLog(p); });
  const int longError = ErrorOf([&] { WriteProgramLog(longest); });
  const int newError = ErrorOf([&] { WriteProgramLog(TempPath("new.txt")); });
  const int linkError = ErrorOf([&] { WriteProgramLog(TempPath("link")); });
  const std::string inPlace = MessageOf([&] { Save(linked, std::string(100, 'x')); });
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(std::tuple(error, logError, longError, newError, linkError),
            std::tuple(kErrDeviceIO, kErrDeviceIO, kErrDeviceIO, kErrDeviceIO, kErrDeviceIO));
  EXPECT_EQ(inPlace, "Error 57 Input/output error on the device: File too large");
  EXPECT_EQ(qeltest::ReadWholeFile(p), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(longest), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(linked), "old");
  EXPECT_EQ(qeltest::ReadWholeFile(TempPath("other name")), "old");
  EXPECT_EQ(Names(tempDir), names);  // the new file, too, is gone
  EXPECT_FALSE(FileIsOpen(4));
  try {
    WriteProgramLog(TempPath("nowhere/QELlog.txt"));
    ADD_FAILURE() << "written into a missing folder";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.Description(), "Path or file cannot be accessed: No such file or directory (" +
                                   TempPath("nowhere/QELlog.txt") + ")");
  }
}

// The lines of the trace from `from` on that start with `start` and hold
// every one of `parts`: the first (or, with `last`, the last before `to`);
// -1 when there is none.
int FindCall(const std::vector<std::string>& lines, int from, const std::string& start,
             std::initializer_list<std::string> parts = {}, bool last = false, int to = -1) {
  int found = -1;
  const int end = to < 0 ? static_cast<int>(lines.size()) : to;
  for (int i = std::max(from, 0); i < end; ++i) {
    const std::string& l = lines[static_cast<std::size_t>(i)];
    if (l.rfind(start, 0) != 0) continue;
    bool all = true;
    for (const std::string& p : parts) all = all && l.find(p) != std::string::npos;
    if (!all) continue;
    found = i;
    if (!last) break;
  }
  return found;
}

// The result of the call on a line of the trace ("... = 5").
std::string ResultOf(const std::vector<std::string>& lines, int i) {
  if (i < 0) return "?";
  const std::string& l = lines[static_cast<std::size_t>(i)];
  return l.substr(l.rfind(" = ") + 3);
}

// The order in which a save asks the system, as strace sees it: a
// replacement's data reach the disk after its last write and before it
// takes the old file's name, and the folder is flushed after; every name a
// save makes begins with the target's; a file written in place has its room
// reserved before its old text is touched; a new file is created by the
// open, with the mode a plain create gives; the umask is never changed.
TEST_F(Files, TheSystemCallsOfASaveComeInOrder) {
  if (const char* dir = std::getenv("QEL_TRACED_SAVES")) {  // the traced part, run by the part below
    for (const char* name : {"/replaced.txt", "/linked.txt", "/new.txt"}) Save(dir + std::string(name), "new");
    return;
  }
  if (Shell("strace -o /dev/null true") != 0) GTEST_SKIP() << "strace cannot trace here";
  const int probe = ::open(tempDir.c_str(), O_TMPFILE | O_RDWR, 0600);
  const bool copies = probe >= 0 && CopiesOnWrite(probe);
  if (probe >= 0) ::close(probe);
  if (probe < 0 || copies) GTEST_SKIP() << "the test's folder makes no file of no name, or copies on write";
  WriteFile("replaced.txt", "old");
  fs::create_hard_link(WriteFile("linked.txt", "old"), TempPath("other name"));
  const std::string trace = TempPath("trace");
  // The leak checker of a sanitized build cannot run under a tracer.
  ASSERT_EQ(Shell("ASAN_OPTIONS=detect_leaks=0 QEL_TRACED_SAVES='" + tempDir.string() + "' strace -o '" + trace +
                  "' -e trace=open,openat,fallocate,write,pwrite64,fsync,fdatasync,ftruncate,rename,renameat,"
                  "renameat2,link,linkat,unlinkat,umask,close '" +
                  fs::read_symlink("/proc/self/exe").string() +
                  "' --gtest_filter=Files.TheSystemCallsOfASaveComeInOrder >/dev/null"),
            0);
  std::vector<std::string> lines;
  std::istringstream text(qeltest::ReadWholeFile(trace));
  for (std::string line; std::getline(text, line);) lines.push_back(line);

  const int opened = FindCall(lines, 0, "openat(", {"/replaced.txt\""});
  const int renamed = FindCall(lines, opened, "renameat", {", \"replaced.txt\""});
  ASSERT_GE(renamed, 0) << "no rename in the trace";
  const int scratch = FindCall(lines, opened, "openat(", {"O_TMPFILE"});
  const std::string fd = ResultOf(lines, scratch);
  int written = -1;
  for (const char* call : {"pwrite64(", "write("})
    written = std::max(written, FindCall(lines, scratch, call + fd + ",", {}, true, renamed));
  const int synced = FindCall(lines, written, "fsync(" + fd + ")");
  const int named = FindCall(lines, synced, "linkat(", {"\"replaced.txt.qel"});
  EXPECT_TRUE(scratch > opened && written > scratch && synced > written && named > synced && renamed > named)
      << "scratch " << scratch << ", last written " << written << ", flushed " << synced << ", named " << named
      << ", renamed " << renamed;
  // renameat2(D, "replaced.txt.qel...", D, "replaced.txt", ...): D is the
  // folder, in which the old file's new name is then removed.
  const std::string& rename = lines[static_cast<std::size_t>(renamed)];
  const std::string folder = rename.substr(rename.find('(') + 1, rename.find(',') - rename.find('(') - 1);
  const int removed = FindCall(lines, renamed, "unlinkat(" + folder + ", \"replaced.txt.qel");
  const int folderSynced = FindCall(lines, renamed, "fsync(" + folder + ")");
  EXPECT_TRUE(removed > renamed && folderSynced > removed &&
              folderSynced < FindCall(lines, renamed, "close(" + folder + ")"))
      << "renamed " << renamed << ", old file removed " << removed << ", folder flushed " << folderSynced;

  const int target = FindCall(lines, renamed, "openat(", {"/linked.txt\""}, true);
  const std::string inPlace = ResultOf(lines, target);
  const int reserved = FindCall(lines, target, "fallocate(" + inPlace + ", FALLOC_FL_KEEP_SIZE");
  int touched = -1;
  for (const char* call : {"pwrite64(", "write(", "ftruncate("}) {
    const int at = FindCall(lines, target, call + inPlace + ",");
    if (at >= 0 && (touched < 0 || at < touched)) touched = at;
  }
  EXPECT_TRUE(target >= 0 && reserved > target && touched > reserved)
      << "opened " << target << ", reserved " << reserved << ", first written " << touched;

  const int created = FindCall(lines, target, "openat(", {"/new.txt\"", "O_CREAT|O_EXCL"});
  ASSERT_NE(created, -1);
  EXPECT_NE(lines[static_cast<std::size_t>(created)].find(", 0666)"), std::string::npos);
  // Up to the flush of the new file's folder, the last step of the saves.
  const int end = FindCall(lines, created, "fsync(", {}, true) + 1;
  for (const char* call : {"linkat(", "renameat", "unlinkat("}) {
    for (int at = FindCall(lines, opened, call, {}, false, end); at >= 0;
         at = FindCall(lines, at + 1, call, {}, false, end)) {
      const std::string& l = lines[static_cast<std::size_t>(at)];
      EXPECT_TRUE(l.find("\"replaced.txt") != std::string::npos || l.find("\"new.txt") != std::string::npos) << l;
    }
  }
  EXPECT_EQ(FindCall(lines, 0, "umask("), -1);
}

}  // namespace
