// The main window: its controls, menus and status bar, the placement kept in
// the settings store, closing, Exit, help and about.
#include "frmMain.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <iterator>

#include "Fonts.h"
#include "MakeFormControl.h"
#include "engine.h"
#include "frmAbout.h"
#include "frmOptions.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/Process.h"
#include "platform/Settings.h"
#include "platform/Twips.h"
#include "platform/WholeCaptions.h"

namespace {

constexpr int kClientWidth = 8880;
constexpr int kClientHeight = 6345;
constexpr int kStatusBarHeight = 270;

struct PlacementKey {
  const char* key;
  float fallback;
};
constexpr PlacementKey kPlacement[4] = {
    {"MainLeft", 1000}, {"MainTop", 1000}, {"MainWidth", 6500}, {"MainHeight", 6500}};

// Stored values that are absurd are held within this, so that pixel
// arithmetic cannot overflow.
constexpr double kMaxTwips = 1.0e6;

int PlacementPixels(double twips, bool horizontal) {
  const int v = static_cast<int>(twips);  // within kMaxTwips since it was read
  return horizontal ? platform::TwipsToPixelsX(v) : platform::TwipsToPixelsY(v);
}

}  // namespace

frmMain::frmMain() : QMainWindow(nullptr) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("QEL Workbench"));
  strHelpFile = platform::ProgramHelpFile();

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFont(FormFont());
  setCentralWidget(client);
  BuildInputArea(client);
  BuildConstraintPanel(client);
  cmdExit = MakeFormControl<QPushButton>(client, "cmdExit", QStringLiteral("E&xit"), 3240, 4560,
                                         1215, 375);
  connect(cmdExit, &QPushButton::clicked, this, [this] { cmdExit_Click(); });
  SetTabOrder();
  platform::KeepCaptionsWhole(client, false);
  BuildMenus();
  BuildStatusBar();

  // The designed client area, the status bar included.
  resize(platform::TwipsToPixelsX(kClientWidth),
         platform::TwipsToPixelsY(kClientHeight - kStatusBarHeight) +
             menuBar()->sizeHint().height() + platform::TwipsToPixelsY(kStatusBarHeight));
  platform::SetCancelButton(this, cmdClear);
  platform::NoteLoaded(this, [this] { close(); });
  platform::SetMainWindow(this);
}

frmMain::~frmMain() { platform::NoteUnloaded(this); }

