// The errors that the file channels raise for a refusal of the system.
#pragma once

#include <sys/stat.h>

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

}  // namespace qel
