#include "frmQELRun.h"

#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <algorithm>

#include "MakeFormControl.h"
#include "PaintNowDuringRun.h"
#include "SetUpFixedForm.h"
#include "platform/Forms.h"
#include "platform/Placement.h"
#include "platform/WholeCaptions.h"

frmQELRun::frmQELRun() : QWidget(platform::MainWindow(), Qt::Dialog) {
  SetUpFixedForm(this, "frmQELRun", QStringLiteral("QEL Program Run"), 4590, 2715);
  platform::CentreWhenFirstShown(this);

  lblProgrep = MakeFormControl<QLabel>(this, "lblProgrep", 240, 120, 4095, 255);
  prgRunProg = MakeFormControl<QProgressBar>(this, "prgRunProg", 240, 480, 4095, 375);
  prgRunProg->setRange(0, 100);
  prgRunProg->setValue(0);
  prgRunProg->setTextVisible(false);
  lblBestVal = MakeFormControl<QLabel>(this, "lblBestVal", QStringLiteral("Best values so far:"),
                                       240, 960, 1695, 255);
  lstProgRep = MakeFormControl<QListWidget>(this, "lstProgRep", 240, 1320, 4095, 645);
  // A line wider than the list is read whole with its scroll bar, during the run.
  lstProgRep->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ScrollableDuringRun(lstProgRep);
  cmdCancel = MakeFormControl<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"), 3240, 2160,
                                           1215, 375);
  cmdCancel->setEnabled(false);
  connect(cmdCancel, &QPushButton::clicked, this, &frmQELRun::cmdCancel_Click);

  setTabOrder(cmdCancel, lstProgRep);
}

void frmQELRun::SetCaption(const std::string& text, bool repaintNow) {
  lblProgrep->setText(QString::fromStdString(text));
  if (!repaintNow) return;
  platform::FitCaptionsNow(this);  // the run holds the thread: fit before painting
  PaintNowDuringRun(lblProgrep);
}

void frmQELRun::SetValue(int percent) {
  // Reported for every record and every iteration: paint only what changed.
  const int value = std::clamp(percent, 0, 100);
  if (value == prgRunProg->value()) return;
  prgRunProg->setValue(value);
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

// The button is never enabled; were it clicked, it would unload the window.
void frmQELRun::cmdCancel_Click() { Unload(); }

// The title bar's close box only hides the window: the next run shows it again.
void frmQELRun::closeEvent(QCloseEvent* event) {
  event->accept();
  hide();
}
