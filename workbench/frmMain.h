// The main window: the two input files, the constraint panel, the Run
// command, the menus and the status bar.
#pragma once

#include <QMainWindow>
#include <array>
#include <string>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;

class frmMain : public QMainWindow {
  Q_OBJECT

 public:
  frmMain();
  ~frmMain() override;

  // ---- Input area ----
  QLabel* lblInputfile = nullptr;
  QLineEdit* txtInputfile = nullptr;
  QPushButton* CmdInputfile = nullptr;
  QCheckBox* chkHeader = nullptr;
  QLabel* lblNrecs = nullptr;
  QLabel* lblContfile = nullptr;
  QLineEdit* txtContfile = nullptr;
  QPushButton* cmdGetcont = nullptr;
  QLabel* lblContrecs = nullptr;

  // ---- Constraint panel ----
  QGroupBox* fraLayerspec = nullptr;
  QLabel* lblNameA = nullptr;
  QLabel* lblNameB = nullptr;
  std::array<QRadioButton*, 3> optLaypop{};  // indexes 1 (population A) and 2 (B); 0 unused
  std::array<QCheckBox*, 2> chkLayerspec{};  // 0 layer A fixed, 1 layer B fixed
  QCheckBox* chkApprox = nullptr;
  QCheckBox* chkIRAapx = nullptr;
  QGroupBox* fraZonespec = nullptr;
  std::array<QCheckBox*, 4> chkZonespec{};   // 0 threshold, 1 target, 2 shape, 3 homogeneity
  QLineEdit* txtMinpop = nullptr;
  QLineEdit* txtTarpop = nullptr;
  QLineEdit* txtShapewt = nullptr;
  QLineEdit* txtHomvars = nullptr;
  QLineEdit* txtHomwt = nullptr;
  QCheckBox* chkSA = nullptr;
  QLineEdit* txtIterations = nullptr;
  QLabel* lblIterations = nullptr;
  QPushButton* cmdClear = nullptr;
  QPushButton* cmdExit = nullptr;
  QPushButton* cmdRun = nullptr;

  // ---- Menus ----
  QMenu* mnuFile = nullptr;
  QAction* mnuFileNew = nullptr;
  QAction* mnuFileBar1 = nullptr;
  QAction* mnuFileProperties = nullptr;
  QAction* mnuFileBar2 = nullptr;
  QAction* mnuFileExit = nullptr;
  QMenu* mnuEdit = nullptr;
  QAction* mnuEditUndo = nullptr;
  QAction* mnuEditBar0 = nullptr;
  QAction* mnuEditCut = nullptr;
  QAction* mnuEditCopy = nullptr;
  QAction* mnuEditPaste = nullptr;
  QMenu* mnuView = nullptr;
  QAction* mnuViewInputSummary = nullptr;
  QAction* mnuViewOptions = nullptr;
  QAction* mnuViewStatusBar = nullptr;
  QMenu* mnuHelp = nullptr;
  QAction* mnuHelpContents = nullptr;
  QAction* mnuHelpSearchForHelpOn = nullptr;
  QAction* mnuHelpBar0 = nullptr;
  QAction* mnuHelpAbout = nullptr;

  // ---- Status bar: "Status", date, time ----
  QStatusBar* sbStatusBar = nullptr;
  std::array<QLabel*, 3> sbPanels{};

  // The help file; empty means the program has none.
  std::string strHelpFile;

  // ---- Event handlers ----
  void Form_Load();
  void Form_Unload();
  void CmdInputfile_Click();
  void cmdGetcont_Click();
  void mnuViewInputSummary_Click();
  void chkLayerspec_Click(int index);
  void optLaypop_Click(int index);
  void chkApprox_Click();
  void chkIRAapx_Click();
  void chkZonespec_Click(int index);
  void cmdClear_Click();
  void cmdRun_Click();
  void cmdExit_Click();
  void mnuFileExit_Click();
  void mnuFileNew_Click();
  void mnuViewOptions_Click();
  void mnuViewStatusBar_Click();
  void mnuHelpContents_Click();
  void mnuHelpSearchForHelpOn_Click();
  void mnuHelpAbout_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void moveEvent(QMoveEvent* event) override;

 private:
  void BuildInputArea(QWidget* client);
  void BuildConstraintPanel(QWidget* client);
  // The whole window's tab order, once every control stands.
  void SetTabOrder();
  void BuildMenus();
  void BuildStatusBar();
  void RestorePlacement();
  // Sizes the window so that its outer bounds are the stored ones.
  void ResizeToStoredBounds();
  void FitStoredSizeToFrame();
  // Brings the status bar's date and time up to date.
  void UpdateStatusClock();
  void SavePlacement();
  void ShowHelpCommand(int command);
  // No contiguity data behind the panel: Run off, the contiguity row to load.
  void ShowNoContiguity();
  // The Run command's checks and copying; false when a check failed.
  bool ApplyRunSettings();

  QTimer* clock_ = nullptr;
  // Placement in twips read at load, re-applied once the frame is known.
  std::array<double, 4> placement_{};
  bool placementPending_ = false;
  bool unloaded_ = false;
  bool running_ = false;  // a run holds the thread; its repaints let close requests through
  // The building-block part of the input summary's count caption.
  QString summaryBlocks_;
};
