// Text files by channel number. Input comes only from regular files, read
// ahead in blocks; output goes to a scratch file of its own beside the
// target and replaces it only when the channel is closed, so a save touches
// no file but the one named, and a failed one leaves that file as it was.
// A file that must be written in place has the room for the new text
// reserved before its old text is touched.
#include <fcntl.h>
#include <sys/random.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "runtime.h"

namespace qel {

namespace {

struct Channel {
  bool open = false;
  bool output = false;
  int fd = -1;
  // Input is read ahead in blocks; lines are cut from the block.
  std::vector<char> block;
  std::size_t pos = 0, len = 0;
  bool ended = false;  // the file has no more to give
  bool hasCR = false;  // the block holds a CR: lines may end in one
  // Output: the file that the path names once its links are followed, the
  // scratch file written in its stead (empty: the target is written in
  // place), and the text, held until the close writes it whole.
  std::string target, scratch;
  std::string pending;
};

constexpr std::size_t kInputBlock = 64 * 1024;
constexpr int kMaxLinkHops = 40;
constexpr int kScratchNameTries = 100;

// Nothing that runs before main or after it opens a channel.
std::array<Channel, kMaxChannel + 1> g_channels;

Channel& Get(int channel) {
  if (channel < 1 || channel > kMaxChannel) RaiseError(kErrBadFileChannel);
  return g_channels[static_cast<std::size_t>(channel)];
}

Channel& GetOpen(int channel) {
  Channel& c = Get(channel);
  if (!c.open) RaiseError(kErrBadFileChannel);
  return c;
}

void CloseFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

void Reset(Channel& c) {
  CloseFd(c.fd);
  c.open = c.output = false;
  c.pos = c.len = 0;
  c.ended = c.hasCR = false;
  c.target.clear();
  c.scratch.clear();
  c.pending.clear();
  c.pending.shrink_to_fit();
}

std::string SystemText(int err) { return std::generic_category().message(err); }

// Any refusal of the system is an access error with the system's reason.
[[noreturn]] void RaiseAccessError(int err) {
  RaiseError(kErrPathAccess, ErrorDescription(kErrPathAccess) + ": " + SystemText(err));
}

// A file to read that is not there is "not found"; a file that is there but
// may not be read is an access error.
[[noreturn]] void RaiseOpenError(int err) {
  if (err == ENOENT || err == ENOTDIR) RaiseError(kErrFileNotFound);
  RaiseAccessError(err);
}

// A read or write that the device refused.
[[noreturn]] void RaiseDeviceError(int err) {
  RaiseError(kErrDeviceIO, ErrorDescription(kErrDeviceIO) + ": " + SystemText(err));
}

[[noreturn]] void RaiseNotAFile(mode_t mode) {
  RaiseError(kErrPathAccess, ErrorDescription(kErrPathAccess) + (S_ISDIR(mode) ? ": a folder, not a file"
                                                                                : ": a pipe or device, not a file"));
}

// Opens without waiting (a pipe with no one at its other end would hold the
// open), then reads and writes as usual. -1 with errno set on failure.
int OpenWithoutWaiting(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return -1;
  const int old = ::fcntl(fd, F_GETFL);
  if (old < 0 || ::fcntl(fd, F_SETFL, old & ~O_NONBLOCK) != 0) {
    const int err = errno;
    ::close(fd);
    errno = err;
    return -1;
  }
  return fd;
}

// Reads the next block; true when it holds input.
bool ReadBlock(Channel& c) {
  if (c.ended) return false;
  if (c.block.empty()) c.block.resize(kInputBlock);
  c.len = 0;
  c.pos = 0;
  while (c.len < c.block.size()) {
    const ssize_t n = ::read(c.fd, c.block.data() + c.len, c.block.size() - c.len);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) RaiseDeviceError(errno);
    if (n == 0) break;
    c.len += static_cast<std::size_t>(n);
  }
  c.hasCR = std::memchr(c.block.data(), '\r', c.len) != nullptr;
  if (c.len < c.block.size()) c.ended = true;
  return c.len > 0;
}

// True when unread input is in the block, reading the next one if needed.
// Asked at every line: the common answer costs a comparison.
inline bool HasInput(Channel& c) { return c.pos < c.len || ReadBlock(c); }

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

// Makes sure that a regular file can hold the text before a byte of its old
// text is touched: the process's file-size limit (checked here, so that no
// write meets it and no signal ends the program) and the room on the disk.
// On a refusal the file is as it was. A file system that reserves nothing
// has the part past the old end written now, and cut off again if it fails.
// Returns how much of the text, from its start, is still to be written.
std::size_t Reserve(int fd, const std::string& text, off_t oldSize) {
  const auto size = static_cast<off_t>(text.size());
  if (size == 0) return 0;
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      static_cast<rlim_t>(size) > limit.rlim_cur)
    RaiseDeviceError(EFBIG);
  int r;
  do r = ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, size);
  while (r != 0 && errno == EINTR);
  if (r == 0) return text.size();
  const int err = errno;
  if (err != EOPNOTSUPP && err != ENOSYS && err != EINVAL) RaiseDeviceError(err);
  if (size <= oldSize) return text.size();
  try {
    WriteAll(fd, text.data() + oldSize, static_cast<std::size_t>(size - oldSize), oldSize);
  } catch (...) {
    (void)::ftruncate(fd, oldSize);
    throw;
  }
  return static_cast<std::size_t>(oldSize);
}

