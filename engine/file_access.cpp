#include "file_access.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace qel {

namespace {

// A list or value that grows while it is read is read again, a few times.
constexpr int kReadTries = 5;

using Attributes = std::vector<std::pair<std::string, std::string>>;

// Reads with the size asked first: `read(buffer, size)` as flistxattr or
// fgetxattr. False when it fails.
template <class Read>
bool ReadSized(std::string& into, Read read) {
  for (int attempt = 0; attempt < kReadTries; ++attempt) {
    const ssize_t size = read(nullptr, 0);
    if (size < 0) return false;
    into.resize(static_cast<std::size_t>(size));
    const ssize_t n = size == 0 ? 0 : read(into.data(), into.size());
    if (n >= 0) {
      into.resize(static_cast<std::size_t>(n));
      return true;
    }
    if (errno != ERANGE) return false;
  }
  return false;
}

// Every extended attribute of a file, by name; none where the file system
// keeps none. False when they cannot be read.
bool ReadAttributes(int fd, Attributes& all) {
  all.clear();
  std::string list;
  if (!ReadSized(list, [fd](char* b, std::size_t n) { return ::flistxattr(fd, b, n); })) return errno == ENOTSUP;
  for (std::size_t at = 0; at < list.size();) {
    std::size_t end = list.find('\0', at);
    if (end == std::string::npos) end = list.size();
    std::string name = list.substr(at, end - at), value;
    at = end + 1;
    if (name.empty()) continue;
    if (!ReadSized(value, [&](char* b, std::size_t n) { return ::fgetxattr(fd, name.c_str(), b, n); })) return false;
    all.emplace_back(std::move(name), std::move(value));
  }
  std::sort(all.begin(), all.end());
  return true;
}

bool HasName(const Attributes& all, const std::string& name) {
  return std::any_of(all.begin(), all.end(), [&](const auto& a) { return a.first == name; });
}

}  // namespace

bool CarryAccess(int scratch, int old, const struct stat& st) {
  struct stat now {};
  if (::fstat(scratch, &now) != 0) return false;
  // Owner first: a change of owner clears what depends on it.
  if ((now.st_uid != st.st_uid || now.st_gid != st.st_gid) && ::fchown(scratch, st.st_uid, st.st_gid) != 0)
    return false;
  Attributes wanted, present;
  if (!ReadAttributes(old, wanted) || !ReadAttributes(scratch, present)) return false;
  for (const auto& [name, value] : present) {
    if (!HasName(wanted, name) && ::fremovexattr(scratch, name.c_str()) != 0) return false;
  }
  for (const auto& a : wanted) {
    if (std::find(present.begin(), present.end(), a) == present.end() &&
        ::fsetxattr(scratch, a.first.c_str(), a.second.data(), a.second.size(), 0) != 0)
      return false;
  }
  if (::fchmod(scratch, st.st_mode & 07777) != 0 || ::fstat(scratch, &now) != 0) return false;
  if (now.st_uid != st.st_uid || now.st_gid != st.st_gid || (now.st_mode & 07777) != (st.st_mode & 07777))
    return false;
  // Some file systems derive an access list from the mode: what the scratch
  // holds now is what counts.
  return ReadAttributes(scratch, present) && present == wanted;
}

}  // namespace qel