void frmMain::SetTabOrder() {
  // Tab goes through the window as it reads: top to bottom, left to right.
  QWidget* const order[] = {txtInputfile,    CmdInputfile,   chkHeader,       txtContfile,
                            cmdGetcont,      chkLayerspec[0], optLaypop[1],   chkLayerspec[1],
                            optLaypop[2],    chkApprox,      chkIRAapx,       chkZonespec[0],
                            txtMinpop,       chkZonespec[1], txtTarpop,       chkZonespec[2],
                            txtShapewt,      chkZonespec[3], txtHomvars,      txtHomwt,
                            chkSA,           txtIterations,  cmdExit,         cmdClear,
                            cmdRun};
  for (size_t i = 1; i < std::size(order); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

void frmMain::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("menuBar"));
  auto item = [](QMenu* menu, const char* name, const QString& caption, bool enabled,
                     const QKeySequence& shortcut = QKeySequence()) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
  };
  auto separator = [](QMenu* menu, const char* name) {
    QAction* a = menu->addSeparator();
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };

  mnuFile = bar->addMenu(QStringLiteral("&File"));
  mnuFile->setObjectName(QStringLiteral("mnuFile"));
  mnuFileNew = item(mnuFile, "mnuFileNew", QStringLiteral("&New"), false, QKeySequence(Qt::CTRL | Qt::Key_N));
  mnuFileBar1 = separator(mnuFile, "mnuFileBar1");
  mnuFileProperties = item(mnuFile, "mnuFileProperties", QStringLiteral("Propert&ies"), false);
  mnuFileBar2 = separator(mnuFile, "mnuFileBar2");
  mnuFileExit = item(mnuFile, "mnuFileExit", QStringLiteral("E&xit"), true);

  mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
  mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
  mnuEditUndo = item(mnuEdit, "mnuEditUndo", QStringLiteral("&Undo"), false);
  mnuEditBar0 = separator(mnuEdit, "mnuEditBar0");
  mnuEditCut = item(mnuEdit, "mnuEditCut", QStringLiteral("Cu&t"), false, QKeySequence(Qt::CTRL | Qt::Key_X));
  mnuEditCopy = item(mnuEdit, "mnuEditCopy", QStringLiteral("&Copy"), false, QKeySequence(Qt::CTRL | Qt::Key_C));
  mnuEditPaste = item(mnuEdit, "mnuEditPaste", QStringLiteral("&Paste"), false, QKeySequence(Qt::CTRL | Qt::Key_V));

  mnuView = bar->addMenu(QStringLiteral("&View"));
  mnuView->setObjectName(QStringLiteral("mnuView"));
  mnuViewInputSummary = item(mnuView, "mnuViewInputSummary", QStringLiteral("&Input Summary"), false);
  mnuViewOptions = item(mnuView, "mnuViewOptions", QStringLiteral("&Options..."), true);
  mnuViewStatusBar = item(mnuView, "mnuViewStatusBar", QStringLiteral("Status &Bar"), true);
  mnuViewStatusBar->setCheckable(true);
  mnuViewStatusBar->setChecked(true);

  mnuHelp = bar->addMenu(QStringLiteral("&Help"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuHelpContents = item(mnuHelp, "mnuHelpContents", QStringLiteral("&Contents"), true);
  mnuHelpSearchForHelpOn =
      item(mnuHelp, "mnuHelpSearchForHelpOn", QStringLiteral("&Search For Help On..."), true);
  mnuHelpBar0 = separator(mnuHelp, "mnuHelpBar0");
  mnuHelpAbout = item(mnuHelp, "mnuHelpAbout", QStringLiteral("&About "), true);

  connect(mnuFileNew, &QAction::triggered, this, [this] { mnuFileNew_Click(); });
  connect(mnuFileExit, &QAction::triggered, this, [this] { mnuFileExit_Click(); });
  connect(mnuViewInputSummary, &QAction::triggered, this, [this] { mnuViewInputSummary_Click(); });
  connect(mnuViewOptions, &QAction::triggered, this, [this] { mnuViewOptions_Click(); });
  // The action has already flipped its own mark: undo that, the handler flips it.
  connect(mnuViewStatusBar, &QAction::triggered, this, [this] {
    mnuViewStatusBar->setChecked(!mnuViewStatusBar->isChecked());
    mnuViewStatusBar_Click();
  });
  connect(mnuHelpContents, &QAction::triggered, this, [this] { mnuHelpContents_Click(); });
  connect(mnuHelpSearchForHelpOn, &QAction::triggered, this,
          [this] { mnuHelpSearchForHelpOn_Click(); });
  connect(mnuHelpAbout, &QAction::triggered, this, [this] { mnuHelpAbout_Click(); });
}

void frmMain::BuildStatusBar() {
  sbStatusBar = statusBar();
  sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
  sbStatusBar->setSizeGripEnabled(true);
  sbStatusBar->setFont(FormFont());
  sbStatusBar->setFixedHeight(std::max(platform::TwipsToPixelsY(kStatusBarHeight),
                                       sbStatusBar->fontMetrics().height() + 6));
  sbPanels[0] = new QLabel(QStringLiteral("Status"));
  sbPanels[1] = new QLabel;
  sbPanels[2] = new QLabel;
  const char* names[3] = {"sbPanelStatus", "sbPanelDate", "sbPanelTime"};
  for (int i = 0; i < 3; ++i) {
    sbPanels[i]->setObjectName(QString::fromLatin1(names[i]));
    sbPanels[i]->setFrameShape(QFrame::Panel);
    sbPanels[i]->setFrameShadow(QFrame::Sunken);
    sbPanels[i]->setContentsMargins(4, 0, 4, 0);
  }
  sbStatusBar->addWidget(sbPanels[0], 1);
  sbStatusBar->addPermanentWidget(sbPanels[1]);
  sbStatusBar->addPermanentWidget(sbPanels[2]);
  UpdateStatusClock();
  // The date and time panels keep themselves up to date.
  clock_ = new QTimer(this);
  connect(clock_, &QTimer::timeout, this, &frmMain::UpdateStatusClock);
  clock_->start(1000);
}

void frmMain::UpdateStatusClock() {
  sbPanels[1]->setText(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
  sbPanels[2]->setText(QTime::currentTime().toString(QStringLiteral("HH:mm")));
}

// ---- Load, placement, close ------------------------------------------------

void frmMain::Form_Load() {
  RestorePlacement();
  platform::SetDefaultButton(this, CmdInputfile);
  qel::intRandomSeed = 99;
  qel::dblOffsetPct = 10;
  qel::dblSAStart = 20;
  qel::dblPopWeight = 1.0;
  qel::dblApxWeight = 1.0;
}

void frmMain::RestorePlacement() {
  // Stored values, or the defaults on a first start: the outer bounds are
  // then 6500 twips square, narrower than the designed client area, and the
  // user widens the window once; the next start restores that size.
  for (int i = 0; i < 4; ++i) {
    const std::string text = platform::GetSetting(qel::kProgramTitle, "Settings", kPlacement[i].key,
                                                  platform::SingleText(kPlacement[i].fallback));
    // A stored value beyond any screen is held to one far off it, in the
    // window and in what is stored back.
    placement_[i] = std::clamp<double>(platform::SingleFromText(text, kPlacement[i].fallback), -kMaxTwips, kMaxTwips);
  }
  move(PlacementPixels(placement_[0], true), PlacementPixels(placement_[1], false));
  ResizeToStoredBounds();
  placementPending_ = true;
}

void frmMain::ResizeToStoredBounds() {
  const QSize frameExtra = frameGeometry().size() - geometry().size();
  resize(std::max(1, PlacementPixels(placement_[2], true) - frameExtra.width()),
         std::max(1, PlacementPixels(placement_[3], false) - frameExtra.height()));
}

// A window manager puts its frame round the window only after it is shown
// (the window then moves inside the frame): until then the outer size is the
// inner one. Once the frame is there, the outer size becomes the stored one.
// Without a window manager there is no frame, and the sizes are the same.
void frmMain::FitStoredSizeToFrame() {
  if (!placementPending_ || frameGeometry().size() == geometry().size()) return;
  placementPending_ = false;
  ResizeToStoredBounds();
}

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FitStoredSizeToFrame();
}

void frmMain::moveEvent(QMoveEvent* event) {
  QMainWindow::moveEvent(event);
  FitStoredSizeToFrame();
}

void frmMain::SavePlacement() {
  const QRect r = frameGeometry();
  const int pixels[4] = {r.left(), r.top(), r.width(), r.height()};
  for (int i = 0; i < 4; ++i) {
    const bool horizontal = i % 2 == 0;
    // A bound still where the stored value put it keeps that value: twips
    // finer than a pixel do not drift from one start to the next.
    const double twips = pixels[i] == PlacementPixels(placement_[i], horizontal)
                             ? placement_[i]
                             : horizontal ? platform::PixelsToTwipsX(pixels[i])
                                          : platform::PixelsToTwipsY(pixels[i]);
    platform::SaveSetting(qel::kProgramTitle, "Settings", kPlacement[i].key,
                          platform::SingleText(static_cast<float>(twips)));
  }
}

void frmMain::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  platform::UnloadAllExcept(this);
  if (!isMinimized()) SavePlacement();
  platform::NoteUnloaded(this);
  if (clock_) clock_->stop();
}

