#include "FormInstance.h"

#include <QCoreApplication>

void PaintNowDuringRun(QWidget* w) {
  if (!w->isVisible()) return;
  w->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void SetUpFixedForm(QWidget* form, const char* name, const QString& title, int width, int height) {
  form->setObjectName(QString::fromLatin1(name));
  form->setWindowTitle(title);
  form->setFont(platform::FormFont());
  platform::SetClientSizeTwips(form, width, height);
  form->setFixedSize(form->size());
}
