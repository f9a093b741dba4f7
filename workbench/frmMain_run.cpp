// The Run command: checks the settings in a fixed order while copying them
// into the engine, then runs the whole zone design inside the handler.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <exception>
#include <optional>

#include "engine.h"
#include "frmMain.h"
#include "frmQELRun.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kWarn = 48;

bool Ticked(const QCheckBox* b) { return b->isChecked(); }
bool Empty(const QLineEdit* t) { return t->text().isEmpty(); }
std::string TextOf(const QLineEdit* t) { return t->text().toStdString(); }

std::optional<int16_t> Whole16(const std::string& text) {
  try {
    return qel::CInt(text);
  } catch (const qel::RuntimeError&) {
    return std::nullopt;
  }
}

std::optional<double> Number(const std::string& text) {
  try {
    return qel::CDbl(text);
  } catch (const qel::RuntimeError&) {
    return std::nullopt;
  }
}

void Warn(const char* prompt, const char* title) { platform::ShowMessageBox(prompt, kWarn, title); }

constexpr const char* kPopulationTitle = "Population control";
constexpr const char* kWeightTitle = "Shape and homogeneity control";
constexpr const char* kHomogTitle = "Homogeneity control";

}  // namespace

bool frmMain::ApplyRunSettings() {
  const bool threshold = Ticked(chkZonespec[0]);
  const bool target = Ticked(chkZonespec[1]);
  const bool optionSelected = optLaypop[1]->isChecked() || optLaypop[2]->isChecked();
  if ((threshold && (Empty(txtMinpop) || !optionSelected)) ||
      (target && (Empty(txtTarpop) || !optionSelected))) {
    Warn("Targets and thresholds require population values", kPopulationTitle);
    return false;
  }
  // Populations are whole numbers within 16 bits; anything else stops here
  // rather than ending the program.
  const char* kBadPopulation = "Population values must be whole numbers from -32768 to 32767";
  if (threshold) {
    const auto v = Whole16(TextOf(txtMinpop));
    if (!v) return Warn(kBadPopulation, kPopulationTitle), false;
    qel::dblThreshold = *v;
  }
  if (target) {
    const auto v = Whole16(TextOf(txtTarpop));
    if (!v) return Warn(kBadPopulation, kPopulationTitle), false;
    qel::dblTarget = *v;
  }

  qel::intPopLayer = optLaypop[2]->isChecked() ? 2 : 1;
  // Disabled boxes still count with their ticks.
  qel::blnApprox = Ticked(chkApprox);
  qel::blnIRAApprox = Ticked(chkApprox) && Ticked(chkIRAapx);
  qel::intRunHeader = Ticked(chkHeader) ? 1 : 0;
  qel::strRunFile = TextOf(txtInputfile);

  const bool shape = Ticked(chkZonespec[2]);
  const bool homog = Ticked(chkZonespec[3]);
  if ((shape && Empty(txtShapewt)) || (homog && Empty(txtHomwt))) {
    Warn("Shape and homogeneity require weights and control layers", kWeightTitle);
    return false;
  }
  const char* kBadWeight = "Shape and homogeneity weights must be numbers";
  if (shape) {
    const auto w = Number(TextOf(txtShapewt));
    if (!w) return Warn(kBadWeight, kWeightTitle), false;
    qel::dblShapeWeight = *w;
  }

  if (homog) {
    if (Empty(txtHomvars)) {
      Warn("Homogeneity variables must be defined", kHomogTitle);
      return false;
    }
    qel::TokenArray fields;
    int16_t groups = 0;
    try {
      qel::SplitLine(TextOf(txtHomvars), fields, groups);
    } catch (const qel::RuntimeError&) {
      groups = qel::kMaxFields + 1;  // a 51st field: far too many groups
    }
    if (groups > qel::kHomSize) {
      Warn("At most 12 homogeneity groups can be defined", kHomogTitle);
      return false;
    }
    // Every size is checked before any is stored, so a bad one leaves the
    // earlier definition whole.
    int sizes[qel::kHomSize + 1] = {};
    for (int g = 1; g <= groups; ++g) {
      const auto v = Whole16(fields(g));
      if (!v) {
        Warn("Homogeneity group sizes must be whole numbers separated by blanks", kHomogTitle);
        return false;
      }
      sizes[g] = *v;
    }
    qel::intNHomGroups = groups;
    int sum = 0;
    for (int g = 1; g <= groups; ++g) {
      qel::intGroupSize(g) = static_cast<int16_t>(sizes[g]);
      sum += sizes[g];
    }
    if (sum != qel::intNHomVars) {
      Warn("Variable definition does not match input data", kHomogTitle);
      return false;
    }
    const auto w = Number(TextOf(txtHomwt));
    if (!w) return Warn(kBadWeight, kWeightTitle), false;
    qel::dblHomWeight = *w;
  }

  qel::blnSA = Ticked(chkSA);
  return true;
}

void frmMain::cmdRun_Click() {
  try {
    if (!ApplyRunSettings()) return;
    const auto iterations = Whole16(TextOf(txtIterations));
    if (!iterations) {
      Warn("The number of iterations must be a whole number from -32768 to 32767", "Iterations");
      return;
    }
    qel::Randomize(qel::intRandomSeed);

    // Which constraints are set besides approximate matching and the threshold.
    const bool zoning = qel::blnHomog || qel::blnShape || qel::blnTargetPop;
    qel::blnNoConstraints = !zoning && !qel::blnThresholdPop && !qel::blnApprox;
    if (qel::blnNoConstraints) {
      platform::ShowMessageBox(
          "No zoning constraints set: basic building blocks will be returned without iteration", 64,
          "No constraints set");
    }
    qel::blnFixedCount = qel::blnApprox && !zoning && !qel::blnThresholdPop;
    qel::blnMinOnly = qel::blnThresholdPop && !zoning && !qel::blnApprox;

    qel::intNIterations = *iterations;

    frmQELRun* progress = frmQELRun::Instance();
    progress->lblProgrep->setText(QStringLiteral("Progress with ") +
                                  QString::fromStdString(qel::Str(qel::intNIterations)) +
                                  QStringLiteral(" iterations:"));
    progress->prgRunProg->setValue(0);
    progress->lstProgRep->clear();
    progress->show();

    qel::datRunStart = qel::TimeOfDay();
    running_ = true;
    if (qel::BuildIntermediateBBs()) {
      qel::RunIterations(qel::intNIterations);
    } else {
      // Refused with its message: no run, and the last run's results and
      // report stay as they are.
      progress->hide();
    }
    running_ = false;
  } catch (...) {
    running_ = false;
    // No error may end the program: report it and take the progress away.
    // A file left open by the failure is dropped, not finished later.
    qel::FileAbortAll();
    qel::Windows().HideProgress();
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
}
