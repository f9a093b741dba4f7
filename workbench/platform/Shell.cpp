#include "platform/Shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>

#include "runtime.h"

namespace platform {

namespace {

// The path with every backslash made the platform's separator.
std::string NativePath(const std::string& path) {
#ifdef _WIN32
  return path;
#else
  std::string native = path;
  for (char& c : native) {
    if (c == '\\') c = '/';
  }
  return native;
#endif
}

}  // namespace

bool FileMatches(const std::string& path) {
  if (path.empty()) return false;
  const QFileInfo info(QString::fromStdString(NativePath(path)));
  return info.exists() && info.isFile();
}

void StartProgram(const std::string& path) {
  const std::string native = NativePath(path);
  const bool started =
      !native.empty() && QProcess::startDetached(QString::fromStdString(native), QStringList());
  if (!started) qel::RaiseError(qel::kErrFileNotFound);
}

}  // namespace platform
