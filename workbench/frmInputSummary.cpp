#include "frmInputSummary.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include "platform/Forms.h"
#include "platform/Twips.h"

namespace {

QPointer<frmInputSummary>& TheInstance() {
  static QPointer<frmInputSummary> instance;
  return instance;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                  int width, int height) {
  auto* l = new QLabel(caption, parent);
  l->setObjectName(QString::fromLatin1(name));
  platform::PlaceTwips(l, left, top, width, height);
  return l;
}

}  // namespace

frmInputSummary* frmInputSummary::Instance() {
  if (!TheInstance()) {
    TheInstance() = new frmInputSummary();
    platform::NoteLoaded(TheInstance(), &frmInputSummary::Unload);
  }
  return TheInstance();
}

bool frmInputSummary::IsLoaded() { return !TheInstance().isNull(); }

void frmInputSummary::Unload() {
  frmInputSummary* w = TheInstance();
  if (!w) return;
  TheInstance() = nullptr;
  platform::NoteUnloaded(w);
  w->hide();
  w->deleteLater();
}

frmInputSummary::frmInputSummary() : QWidget(nullptr, Qt::Dialog) {
  setObjectName(QStringLiteral("frmInputSummary"));
  setWindowTitle(QStringLiteral("Input summary"));
  setFont(platform::FormFont());
  platform::SetClientSizeTwips(this, 4680, 3195);
  setFixedSize(size());

  lblTitle = MakeLabel(this, "lblTitle", QStringLiteral("Summary of input data:"), 240, 120, 1695, 255);
  lblNrecs = MakeLabel(this, "lblNrecs", QString(), 2040, 120, 2535, 255);
  lblCells = MakeLabel(this, "lblCells",
                       QStringLiteral("Layer  Total          Mean       Min        Max"), 840, 960,
                       3135, 255);
  lblA = MakeLabel(this, "lblA", QStringLiteral("A"), 840, 1320, 375, 255);
  lblAtot = MakeLabel(this, "lblAtot", QString(), 1320, 1320, 735, 255);
  lblAmean = MakeLabel(this, "lblAmean", QString(), 2160, 1320, 615, 255);
  lblAmin = MakeLabel(this, "lblAmin", QString(), 2880, 1320, 495, 255);
  lblAmax = MakeLabel(this, "lblAmax", QString(), 3480, 1320, 615, 255);
  lblB = MakeLabel(this, "lblB", QStringLiteral("B"), 840, 1680, 375, 255);
  lblBtot = MakeLabel(this, "lblBtot", QString(), 1320, 1680, 735, 255);
  lblBmean = MakeLabel(this, "lblBmean", QString(), 2160, 1680, 615, 255);
  lblBmin = MakeLabel(this, "lblBmin", QString(), 2880, 1680, 495, 255);
  lblBmax = MakeLabel(this, "lblBmax", QString(), 3480, 1680, 615, 255);

  cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
  cmdOk->setObjectName(QStringLiteral("cmdOk"));
  platform::PlaceTwips(cmdOk, 3360, 2640, 1215, 375);
  cmdOk->setDefault(true);
  connect(cmdOk, &QPushButton::clicked, this, &frmInputSummary::cmdOk_Click);
}

// Hidden, not unloaded: the captions stay for the next look.
void frmInputSummary::cmdOk_Click() { hide(); }

void frmInputSummary::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    cmdOk->click();
    return;
  }
  QWidget::keyPressEvent(event);
}
