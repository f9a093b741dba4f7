// What the file channels and the saves share: the errors they raise for a
// refusal of the system, and how they open and drop a descriptor.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <string>
#include <system_error>

#include "runtime.h"

namespace qel {

inline std::string SystemText(int err) { return std::generic_category().message(err); }

// Any refusal of the system is an access error with the system's reason.
[[noreturn]] inline void RaiseAccessError(int err) {
  RaiseError(kErrPathAccess, ErrorDescription(kErrPathAccess) + ": " + SystemText(err));
}

// A read or write that the device refused.
[[noreturn]] inline void RaiseDeviceError(int err) {
  RaiseError(kErrDeviceIO, ErrorDescription(kErrDeviceIO) + ": " + SystemText(err));
}

[[noreturn]] inline void RaiseNotAFile(mode_t mode) {
  RaiseError(kErrPathAccess, ErrorDescription(kErrPathAccess) + (S_ISDIR(mode) ? ": a folder, not a file"
                                                                                : ": a pipe or device, not a file"));
}

// Opens without waiting (a pipe with no one at its other end would hold the
// open), then reads and writes as usual. -1 with errno set on failure.
inline int OpenWithoutWaiting(const std::string& path, int flags, mode_t mode = 0) {
  const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, mode);
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

// Closes the descriptor, if any, on a path where its failure tells nothing.
inline void CloseQuietly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace qel