// A regular file, old text and all, written whole and put on the disk: the
// room reserved first, the new text over the old, cut to its length last.
void WriteRegularFile(int fd, const std::string& text, off_t oldSize) {
  WriteAll(fd, text.data(), Reserve(fd, text, oldSize), 0);
  if (::ftruncate(fd, static_cast<off_t>(text.size())) != 0) RaiseDeviceError(errno);
  if (::fsync(fd) != 0) RaiseDeviceError(errno);
}

// Closes the channel's file; a close that fails fails the save.
void CloseOutput(Channel& c) {
  const int fd = c.fd;
  c.fd = -1;
  if (::close(fd) != 0) RaiseDeviceError(errno);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a path names once every symbolic link in its last part is
// followed: a save updates that file and leaves the links as they are.
std::string FollowLinks(const std::string& path) {
  std::string p = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st;
    if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return p;
    std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(p.c_str(), link.data(), link.size());
    if (n < 0) RaiseAccessError(errno);
    link.resize(static_cast<std::size_t>(n));
    p = !link.empty() && link[0] == '/' ? link : FolderOf(p) + "/" + link;
  }
  RaiseAccessError(ELOOP);
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

// A scratch file of a name of its own in the folder, created here and now:
// never an existing file and never through a link. The name is short, so
// that a target's name of any length leaves room for it. The system gives
// it the mode of a new file (the umask, or the folder's default access
// list) from `mode`. -1 with errno set when the folder takes none.
int CreateScratch(const std::string& folder, mode_t mode, std::string& name) {
  for (int attempt = 0; attempt < kScratchNameTries; ++attempt) {
    name = folder + "/.qel" + RandomLetters();
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, mode);
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  const int err = errno;
  name.clear();
  errno = err;
  return -1;
}

// The scratch file takes the old file's owner, group and permission bits;
// false when the process may not give them, and the old file must then be
// written in place to keep them.
bool TakeOldAttributes(int fd, const struct stat& old) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) && ::fchown(fd, old.st_uid, old.st_gid) != 0)
    return false;
  return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// After a rename the folder holds the new name; flushed where the system
// can, so that a power cut leaves the old file or the new one.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)::fsync(fd);
  ::close(fd);
}

// The target itself, written whole: a device, a pipe, a file with other
// names, one whose folder takes no new file, or one whose owner a
// replacement could not keep. A full disk or a file-size limit leaves every
// name of a regular file as it was.
void CommitInPlace(Channel& c) {
  struct stat st {};
  if (::fstat(c.fd, &st) == 0 && S_ISREG(st.st_mode)) {
    WriteRegularFile(c.fd, c.pending, st.st_size);
  } else {
    WriteAll(c.fd, c.pending.data(), c.pending.size());
  }
  CloseOutput(c);
}

