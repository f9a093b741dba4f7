#include "ProgramInfo.h"

#include <QtGlobal>

// The resources live in a static library: referencing their initialiser keeps
// the linker from dropping them. (Outside any namespace, as the macro needs.)
static void EnsureResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(resources);
    return true;
  }();
  (void)done;
}

QString VersionText() {
  return QStringLiteral("Version %1.%2.%3")
      .arg(kVersionMajor)
      .arg(kVersionMinor)
      .arg(kVersionRevision);
}

QString AuthorName() { return QStringLiteral("Rowan Ashdown"); }

QPixmap ProgramLogo() {
  EnsureResources();
  return QPixmap(QStringLiteral(":/logo.bmp"));
}

QPixmap ProgramIcon() {
  EnsureResources();
  return QPixmap(QStringLiteral(":/icon.bmp"));
}
