// The main window: the two loads through their dialogs, what each enables,
// the constraint panel, Clear form, the Run command's checks and the text it
// refuses, the saved placement, and closing during a run.
#include <QtWidgets>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmInputSummary.h"
#include "frmMain.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmOutput.h"
#include "frmQELRun.h"
#include "platform/Forms.h"
#include "platform/ModalScript.h"
#include "platform/Settings.h"
#include "workbench_session.h"

using platform::ModalScript;

namespace {

const std::string kSids = QEL_SOURCE_DIR "/tests/data/sids.pat";
const std::string kSidsCtg = QEL_SOURCE_DIR "/tests/data/sids.ctg";
const std::string kDemo = QEL_SOURCE_DIR "/data/QELdemo.";

// The links of a help page and a point inside each, in viewport coordinates.
std::vector<std::pair<QString, QPoint>> Links(QTextBrowser* page) {
  std::vector<std::pair<QString, QPoint>> links;
  for (QTextBlock b = page->document()->begin(); b.isValid(); b = b.next()) {
    for (auto it = b.begin(); !it.atEnd(); ++it) {
      const QTextFragment f = it.fragment();
      if (!f.charFormat().isAnchor()) continue;
      QTextCursor c(page->document());
      c.setPosition(f.position() + 1);
      links.emplace_back(f.charFormat().anchorHref(), page->cursorRect(c).center());
    }
  }
  return links;
}

// Counts the times a window is brought forward.
class Raises : public QObject {
 public:
  explicit Raises(QWidget* window) { window->installEventFilter(this); }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    count += event->type() == QEvent::ZOrderChange;
    return false;
  }
};

std::string LastPrompt() {
  const auto boxes = ModalScript::MessageBoxes();
  return boxes.empty() ? std::string() : boxes.back().prompt;
}

}  // namespace

