#include "Fonts.h"

#include <QFontDatabase>
#include <QStringList>

QFont FormFont() {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPointSizeF(7);
  return f;
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
