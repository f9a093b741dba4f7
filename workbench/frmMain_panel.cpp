// The main window's input area and constraint panel: the two load commands,
// the input summary, the panel's click handlers and Clear form.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <cmath>
#include <exception>

#include "MakeFormControl.h"
#include "engine.h"
#include "frmInputSummary.h"
#include "frmMain.h"
#include "platform/FileDialog.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "platform/Twips.h"

namespace {

constexpr const char* kInputFilter =
    "All files (*.*)|*.*|Comma Separated Values files (*.csv)|*.csv|Text files (*.txt)|*.txt";
constexpr int kInputDialogFlags = platform::kDlgFileMustExist | platform::kDlgHideReadOnly;

QString Str16(int value) { return QString::fromStdString(qel::Str(value)); }

// The mean population of a layer: the nearest whole number, ties to even;
// one too large for a 16-bit caption is still shown in full.
QString MeanText(double total, int records) {
  if (records < 1) return QString();
  const double mean = std::nearbyint(total / records);
  if (!std::isfinite(mean)) return QString::fromStdString(qel::Str(total / records));
  if (std::fabs(mean) < 9.0e15) return QString::fromStdString(qel::Str(static_cast<long long>(mean)));
  return QString::fromStdString(qel::Str(mean));
}

}  // namespace

// ---- Building the controls -------------------------------------------------

void frmMain::BuildInputArea(QWidget* c) {
  lblInputfile = MakeFormControl<QLabel>(c, "lblInputfile", QStringLiteral("Intersection file"),
                                         360, 240, 1335, 255);
  txtInputfile = MakeFormControl<QLineEdit>(c, "txtInputfile", QString(), 1800, 240, 3735, 285);
  CmdInputfile = MakeFormControl<QPushButton>(
      c, "CmdInputfile", QStringLiteral("&Get intersections"), 5760, 240, 1335, 375);
  chkHeader = MakeFormControl<QCheckBox>(c, "chkHeader", QStringLiteral("Read header line "), 1800,
                                         600, 1575, 375);
  lblNrecs = MakeFormControl<QLabel>(c, "lblNrecs", QString(), 3600, 720, 3495, 255);
  lblNrecs->hide();
  lblContfile = MakeFormControl<QLabel>(c, "lblContfile", QStringLiteral("Contiguity file"), 360,
                                        1080, 1335, 375);
  lblContfile->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  txtContfile = MakeFormControl<QLineEdit>(c, "txtContfile", QString(), 1800, 1080, 3735, 285);
  cmdGetcont = MakeFormControl<QPushButton>(c, "cmdGetcont", QStringLiteral("Get c&ontiguities"),
                                            5760, 1080, 1335, 375);
  cmdGetcont->setEnabled(false);
  lblContrecs = MakeFormControl<QLabel>(c, "lblContrecs", QString(), 3600, 1560, 1935, 255);
  lblContrecs->hide();
  // The paths come from the dialogs only: a typed path that differs from the
  // loaded file would make a run re-read another file than the one loaded.
  txtInputfile->setReadOnly(true);
  txtContfile->setReadOnly(true);

  connect(CmdInputfile, &QPushButton::clicked, this, [this] { CmdInputfile_Click(); });
  connect(cmdGetcont, &QPushButton::clicked, this, [this] { cmdGetcont_Click(); });
}

