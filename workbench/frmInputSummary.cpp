#include "frmInputSummary.h"

#include <QLabel>
#include <QPushButton>

#include "ColumnHeads.h"
#include "MakeFormControl.h"
#include "SetUpFixedForm.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/Placement.h"
#include "platform/Twips.h"

frmInputSummary::frmInputSummary() : QWidget(platform::MainWindow(), Qt::Dialog) {
  SetUpFixedForm(this, "frmInputSummary", QStringLiteral("Input summary"), 4680, 3195);
  platform::CentreWhenFirstShown(this);

  lblTitle = MakeFormControl<QLabel>(this, "lblTitle", QStringLiteral("Summary of input data:"),
                                     240, 120, 1695, 255);
  lblNrecs = MakeFormControl<QLabel>(this, "lblNrecs", QString(), 2040, 120, 2535, 255);
  auto* heads = MakeFormControl<ColumnHeads>(
      this, "lblCells", QStringLiteral("Layer  Total          Mean       Min        Max"), 840, 960,
      3135, 255);
  lblCells = heads;
  lblA = MakeFormControl<QLabel>(this, "lblA", QStringLiteral("A"), 840, 1320, 375, 255);
  lblAtot = MakeFormControl<QLabel>(this, "lblAtot", QString(), 1320, 1320, 735, 255);
  lblAmean = MakeFormControl<QLabel>(this, "lblAmean", QString(), 2160, 1320, 615, 255);
  lblAmin = MakeFormControl<QLabel>(this, "lblAmin", QString(), 2880, 1320, 495, 255);
  lblAmax = MakeFormControl<QLabel>(this, "lblAmax", QString(), 3480, 1320, 615, 255);
  lblB = MakeFormControl<QLabel>(this, "lblB", QStringLiteral("B"), 840, 1680, 375, 255);
  lblBtot = MakeFormControl<QLabel>(this, "lblBtot", QString(), 1320, 1680, 735, 255);
  lblBmean = MakeFormControl<QLabel>(this, "lblBmean", QString(), 2160, 1680, 615, 255);
  lblBmin = MakeFormControl<QLabel>(this, "lblBmin", QString(), 2880, 1680, 495, 255);
  lblBmax = MakeFormControl<QLabel>(this, "lblBmax", QString(), 3480, 1680, 615, 255);
  // The numbers take the room they need; the heads follow their columns.
  heads->SetColumns({lblA, lblAtot, lblAmean, lblAmin, lblAmax});

  cmdOk = MakeFormControl<QPushButton>(this, "cmdOk", QStringLiteral("&Ok"), 3360, 2640, 1215, 375);
  platform::SetDefaultButton(this, cmdOk);
  connect(cmdOk, &QPushButton::clicked, this, &frmInputSummary::cmdOk_Click);
}

// Hidden, not unloaded: the captions stay for the next look.
void frmInputSummary::cmdOk_Click() { hide(); }
