#include "frmOutput.h"

#include <QCloseEvent>
#include <QListWidget>
#include <QPushButton>
#include <exception>
#include <vector>

#include "MakeFormControl.h"
#include "SetUpFixedForm.h"
#include "engine.h"
#include "platform/FileDialog.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/Placement.h"
#include "platform/Twips.h"

namespace {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left) {
  return MakeFormControl<QPushButton>(parent, name, QString::fromLatin1(caption), left, 5040, 1095,
                                      375);
}

constexpr int kSaveFlags = platform::kDlgOverwritePrompt | platform::kDlgHideReadOnly;

// The report block of the last run, as it stood at the run's end.
std::vector<std::string> ReportBlock() {
  using namespace qel;
  const udtRunResult& r = udtLastRun;
  std::vector<std::string> lines = {
      "=============Next Run=================",
      "Elapsed time: " + Str(r.intElapsedSecs) + " seconds",
      "",
      "Best iteration : " + Str(r.intBestIteration),
      "Best TP value : " + Str(r.dblBestTP),
      "Best P2A value : " + Str(r.dblBestP2A),
      "Best IAC value : " + Str(r.dblBestIAC),
      "Best Min value : " + Str(r.dblBestMin),
      "Best Apx value : " + Str(r.dblBestApx),
      Str(r.intIslandsSkipped) + " sub-threshold islands skipped",
      "Tract ID, Pop, No. parts, BBinput IDs",
  };
  const int tracts = static_cast<int>(r.intTractID.size());
  for (int t = 1; t <= tracts; ++t) lines.push_back(RunTractLine(t));
  // The homogeneity sums go with a run that measured homogeneity.
  if (r.blnHomog) {
    lines.push_back("Tract ID, Pop, Hom vars");
    for (int t = 1; t <= tracts; ++t) lines.push_back(RunHomLine(t));
  }
  return lines;
}

}  // namespace

frmOutput::frmOutput() : QWidget(platform::MainWindow(), Qt::Dialog) {
  SetUpFixedForm(this, "frmOutput", QStringLiteral("Output Report"), 4950, 5505);
  platform::PlaceWhenFirstShown(this, [this] { PlaceOnOwner(); });

  cmdClose = MakeButton(this, "cmdClose", "&Close", 3720);
  cmdSaveTcts = MakeButton(this, "cmdSaveTcts", "Save &tracts", 2520);
  lstOutInfo = MakeFormControl<QListWidget>(this, "lstOutInfo", 120, 240, 4695, 4545);
  cmdView = MakeButton(this, "cmdView", "&View output", 120);
  cmdSaveLog = MakeButton(this, "cmdSaveLog", "Save &log", 1320);

  setTabOrder(cmdClose, cmdSaveTcts);
  setTabOrder(cmdSaveTcts, lstOutInfo);
  setTabOrder(lstOutInfo, cmdView);
  setTabOrder(cmdView, cmdSaveLog);
  platform::SetDefaultButton(this, cmdView);

  connect(cmdView, &QPushButton::clicked, this, &frmOutput::cmdView_Click);
  connect(cmdSaveLog, &QPushButton::clicked, this, &frmOutput::cmdSaveLog_Click);
  connect(cmdSaveTcts, &QPushButton::clicked, this, &frmOutput::cmdSaveTcts_Click);
  connect(cmdClose, &QPushButton::clicked, this, &frmOutput::cmdClose_Click);
}

void frmOutput::PlaceOnOwner() {
  if (placed_) return;
  placed_ = true;
  platform::PlaceBeside(this, parentWidget());
}

bool frmOutput::Refused(bool tracts) {
  const std::string refusal = qel::RunResultRefusal(tracts);
  if (refusal.empty()) return false;
  qel::MsgBox(refusal, qel::kMbExclamation, qel::udtLastRun.blnAreaLoaded ? "No solution" : "Study area changed");
  return true;
}

void frmOutput::cmdView_Click() {
  if (Refused(false)) return;
  // The block is built whole before any line is added, so a failure leaves
  // the list as it was.
  try {
    for (const std::string& line : ReportBlock()) lstOutInfo->addItem(QString::fromStdString(line));
  } catch (...) {
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
  const int last = lstOutInfo->count() - 1;
  if (last >= 0) {
    lstOutInfo->setCurrentRow(last);
    lstOutInfo->scrollToItem(lstOutInfo->item(last));
  }
  cmdClose->setFocus();
}

void frmOutput::SaveWith(const char* dialogTitle, const char* filter, const char* fileName,
                         void (*writer)(const std::string&), const char* savedPrompt,
                         const char* savedTitle) {
  try {
    const std::string path = platform::ShowSaveDialog(dialogTitle, filter, fileName, kSaveFlags);
    writer(path);
    qel::MsgBox(savedPrompt + path, qel::kMbInformation, savedTitle);
  } catch (...) {
    // A writer that failed part-way must not leave its channel open, or every
    // later save would fail with "file already open".
    qel::FileAbortAll();
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
}

void frmOutput::cmdSaveLog_Click() {
  if (Refused(false)) return;
  SaveWith("Save program log file", "Text files (*.txt)|*.txt|All files (*.*)|*.* ", "QELlog.txt",
           &qel::WriteProgramLog, "Program log saved to ", "Log saved");
}

void frmOutput::cmdSaveTcts_Click() {
  if (Refused(true)) return;
  SaveWith("Save tract composition file",
           "Comma Separated Values files (*.csv)|*.csv|All files (*.*)|*.*", "QELout.csv",
           &qel::WriteTractComposition, "Tract composition saved to ", "Tracts saved");
}

void frmOutput::cmdClose_Click() { Unload(); }

// The close box unloads the window, as "&Close" does.
void frmOutput::closeEvent(QCloseEvent* event) {
  event->accept();
  Unload();
}
