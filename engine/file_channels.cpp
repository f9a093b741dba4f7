// Text files by channel number. Input comes only from regular files, read
// ahead in blocks; output is held until the channel is closed and then
// written whole by the save, or not at all.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "file_system.h"
#include "runtime.h"
#include "save_target.h"

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
  // Output: the file that the save opened, and the text, held until the
  // close writes it whole.
  SaveTarget save;
  std::string pending;
};

constexpr std::size_t kInputBlock = 64 * 1024;

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

void Reset(Channel& c) {
  CloseQuietly(c.fd);
  c.open = c.output = false;
  c.pos = c.len = 0;
  c.ended = c.hasCR = false;
  c.save = SaveTarget{};  // closed by the commit or the abort
  c.pending.clear();
  c.pending.shrink_to_fit();
}

// A file to read that is not there is "not found"; a file that is there but
// may not be read is an access error.
[[noreturn]] void RaiseOpenError(int err) {
  if (err == ENOENT || err == ENOTDIR) RaiseError(kErrFileNotFound);
  RaiseAccessError(err);
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
  c.save = OpenSaveTarget(path);
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
    if (c.output) CommitSave(c.save, c.pending);
  } catch (...) {
    FileAbort(channel);
    throw;
  }
  Reset(c);
}

void FileAbort(int channel) {
  Channel& c = Get(channel);
  if (!c.open) return;
  CloseQuietly(c.fd);
  // Nothing reached the target: the text is still pending.
  if (c.output) AbortSave(c.save);
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