// Writes the scratch file, puts its data on the disk and then puts it in
// the target's place. Where the system will not replace the target by
// rename (another user's file in a sticky folder, a file mounted in place),
// a file that may be written is written in place instead, as a plain write
// would write it. The text stays held until the channel is reset.
void CommitScratch(Channel& c) {
  WriteRegularFile(c.fd, c.pending, 0);
  CloseOutput(c);
  if (::rename(c.scratch.c_str(), c.target.c_str()) == 0) {
    c.scratch.clear();
    SyncFolder(FolderOf(c.target));
    return;
  }
  const int err = errno;
  if (err != EPERM && err != EACCES && err != EBUSY && err != EXDEV) RaiseAccessError(err);
  ::unlink(c.scratch.c_str());
  c.scratch.clear();
  c.fd = OpenWithoutWaiting(c.target, O_WRONLY | O_NOFOLLOW);
  if (c.fd < 0) RaiseAccessError(errno);
  CommitInPlace(c);
}

}  // namespace

void FileOpenInput(int channel, const std::string& path) {
  Channel& c = Get(channel);
  if (c.open) RaiseError(kErrFileAlreadyOpen);
  if (path.empty()) RaiseError(kErrPathAccess);
  // A pipe is refused at once rather than waited on for a writer.
  const int fd = OpenWithoutWaiting(path, O_RDONLY);
  if (fd < 0) RaiseOpenError(errno);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int err = errno;
    ::close(fd);
    RaiseOpenError(err);
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    RaiseNotAFile(st.st_mode);
  }
  c.fd = fd;
  c.pos = c.len = 0;
  c.ended = false;
  // Editors on Windows often start a text file with a UTF-8 byte order mark;
  // it is no part of the first line.
  try {
    if (HasInput(c) && c.len >= 3 && std::memcmp(c.block.data(), "\xEF\xBB\xBF", 3) == 0) c.pos = 3;
  } catch (...) {
    Reset(c);
    throw;
  }
  c.open = true;
  c.output = false;
}

void FileOpenOutput(int channel, const std::string& path) {
  Channel& c = Get(channel);
  if (c.open) RaiseError(kErrFileAlreadyOpen);
  if (path.empty()) RaiseError(kErrPathAccess);
  const std::string target = FollowLinks(path);
  struct stat st;
  const bool exists = ::lstat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) RaiseNotAFile(st.st_mode);
  int fd = -1;
  if (exists) {
    // The open that the file itself allows: a write-protected file is
    // refused here, as a plain open refuses it; so is a pipe with no reader.
    fd = OpenWithoutWaiting(target, O_WRONLY | O_NOFOLLOW);
    if (fd < 0) RaiseAccessError(errno);
    // What the replacement takes over is what was opened.
    if (::fstat(fd, &st) != 0) {
      const int err = errno;
      CloseFd(fd);
      RaiseAccessError(err);
    }
  }
  std::string scratch;
  // Devices, pipes and files with other names are written in place: a
  // replacement would leave the device, or the other names, behind.
  if (!exists || (S_ISREG(st.st_mode) && st.st_nlink <= 1)) {
    // A new file gets what a plain create gives it; a replacement is kept
    // private until it has the old file's owner and mode.
    const int sfd = CreateScratch(FolderOf(target), exists ? 0600 : 0666, scratch);
    if (sfd < 0) {
      const int err = errno;
      // Only a folder that takes no new file has the target written in
      // place; a full disk, say, must not empty the old file.
      if (err != EACCES && err != EPERM && err != EROFS) {
        CloseFd(fd);
        RaiseAccessError(err);
      }
      if (fd < 0) fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0666);
      if (fd < 0) RaiseAccessError(errno);
    } else if (exists && !TakeOldAttributes(sfd, st)) {
      ::close(sfd);
      ::unlink(scratch.c_str());
      scratch.clear();
    } else {
      CloseFd(fd);
      fd = sfd;
    }
  }
  c.fd = fd;
  c.target = target;
  c.scratch = scratch;
  c.pending.clear();
  c.open = true;
  c.output = true;
}

