// The window operations that engine procedures need. The engine never sees a
// window: the workbench installs an implementation that drives its forms, tests
// install a recording one, and the default does nothing.
#pragma once

#include <cstdint>
#include <string>

namespace qel {

enum class SummaryLabel { lblAmin, lblAmax, lblBmin, lblBmax };

// Shape and line styles of the demo map.
enum FillStyle : int { kFillSolid = 0, kFillTransparent = 1 };
enum BorderStyle : int { kBorderTransparent = 0, kBorderSolid = 1 };

class WindowOps {
 public:
  virtual ~WindowOps() = default;

  // frmMain: create a new instance, load it (its load handler runs) and show
  // it without blocking. Returns the instance, held in frmMainInst.
  virtual void* CreateLoadShowMain() { return nullptr; }

  // frmInputSummary: caption of lblAmin, lblAmax, lblBmin or lblBmax.
  virtual void SetInputSummaryLabel(SummaryLabel, const std::string&) {}

  // frmQELRun
  virtual void SetProgressCaption(const std::string&, bool /*repaintNow*/) {}
  virtual void SetProgressValue(int /*0..100, repainted at once*/) {}
  virtual void AddProgressLine(const std::string&) {}
  virtual int ProgressLineCount() { return 0; }
  virtual void SelectProgressLine(int /*index from 0*/) {}
  virtual void HideProgress() {}

  // frmOptions: value of chkLUT (1 when ticked). Reading it creates the
  // window, hidden, when it was never shown.
  virtual int OptionsLUTValue() { return 0; }

  // frmOutput: show without blocking.
  virtual void ShowOutput() {}

  // frmMap: shapes shpBB(0..10), the line Line1, the Close button.
  virtual void SetMapShapeFillStyle(int /*shape*/, int /*FillStyle*/) {}
  virtual void SetMapShapeBorderStyle(int /*shape*/, int /*BorderStyle*/) {}
  virtual void SetMapShapeFillColor(int /*shape*/, uint32_t /*0x00BBGGRR*/) {}
  virtual void SetMapLineBorderStyle(int /*BorderStyle*/) {}
  virtual void RefreshMap() {}
  virtual void ShowMap() {}
  virtual void FocusMapClose() {}
  // Unloads the map (when it is loaded): it shows a study area no longer loaded.
  virtual void UnloadMap() {}
};

// Installs the implementation (not owned); nullptr restores the default.
void SetWindowOps(WindowOps* ops);
WindowOps& Windows();

}  // namespace qel
