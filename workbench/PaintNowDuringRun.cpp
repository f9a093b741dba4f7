#include "PaintNowDuringRun.h"

#include <QCoreApplication>
#include <QWidget>

void PaintNowDuringRun(QWidget* w) {
  if (!w->isVisible()) return;
  w->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