std::string_view LineView(int channel, std::string& spill) {
  Channel& c = GetOpen(channel);
  if (c.output) RaiseError(kErrBadFileChannel);
  if (!HasInput(c)) RaiseError(kErrInputPastEnd);
  // Most lines end within the block: they are seen where they stand.
  const char* from = c.block.data() + c.pos;
  const char* end = c.block.data() + c.len;
  const char* stop = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
  if (stop && c.hasCR) {
    const char* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>(stop - from)));
    if (cr) stop = cr;
  }
  if (stop && (*stop == '\n' || stop + 1 < end)) {
    c.pos = static_cast<std::size_t>(stop - c.block.data()) + 1;
    if (*stop == '\r' && c.block[c.pos] == '\n') ++c.pos;
    return {from, static_cast<std::size_t>(stop - from)};
  }
  LineInput(channel, spill);
  return spill;
}

void LineInput(int channel, std::string& line) {
  Channel& c = GetOpen(channel);
  if (c.output) RaiseError(kErrBadFileChannel);
  if (!HasInput(c)) RaiseError(kErrInputPastEnd);
  line.clear();
  for (;;) {
    const char* from = c.block.data() + c.pos;
    const char* end = c.block.data() + c.len;
    const char* lf = static_cast<const char*>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
    const char* stop = lf ? lf : end;
    if (c.hasCR) {
      const char* cr = static_cast<const char*>(std::memchr(from, '\r', static_cast<std::size_t>(stop - from)));
      if (cr) stop = cr;
    }
    line.append(from, stop);
    c.pos = static_cast<std::size_t>(stop - c.block.data());
    // No line of any input may be longer: a file of one endless line stops
    // here instead of filling the memory.
    if (line.size() > kMaxLineLength) RaiseError(kErrOverflow, kLineTooLong);
    if (stop != end) {
      ++c.pos;
      // CR LF is one line end, also when the block ends between them.
      if (*stop == '\r' && HasInput(c) && c.block[c.pos] == '\n') ++c.pos;
      return;
    }
    if (!HasInput(c)) return;
  }
}

std::string LineInput(int channel) {
  std::string line;
  LineInput(channel, line);
  return line;
}

bool FileEof(int channel) {
  Channel& c = GetOpen(channel);
  if (c.output) return true;
  return !HasInput(c);
}

void PrintLine(int channel, const std::string& text) {
  Channel& c = GetOpen(channel);
  if (!c.output) RaiseError(kErrBadFileChannel);
  // Held until the close, which writes the file whole.
  c.pending.append(text).append("\r\n");
}

void WriteRecord(int channel, std::initializer_list<long long> values) {
  std::string line;
  bool first = true;
  for (long long v : values) {
    if (!first) line += ',';
    line += std::to_string(v);
    first = false;
  }
  PrintLine(channel, line);
}

void FileClose(int channel) {
  Channel& c = Get(channel);
  if (!c.open) return;
  try {
    if (c.output && !c.scratch.empty()) {
      CommitScratch(c);
    } else if (c.output) {
      CommitInPlace(c);
    }
  } catch (...) {
    FileAbort(channel);
    throw;
  }
  Reset(c);
}

void FileAbort(int channel) {
  Channel& c = Get(channel);
  if (!c.open) return;
  CloseFd(c.fd);
  // Nothing reached the target: what was written went to the scratch file
  // or is still pending.
  if (c.output && !c.scratch.empty()) ::unlink(c.scratch.c_str());
  Reset(c);
}

void FileCloseAll() {
  // Close every channel even when one of them fails; report the first failure.
  bool failed = false;
  RuntimeError first(0, "");
  for (int ch = 1; ch <= kMaxChannel; ++ch) {
    try {
      FileClose(ch);
    } catch (const RuntimeError& e) {
      if (!failed) first = e;
      failed = true;
    }
  }
  if (failed) throw first;
}

void FileAbortAll() {
  for (int ch = 1; ch <= kMaxChannel; ++ch) FileAbort(ch);
}

bool FileIsOpen(int channel) { return Get(channel).open; }

}  // namespace qel
