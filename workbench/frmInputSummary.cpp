#include "frmInputSummary.h"

#include <QLabel>
#include <QPushButton>

#include "FormInstance.h"
#include "platform/FormKeys.h"
#include "platform/Twips.h"

frmInputSummary* frmInputSummary::Instance() { return FormInstance<frmInputSummary>::Get(); }
bool frmInputSummary::IsLoaded() { return FormInstance<frmInputSummary>::Loaded(); }
void frmInputSummary::Unload() { FormInstance<frmInputSummary>::Unload(); }

frmInputSummary::frmInputSummary() : QWidget(nullptr, Qt::Dialog) {
  setObjectName(QStringLiteral("frmInputSummary"));
  setWindowTitle(QStringLiteral("Input summary"));
  setFont(platform::FormFont());
  platform::SetClientSizeTwips(this, 4680, 3195);
  setFixedSize(size());

  lblTitle = MakeFormLabel(this, "lblTitle", QStringLiteral("Summary of input data:"), 240, 120, 1695, 255);
  lblNrecs = MakeFormLabel(this, "lblNrecs", QString(), 2040, 120, 2535, 255);
  lblCells = MakeFormLabel(this, "lblCells",
                           QStringLiteral("Layer  Total          Mean       Min        Max"), 840,
                           960, 3135, 255);
  lblA = MakeFormLabel(this, "lblA", QStringLiteral("A"), 840, 1320, 375, 255);
  lblAtot = MakeFormLabel(this, "lblAtot", QString(), 1320, 1320, 735, 255);
  lblAmean = MakeFormLabel(this, "lblAmean", QString(), 2160, 1320, 615, 255);
  lblAmin = MakeFormLabel(this, "lblAmin", QString(), 2880, 1320, 495, 255);
  lblAmax = MakeFormLabel(this, "lblAmax", QString(), 3480, 1320, 615, 255);
  lblB = MakeFormLabel(this, "lblB", QStringLiteral("B"), 840, 1680, 375, 255);
  lblBtot = MakeFormLabel(this, "lblBtot", QString(), 1320, 1680, 735, 255);
  lblBmean = MakeFormLabel(this, "lblBmean", QString(), 2160, 1680, 615, 255);
  lblBmin = MakeFormLabel(this, "lblBmin", QString(), 2880, 1680, 495, 255);
  lblBmax = MakeFormLabel(this, "lblBmax", QString(), 3480, 1680, 615, 255);

  cmdOk = new QPushButton(QStringLiteral("&Ok"), this);
  cmdOk->setObjectName(QStringLiteral("cmdOk"));
  platform::PlaceTwips(cmdOk, 3360, 2640, 1215, 375);
  platform::SetDefaultButton(this, cmdOk);
  connect(cmdOk, &QPushButton::clicked, this, &frmInputSummary::cmdOk_Click);
}

// Hidden, not unloaded: the captions stay for the next look.
void frmInputSummary::cmdOk_Click() { hide(); }
