#include "FormInstance.h"

#include <QCoreApplication>

#include "platform/Twips.h"

void PaintNowDuringRun(QWidget* w) {
  if (!w->isVisible()) return;
  w->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QLabel* MakeFormLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                      int width, int height) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(QString::fromLatin1(name));
  platform::PlaceTwips(l, left, top, width, height);
  return l;
}