void frmMain::closeEvent(QCloseEvent* event) {
  // A run cannot be interrupted: closing now would leave its windows
  // without a main window.
  if (running_) {
    event->ignore();
    return;
  }
  Form_Unload();
  event->accept();
}

void frmMain::cmdExit_Click() {
  // Ends at once: no window's close steps run and the placement is not saved.
  platform::EndProcess();
}

void frmMain::mnuFileExit_Click() { cmdExit_Click(); }

void frmMain::mnuFileNew_Click() { cmdClear_Click(); }

// ---- View ----------------------------------------------------------------------

void frmMain::mnuViewOptions_Click() {
  try {
    // Brought forward when it is open already, as the input summary is.
    platform::BringForward(frmOptions::Instance());
  } catch (...) {
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
}

void frmMain::mnuViewStatusBar_Click() {
  mnuViewStatusBar->setChecked(!mnuViewStatusBar->isChecked());
  sbStatusBar->setVisible(mnuViewStatusBar->isChecked());
}

// ---- Help ----------------------------------------------------------------------

void frmMain::ShowHelpCommand(int command) {
  if (strHelpFile.empty()) {
    platform::ShowMessageBox(
        "Unable to display Help Contents. There is no Help associated with this project.", 64,
        windowTitle().toStdString());
    return;
  }
  try {
    platform::ShowHelp(this, strHelpFile, command);
  } catch (const qel::RuntimeError& e) {
    platform::ShowMessageBox(e.Description(), 0, qel::kProgramTitle);
  } catch (const std::exception& e) {
    platform::ShowMessageBox(e.what(), 0, qel::kProgramTitle);
  }
}

void frmMain::mnuHelpContents_Click() { ShowHelpCommand(platform::kHelpContents); }

void frmMain::mnuHelpSearchForHelpOn_Click() { ShowHelpCommand(platform::kHelpPartialKey); }

void frmMain::mnuHelpAbout_Click() {
  try {
    // Loading the box gives it its title and version.
    platform::BringForward(frmAbout::Instance());
  } catch (...) {
    qel::ShowErrorBox(qel::ErrorFromException(std::current_exception()));
  }
}
