// Starting another program, and the directory look-up that tells whether a
// file exists. Paths may use backslashes as separators; they are read as the
// platform's own.
#pragma once

#include <string>

namespace platform {

// True when a file (not a folder) exists at the path.
bool FileMatches(const std::string& path);

// Starts the program at the path with normal focus, without waiting for it.
// A path at which nothing can be started is run-time error 53.
void StartProgram(const std::string& path);

}  // namespace platform
