#include "WorkbenchWindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "frmInputSummary.h"
#include "frmMain.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmOutput.h"
#include "frmQELRun.h"
#include "PaintNowDuringRun.h"
#include "Shapes.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"

void* WorkbenchWindows::CreateLoadShowMain() {
  auto* main = new frmMain();
  main->Form_Load();
  main->show();
  // Without a window manager nobody else gives the new window the keyboard.
  main->activateWindow();
  return main;
}

void WorkbenchWindows::SetInputSummaryLabel(qel::SummaryLabel which, const std::string& text) {
  frmInputSummary* s = frmInputSummary::Instance();
  QLabel* label = nullptr;
  switch (which) {
    case qel::SummaryLabel::lblAmin: label = s->lblAmin; break;
    case qel::SummaryLabel::lblAmax: label = s->lblAmax; break;
    case qel::SummaryLabel::lblBmin: label = s->lblBmin; break;
    case qel::SummaryLabel::lblBmax: label = s->lblBmax; break;
  }
  if (label) label->setText(QString::fromStdString(text));
}

// ---- Run progress window ---------------------------------------------------------

void WorkbenchWindows::SetProgressCaption(const std::string& text, bool repaintNow) {
  frmQELRun::Instance()->SetCaption(text, repaintNow);
}

void WorkbenchWindows::SetProgressValue(int percent) { frmQELRun::Instance()->SetValue(percent); }

void WorkbenchWindows::AddProgressLine(const std::string& line) {
  frmQELRun::Instance()->AddLine(line);
}

int WorkbenchWindows::ProgressLineCount() { return frmQELRun::Instance()->LineCount(); }

void WorkbenchWindows::SelectProgressLine(int index) { frmQELRun::Instance()->SelectLine(index); }

void WorkbenchWindows::HideProgress() {
  if (frmQELRun::IsLoaded()) frmQELRun::Instance()->hide();
}

// ---- Options and output ---------------------------------------------------------------

int WorkbenchWindows::OptionsLUTValue() {
  return frmOptions::Instance()->chkLUT->isChecked() ? 1 : 0;
}

void WorkbenchWindows::ShowOutput() {
  frmOutput* out = frmOutput::Instance();
  platform::BringForward(out);
  // A new run's report: Enter views it. The first button in the tab order
  // is Close, which would lose the report at the first Enter.
  out->cmdView->setFocus();
}

// ---- Demo map ---------------------------------------------------------------------------

void WorkbenchWindows::SetMapShapeFillStyle(int shape, int style) {
  if (ShapeControl* s = frmMap::Instance()->Shape(shape)) s->SetFillStyle(style);
}

void WorkbenchWindows::SetMapShapeBorderStyle(int shape, int style) {
  if (ShapeControl* s = frmMap::Instance()->Shape(shape)) s->SetBorderStyle(style);
}

void WorkbenchWindows::SetMapShapeFillColor(int shape, uint32_t color) {
  if (ShapeControl* s = frmMap::Instance()->Shape(shape)) s->SetFillColor(color);
}

void WorkbenchWindows::SetMapLineBorderStyle(int style) {
  frmMap::Instance()->Line1->SetBorderStyle(style);
}

void WorkbenchWindows::RefreshMap() { PaintNowDuringRun(frmMap::Instance()); }

void WorkbenchWindows::ShowMap() {
  frmMap* map = frmMap::Instance();
  const bool wasHidden = !map->isVisible();
  map->show();
  map->raise();
  if (wasHidden) PaintNowDuringRun(map);
}

void WorkbenchWindows::FocusMapClose() { frmMap::Instance()->cmdClose->setFocus(); }

void WorkbenchWindows::UnloadMap() { frmMap::Unload(); }

void InstallWorkbenchWindows() {
  static WorkbenchWindows windows;
  qel::SetWindowOps(&windows);
  platform::InstallMessageBoxHandler();
  platform::ReturnKeyboardOnHide();
}