void frmMain::BuildConstraintPanel(QWidget* c) {
  // The frames come first so that the controls drawn over them stay on top.
  fraLayerspec = MakeFormControl<QGroupBox>(c, "fraLayerspec", 360, 1920, 3255, 2415);
  fraLayerspec->setTitle(QStringLiteral("Layer control"));
  fraZonespec = MakeFormControl<QGroupBox>(c, "fraZonespec", 3840, 1920, 3255, 2415);
  fraZonespec->setTitle(QStringLiteral("Zoning control"));

  lblNameA = MakeFormControl<QLabel>(c, "lblNameA", QStringLiteral("Boundary layer A"), 600, 2280,
                                     2775, 255);
  optLaypop[1] = MakeFormControl<QRadioButton>(
      c, "optLaypop1", QStringLiteral("Population control"), 1800, 2520, 1695, 495);
  chkLayerspec[0] =
      MakeFormControl<QCheckBox>(c, "chkLayerspec0", QStringLiteral("Fixed"), 600, 2640, 2535, 315);
  lblNameB = MakeFormControl<QLabel>(c, "lblNameB", QStringLiteral("Boundary layer B"), 600, 3120,
                                     1455, 255);
  optLaypop[2] = MakeFormControl<QRadioButton>(
      c, "optLaypop2", QStringLiteral("Population control"), 1800, 3360, 1575, 495);
  chkLayerspec[1] =
      MakeFormControl<QCheckBox>(c, "chkLayerspec1", QStringLiteral("Fixed"), 600, 3480, 1335, 315);
  chkApprox = MakeFormControl<QCheckBox>(c, "chkApprox", QStringLiteral("Approximate  matching"),
                                         600, 3960, 1935, 255);
  chkIRAapx =
      MakeFormControl<QCheckBox>(c, "chkIRAapx", QStringLiteral("as IRA"), 2640, 3960, 855, 255);
  // The check boxes are wider than their captions and reach under the option
  // buttons' circles: keep them below, so that a click on a circle selects.
  chkLayerspec[0]->lower();
  chkLayerspec[1]->lower();
  fraLayerspec->lower();

  const char* zoneNames[4] = {"chkZonespec0", "chkZonespec1", "chkZonespec2", "chkZonespec3"};
  const QString zoneCaptions[4] = {QStringLiteral("Population threshold"),
                                   QStringLiteral("Population target"), QStringLiteral("Shape"),
                                   QStringLiteral("Homog")};
  for (int i = 0; i < 4; ++i)
    chkZonespec[i] = MakeFormControl<QCheckBox>(c, zoneNames[i], zoneCaptions[i], 4080,
                                                2160 + 480 * i, 2655, 495);
  txtMinpop = MakeFormControl<QLineEdit>(c, "txtMinpop", QString(), 5880, 2280, 975, 285);
  txtTarpop = MakeFormControl<QLineEdit>(c, "txtTarpop", QString(), 5880, 2760, 975, 285);
  txtShapewt =
      MakeFormControl<QLineEdit>(c, "txtShapewt", QStringLiteral("1.0"), 6480, 3240, 375, 285);
  txtHomvars = MakeFormControl<QLineEdit>(c, "txtHomvars", QString(), 5640, 3720, 735, 285);
  txtHomwt = MakeFormControl<QLineEdit>(c, "txtHomwt", QStringLiteral("1.0"), 6480, 3720, 375, 285);
  for (QLineEdit* t : {txtMinpop, txtTarpop, txtShapewt, txtHomvars, txtHomwt}) t->hide();

  chkSA = MakeFormControl<QCheckBox>(c, "chkSA", QStringLiteral("Use SA"), 360, 4440, 975, 495);
  txtIterations =
      MakeFormControl<QLineEdit>(c, "txtIterations", QStringLiteral("1"), 1440, 4560, 735, 285);
  lblIterations = MakeFormControl<QLabel>(c, "lblIterations", QStringLiteral("Iterations"), 2280,
                                          4680, 855, 375);
  lblIterations->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  cmdClear = MakeFormControl<QPushButton>(c, "cmdClear", QStringLiteral("&Clear form"), 4560, 4560,
                                          1215, 375);
  cmdRun = MakeFormControl<QPushButton>(c, "cmdRun", QStringLiteral("&Run"), 5880, 4560, 1215, 375);

  optLaypop[1]->setChecked(true);
  for (QWidget* w : {static_cast<QWidget*>(optLaypop[1]), static_cast<QWidget*>(optLaypop[2]),
                     static_cast<QWidget*>(chkLayerspec[0]), static_cast<QWidget*>(chkLayerspec[1]),
                     static_cast<QWidget*>(chkApprox), static_cast<QWidget*>(chkIRAapx),
                     static_cast<QWidget*>(cmdRun)})
    w->setEnabled(false);
  for (QCheckBox* b : chkZonespec) b->setEnabled(false);

  // Values changed by code run the handlers as clicks do: hence toggled.
  for (int i = 0; i < 2; ++i)
    connect(chkLayerspec[i], &QCheckBox::toggled, this, [this, i] { chkLayerspec_Click(i); });
  for (int i = 1; i <= 2; ++i)
    connect(optLaypop[i], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) optLaypop_Click(i);
    });
  connect(chkApprox, &QCheckBox::toggled, this, [this] { chkApprox_Click(); });
  connect(chkIRAapx, &QCheckBox::toggled, this, [this] { chkIRAapx_Click(); });
  for (int i = 0; i < 4; ++i)
    connect(chkZonespec[i], &QCheckBox::toggled, this, [this, i] { chkZonespec_Click(i); });
  connect(cmdClear, &QPushButton::clicked, this, [this] { cmdClear_Click(); });
  connect(cmdRun, &QPushButton::clicked, this, [this] { cmdRun_Click(); });
}

