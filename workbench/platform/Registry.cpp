#include "platform/Registry.h"

#include <QStandardPaths>
#include <QString>
#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <utility>

namespace platform {

namespace {

struct StoredValue {
  int32_t type = 0;
  std::string bytes;
};

using ValueMap = std::map<std::string, StoredValue>;  // by lower-case value name
using KeyId = std::pair<int32_t, std::string>;        // root, lower-case key name

struct Store {
  std::map<KeyId, ValueMap> keys;
  std::map<RegKey, KeyId> open;
  RegKey nextHandle = 1;
  bool loaded = false;
};

Store& TheStore() {
  static Store store;
  return store;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// Programs that show what the machine is made of, in order of preference.
constexpr const char* kSysInfoPrograms[] = {"hardinfo2", "hardinfo", "kinfocenter",
                                            "gnome-system-monitor", "xfce4-taskmanager"};

// Fills the store from this machine once: the system information program, if
// one is installed, as a text value with its closing 0 byte.
void LoadMachineRegistry() {
  Store& s = TheStore();
  if (s.loaded) return;
  s.loaded = true;
  for (const char* program : kSysInfoPrograms) {
    const QString path = QStandardPaths::findExecutable(QString::fromLatin1(program));
    if (!path.isEmpty()) {
      SetRegistryValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, kRegString,
                       path.toStdString() + '\0');
      return;
    }
  }
}

}  // namespace

int32_t RegOpenKey(int32_t root, const std::string& keyName, int32_t /*access*/, RegKey& key) {
  Store& s = TheStore();
  LoadMachineRegistry();
  KeyId id{root, Lower(keyName)};
  if (s.keys.find(id) == s.keys.end()) return kRegNotFound;
  key = s.nextHandle++;
  s.open[key] = id;
  return kRegOk;
}

int32_t RegQueryValue(RegKey key, const std::string& valueName, int32_t& type, char* buffer,
                      int32_t& size) {
  Store& s = TheStore();
  auto handle = s.open.find(key);
  if (handle == s.open.end()) return kRegInvalidHandle;
  const ValueMap& values = s.keys[handle->second];
  auto value = values.find(Lower(valueName));
  if (value == values.end()) return kRegNotFound;
  const int32_t needed = static_cast<int32_t>(value->second.bytes.size());
  type = value->second.type;
  if (buffer == nullptr || needed > size) {
    size = needed;
    return kRegMoreData;
  }
  std::memcpy(buffer, value->second.bytes.data(), static_cast<size_t>(needed));
  size = needed;
  return kRegOk;
}

int32_t RegCloseKey(RegKey key) {
  return TheStore().open.erase(key) == 1 ? kRegOk : kRegInvalidHandle;
}

void SetRegistryValue(int32_t root, const std::string& keyName, const std::string& valueName,
                      int32_t type, const std::string& bytes) {
  TheStore().keys[KeyId{root, Lower(keyName)}][Lower(valueName)] = StoredValue{type, bytes};
}

}  // namespace platform
