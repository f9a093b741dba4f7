#include "frmOptions.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "MakeFormControl.h"
#include "SetUpFixedForm.h"
#include "engine.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/Placement.h"
#include "platform/Twips.h"

namespace {

constexpr const char* kTitle = "Program Options";

QLineEdit* MakeText(QWidget* parent, const char* name, const char* text, int top) {
  return MakeFormControl<QLineEdit>(parent, name, QString::fromLatin1(text), 3240, top, 1215, 285);
}

// Tells the user which box holds what cannot be stored and puts the caret
// there.
void Reject(QLineEdit* box, const std::string& message) {
  qel::MsgBox(message, qel::kMbExclamation, kTitle);
  box->setFocus();
  box->selectAll();
}

}  // namespace

frmOptions::frmOptions() : QWidget(platform::MainWindow(), Qt::Dialog) {
  SetUpFixedForm(this, "frmOptions", QString::fromLatin1(kTitle), 4680, 3810);
  platform::CentreWhenFirstShown(this);

  cmdOk = MakeFormControl<QPushButton>(this, "cmdOk", QStringLiteral("&Ok"), 3360, 3360, 1215, 375);
  cmdCancel = MakeFormControl<QPushButton>(this, "cmdCancel", QStringLiteral("&Cancel"), 1920, 3360,
                                           1215, 375);

  lblRstart = MakeFormControl<QLabel>(
      this, "lblRstart", QStringLiteral("Random number initialization value"), 360, 240, 2655, 255);
  txtRstart = MakeText(this, "txtRstart", "99", 240);
  lblOffset = MakeFormControl<QLabel>(this, "lblOffset",
                                      QStringLiteral("Margin around initial tract sizes (%)"), 360,
                                      720, 2655, 255);
  txtOffset = MakeText(this, "txtOffset", "10", 720);
  lblSAstart = MakeFormControl<QLabel>(
      this, "lblSAstart", QStringLiteral("Initial SA error margin (%)"), 360, 1200, 2775, 255);
  txtSAstart = MakeText(this, "txtSAstart", "20", 1200);
  lblPopWt = MakeFormControl<QLabel>(
      this, "lblPopWt", QStringLiteral("Weighting for target population"), 360, 1680, 2775, 255);
  txtPopWt = MakeText(this, "txtPopWt", "1.0", 1680);
  lblApxweight = MakeFormControl<QLabel>(this, "lblApxweight",
                                         QStringLiteral("Weighting for approximate matching"), 360,
                                         2160, 2775, 255);
  txtApxwt = MakeText(this, "txtApxwt", "1.0", 2160);

  chkLUT = MakeFormControl<QCheckBox>(this, "chkLUT", QStringLiteral("Produce Approx LUT"), 360,
                                      2640, 1935, 375);
  chkContChk = MakeFormControl<QCheckBox>(this, "chkContChk", QStringLiteral("Contiguity checking"),
                                          2640, 2640, 1815, 375);
  chkContChk->setChecked(true);

  connect(cmdOk, &QPushButton::clicked, this, &frmOptions::cmdOk_Click);
  connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::cmdCancel_Click);
  // Enter presses "&Ok"; there is no cancel button, so Esc does nothing.
  platform::SetDefaultButton(this, cmdOk);

  setTabOrder(cmdOk, cmdCancel);
  setTabOrder(cmdCancel, txtRstart);
  setTabOrder(txtRstart, txtOffset);
  setTabOrder(txtOffset, txtSAstart);
  setTabOrder(txtSAstart, txtPopWt);
  setTabOrder(txtPopWt, txtApxwt);
  setTabOrder(txtApxwt, chkLUT);
  setTabOrder(chkLUT, chkContChk);
}

void frmOptions::cmdOk_Click() {
  // Every text is checked before anything is stored, so a text that is no
  // number (or a seed outside 16 bits) leaves all stored options as they were.
  QLineEdit* const numbers[] = {txtRstart, txtOffset, txtSAstart, txtPopWt, txtApxwt};
  const QLabel* const labels[] = {lblRstart, lblOffset, lblSAstart, lblPopWt, lblApxweight};
  double values[5] = {};
  for (int i = 0; i < 5; ++i) {
    const std::string text = numbers[i]->text().toStdString();
    if (!qel::IsNumber(text)) {
      Reject(numbers[i], (QStringLiteral("\"") + labels[i]->text() + QStringLiteral("\" must be a number.")).toStdString());
      return;
    }
    values[i] = qel::CDbl(text);
  }
  int16_t seed = 0;
  try {
    seed = qel::CInt(values[0]);
  } catch (const qel::RuntimeError&) {
    Reject(txtRstart,
           "\"Random number initialization value\" must lie between "
           "-32768 and 32767.");
    return;
  }

  qel::intRandomSeed = seed;
  qel::dblOffsetPct = values[1];
  qel::dblSAStart = values[2];
  qel::dblPopWeight = values[3];
  qel::dblApxWeight = values[4];
  hide();
  qel::blnContCheck = chkContChk->isChecked();
}

// Nothing is stored and nothing on the window is reset.
void frmOptions::cmdCancel_Click() { hide(); }

// The close box does what "&Cancel" does: the window keeps its texts.
void frmOptions::closeEvent(QCloseEvent* event) {
  event->accept();
  hide();
}

void frmOptions::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (shownBefore_) return;
  shownBefore_ = true;
  cmdOk->setFocus();
}