// ---- Loading the input ---------------------------------------------------------

void frmMain::CmdInputfile_Click() {
  try {
    const std::string path =
        platform::ShowOpenDialog("Select an intersection file", kInputFilter, "", kInputDialogFlags);
    const QString loaded = txtInputfile->text();
    txtInputfile->setText(QString::fromStdString(path));
    if (txtInputfile->text().isEmpty()) return;
    std::string nameA, nameB;
    if (!qel::ReadIntersectionFile(chkHeader->isChecked() ? 1 : 0, path, nameA, nameB)) {
      // Refused with its message (or Cancel at the header question): the
      // study area loaded before stays, and so does everything shown of it.
      txtInputfile->setText(loaded);
      return;
    }
    qel::strInputFile = path;
    lblNrecs->setText(Str16(qel::intNRecs) + QStringLiteral(" Zones read, ") + Str16(qel::intNHomVars) +
                      QStringLiteral(" homogeneity variables"));
    lblNrecs->show();
    summaryBlocks_ = Str16(qel::intNRecs) + QStringLiteral(" building blocks and ");
    frmInputSummary::Instance()->lblNrecs->setText(summaryBlocks_);
    if (!nameA.empty()) lblNameA->setText(QString::fromStdString(nameA));
    if (!nameB.empty()) lblNameB->setText(QString::fromStdString(nameB));
    cmdGetcont->setEnabled(true);
    platform::SetDefaultButton(this, cmdGetcont);
    if (cmdRun->isEnabled() && !qel::AnyBlockHasNeighbours()) {
      // The new study area has dropped the neighbours of the earlier
      // contiguity file: a run now would ignore them without a word.
      txtContfile->clear();
      ShowNoContiguity();
    }
  } catch (...) {
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
}

void frmMain::cmdGetcont_Click() {
  try {
    const std::string path =
        platform::ShowOpenDialog("Select a contiguity file", kInputFilter, "", kInputDialogFlags);
    const QString loaded = txtContfile->text();
    txtContfile->setText(QString::fromStdString(path));
    if (txtContfile->text().isEmpty()) return;
    int16_t arcs = 0;
    qel::ReadContiguityFile(path, arcs);
    if (arcs <= 0) {
      // The reader refused the file and has said why; the neighbours loaded
      // before stay, and so do their file name, count and commands.
      txtContfile->setText(loaded);
      return;
    }
    lblContrecs->setText(Str16(arcs) + QStringLiteral(" Arc records read"));
    lblContrecs->show();
    // A later load replaces the count of the earlier one.
    frmInputSummary::Instance()->lblNrecs->setText(summaryBlocks_ + Str16(arcs) + QStringLiteral(" arcs"));
    chkLayerspec[0]->setEnabled(true);
    chkLayerspec[1]->setEnabled(true);
    for (int i = 0; i < 3; ++i) chkZonespec[i]->setEnabled(true);
    chkZonespec[3]->setEnabled(qel::intNHomVars > 0);
    cmdRun->setEnabled(true);
    platform::SetDefaultButton(this, cmdRun);
    mnuViewInputSummary->setEnabled(true);
  } catch (...) {
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
}

void frmMain::ShowNoContiguity() {
  cmdRun->setEnabled(false);
  platform::SetDefaultButton(this, cmdGetcont);
  lblContrecs->hide();
  frmInputSummary::Instance()->lblNrecs->setText(summaryBlocks_);
}

void frmMain::mnuViewInputSummary_Click() {
  frmInputSummary* s = frmInputSummary::Instance();
  s->lblAtot->setText(QString::fromStdString(qel::Str(qel::dblTotPopA)));
  s->lblBtot->setText(QString::fromStdString(qel::Str(qel::dblTotPopB)));
  // Record 1, the outside, counts in the divisor.
  s->lblAmean->setText(MeanText(qel::dblTotPopA, qel::intNRecs));
  s->lblBmean->setText(MeanText(qel::dblTotPopB, qel::intNRecs));
  platform::BringForward(s);
}

// ---- Constraint panel ----------------------------------------------------------

void frmMain::chkLayerspec_Click(int) {
  qel::blnFixedA = chkLayerspec[0]->isChecked();
  qel::blnFixedB = chkLayerspec[1]->isChecked();
  if (qel::blnFixedA != qel::blnFixedB) {
    chkApprox->setEnabled(true);
    if (chkApprox->isChecked()) chkIRAapx->setEnabled(true);
  } else {
    chkApprox->setEnabled(false);
    chkIRAapx->setEnabled(false);
  }
}

void frmMain::optLaypop_Click(int) {
  if (optLaypop[1]->isChecked()) qel::intPopLayer = 1;
  if (optLaypop[2]->isChecked()) qel::intPopLayer = 2;
}

void frmMain::chkApprox_Click() { chkIRAapx->setEnabled(chkApprox->isChecked()); }

void frmMain::chkIRAapx_Click() {
  if (chkIRAapx->isChecked()) txtIterations->setText(QStringLiteral("1"));
}

void frmMain::chkZonespec_Click(int) {
  auto enablePopulation = [this] {
    optLaypop[1]->setEnabled(true);
    optLaypop[2]->setEnabled(true);
  };
  auto showAndFocus = [](QLineEdit* t) {
    t->show();  // a hidden box cannot take the focus
    t->setFocus();
  };

  if (chkZonespec[0]->isChecked()) {
    showAndFocus(txtMinpop);
    qel::blnThresholdPop = true;
    enablePopulation();
  } else {
    txtMinpop->hide();
    qel::blnThresholdPop = false;
  }

  if (chkZonespec[1]->isChecked()) {
    showAndFocus(txtTarpop);
    qel::blnTargetPop = true;
    enablePopulation();
  } else {
    txtTarpop->hide();
    qel::blnTargetPop = false;
  }

  if (chkZonespec[2]->isChecked()) {
    txtShapewt->show();
    chkZonespec[2]->setText(QStringLiteral("Shape                       Weight"));
    txtShapewt->setFocus();
    qel::blnShape = true;
  } else {
    txtShapewt->hide();
    chkZonespec[2]->setText(QStringLiteral("Shape "));
    qel::blnShape = false;
  }

  if (chkZonespec[3]->isChecked()) {
    txtHomwt->show();
    txtHomvars->show();
    chkZonespec[3]->setText(QStringLiteral("Homog  Vars, Wt"));
    txtHomvars->setFocus();
    qel::blnHomog = true;
    enablePopulation();
  } else {
    txtHomwt->hide();
    txtHomvars->hide();
    chkZonespec[3]->setText(QStringLiteral("Homog"));
    qel::blnHomog = false;
  }

  if (!qel::blnHomog && !qel::blnTargetPop && !qel::blnThresholdPop) {
    optLaypop[1]->setEnabled(false);
    optLaypop[2]->setEnabled(false);
    qel::intPopLayer = 0;
  }
}

void frmMain::cmdClear_Click() {
  txtInputfile->clear();
  txtContfile->clear();
  mnuViewInputSummary->setEnabled(false);
  for (QCheckBox* b : chkLayerspec) {
    b->setEnabled(false);
    b->setChecked(false);
  }
  for (QCheckBox* b : chkZonespec) {
    b->setEnabled(false);
    b->setChecked(false);
  }
  chkHeader->setChecked(false);
  chkApprox->setChecked(false);
  chkIRAapx->setChecked(false);
  chkApprox->setEnabled(false);
  chkIRAapx->setEnabled(false);
  lblNameA->setText(QStringLiteral("Boundary layer A"));
  lblNameB->setText(QStringLiteral("Boundary layer B"));
  optLaypop[1]->setChecked(true);
  optLaypop[2]->setChecked(false);
  optLaypop[1]->setEnabled(false);
  optLaypop[2]->setEnabled(false);
  cmdRun->setEnabled(false);
  lblNrecs->setText(QStringLiteral("0"));
  lblNrecs->hide();
  lblContrecs->setText(QStringLiteral("0"));
  lblContrecs->hide();
  frmInputSummary::Instance()->lblNrecs->clear();
  summaryBlocks_.clear();
  qel::intNRecs = 0;
  cmdGetcont->setEnabled(false);
  platform::SetDefaultButton(this, CmdInputfile);
  txtIterations->setText(QStringLiteral("1"));
  qel::intNHomGroups = 0;
  for (int g = 1; g <= qel::kHomSize; ++g) qel::intGroupSize(g) = 0;
  qel::FileCloseAll();
  qel::dblRefIAC = qel::dblRefApx = qel::dblRefP2A = qel::dblRefTP = 0;
  qel::dblCurApx = qel::dblCurP2A = qel::dblCurTP = qel::dblCurIAC = 0;
}
