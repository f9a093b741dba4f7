#include "ProgramInfo.h"

#include <QFontDatabase>
#include <QStringList>
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

QFont DisplayFont(double points, bool bold) {
  static const QString family = [] {
    const QStringList installed = QFontDatabase::families();
    for (const char* name : {"Comic Sans MS", "Comic Neue", "URW Gothic", "DejaVu Sans"}) {
      const QString candidate = QString::fromLatin1(name);
      if (installed.contains(candidate, Qt::CaseInsensitive)) return candidate;
    }
    return QString();
  }();
  QFont f;
  if (!family.isEmpty()) f.setFamily(family);
  f.setPointSizeF(points);
  f.setBold(bold);
  return f;
}
