// Saves. A save goes only where a plain create-or-open for writing of the
// path may go, and writes only the file that this open found: every later
// step goes through its descriptor and one of its folder, so nothing is
// looked up by name twice. A regular file is replaced by a scratch file that
// was given its access, written and flushed beside it; where that cannot be
// done it is written in place, once the room for the whole text is sure.
#include "save_target.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "file_errors.h"

#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

namespace qel {

namespace {

constexpr int kOpenTries = 10;
constexpr int kScratchNameTries = 100;
constexpr int kAttributeReadTries = 5;
// What a scratch name adds to the target's: ".qel" and six letters.
constexpr std::size_t kScratchTail = 10;
// A clone takes whole blocks; this is a multiple of every block size.
constexpr off_t kCloneBlock = 64 * 1024;
// Room beyond the text itself that an overwrite on a file system that
// copies on write may need for its own records.
constexpr unsigned long long kRoomMargin = 1024 * 1024;
constexpr int kOpenFlags = O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

// ---- Writing -------------------------------------------------------------------

// Writes the whole of `data`: at the file's offset, or at `at` when it is
// 0 or more.
void WriteAll(int fd, const char* data, std::size_t size, off_t at = -1) {
  while (size > 0) {
    const ssize_t n = at < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) RaiseDeviceError(n < 0 ? errno : ENOSPC);
    data += n;
    size -= static_cast<std::size_t>(n);
    if (at >= 0) at += n;
  }
}

// The process's file-size limit, checked before any write so that no write
// meets it and no signal ends the program.
bool WithinSizeLimit(off_t size) {
  struct rlimit limit {};
  return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
         static_cast<rlim_t>(size) <= limit.rlim_cur;
}

int Allocate(int fd, int mode, off_t length) {
  int r;
  do r = ::fallocate(fd, mode, 0, length);
  while (r != 0 && errno == EINTR);
  return r;
}

// A file system that takes no request of this kind.
bool Unsupported(int err) { return err == EOPNOTSUPP || err == ENOSYS || err == EINVAL; }

// Makes sure that a regular file can hold the text before a byte of its old
// text is touched. Blocks that the file shares with a clone are made its
// own first, since writing over them would take new room. A file system
// that reserves nothing has the part past the old end written now. Returns
// how much of the text, from its start, is still to be written.
std::size_t Reserve(int fd, const std::string& text, off_t oldSize) {
  const auto size = static_cast<off_t>(text.size());
  if (size == 0) return 0;
  if (std::min(size, oldSize) > 0 && Allocate(fd, FALLOC_FL_UNSHARE_RANGE, std::min(size, oldSize)) != 0 &&
      !Unsupported(errno))
    RaiseDeviceError(errno);
  if (Allocate(fd, FALLOC_FL_KEEP_SIZE, size) == 0) return text.size();
  if (!Unsupported(errno)) RaiseDeviceError(errno);
  if (size <= oldSize) return text.size();
  WriteAll(fd, text.data() + oldSize, static_cast<std::size_t>(size - oldSize), oldSize);
  return static_cast<std::size_t>(oldSize);
}

// A regular file, old text and all, written whole and put on the disk: the
// room reserved first, the new text over the old, cut to its length last.
// Where the room cannot be had, what was taken of it is given back, and the
// old text is as it was.
void WriteRegularFile(int fd, const std::string& text, off_t oldSize) {
  if (!WithinSizeLimit(static_cast<off_t>(text.size()))) RaiseDeviceError(EFBIG);
  try {
    WriteAll(fd, text.data(), Reserve(fd, text, oldSize), 0);
  } catch (...) {
    (void)::ftruncate(fd, oldSize);
    throw;
  }
  if (::ftruncate(fd, static_cast<off_t>(text.size())) != 0) RaiseDeviceError(errno);
  if (::fsync(fd) != 0) RaiseDeviceError(errno);
}

// Closes a descriptor of the save; a close that fails fails the save.
void CloseChecked(int& fd) {
  const int closing = fd;
  fd = -1;
  if (closing >= 0 && ::close(closing) != 0) RaiseDeviceError(errno);
}

void CloseQuietly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

// ---- The target and its folder ---------------------------------------------------

// Whether the file that a link led the open to was made by that open: a
// link that named nothing names an empty file of this process's user now.
bool MadeThroughLink(int fd) {
  struct stat st {};
  return ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0 && st.st_nlink == 1 &&
         st.st_uid == ::geteuid();
}

// The open of the save, as a plain open for writing that creates the file
// where it is missing: the system applies its own rules for links, sticky
// folders and permissions. A new file is known to be the save's own.
// -1 with errno set on a refusal.
int OpenForSave(const std::string& path, bool& created) {
  for (int attempt = 0; attempt < kOpenTries; ++attempt) {
    int fd = ::open(path.c_str(), kOpenFlags | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) {
      created = fd >= 0;
      return fd;
    }
    // Something stands under the name: the file, or a link that the open
    // follows where the system allows it, creating the file that a link
    // names where there is none.
    struct stat st {};
    const bool nothingThere = ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
    fd = ::open(path.c_str(), kOpenFlags, 0666);
    if (fd >= 0) {
      created = nothingThere && MadeThroughLink(fd);
      return fd;
    }
    if (errno != ENOENT) return -1;
    // The name went away between the two opens: again.
  }
  return -1;
}

std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The path that a link holds; empty when it cannot be read whole.
std::string ReadLink(const std::string& link) {
  std::string target(2 * PATH_MAX, '\0');
  const ssize_t n = ::readlink(link.c_str(), target.data(), target.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return "";
  target.resize(static_cast<std::size_t>(n));
  return target;
}

// True when `name` in the target's folder is the very file the save opened.
bool StillNamed(const SaveTarget& t) {
  struct stat there {};
  return t.folder >= 0 && ::fstatat(t.folder, t.name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 &&
         there.st_dev == t.dev && there.st_ino == t.ino;
}

// Takes the folder of `path` as the target's when its last part names the
// very file the save opened there.
bool TryFolder(SaveTarget& t, const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == "..") return false;
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  // A folder that may not be read still serves for names; it cannot be flushed.
  bool readable = true;
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0 && errno == EACCES) {
    readable = false;
    fd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  }
  if (fd < 0) return false;
  t.folder = fd;
  t.name = std::move(name);
  if (StillNamed(t)) {
    t.folderFlushable = readable;
    return true;
  }
  CloseQuietly(t.folder);
  t.name.clear();
  return false;
}

// The folder of the opened file: from the path that the system holds for
// it (every link followed), or else from the path as given. None when the
// file has been moved or removed since.
void FindFolder(SaveTarget& t, const std::string& path) {
  const std::string held = ReadLink(FdPath(t.fd));
  if (!held.empty() && held[0] == '/' && TryFolder(t, held)) return;
  (void)TryFolder(t, path);
}

// A file mounted in place of another, or one on another file system than
// its folder: no rename can replace it.
bool MountedInPlace(const SaveTarget& t) {
  struct stat folder {};
  if (::fstat(t.folder, &folder) != 0 || folder.st_dev != t.dev) return true;
  struct statx sx {};
  return ::statx(t.fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 &&
         (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0 && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
}

// A folder that takes new names but no renames or removals (append-only),
// or no change at all (immutable): a scratch file could be left in it.
bool FolderKeepsItsNames(const SaveTarget& t) {
  int flags = 0;
  return t.folderFlushable && ::ioctl(t.folder, FS_IOC_GETFLAGS, &flags) == 0 &&
         (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0;
}

// A scratch name begins with the target's, so that one left by a save cut
// short says whose it is; a name too long for that has none.
bool ScratchNameFits(const SaveTarget& t) {
  long most = ::fpathconf(t.folder, _PC_NAME_MAX);
  if (most <= 0) most = NAME_MAX;
  return t.name.size() + kScratchTail <= static_cast<std::size_t>(most);
}

// After a rename the folder holds the new name; flushed where the system
// can, so that a power cut leaves the old file or the new one. A folder
// that cannot be flushed (EINVAL, EROFS) is no failure.
void SyncFolder(const SaveTarget& t) {
  if (!t.folderFlushable || ::fsync(t.folder) == 0) return;
  if (errno != EINVAL && errno != EROFS) RaiseDeviceError(errno);
}

// ---- Access of a replacement ---------------------------------------------------------

// The names of a file's extended attributes; none where the file system
// keeps none. False when they cannot be read.
bool AttributeNames(int fd, std::vector<std::string>& names) {
  names.clear();
  std::string list;
  for (int attempt = 0; attempt < kAttributeReadTries; ++attempt) {
    const ssize_t size = ::flistxattr(fd, nullptr, 0);
    if (size < 0) return errno == ENOTSUP;
    list.resize(static_cast<std::size_t>(size));
    const ssize_t n = size == 0 ? 0 : ::flistxattr(fd, list.data(), list.size());
    if (n < 0 && errno == ERANGE) continue;  // grown since the size was asked
    if (n < 0) return false;
    for (std::size_t at = 0; at < static_cast<std::size_t>(n);) {
      const std::size_t end = list.find('\0', at);
      names.push_back(list.substr(at, end - at));
      at = end == std::string::npos ? list.size() : end + 1;
    }
    return true;
  }
  return false;
}

// False when the attribute is missing or cannot be read.
bool AttributeValue(int fd, const std::string& name, std::string& value) {
  for (int attempt = 0; attempt < kAttributeReadTries; ++attempt) {
    const ssize_t size = ::fgetxattr(fd, name.c_str(), nullptr, 0);
    if (size < 0) return false;
    value.resize(static_cast<std::size_t>(size));
    const ssize_t n = size == 0 ? 0 : ::fgetxattr(fd, name.c_str(), value.data(), value.size());
    if (n >= 0) {
      value.resize(static_cast<std::size_t>(n));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

// The scratch file takes exactly the old file's access: owner and group,
// access list and other extended attributes (and none that the old file
// lacks, whatever the folder's default gave the scratch), and permission
// bits. False when the process cannot give all of them; the old file must
// then be written in place to keep them.
bool CarryAccess(int scratch, int old, const struct stat& st) {
  struct stat now {};
  if (::fstat(scratch, &now) != 0) return false;
  // Owner first: a change of owner clears what depends on it.
  if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) && ::fchown(scratch, st.st_uid, st.st_gid) != 0)
    return false;
  std::vector<std::string> oldNames, newNames;
  if (!AttributeNames(old, oldNames) || !AttributeNames(scratch, newNames)) return false;
  for (const std::string& name : newNames) {
    if (std::find(oldNames.begin(), oldNames.end(), name) == oldNames.end() &&
        ::fremovexattr(scratch, name.c_str()) != 0)
      return false;
  }
  std::string value, present;
  for (const std::string& name : oldNames) {
    if (!AttributeValue(old, name, value)) return false;
    if (AttributeValue(scratch, name, present) && present == value) continue;
    if (::fsetxattr(scratch, name.c_str(), value.data(), value.size(), 0) != 0) return false;
  }
  if (::fchmod(scratch, st.st_mode & 07777) != 0 || ::fstat(scratch, &now) != 0) return false;
  return now.st_uid == st.st_uid && now.st_gid == st.st_gid && (now.st_mode & 07777) == (st.st_mode & 07777);
}

// ---- Scratch files -------------------------------------------------------------------

// Six letters or digits for a scratch name. The name is created only where
// none stands, so a name guessed or met twice costs another try, no more.
std::string RandomLetters() {
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[6];
  if (::getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    static unsigned long long state = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ (static_cast<long long>(::getpid()) << 32));
    for (unsigned char& b : bytes) {
      state = state * 6364136223846793005ULL + 1442695040888963407ULL;
      b = static_cast<unsigned char>(state >> 56);
    }
  }
  std::string letters;
  for (unsigned char b : bytes) letters += kLetters[b % (sizeof kLetters - 1)];
  return letters;
}

// A scratch file in the target's folder, dropped (and its name removed)
// unless it has taken the target's name.
struct Scratch {
  int fd = -1;
  int folder = -1;
  std::string name;  // empty while it has none
  ~Scratch() {
    CloseQuietly(fd);
    if (!name.empty()) ::unlinkat(folder, name.c_str(), 0);
  }
};

bool FolderRefuses(int err) { return err == EACCES || err == EPERM || err == EROFS; }

// A scratch file of no name, where the file system makes one: a save cut
// short then leaves nothing behind.
bool CreateUnnamed(const SaveTarget& t, Scratch& s) {
  s.folder = t.folder;
  s.fd = ::openat(t.folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  return s.fd >= 0;
}

// Tries names that begin with the target's until `make` takes one that
// nobody holds; false with errno set otherwise.
template <class Make>
bool TakeScratchName(const SaveTarget& t, Scratch& s, Make make) {
  for (int attempt = 0; attempt < kScratchNameTries; ++attempt) {
    std::string name = t.name + ".qel" + RandomLetters();
    if (make(name)) {
      s.name = std::move(name);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// The scratch file of a replacement: of no name while it is written, or
// else of a name that says whose it is. False, with errno, when the folder
// takes none.
bool CreateScratch(const SaveTarget& t, Scratch& s) {
  if (CreateUnnamed(t, s)) return true;
  if (!Unsupported(errno) && errno != EISDIR) return false;
  return TakeScratchName(t, s, [&](const std::string& name) {
    s.fd = ::openat(t.folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    return s.fd >= 0;
  });
}

// Gives a scratch file of no name a name beside the target, once its text
// is on the disk: the rename needs one.
bool NameScratch(const SaveTarget& t, Scratch& s) {
  return TakeScratchName(t, s, [&](const std::string& name) {
    if (::linkat(AT_FDCWD, FdPath(s.fd).c_str(), t.folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    // Without /proc, only where the process may link any file.
    return errno == ENOENT && ::linkat(s.fd, "", t.folder, name.c_str(), AT_EMPTY_PATH) == 0;
  });
}

// Writes the text to a scratch file, flushes it and renames it over the
// target. False where the replacement could not keep the old file's access,
// the folder refuses it, or the name no longer holds the file the save
// began with: nothing is left then, and the target is to be written in
// place. A failure of the disk is raised, with the target as it was.
bool Replace(SaveTarget& t, const std::string& text) {
  struct stat st {};
  if (::fstat(t.fd, &st) != 0) RaiseAccessError(errno);
  Scratch s;
  if (!CreateScratch(t, s)) {
    if (FolderRefuses(errno) || errno == ENAMETOOLONG) return false;
    RaiseAccessError(errno);
  }
  // Access before text: nobody may read the text through the scratch whom
  // the old file would not let read it.
  if (!CarryAccess(s.fd, t.fd, st)) return false;
  WriteRegularFile(s.fd, text, 0);
  if (s.name.empty() && !NameScratch(t, s)) {
    if (FolderRefuses(errno) || errno == ENAMETOOLONG) return false;
    RaiseAccessError(errno);
  }
  CloseChecked(s.fd);
  if (!StillNamed(t)) return false;
  if (::renameat(t.folder, s.name.c_str(), t.folder, t.name.c_str()) != 0) {
    const int err = errno;
    if (FolderRefuses(err) || err == EBUSY || err == EXDEV) return false;
    RaiseAccessError(err);
  }
  s.name.clear();
  t.created = false;  // the name holds the new text now
  SyncFolder(t);
  return true;
}

// ---- Writing in place ----------------------------------------------------------------

// File systems on which writing over a block takes a new one, so that no
// reservation holds the room for an overwrite.
bool CopiesOnWrite(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<uint32_t>(fs.f_type)) {
    case 0x9123683E:  // btrfs
    case 0x2FC12FC1:  // zfs
    case 0xCA451A4E:  // bcachefs
    case 0x3434:      // nilfs2
      return true;
    default:
      return false;
  }
}

// The text written first to a scratch file on the target's file system,
// which takes the room that the overwrite needs, and then given to the
// target as a clone of the scratch's blocks: the old text is touched only
// once the new one is on the disk. False, with the target as it was, where
// no clone can be made; a full disk is raised.
bool CloneInto(const SaveTarget& t, const std::string& text) {
  const auto size = static_cast<off_t>(text.size());
  // Whole blocks, so that a shorter text may take the place of a longer one.
  const off_t padded = (size + kCloneBlock - 1) / kCloneBlock * kCloneBlock;
  struct stat folder {};
  if (t.folder < 0 || padded == 0 || !WithinSizeLimit(padded) || ::fstat(t.folder, &folder) != 0 ||
      folder.st_dev != t.dev)
    return false;
  Scratch s;
  if (!CreateUnnamed(t, s)) return false;
  WriteAll(s.fd, text.data(), text.size());
  const std::string zeros(static_cast<std::size_t>(padded - size), '\0');
  WriteAll(s.fd, zeros.data(), zeros.size());
  if (::fsync(s.fd) != 0) RaiseDeviceError(errno);
  if (::ioctl(t.fd, FICLONE, s.fd) != 0) return false;
  if (::ftruncate(t.fd, size) != 0) RaiseDeviceError(errno);
  if (::fsync(t.fd) != 0) RaiseDeviceError(errno);
  return true;
}

// Where no clone can be made on such a file system, the old text is written
// over only when the free room holds the new text whole.
void RequireRoom(int fd, off_t size) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) RaiseDeviceError(errno);
  const auto block = static_cast<unsigned long long>(fs.f_frsize > 0 ? fs.f_frsize : fs.f_bsize);
  if (static_cast<unsigned long long>(fs.f_bavail) * block < static_cast<unsigned long long>(size) + kRoomMargin)
    RaiseDeviceError(ENOSPC);
}

// The target itself, written whole: a device or a pipe as it comes, a
// regular file only once the room for the whole text is sure, so that a
// full disk or a file-size limit leaves every name of it as it was.
void WriteInPlace(SaveTarget& t, const std::string& text) {
  struct stat st {};
  if (::fstat(t.fd, &st) != 0) RaiseDeviceError(errno);
  if (!S_ISREG(st.st_mode)) {
    WriteAll(t.fd, text.data(), text.size());
    return;
  }
  // Removed by somebody during the save: the text would go nowhere.
  if (st.st_nlink == 0) RaiseAccessError(ENOENT);
  if (!WithinSizeLimit(static_cast<off_t>(text.size()))) RaiseDeviceError(EFBIG);
  if (CopiesOnWrite(t.fd)) {
    if (CloneInto(t, text)) return;
    RequireRoom(t.fd, static_cast<off_t>(text.size()));
  }
  WriteRegularFile(t.fd, text, st.st_size);
}

}  // namespace

SaveTarget OpenSaveTarget(const std::string& path) {
  if (path.empty()) RaiseError(kErrPathAccess);
  SaveTarget t;
  t.fd = OpenForSave(path, t.created);
  if (t.fd < 0) {
    if (errno == EISDIR) RaiseNotAFile(S_IFDIR);
    RaiseAccessError(errno);
  }
  try {
    // Opened without waiting (a pipe with no reader is refused at once),
    // then written as usual.
    const int flags = ::fcntl(t.fd, F_GETFL);
    if (flags < 0 || ::fcntl(t.fd, F_SETFL, flags & ~O_NONBLOCK) != 0) RaiseAccessError(errno);
    struct stat st {};
    if (::fstat(t.fd, &st) != 0) RaiseAccessError(errno);
    t.dev = st.st_dev;
    t.ino = st.st_ino;
    if (S_ISREG(st.st_mode)) FindFolder(t, path);
    // Devices and pipes, files with other names (hard links) and files that
    // no rename could replace are written in place: a replacement would
    // leave the device or the other names behind.
    t.inPlace = !S_ISREG(st.st_mode) || st.st_nlink > 1 || t.folder < 0 || MountedInPlace(t) ||
                FolderKeepsItsNames(t) || !ScratchNameFits(t);
  } catch (...) {
    AbortSave(t);
    throw;
  }
  return t;
}

void CommitSave(SaveTarget& t, const std::string& text) {
  if (!t.inPlace && Replace(t, text)) {
    CloseQuietly(t.fd);  // the old file, which no name holds any more
  } else {
    WriteInPlace(t, text);
    CloseChecked(t.fd);
    t.created = false;
  }
  CloseQuietly(t.folder);
}

void AbortSave(SaveTarget& t) {
  if (t.created && StillNamed(t)) ::unlinkat(t.folder, t.name.c_str(), 0);
  t.created = false;
  CloseQuietly(t.fd);
  CloseQuietly(t.folder);
}

}  // namespace qel
