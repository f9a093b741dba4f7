// The engine's window operations, carried out on the workbench's windows.
#pragma once

#include "window_ops.h"

class WorkbenchWindows : public qel::WindowOps {
 public:
  // Main window and input summary.
  void* CreateLoadShowMain() override;
  void SetInputSummaryLabel(qel::SummaryLabel which, const std::string& text) override;

  // Run progress window.
  void SetProgressCaption(const std::string& text, bool repaintNow) override;
  void SetProgressValue(int percent) override;
  void AddProgressLine(const std::string& line) override;
  int ProgressLineCount() override;
  void SelectProgressLine(int index) override;
  void HideProgress() override;

  // Options dialog and output window.
  int OptionsLUTValue() override;
  void ShowOutput() override;

  // Demo map. A shape index that the map does not have is passed over, so a
  // demo data set of another size draws only the shapes that exist.
  void SetMapShapeFillStyle(int shape, int style) override;
  void SetMapShapeBorderStyle(int shape, int style) override;
  void SetMapShapeFillColor(int shape, uint32_t color) override;
  void SetMapLineBorderStyle(int style) override;
  void RefreshMap() override;
  void ShowMap() override;
  void FocusMapClose() override;
  void UnloadMap() override;
};

// Installs the workbench's window operations and its message boxes in the
// engine (once per process; calling it again changes nothing).
void InstallWorkbenchWindows();
