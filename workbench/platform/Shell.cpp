#include "platform/Shell.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>

#include "runtime.h"

namespace platform {

namespace {

bool StartDetached(const std::string& path) {
  return QProcess::startDetached(QString::fromStdString(path), QStringList());
}

ProgramStarter& Starter() {
  static ProgramStarter starter;
  return starter;
}

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
  const bool started = !native.empty() && (Starter() ? Starter()(native) : StartDetached(native));
  if (!started) qel::RaiseError(qel::kErrFileNotFound);
}

void SetProgramStarter(ProgramStarter starter) { Starter() = std::move(starter); }

}  // namespace platform
