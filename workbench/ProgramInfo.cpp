#include "ProgramInfo.h"

QString VersionText() {
  return QStringLiteral("Version %1.%2.%3")
      .arg(kVersionMajor)
      .arg(kVersionMinor)
      .arg(kVersionRevision);
}

QString AuthorName() { return QStringLiteral("Rowan Ashdown"); }

QPixmap ProgramLogo() {
  return QPixmap(QStringLiteral(":/logo.bmp"));
}

QPixmap ProgramIcon() {
  return QPixmap(QStringLiteral(":/icon.bmp"));
}
