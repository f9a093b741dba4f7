// Saves. A save goes only where a plain create-or-open for writing of the
// path may go, and writes only the file that this open found: every later
// step goes through its descriptor and one of its folder, and a name is
// changed only in one step with a check that it holds what it should. A
// regular file is replaced by a scratch file that was given its access,
// written and flushed beside it; where that cannot be done it is written in
// place, once the room for the whole text is sure.
#include "save_target.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <string>

#include "file_access.h"
#include "file_system.h"
#include "save_writes.h"

#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

namespace qel {

namespace {

constexpr int kOpenTries = 10;
constexpr int kScratchNameTries = 100;
// What a scratch name adds to the target's: ".qel" and six letters.
constexpr std::size_t kScratchTail = 10;
constexpr int kOpenFlags = O_WRONLY | O_CREAT;

// Closes a descriptor of the save; a close that fails fails the save. An
// interrupted close has closed all the same, its data already on the disk.
void CloseChecked(int& fd) {
  const int closing = fd;
  fd = -1;
  if (closing >= 0 && ::close(closing) != 0 && errno != EINTR) RaiseDeviceError(errno);
}

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

// A name beside the target's that begins with it, so that a file left
// under it by a save cut short says whose it is.
std::string NameBeside(const SaveTarget& t) { return t.name + ".qel" + RandomLetters(); }

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
// folders and permissions; a pipe with no reader is refused at once. A new
// file is known to be the save's own. -1 with errno set on a refusal.
int OpenForSave(const std::string& path, bool& created) {
  for (int attempt = 0; attempt < kOpenTries; ++attempt) {
    int fd = OpenWithoutWaiting(path, kOpenFlags | O_EXCL, 0666);
    if (fd >= 0 || errno != EEXIST) {
      created = fd >= 0;
      return fd;
    }
    // Something stands under the name: the file, or a link that the open
    // follows where the system allows it, creating the file that a link
    // names where there is none.
    struct stat st {};
    const bool nothingThere = ::stat(path.c_str(), &st) != 0 && errno == ENOENT;
    fd = OpenWithoutWaiting(path, kOpenFlags, 0666);
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

// True when `name` in the folder is the file of that device and number.
bool Holds(int folder, const std::string& name, dev_t dev, ino_t ino) {
  struct stat there {};
  return folder >= 0 && ::fstatat(folder, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && there.st_dev == dev &&
         there.st_ino == ino;
}

bool StillNamed(const SaveTarget& t) { return Holds(t.folder, t.name, t.dev, t.ino); }

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
  t.procUsable = !held.empty();
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
  constexpr auto kKept = STATX_ATTR_APPEND | STATX_ATTR_IMMUTABLE;
  struct statx sx {};
  return ::statx(t.folder, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 && (sx.stx_attributes & kKept) != 0;
}

bool ScratchNameFits(const SaveTarget& t) {
  long most = ::fpathconf(t.folder, _PC_NAME_MAX);
  if (most <= 0) most = NAME_MAX;
  return t.name.size() + kScratchTail <= static_cast<std::size_t>(most);
}

// After a change of its names the folder is flushed where the system can,
// so that a power cut leaves the old file or the new one. A folder that
// cannot be flushed (EINVAL, EROFS) is no failure.
void SyncFolder(const SaveTarget& t) {
  if (!t.folderFlushable || ::fsync(t.folder) == 0) return;
  if (errno != EINVAL && errno != EROFS) RaiseDeviceError(errno);
}

// Removes the file the save created, only while its name still holds it:
// moved aside to a name of the save's own first, and given its name back if
// it is another file by then.
void RemoveCreated(const SaveTarget& t) {
  const std::string aside = NameBeside(t);
  if (::renameat2(t.folder, t.name.c_str(), t.folder, aside.c_str(), RENAME_NOREPLACE) == 0) {
    if (Holds(t.folder, aside, t.dev, t.ino)) {
      ::unlinkat(t.folder, aside.c_str(), 0);
    } else {
      (void)::renameat2(t.folder, aside.c_str(), t.folder, t.name.c_str(), RENAME_NOREPLACE);
    }
  } else if (errno != EPERM && errno != EACCES && StillNamed(t)) {
    ::unlinkat(t.folder, t.name.c_str(), 0);  // a file system without that kind of rename
  }
}

// ---- Replacement -------------------------------------------------------------------

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

// A folder that takes no scratch file: written in place instead.
bool NoScratchHere(int err) {
  return err == EACCES || err == EPERM || err == EROFS || err == ENAMETOOLONG || err == ENOSPC || err == EDQUOT;
}

// Tries names beside the target's until `make` takes one that nobody
// holds; false with errno set otherwise.
template <class Make>
bool TakeScratchName(const SaveTarget& t, Scratch& s, Make make) {
  for (int attempt = 0; attempt < kScratchNameTries; ++attempt) {
    std::string name = NameBeside(t);
    if (make(name)) {
      s.name = std::move(name);
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

// The scratch file of a replacement: of no name while it is written, where
// the file system makes one and it can be named later, so that a save cut
// short leaves nothing; otherwise of a name beside the target's. False,
// with errno, when the folder takes none.
bool CreateScratch(const SaveTarget& t, Scratch& s) {
  s.folder = t.folder;
  if (t.procUsable) {
    s.fd = ::openat(t.folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (s.fd >= 0) return true;
    if (!Unsupported(errno) && errno != EISDIR) return false;  // EISDIR: a kernel that knows no O_TMPFILE
  }
  return TakeScratchName(t, s, [&](const std::string& name) {
    s.fd = ::openat(t.folder, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
    return s.fd >= 0;
  });
}

// Gives a scratch file of no name a name beside the target's, once its text
// is on the disk: the rename needs one.
bool NameScratch(const SaveTarget& t, Scratch& s) {
  return TakeScratchName(t, s, [&](const std::string& name) {
    return ::linkat(AT_FDCWD, FdPath(s.fd).c_str(), t.folder, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
  });
}

// Puts the scratch file in the target's place, only while the name holds
// the file the save began with: the two names are exchanged in one step,
// and exchanged back if the name held another file by then. The old file,
// under the scratch name after the exchange, is then removed. False when
// the target is to be written in place instead.
bool SwapIn(const SaveTarget& t, Scratch& s) {
  if (::renameat2(t.folder, s.name.c_str(), t.folder, t.name.c_str(), RENAME_EXCHANGE) == 0) {
    if (Holds(t.folder, s.name, t.dev, t.ino)) return true;
    (void)::renameat2(t.folder, s.name.c_str(), t.folder, t.name.c_str(), RENAME_EXCHANGE);
    return false;
  }
  int err = errno;
  if (Unsupported(err)) {  // no exchange on this file system
    if (!StillNamed(t)) return false;
    if (::renameat(t.folder, s.name.c_str(), t.folder, t.name.c_str()) == 0) {
      s.name.clear();
      return true;
    }
    err = errno;
  }
  if (NoScratchHere(err) || err == EBUSY || err == EXDEV) return false;
  RaiseAccessError(err);
}

// Writes the text to a scratch file that has taken the old file's access,
// flushes it and puts it in the target's place. False where the scratch
// cannot be made or named, could not keep the old file's access, finds no
// room, or the name no longer holds the file the save began with: nothing
// is left then, and the target is to be written in place.
bool Replace(SaveTarget& t, const std::string& text) {
  struct stat st {};
  if (::fstat(t.fd, &st) != 0) RaiseAccessError(errno);
  // A name given to the file since the save began would be left behind.
  if (st.st_nlink > 1) return false;
  Scratch s;
  if (!CreateScratch(t, s)) {
    if (NoScratchHere(errno)) return false;
    RaiseAccessError(errno);
  }
  // Access before text: nobody may read the text through the scratch whom
  // the old file would not let read it.
  if (!CarryAccess(s.fd, t.fd, st)) return false;
  if (const int err = WriteRegularFile(s.fd, text, 0)) {
    // Room for the text, though not for a copy beside the old one, may
    // still be had in place.
    if (err == ENOSPC || err == EDQUOT) return false;
    RaiseDeviceError(err);
  }
  if (s.name.empty() && !NameScratch(t, s)) return false;
  CloseChecked(s.fd);
  if (!SwapIn(t, s)) return false;
  t.created = false;  // the name holds the new text now
  if (!s.name.empty()) ::unlinkat(t.folder, s.name.c_str(), 0);
  s.name.clear();
  SyncFolder(t);
  return true;
}

// ---- Writing in place ----------------------------------------------------------------

// The target itself, written whole: a device or a pipe as it comes, a
// regular file only once the room for the whole text is sure, so that a
// full disk or a file-size limit leaves every name of it as it was.
void WriteInPlace(SaveTarget& t, const std::string& text) {
  struct stat st {};
  if (::fstat(t.fd, &st) != 0) RaiseDeviceError(errno);
  if (!S_ISREG(st.st_mode)) {
    if (const int err = WriteAll(t.fd, text.data(), text.size())) RaiseDeviceError(err);
    return;
  }
  // Removed by somebody during the save: the text would go nowhere.
  if (st.st_nlink == 0) RaiseAccessError(ENOENT);
  if (CopiesOnWrite(t.fd)) {
    const int cloned = CloneInto(t.fd, t.folder, t.dev, text);
    if (cloned == 0) return;
    if (cloned != kNoClone) RaiseDeviceError(cloned);
    if (const int err = RequireRoom(t.fd, static_cast<off_t>(text.size()))) RaiseDeviceError(err);
  }
  if (const int err = WriteRegularFile(t.fd, text, st.st_size)) RaiseDeviceError(err);
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
    if (t.created) SyncFolder(t);  // the new name, too, belongs on the disk
    t.created = false;
  }
  CloseQuietly(t.folder);
}

void AbortSave(SaveTarget& t) {
  if (t.created && t.folder >= 0) RemoveCreated(t);
  t.created = false;
  CloseQuietly(t.fd);
  CloseQuietly(t.folder);
}

}  // namespace qel