class TestMainWindow : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  frmMain* w = nullptr;

  void Start() {
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings")).toStdString());
    ModalScript::Begin();
    ModalScript::SetFailureHook([](const std::string& text) { QTest::qFail(text.c_str(), __FILE__, __LINE__); });
    w = StartMainWindow();
  }
  void Stop() {
    StopMainWindow(w);
    ModalScript::SetFailureHook({});
    ModalScript::End();
  }
  // Picks a file in the dialog the command opens; `also` answers a box after it.
  void Load(QPushButton* command, const std::string& path, int also = 0) {
    ModalScript::AnswerPath(path);
    if (also) ModalScript::AnswerButton(also);
    command->click();
  }
  void LoadSids() {
    Load(w->CmdInputfile, kSids);
    Load(w->cmdGetcont, kSidsCtg);
  }
  std::string Write(const char* name, const std::string& text) { return WriteTestFile(dir_, name, text); }
  void Save(QPushButton* command, const std::string& path) {
    ModalScript::AnswerPath(path);
    ModalScript::AnswerButton(qel::kIdOk);
    command->click();
  }
  static std::string ReadAll(const std::string& path) {
    QFile f(QString::fromStdString(path));
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
  }
  // Clicks Run expecting one warning and no run; returns its prompt.
  std::string Refused() {
    const size_t before = ModalScript::MessageBoxes().size();
    ModalScript::AnswerButton(qel::kIdOk);
    w->cmdRun->click();
    if (frmQELRun::IsLoaded() && frmQELRun::Instance()->isVisible()) return "<ran>";
    return ModalScript::MessageBoxes().size() == before + 1 ? LastPrompt() : "<no single box>";
  }
  void ExpectStartState() {
    QVERIFY(w->CmdInputfile->isEnabled() && !w->cmdGetcont->isEnabled() && !w->cmdRun->isEnabled());
    QVERIFY(w->CmdInputfile->isDefault());
    for (QCheckBox* b : w->chkZonespec) QVERIFY(!b->isEnabled() && !b->isChecked());
    for (QCheckBox* b : w->chkLayerspec) QVERIFY(!b->isEnabled() && !b->isChecked());
    QVERIFY(w->lblNrecs->isHidden() && w->lblContrecs->isHidden() && w->txtInputfile->text().isEmpty());
    QVERIFY(!qel::blnFixedA && !qel::blnThresholdPop && !qel::blnHomog && qel::intNRecs == 0);
  }

 private slots:
  void init() { Start(); }
  void cleanup() { Stop(); }

  void loadsThroughTheDialogsEnableStepByStep() {
    ExpectStartState();
    // Cancel in the dialog is reported as its error and keeps what was there.
    w->txtInputfile->setText(QStringLiteral("earlier.pat"));
    ModalScript::AnswerCancel();
    ModalScript::AnswerButton(qel::kIdOk);
    w->CmdInputfile->click();
    const auto box = ModalScript::MessageBoxes().back();
    QCOMPARE(box.prompt, "Error 32755 " + qel::ErrorDescription(qel::kErrDialogCancel));
    QCOMPARE(box.style, 48);
    QCOMPARE(box.title, std::string("Error"));
    QCOMPARE(w->txtInputfile->text(), QStringLiteral("earlier.pat"));

    Load(w->CmdInputfile, kSids);
    const auto& dlg = ModalScript::Records()[2];
    QCOMPARE(dlg.title, std::string("Select an intersection file"));
    QCOMPARE(dlg.filter, std::string("All files (*.*)|*.*|Comma Separated Values files (*.csv)|*.csv|"
                                     "Text files (*.txt)|*.txt"));
    QCOMPARE(w->lblNrecs->text(), QStringLiteral("101 Zones read, 6 homogeneity variables"));
    QVERIFY(w->cmdGetcont->isEnabled() && !w->cmdRun->isEnabled());
    QVERIFY(w->cmdGetcont->isDefault() && !w->CmdInputfile->isDefault());
    ModalScript::AnswerCancel();
    ModalScript::AnswerButton(qel::kIdOk);
    w->cmdGetcont->click();
    QVERIFY(!w->cmdRun->isEnabled());

    Load(w->cmdGetcont, kSidsCtg);
    QCOMPARE(ModalScript::Records().back().title, std::string("Select a contiguity file"));
    QCOMPARE(w->lblContrecs->text(), QStringLiteral("287 Arc records read"));
    for (QCheckBox* b : w->chkZonespec) QVERIFY(b->isEnabled());
    for (QCheckBox* b : w->chkLayerspec) QVERIFY(b->isEnabled());
    QVERIFY(w->cmdRun->isEnabled() && w->mnuViewInputSummary->isEnabled());
    QVERIFY(w->cmdRun->isDefault() && !w->cmdGetcont->isDefault());
  }

  // Run needs neighbours: a new study area drops the lists of the old one
  // and takes Run away until a contiguity file is loaded for it.
  void runOnlyWithNeighbours() {
    LoadSids();
    QVERIFY(w->cmdRun->isEnabled() && w->cmdRun->isDefault());
    Load(w->CmdInputfile, kSids);
    QVERIFY(!w->cmdRun->isEnabled() && w->txtContfile->text().isEmpty());
  }

  void contiguityFileWithoutArcsKeepsTheLoadedOne() {
    LoadSids();
    for (const char* text : {"", "2 2 1\n"}) {
      Load(w->cmdGetcont, Write("none.ctg", text), qel::kIdOk);
      QVERIFY(LastPrompt().find("holds no usable arc") != std::string::npos);
      QCOMPARE(w->txtContfile->text().toStdString(), kSidsCtg);
      QCOMPARE(w->lblContrecs->text(), QStringLiteral("287 Arc records read"));
      QVERIFY(!w->lblContrecs->isHidden() && w->cmdRun->isEnabled());
      QVERIFY(w->cmdRun->isDefault());
    }
  }

  void headerLineNamesTheLayersOrCancelKeepsTheArea() {
    const std::string body = "1 0 0 0 0 0\n2 1 1 10 10 1\n3 1 1 10 10 1\n";
    w->chkHeader->setChecked(true);
    const std::string loaded = Write("h.pat", "id Regions Districts\n" + body);
    Load(w->CmdInputfile, loaded, qel::kIdOk);
    QCOMPARE(ModalScript::MessageBoxes().back().title, std::string("Header information"));
    QCOMPARE(w->lblNameA->text(), QStringLiteral("Regions"));
    QCOMPARE(w->lblNameB->text(), QStringLiteral("Districts"));
    Load(w->CmdInputfile, Write("c.pat", "id X Y\n" + body), qel::kIdCancel);
    QCOMPARE(int(qel::intNRecs), 3);
    QCOMPARE(w->txtInputfile->text().toStdString(), loaded);
    QCOMPARE(qel::strInputFile, loaded);
    QVERIFY(!w->lblNrecs->isHidden() && w->cmdGetcont->isEnabled());
    QCOMPARE(w->lblNameA->text(), QStringLiteral("Regions"));
  }

  void constraintPanelEnablesAndCaptions() {
    LoadSids();
    w->chkLayerspec[0]->click();
    QVERIFY(qel::blnFixedA && w->chkApprox->isEnabled() && !w->chkIRAapx->isEnabled());
    w->chkApprox->click();
    QVERIFY(w->chkIRAapx->isEnabled());
    w->chkLayerspec[1]->click();  // both layers fixed: nothing left to match
    QVERIFY(qel::blnFixedB && !w->chkApprox->isEnabled() && !w->chkIRAapx->isEnabled());

    w->chkZonespec[2]->click();
    QVERIFY(w->txtShapewt->isVisibleTo(w) && !w->optLaypop[1]->isEnabled());
    QCOMPARE(w->chkZonespec[2]->text(), QStringLiteral("Shape                       Weight"));
    w->chkZonespec[2]->click();
    QVERIFY(w->txtShapewt->isHidden());
    QCOMPARE(w->chkZonespec[2]->text(), QStringLiteral("Shape "));
    w->chkZonespec[3]->click();
    QCOMPARE(w->chkZonespec[3]->text(), QStringLiteral("Homog  Vars, Wt"));
    QCOMPARE(w->focusWidget(), w->txtHomvars);
    w->chkZonespec[3]->click();
    w->chkZonespec[0]->click();
    QVERIFY(qel::blnThresholdPop && w->optLaypop[1]->isEnabled() && w->optLaypop[2]->isEnabled());
    w->optLaypop[2]->click();
    QCOMPARE(int(qel::intPopLayer), 2);
    w->chkZonespec[0]->click();
    QVERIFY(!w->optLaypop[2]->isEnabled());
    QCOMPARE(int(qel::intPopLayer), 0);

    // Esc is Clear form: back to the start, typed texts kept for next time.
    w->chkZonespec[0]->click();
    w->txtMinpop->setText(QStringLiteral("9600"));
    QTest::keyClick(w, Qt::Key_Escape);
    ExpectStartState();
    QCOMPARE(w->chkZonespec[3]->text(), QStringLiteral("Homog"));
    LoadSids();
    w->chkZonespec[0]->click();
    QCOMPARE(w->txtMinpop->text(), QStringLiteral("9600"));
  }

  // A click on an option button's circle reaches the button, though the
  // "Fixed" box of its layer lies under it.
  void populationOptionsClickOnTheirCircles() {
    LoadSids();
    w->show();
    w->chkZonespec[0]->click();
    QWidget* client = w->centralWidget();
    for (int i : {2, 1}) {
      QRadioButton* option = w->optLaypop[i];
      QStyleOptionButton o;
      o.initFrom(option);
      const QRect circle = option->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &o, option);
      const QPoint at = option->mapTo(client, circle.center());
      QWidget* hit = client->childAt(at);
      QCOMPARE(hit, static_cast<QWidget*>(option));
      QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(client, at));
      QVERIFY(option->isChecked());
      QCOMPARE(int(qel::intPopLayer), i);
    }
  }

  void runChecksInOrderAndWhatStaysWritten() {
    struct Check {
      std::function<void()> setUp;
      const char* prompt;
      const char* title;
      std::function<bool()> written;
    };
    const Check checks[] = {
        // Population first, even with a shape weight missing too: nothing written.
        {[this] {
           w->chkZonespec[0]->setChecked(true);
           w->chkZonespec[2]->setChecked(true);
           w->txtShapewt->clear();
         },
         "Targets and thresholds require population values", "Population control",
         [] { return qel::dblThreshold == 77 && qel::blnApprox; }},
        // Weights next: the population and matching steps are written by then.
        {[this] {
           w->chkZonespec[0]->setChecked(true);
           w->txtMinpop->setText(QStringLiteral("12.5"));
           w->chkZonespec[2]->setChecked(true);
           w->txtShapewt->clear();
           w->chkLayerspec[0]->setChecked(true);
           w->chkApprox->setChecked(false);
         },
         "Shape and homogeneity require weights and control layers", "Shape and homogeneity control",
         [] { return qel::dblThreshold == 12 && !qel::blnApprox && qel::strRunFile == kSids; }},
        {[this] { w->chkZonespec[3]->setChecked(true); }, "Homogeneity variables must be defined",
         "Homogeneity control", [] { return qel::dblHomWeight == 9; }},
        {[this] {
           w->chkZonespec[3]->setChecked(true);
           w->txtHomvars->setText(QStringLiteral("2,2 1 1"));  // "22": the sum is wrong
         },
         "Variable definition does not match input data", "Homogeneity control",
         [] { return qel::intNHomGroups == 3 && qel::intGroupSize(1) == 22 && qel::dblHomWeight == 9; }},
    };
    for (const Check& c : checks) {
      w->cmdClear->click();
      LoadSids();
      qel::dblThreshold = 77;
      qel::blnApprox = true;
      qel::dblHomWeight = 9;
      c.setUp();
      QCOMPARE(Refused(), std::string(c.prompt));
      QCOMPARE(ModalScript::MessageBoxes().back().title, std::string(c.title));
      QVERIFY2(c.written(), c.prompt);
    }
  }

  void refusedPreparationIsNoResult() {
    LoadSids();
    w->chkZonespec[0]->setChecked(true);
    w->txtMinpop->setText(QStringLiteral("9600"));
    w->cmdRun->click();
    frmOutput::Instance()->hide();
    const int tracts = qel::intNBestTracts;
    const std::string composition = dir_.filePath(QStringLiteral("t.csv")).toStdString();
    qel::WriteTractComposition(composition + ".before");
    w->chkZonespec[1]->setChecked(true);
    w->txtTarpop->setText(QStringLiteral("0"));
    ModalScript::AnswerButton(qel::kIdOk);
    w->cmdRun->click();
    QCOMPARE(LastPrompt(), std::string("Target population must be greater than 0"));
    QVERIFY(!frmQELRun::Instance()->isVisible() && !frmOutput::Instance()->isVisible());
    QCOMPARE(int(qel::intNBestTracts), tracts);
    qel::WriteTractComposition(composition);
    QFile before(QString::fromStdString(composition + ".before")), after(QString::fromStdString(composition));
    QVERIFY(before.open(QIODevice::ReadOnly) && after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), before.readAll());
  }

  // A file that does not load whole changes nothing that the window shows
  // or that a run would use.
  void refusedLoadsLeaveTheWindowAsItWas() {
    LoadSids();
    auto shown = [this] {
      return QStringList{w->txtInputfile->text(), w->lblNrecs->text(), w->txtContfile->text(), w->lblContrecs->text(),
                         frmInputSummary::Instance()->lblNrecs->text(), w->lblNameA->text(),
                         QString::number(w->cmdRun->isEnabled()), QString::number(w->cmdRun->isDefault()),
                         QString::number(w->mnuViewInputSummary->isEnabled()), QString::number(qel::intNRecs)};
    };
    const QStringList before = shown();
    const std::string pat = Write("bad.pat", "1 0 0 0 0 0\n2 1 1 10 10 1\n3 1 1 10 10 1\n40000 1 1 1 1 1\n");
    Load(w->CmdInputfile, pat, qel::kIdOk);
    QCOMPARE(LastPrompt(), "Error 6 Overflow: value outside the range of a 16-bit number in field 1 (line 4 of " + pat + ")");
    QCOMPARE(shown(), before);
    QFile sids(QString::fromStdString(kSidsCtg));
    QVERIFY(sids.open(QIODevice::ReadOnly));
    std::string ctg;
    for (int line = 1; line < 200; ++line) ctg += sids.readLine().toStdString();
    const std::string bad = Write("bad.ctg", ctg + "2 3\n");
    Load(w->cmdGetcont, bad, qel::kIdOk);
    QCOMPARE(LastPrompt(), "Error 13 Type mismatch: a line needs two record numbers and a length (line 200 of " + bad + ")");
    QCOMPARE(shown(), before);
    QVERIFY(qel::arrBB(101).intNNbrs > 0);  // the last county keeps its neighbours
  }

  // Once another area is loaded the window neither shows nor saves the
  // last run's results; a run that keeps no solution of its own study area
  // lists and saves no tracts. (What the files hold: the engine's tests.)
  void resultsStayWithTheirStudyArea() {
    LoadSids();
    w->chkZonespec[0]->setChecked(true);
    w->txtMinpop->setText(QStringLiteral("9600"));
    w->cmdRun->click();
    frmOutput* out = frmOutput::Instance();
    const std::string log = dir_.filePath(QStringLiteral("QELlog.txt")).toStdString();
    const std::string csv = dir_.filePath(QStringLiteral("QELout.csv")).toStdString();
    const std::string lattice = Write("l.pat", "1 0 0 0 0 0\n2 1 1 10 10 1\n3 1 1 10 10 1\n");
    Load(w->CmdInputfile, lattice);
    Load(w->cmdGetcont, Write("l.ctg", "2 3 1\n2 1 1\n3 1 1\n"));
    const int lines = out->lstOutInfo->count();
    const size_t records = ModalScript::Records().size();
    for (QPushButton* command : {out->cmdView, out->cmdSaveLog, out->cmdSaveTcts}) {
      ModalScript::AnswerButton(qel::kIdOk);
      command->click();
      QCOMPARE(LastPrompt(), "The results of the last run, on " + kSids +
                                 ", are no longer held: an intersection file has been loaded since");
    }
    QCOMPARE(ModalScript::Records().size(), records + 3);  // the boxes alone, no dialog
    QCOMPARE(out->lstOutInfo->count(), lines);

    w->txtIterations->setText(QStringLiteral("0"));
    ModalScript::AnswerButton(qel::kIdOk);
    w->cmdRun->click();
    QCOMPARE(LastPrompt(), std::string("The run found no solution: there are no tracts to report or save"));
    QVERIFY(out->isVisible());
    out->cmdView->click();
    QCOMPARE(out->lstOutInfo->item(out->lstOutInfo->count() - 1)->text(),
             QStringLiteral("Tract ID, Pop, No. parts, BBinput IDs"));
    ModalScript::AnswerButton(qel::kIdOk);
    out->cmdSaveTcts->click();
    QCOMPARE(LastPrompt(), std::string("The last run found no solution: there are no tracts to save"));
    QVERIFY(!QFile::exists(QString::fromStdString(csv)));
    Save(out->cmdSaveLog, log);
    QVERIFY(ReadAll(log).find("Input file : " + lattice + "\r\n") != std::string::npos);
  }

  void unusableTextIsRefusedNotFatal() {
    const std::string pop = "Population values must be whole numbers from -32768 to 32767";
    const std::string sizes = "Homogeneity group sizes must be whole numbers separated by blanks";
    const std::string iterations = "The number of iterations must be a whole number from -32768 to 32767";
    const struct {
      QLineEdit* box;
      int zone;
      const char* text;
      std::string prompt;
    } cases[] = {
        {w->txtMinpop, 0, "lots", pop},
        {w->txtMinpop, 0, "40000", pop},
        {w->txtShapewt, 2, "heavy", "Shape and homogeneity weights must be numbers"},
        {w->txtHomvars, 3, "1 1 1 1 1 1 0 0 0 0 0 0 0", "At most 12 homogeneity groups can be defined"},
        {w->txtHomvars, 3, "2 2 x 1", sizes},
        {w->txtHomvars, 3, "40000 1", sizes},
        {w->txtIterations, -1, "ten", iterations},
        {w->txtIterations, -1, "99999", iterations},
    };
    for (const auto& c : cases) {
      w->cmdClear->click();
      LoadSids();
      qel::intNHomGroups = 2;
      if (c.zone >= 0) w->chkZonespec[c.zone]->setChecked(true);
      c.box->setText(QString::fromLatin1(c.text));
      QCOMPARE(Refused(), c.prompt);
      QCOMPARE(int(qel::intNHomGroups), 2);  // a refused definition leaves the earlier one
    }
  }

  void placementSavedAndRestored() {
    w->setGeometry(100, 120, 700, 500);
    const QRect outer = w->frameGeometry();
    w->close();
    QVERIFY(platform::GetSetting("QEL", "Settings", "MainWidth", "absent") != "absent");
    Stop();
    Start();
    QCOMPARE(w->frameGeometry(), outer);
    // Nonsense in the store falls back to a sane size.
    platform::SaveSetting("QEL", "Settings", "MainWidth", "1e30");
    Stop();
    Start();
    QVERIFY(w->width() > 0 && w->width() < 100000);
    w->close();  // and nothing absurd is stored back
    QVERIFY(std::stod(platform::GetSetting("QEL", "Settings", "MainWidth", "0")) <= 1e6);
  }

  // Windows without a designed place open centred on the main window, which
  // owns them (and the about box, which has a designed place); help opens
  // beside it.
  void windowsOpenOnTheMainWindow() {
    w->show();
    w->setGeometry(100, 150, 600, 500);
    LoadSids();
    const std::pair<QAction*, const char*> commands[] = {{w->mnuViewOptions, "frmOptions"},
                                                         {w->mnuViewInputSummary, "frmInputSummary"}};
    for (const auto& [command, name] : commands) {
      command->trigger();
      auto* window = w->findChild<QWidget*>(QString::fromLatin1(name));
      QVERIFY2(window && window->isVisible() && window->isWindow(), name);
      const QPoint off = window->frameGeometry().center() - w->frameGeometry().center();
      QVERIFY2(off.manhattanLength() <= 2, name);
      window->hide();  // alone: a window opened over another steps aside
    }
    w->setGeometry(2, 150, 150, 400);  // room for help on the right only
    w->mnuHelpContents->trigger();
    auto* help = w->findChild<QWidget*>(QStringLiteral("HelpViewer"));
    QVERIFY(help->isVisible() && !help->frameGeometry().intersects(w->frameGeometry()));
    w->mnuHelpAbout->trigger();
    QVERIFY(w->findChild<QWidget*>(QStringLiteral("frmAbout"))->isVisible());
  }

  // At the end of a run over the demo set the report opens beside the main
  // window, not over its controls, and the map beside the report, all on the
  // screen.
  void reportAndMapOpenBesideTheMainWindow() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    w->show();
    w->setGeometry(QRect(screen.topLeft(), QSize(300, 300)));
    Load(w->CmdInputfile, kDemo + "pat");
    Load(w->cmdGetcont, kDemo + "ctg");
    w->chkZonespec[0]->setChecked(true);
    w->txtMinpop->setText(QStringLiteral("200"));
    w->cmdRun->click();
    const QRect report = frmOutput::Instance()->frameGeometry(), map = frmMap::Instance()->frameGeometry();
    QVERIFY(frmOutput::Instance()->isVisible() && frmMap::Instance()->isVisible());
    QVERIFY(screen.contains(report) && screen.contains(map));
    QVERIFY(!report.intersects(w->frameGeometry()) && !map.intersects(w->frameGeometry()));
    QVERIFY(!map.intersects(report));
    QCOMPARE(report.top(), w->frameGeometry().top());  // level with it, on its right
    QVERIFY(report.left() > w->frameGeometry().right());
  }

  // Opened while the input summary is open, the options dialog goes beside
  // the main window, where it hides neither the summary nor the main window;
  // so does the summary opened over the options. View > Options brings the
  // open dialog forward, as View > Input Summary does the summary.
  void optionsAndSummaryDoNotHideEachOther() {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    w->show();
    w->setGeometry(QRect(screen.topLeft() + QPoint(0, 20), QSize(300, 400)));
    LoadSids();
    QWidget* summary = frmInputSummary::Instance();
    QWidget* options = frmOptions::Instance();
    w->mnuViewInputSummary->trigger();
    w->mnuViewOptions->trigger();
    QVERIFY(summary->isVisible() && options->isVisible());
    QVERIFY(!options->frameGeometry().intersects(summary->frameGeometry()));
    QVERIFY(!options->frameGeometry().intersects(w->frameGeometry()) && screen.contains(options->frameGeometry()));
    summary->hide();
    options->move(w->frameGeometry().center() - options->rect().center());
    w->mnuViewInputSummary->trigger();
    QVERIFY(!options->frameGeometry().intersects(summary->frameGeometry()));
    const Raises raised(options);
    w->mnuViewOptions->trigger();
    QCOMPARE(raised.count, 1);
  }

  // Help comes from inside the program: the contents page lists every topic
  // as a link that opens with a click, and the search looks through the text.
  void helpContentsLinksAndSearch() {
    w->mnuHelpContents->trigger();
    auto* viewer = w->findChild<QDialog*>(QStringLiteral("HelpViewer"));
    QVERIFY(viewer && viewer->isVisible());
    auto* page = viewer->findChild<QTextBrowser*>(QStringLiteral("page"));
    QCOMPARE(page->source(), QUrl(QStringLiteral("qrc:/help/contents.html")));
    QStringList titles;
    for (const auto& [link, at] : Links(page)) {
      QTest::mouseClick(page->viewport(), Qt::LeftButton, {}, at);
      QCOMPARE(page->source().fileName(), link);
      titles << page->documentTitle();
      page->setSource(QUrl(QStringLiteral("qrc:/help/contents.html")));
    }
    QCOMPARE(titles.size(), 10);
    QVERIFY(titles.contains(QStringLiteral("Layer control")) && !titles.contains(QString()));

    w->mnuHelpSearchForHelpOn->trigger();
    auto* word = viewer->findChild<QLineEdit*>(QStringLiteral("searchWord"));
    auto* results = viewer->findChild<QListWidget*>(QStringLiteral("results"));
    QCOMPARE(viewer->focusWidget(), word);
    QCOMPARE(results->count(), 11);  // no word yet: every page, as the contents list them
    for (int i = 0; i < 10; ++i) QCOMPARE(results->item(i + 1)->text(), titles[i]);
    QTest::keyClicks(word, QStringLiteral("qellut.CSV"));  // in the text only, any case
    QCOMPARE(results->count(), 1);
    QCOMPARE(results->item(0)->text(), QStringLiteral("Options"));
    results->setCurrentRow(0);
    QCOMPARE(page->source().fileName(), QStringLiteral("options.html"));
    word->setText(QStringLiteral("no such word anywhere"));
    QCOMPARE(results->count(), 0);
    viewer->close();
  }

  // Enter in "Look for" runs the search and shows the first page found with
  // every place of the word marked; the window stays, opened by Search as by
  // Contents. A word found nowhere is said to be so.
  void helpSearchWithEnter() {
    for (QAction* opened : {w->mnuHelpSearchForHelpOn, w->mnuHelpContents}) {
      opened->trigger();
      auto* viewer = w->findChild<QDialog*>(QStringLiteral("HelpViewer"));
      auto* word = viewer->findChild<QLineEdit*>(QStringLiteral("searchWord"));
      auto* results = viewer->findChild<QListWidget*>(QStringLiteral("results"));
      auto* page = viewer->findChild<QTextBrowser*>(QStringLiteral("page"));
      word->setFocus();
      word->setText(QStringLiteral("Seed"));
      QTest::keyClick(word, Qt::Key_Return);
      QVERIFY(viewer->isVisible());
      QCOMPARE(results->currentRow(), 0);
      QCOMPARE(page->documentTitle(), results->item(0)->text());
      const auto marks = page->extraSelections();
      QVERIFY(!marks.isEmpty());
      for (const auto& mark : marks) QCOMPARE(mark.cursor.selectedText(), QStringLiteral("seed"));
      QCOMPARE(marks.size(), page->toPlainText().count(QStringLiteral("seed"), Qt::CaseInsensitive));

      auto* nothing = viewer->findChild<QLabel*>(QStringLiteral("nothingFound"));
      QVERIFY(nothing && nothing->text().isEmpty());
      const QUrl shown = page->source();
      word->setText(QStringLiteral("zyzzyva"));
      QTest::keyClick(word, Qt::Key_Return);
      QVERIFY(viewer->isVisible() && nothing->isVisible());
      QCOMPARE(results->count(), 0);
      QCOMPARE(nothing->text(), QStringLiteral("No topic contains \"zyzzyva\"."));
      QCOMPARE(page->source(), shown);
      QVERIFY(page->extraSelections().isEmpty());
    }
  }

  void closingIsIgnoredDuringARun() {
    LoadSids();
    w->chkZonespec[0]->setChecked(true);
    w->txtMinpop->setText(QStringLiteral("9600"));
    w->txtIterations->setText(QStringLiteral("3"));
    // The run's repaints let a pending close request through.
    QTimer::singleShot(0, w, [this] { w->close(); });
    w->show();
    w->cmdRun->click();
    QVERIFY(w->isVisible());  // not closed
    QVERIFY(frmQELRun::IsLoaded() && qel::intNBestTracts > 0);
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
