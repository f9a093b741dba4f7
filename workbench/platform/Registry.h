// A small key-value store in place of the system registry. It answers the
// look-ups of the about box: keys under a root, each holding named values
// with a type and raw bytes. Handles are opened, queried and closed in the
// way the about box expects; a result of 0 means success.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Root key.
constexpr int32_t kKeyLocalMachine = static_cast<int32_t>(0x80000002u);

// Value types.
constexpr int32_t kRegString = 1;
constexpr int32_t kRegDword = 4;

// Results.
constexpr int32_t kRegOk = 0;
constexpr int32_t kRegNotFound = 2;
constexpr int32_t kRegInvalidHandle = 6;
constexpr int32_t kRegMoreData = 234;

using RegKey = int32_t;  // 0 = no key

// Where the system information program is found: a full path, or a folder
// that holds "MSINFO32.EXE".
constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr const char* kSysInfoValue = "PATH";
constexpr const char* kSysInfoFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
constexpr const char* kSysInfoFolderValue = "MSINFO";

// Opens a key (key names are compared without regard to case). The access
// mask is accepted and not checked: the store is read-only to the program.
int32_t RegOpenKey(int32_t root, const std::string& keyName, int32_t access, RegKey& key);
// Copies the value's bytes into buffer. On entry size is the buffer's size in
// bytes; on return it is the value's size. A value larger than the buffer
// gives kRegMoreData and copies nothing.
int32_t RegQueryValue(RegKey key, const std::string& valueName, int32_t& type, char* buffer,
                      int32_t& size);
// Closing no key (0) or an unknown key reports kRegInvalidHandle.
int32_t RegCloseKey(RegKey key);

// ---- The store behind the calls -------------------------------------------------

// Stores a value as raw bytes (a text value with its closing 0 byte, as the
// system stores it). At the first RegOpenKey the store learns this machine's
// system information program, if one is installed.
void SetRegistryValue(int32_t root, const std::string& keyName, const std::string& valueName,
                      int32_t type, const std::string& bytes);

}  // namespace platform
