#include "save_writes.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <vector>

namespace qel {

namespace {

// A clone takes whole blocks; this is a multiple of every block size.
constexpr off_t kCloneBlock = 64 * 1024;
// Room beyond the text itself that an overwrite on a file system that
// copies on write may need for its own records.
constexpr unsigned long long kRoomMargin = 1024 * 1024;
// Holes of a file remembered to be made again after a failed write.
constexpr std::size_t kMostHoles = 1024;

int Allocate(int fd, int mode, off_t length) {
  int r;
  do r = ::fallocate(fd, mode, 0, length);
  while (r != 0 && errno == EINTR);
  return r;
}

struct Range {
  off_t from, to;
};

// What a file held before a write took room for the text: its length, its
// blocks and the holes within the part the text covers.
struct Room {
  off_t size = 0;
  blkcnt_t blocks = 0;
  struct timespec modified {};
  std::vector<Range> holes;
};

Room RoomBefore(int fd, off_t oldSize, off_t size) {
  Room r;
  r.size = oldSize;
  struct stat st {};
  if (::fstat(fd, &st) != 0) return r;
  r.blocks = st.st_blocks;
  r.modified = st.st_mtim;
  const off_t covered = std::min(oldSize, size);
  // Only a file with fewer blocks than bytes can have holes.
  if (st.st_blocks * 512 >= covered) return r;
  for (off_t at = 0; at < covered && r.holes.size() < kMostHoles;) {
    const off_t hole = ::lseek(fd, at, SEEK_HOLE);
    if (hole < 0 || hole >= covered) break;
    off_t data = ::lseek(fd, hole, SEEK_DATA);
    if (data < 0 || data > covered) data = covered;  // no data after the hole
    if (data <= hole) break;
    r.holes.push_back({hole, data});
    at = data;
  }
  return r;
}

// Gives back the room that a failed write took: the holes it filled and the
// blocks past the old end. A file whose blocks did not change is left
// alone; one given back keeps its time of change where the owner may set it.
void GiveBack(int fd, const Room& r) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size == r.size && st.st_blocks == r.blocks) return;
  for (const Range& h : r.holes)
    (void)::fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, h.from, h.to - h.from);
  (void)::ftruncate(fd, r.size);
  const struct timespec times[2] = {{0, UTIME_OMIT}, r.modified};
  (void)::futimens(fd, times);
}

// Makes sure that a regular file can hold the text before a byte of its old
// text is touched. Blocks that the file shares with a clone are made its
// own first, since writing over them would take new room. A file system
// that reserves nothing has the part past the old end written now; `rest`
// is how much of the text, from its start, is still to be written.
int Reserve(int fd, const std::string& text, off_t oldSize, std::size_t& rest) {
  const auto size = static_cast<off_t>(text.size());
  rest = text.size();
  if (size == 0) return 0;
  const off_t shared = std::min(size, oldSize);
  if (shared > 0 && Allocate(fd, FALLOC_FL_UNSHARE_RANGE, shared) != 0 && !Unsupported(errno)) return errno;
  if (Allocate(fd, FALLOC_FL_KEEP_SIZE, size) == 0) return 0;
  if (!Unsupported(errno)) return errno;
  if (size <= oldSize) return 0;
  rest = static_cast<std::size_t>(oldSize);
  return WriteAll(fd, text.data() + oldSize, static_cast<std::size_t>(size - oldSize), oldSize);
}

// A clone that the file systems refuse before touching the target.
bool CloneRefused(int err) {
  return Unsupported(err) || err == ENOTTY || err == EXDEV || err == EPERM || err == EBADF || err == ETXTBSY;
}

}  // namespace

int WriteAll(int fd, const char* data, std::size_t size, off_t at) {
  while (size > 0) {
    const ssize_t n = at < 0 ? ::write(fd, data, size) : ::pwrite(fd, data, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    data += n;
    size -= static_cast<std::size_t>(n);
    if (at >= 0) at += n;
  }
  return 0;
}

bool Unsupported(int err) { return err == EOPNOTSUPP || err == ENOSYS || err == EINVAL; }

bool WithinSizeLimit(off_t size) {
  struct rlimit limit {};
  return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
         static_cast<rlim_t>(size) <= limit.rlim_cur;
}

int WriteRegularFile(int fd, const std::string& text, off_t oldSize) {
  const auto size = static_cast<off_t>(text.size());
  if (!WithinSizeLimit(size)) return EFBIG;
  const Room before = RoomBefore(fd, oldSize, size);
  std::size_t rest = 0;
  int err = Reserve(fd, text, oldSize, rest);
  if (err == 0) err = WriteAll(fd, text.data(), rest, 0);
  if (err != 0) {
    GiveBack(fd, before);
    return err;
  }
  if (::ftruncate(fd, size) != 0 || ::fsync(fd) != 0) return errno;
  return 0;
}

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

int CloneInto(int target, int folder, dev_t dev, const std::string& text) {
  const auto size = static_cast<off_t>(text.size());
  // Whole blocks, so that a shorter text may take the place of a longer one.
  const off_t padded = (size + kCloneBlock - 1) / kCloneBlock * kCloneBlock;
  struct stat st {};
  if (folder < 0 || padded == 0 || !WithinSizeLimit(padded) || ::fstat(folder, &st) != 0 || st.st_dev != dev)
    return kNoClone;
  const int scratch = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (scratch < 0) return kNoClone;
  const std::string zeros(static_cast<std::size_t>(padded - size), '\0');
  int err = WriteAll(scratch, text.data(), text.size());
  if (err == 0) err = WriteAll(scratch, zeros.data(), zeros.size());
  if (err == 0 && ::fsync(scratch) != 0) err = errno;
  if (err == 0 && ::ioctl(target, FICLONE, scratch) != 0) err = CloneRefused(errno) ? kNoClone : errno;
  ::close(scratch);
  if (err != 0) return err;
  if (::ftruncate(target, size) != 0 || ::fsync(target) != 0) return errno;
  return 0;
}

int RequireRoom(int fd, off_t size) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return errno;
  const auto block = static_cast<unsigned long long>(fs.f_frsize > 0 ? fs.f_frsize : fs.f_bsize);
  const auto room = static_cast<unsigned long long>(fs.f_bavail) * block;
  return room >= static_cast<unsigned long long>(size) + kRoomMargin ? 0 : ENOSPC;
}

}  // namespace qel
