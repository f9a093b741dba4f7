#include "frmQELRun.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "FormInstance.h"
#include "platform/Twips.h"

frmQELRun* frmQELRun::Instance() { return FormInstance<frmQELRun>::Get(); }

bool frmQELRun::IsLoaded() { return FormInstance<frmQELRun>::Loaded(); }

void frmQELRun::Unload() { FormInstance<frmQELRun>::Unload(); }

frmQELRun::frmQELRun() : QWidget(nullptr, Qt::Dialog) {
  setObjectName(QStringLiteral("frmQELRun"));
  setWindowTitle(QStringLiteral("QEL Program Run"));
  setFont(platform::FormFont());
  platform::SetClientSizeTwips(this, 4590, 2715);
  setFixedSize(size());

  lblProgrep = new QLabel(this);
  lblProgrep->setObjectName(QStringLiteral("lblProgrep"));
  platform::PlaceTwips(lblProgrep, 240, 120, 4095, 255);

  prgRunProg = new QProgressBar(this);
  prgRunProg->setObjectName(QStringLiteral("prgRunProg"));
  prgRunProg->setRange(0, 100);
  prgRunProg->setValue(0);
  prgRunProg->setTextVisible(false);
  platform::PlaceTwips(prgRunProg, 240, 480, 4095, 375);

  lblBestVal = new QLabel(QStringLiteral("Best values so far:"), this);
  lblBestVal->setObjectName(QStringLiteral("lblBestVal"));
  platform::PlaceTwips(lblBestVal, 240, 960, 1695, 255);

  lstProgRep = new QListWidget(this);
  lstProgRep->setObjectName(QStringLiteral("lstProgRep"));
  platform::PlaceTwips(lstProgRep, 240, 1320, 4095, 645);

  cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel->setEnabled(false);
  platform::PlaceTwips(cmdCancel, 3240, 2160, 1215, 375);
  connect(cmdCancel, &QPushButton::clicked, this, &frmQELRun::cmdCancel_Click);

  setTabOrder(cmdCancel, lstProgRep);
}

void frmQELRun::SetCaption(const std::string& text, bool repaintNow) {
  lblProgrep->setText(QString::fromStdString(text));
  if (repaintNow) PaintNowDuringRun(lblProgrep);
}

void frmQELRun::SetValue(int percent) {
  prgRunProg->setValue(std::clamp(percent, 0, 100));
  PaintNowDuringRun(prgRunProg);
}

void frmQELRun::AddLine(const std::string& line) {
  lstProgRep->addItem(QString::fromStdString(line));
  PaintNowDuringRun(lstProgRep);
}

int frmQELRun::LineCount() const { return lstProgRep->count(); }

void frmQELRun::SelectLine(int index) {
  if (index < 0 || index >= lstProgRep->count()) return;
  lstProgRep->setCurrentRow(index);
  lstProgRep->scrollToItem(lstProgRep->item(index));
  PaintNowDuringRun(lstProgRep);
}

void frmQELRun::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (placed_) return;
  placed_ = true;
  QWidget* owner = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QLatin1String("frmMain") && w->isVisible()) owner = w;
  }
  const QRect area =
      owner ? owner->frameGeometry() : (screen() ? screen()->availableGeometry() : QRect());
  if (area.isValid()) move(area.center() - rect().center());
}

// The button is never enabled; were it clicked, it would unload the window.
void frmQELRun::cmdCancel_Click() { Unload(); }

// The title bar's close box only hides the window: the next run shows it again.
void frmQELRun::closeEvent(QCloseEvent* event) {
  event->accept();
  hide();
}
