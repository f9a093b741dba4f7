// The main window: loading the two files, the input summary, the constraint
// panel, Clear form, and the window shell (placement, menus, status bar,
// help, closing and Exit).
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QStatusBar>

#include "frmMain_fixture.h"
#include "platform/FormKeys.h"
#include "platform/Twips.h"

using mwtest::MainWindowFixture;
using platform::ModalScript;

class TestFrmMain : public QObject {
  Q_OBJECT
  MainWindowFixture fx;

  // A 2 x 2 study area without homogeneity variables; `pop` is every block's
  // population A.
  std::string SmallArea(const char* name, double pop, double outsidePop = 0) {
    std::string pat = "1 0 0 " + std::to_string(outsidePop) + " 0 0\n";
    for (int r = 2; r <= 5; ++r)
      pat += std::to_string(r) + " 1 1 " + std::to_string(pop) + " 10 1\n";
    return mwtest::WriteText(fx.dir, name, pat);
  }
  std::string SmallCtg() {
    return mwtest::WriteText(fx.dir, "small.ctg", "2 3 1\n4 5 1\n2 4 1\n3 5 1\n1 2 2\n1 3 2\n1 4 2\n1 5 2\n");
  }

 private slots:
  void init() { fx.Start(); }
  void cleanup() { fx.Stop(); }

  // The states before any file is loaded, which Clear form returns to.
  static void ExpectStartState(frmMain* w) {
    QVERIFY(w->CmdInputfile->isEnabled() && !w->cmdGetcont->isEnabled() && !w->cmdRun->isEnabled());
    QCOMPARE(platform::DefaultButton(w), w->CmdInputfile);
    QVERIFY(!w->mnuViewInputSummary->isEnabled() && !w->chkHeader->isChecked());
    for (QCheckBox* b : w->chkZonespec) QVERIFY(!b->isEnabled() && !b->isChecked());
    for (QCheckBox* b : w->chkLayerspec) QVERIFY(!b->isEnabled() && !b->isChecked());
    QVERIFY(!w->chkApprox->isEnabled() && !w->chkApprox->isChecked() && !w->chkIRAapx->isChecked());
    QVERIFY(w->optLaypop[1]->isChecked() && !w->optLaypop[1]->isEnabled() && !w->optLaypop[2]->isEnabled());
    QVERIFY(w->lblNrecs->isHidden() && w->lblContrecs->isHidden());
    QVERIFY(w->txtInputfile->text().isEmpty() && w->txtContfile->text().isEmpty());
    QCOMPARE(w->txtIterations->text(), QStringLiteral("1"));
    for (QLineEdit* t : {w->txtMinpop, w->txtTarpop, w->txtShapewt, w->txtHomvars, w->txtHomwt})
      QVERIFY(t->isHidden());
    QVERIFY(!qel::blnFixedA && !qel::blnFixedB && !qel::blnThresholdPop && !qel::blnTargetPop &&
            !qel::blnShape && !qel::blnHomog);
  }

  void startsWithOnlyTheIntersectionRowWorking() {
    ExpectStartState(fx.w);
    QCOMPARE(platform::CancelButton(fx.w), fx.w->cmdClear);
    QVERIFY(fx.w->chkSA->isEnabled());
    // Option defaults set by loading the window.
    QCOMPARE(int(qel::intRandomSeed), 99);
    QCOMPARE(qel::dblOffsetPct, 10.0);
    QCOMPARE(qel::dblSAStart, 20.0);
    QCOMPARE(qel::dblPopWeight, 1.0);
    QCOMPARE(qel::dblApxWeight, 1.0);
  }

  void loadingBothFilesEnablesStepByStep() {
    frmMain* w = fx.w;
    fx.LoadIntersections(mwtest::Sids());
    const auto& dlg = ModalScript::Records().front();
    QCOMPARE(dlg.title, std::string("Select an intersection file"));
    QCOMPARE(dlg.filter, std::string("All files (*.*)|*.*|Comma Separated Values files (*.csv)|*.csv|"
                                     "Text files (*.txt)|*.txt"));
    QCOMPARE(dlg.flags, 4100);
    QCOMPARE(w->txtInputfile->text().toStdString(), mwtest::Sids());
    QVERIFY(w->txtInputfile->isReadOnly() && w->txtContfile->isReadOnly());
    QCOMPARE(qel::strInputFile, mwtest::Sids());
    QCOMPARE(w->lblNrecs->text(), QStringLiteral("101 Zones read, 6 homogeneity variables"));
    QVERIFY(!w->lblNrecs->isHidden());
    QVERIFY(w->cmdGetcont->isEnabled());
    QCOMPARE(platform::DefaultButton(w), w->cmdGetcont);
    QVERIFY(!w->cmdRun->isEnabled());

    fx.LoadContiguities(mwtest::SidsCtg());
    QCOMPARE(ModalScript::Records().back().title, std::string("Select a contiguity file"));
    QCOMPARE(w->lblContrecs->text(), QStringLiteral("287 Arc records read"));
    for (QCheckBox* b : w->chkZonespec) QVERIFY(b->isEnabled());
    for (QCheckBox* b : w->chkLayerspec) QVERIFY(b->isEnabled());
    QVERIFY(w->cmdRun->isEnabled() && w->mnuViewInputSummary->isEnabled());
    QCOMPARE(platform::DefaultButton(w), w->cmdRun);
    QCOMPARE(frmInputSummary::Instance()->lblNrecs->text(),
             QStringLiteral("101 building blocks and 287 arcs"));

    // A second load replaces the count instead of appending another.
    fx.LoadContiguities(mwtest::SidsCtg());
    QCOMPARE(frmInputSummary::Instance()->lblNrecs->text(),
             QStringLiteral("101 building blocks and 287 arcs"));

    w->mnuViewInputSummary->trigger();
    frmInputSummary* s = frmInputSummary::Instance();
    QVERIFY(s->isVisible());
    QCOMPARE(s->lblAtot->text(), QStringLiteral("329962"));
    QCOMPARE(s->lblBtot->text(), QStringLiteral("422392"));
    QCOMPARE(s->lblAmean->text(), QStringLiteral("3267"));  // the outside counts in the divisor
    QVERIFY(!s->lblAmin->text().isEmpty() && !s->lblBmax->text().isEmpty());
    QTest::keyClick(s, Qt::Key_Return);  // Enter is "&Ok"
    QVERIFY(!s->isVisible() && frmInputSummary::IsLoaded());
  }

  void cancelInEitherDialogKeepsThePaths() {
    frmMain* w = fx.w;
    w->txtInputfile->setText(QStringLiteral("earlier.pat"));
    qel::strInputFile = "earlier.pat";
    ModalScript::AnswerCancel();
    ModalScript::AnswerButton(qel::kIdOk);
    w->CmdInputfile->click();
    const auto box = ModalScript::MessageBoxes().back();
    QCOMPARE(box.prompt, "Error " + std::to_string(qel::kErrDialogCancel) + " " +
                             qel::ErrorDescription(qel::kErrDialogCancel));
    QCOMPARE(box.style, 48);
    QCOMPARE(box.title, std::string("Error"));
    QCOMPARE(w->txtInputfile->text(), QStringLiteral("earlier.pat"));
    QCOMPARE(qel::strInputFile, std::string("earlier.pat"));

    fx.LoadIntersections(mwtest::Sids());
    w->txtContfile->setText(QStringLiteral("earlier.ctg"));
    ModalScript::AnswerCancel();
    ModalScript::AnswerButton(qel::kIdOk);
    w->cmdGetcont->click();
    QCOMPARE(w->txtContfile->text(), QStringLiteral("earlier.ctg"));
    QVERIFY(!w->cmdRun->isEnabled());
  }

  void headerLineNamesTheLayersOrCancelClears() {
    frmMain* w = fx.w;
    const std::string body = "1 0 0 0 0 0\n2 1 1 10 10 1\n3 1 1 10 10 1\n";
    w->chkHeader->setChecked(true);
    ModalScript::AnswerPath(mwtest::WriteText(fx.dir, "h2.pat", "id Counties\n" + body));
    ModalScript::AnswerButton(qel::kIdOk);
    w->CmdInputfile->click();
    QCOMPARE(ModalScript::MessageBoxes().back().title, std::string("Header information"));
    QCOMPARE(w->lblNameA->text(), QStringLiteral("Counties"));
    QCOMPARE(w->lblNameB->text(), QStringLiteral("Boundary layer B"));  // field 3 missing

    ModalScript::AnswerPath(mwtest::WriteText(fx.dir, "h3.pat", "id Regions Districts\n" + body));
    ModalScript::AnswerButton(qel::kIdOk);
    w->CmdInputfile->click();
    QCOMPARE(w->lblNameB->text(), QStringLiteral("Districts"));

    ModalScript::AnswerPath(mwtest::WriteText(fx.dir, "h4.pat", "id X Y\n" + body));
    ModalScript::AnswerButton(qel::kIdCancel);
    w->CmdInputfile->click();
    QCOMPARE(int(qel::intNRecs), 0);
    QCOMPARE(w->lblNrecs->text(), QStringLiteral("0"));  // counted for 0, then cleared
    QVERIFY(w->lblNrecs->isHidden());
    QVERIFY(w->txtInputfile->text().isEmpty());
    QVERIFY(!w->chkHeader->isChecked() && !w->cmdGetcont->isEnabled());
    QCOMPARE(w->lblNameA->text(), QStringLiteral("Boundary layer A"));
  }

  void smallAreaWithoutVariablesAndHugeMeans() {
    frmMain* w = fx.w;
    fx.LoadIntersections(SmallArea("small.pat", 12));
    fx.LoadContiguities(SmallCtg());
    QVERIFY(w->cmdRun->isEnabled());
    QVERIFY(!w->chkZonespec[3]->isEnabled());  // no homogeneity variables
    w->mnuViewInputSummary->trigger();
    QCOMPARE(frmInputSummary::Instance()->lblAmean->text(), QStringLiteral("10"));  // 48 / 5 rounds to 10
    // The outside's population counts in the total only: a mean beyond 16
    // bits is shown in full, nothing thrown.
    fx.LoadIntersections(SmallArea("huge.pat", 10, 4.0e6));
    w->mnuViewInputSummary->trigger();
    QCOMPARE(frmInputSummary::Instance()->lblAmean->text(), QStringLiteral("800008"));
    // Run stays on only while the new study area still has neighbours.
    bool neighbours = false;
    for (int r = 1; r <= qel::intNRecs; ++r) neighbours = neighbours || qel::arrBB(r).intNNbrs > 0;
    QCOMPARE(w->cmdRun->isEnabled(), neighbours);
    QCOMPARE(w->lblContrecs->isHidden(), !neighbours);
  }

  void failedContiguityReadIsNoSuccess() {
    frmMain* w = fx.w;
    fx.LoadIntersections(SmallArea("small.pat", 10));
    fx.LoadContiguities(SmallCtg());
    // A file that fails on its first line leaves no neighbour: nothing may
    // still claim the earlier file's arcs.
    ModalScript::AnswerPath(mwtest::WriteText(fx.dir, "bad.ctg", "two three four\n"));
    ModalScript::AnswerButton(qel::kIdOk);  // the reader's own message
    w->cmdGetcont->click();
    QVERIFY(QString::fromStdString(MainWindowFixture::LastPrompt()).startsWith("Error "));
    QVERIFY(w->lblContrecs->isHidden() && !w->cmdRun->isEnabled());
    QCOMPARE(platform::DefaultButton(w), w->cmdGetcont);
    QCOMPARE(frmInputSummary::Instance()->lblNrecs->text(), QStringLiteral("5 building blocks and "));
  }

  void tabFollowsTheReadingOrder() {
    frmMain* w = fx.w;
    const QWidget* expected[] = {w->txtInputfile, w->cmdGetcont,    w->chkLayerspec[0], w->chkApprox,
                                 w->chkZonespec[0], w->txtMinpop, w->chkZonespec[1],  w->txtHomwt,
                                 w->chkSA,          w->txtIterations, w->cmdRun};
    size_t next = 1;  // one round of the chain, from the first
    for (QWidget* at = w->txtInputfile->nextInFocusChain(); at != w->txtInputfile;
         at = at->nextInFocusChain())
      if (next < std::size(expected) && at == expected[next]) ++next;
    QCOMPARE(next, std::size(expected));
  }

  void layerAndMatchingBoxes() {
    frmMain* w = fx.w;
    fx.LoadSids();
    w->chkLayerspec[0]->click();
    QVERIFY(qel::blnFixedA && w->chkApprox->isEnabled() && !w->chkIRAapx->isEnabled());
    w->chkApprox->click();
    QVERIFY(w->chkIRAapx->isEnabled());
    w->txtIterations->setText(QStringLiteral("25"));
    w->chkIRAapx->click();
    QCOMPARE(w->txtIterations->text(), QStringLiteral("1"));
    w->txtIterations->setText(QStringLiteral("25"));
    w->chkIRAapx->click();  // unticking changes nothing
    QCOMPARE(w->txtIterations->text(), QStringLiteral("25"));
    w->chkIRAapx->click();
    w->chkApprox->click();  // unticked: "as IRA" disabled, still ticked
    QVERIFY(!w->chkIRAapx->isEnabled() && w->chkIRAapx->isChecked());
    w->chkApprox->click();
    w->chkLayerspec[1]->click();  // both fixed: both disabled, ticks kept
    QVERIFY(qel::blnFixedB);
    QVERIFY(!w->chkApprox->isEnabled() && !w->chkIRAapx->isEnabled());
    QVERIFY(w->chkApprox->isChecked() && w->chkIRAapx->isChecked());
  }

  void zoningBoxesShowTheirTextsAndMoveTheFocus() {
    frmMain* w = fx.w;
    fx.LoadSids();
    w->chkZonespec[2]->click();
    QVERIFY(w->txtShapewt->isVisibleTo(w));
    QCOMPARE(w->txtShapewt->text(), QStringLiteral("1.0"));
    QCOMPARE(w->chkZonespec[2]->text(), QStringLiteral("Shape                       Weight"));
    QVERIFY(!w->optLaypop[1]->isEnabled());  // shape alone enables no population option
    w->chkZonespec[2]->click();
    QVERIFY(w->txtShapewt->isHidden());
    QCOMPARE(w->chkZonespec[2]->text(), QStringLiteral("Shape "));

    w->chkZonespec[3]->click();
    QCOMPARE(w->chkZonespec[3]->text(), QStringLiteral("Homog  Vars, Wt"));
    QCOMPARE(w->focusWidget(), w->txtHomvars);
    w->chkZonespec[3]->click();

    w->chkZonespec[0]->click();
    QVERIFY(qel::blnThresholdPop && w->optLaypop[2]->isEnabled());
    w->chkZonespec[2]->click();
    w->chkZonespec[1]->click();  // the focus ends in the last ticked box in order
    QCOMPARE(w->focusWidget(), w->txtShapewt);

    w->optLaypop[2]->click();
    QCOMPARE(int(qel::intPopLayer), 2);
    w->chkZonespec[0]->click();
    w->chkZonespec[1]->click();
    QVERIFY(!w->optLaypop[1]->isEnabled() && !w->optLaypop[2]->isEnabled());
    QVERIFY(w->optLaypop[2]->isChecked());
    QCOMPARE(int(qel::intPopLayer), 0);
  }

  void clearFormReturnsToTheStart() {
    frmMain* w = fx.w;
    fx.LoadSids();
    w->chkLayerspec[0]->click();
    w->chkApprox->click();
    w->chkIRAapx->click();
    for (QCheckBox* b : w->chkZonespec) b->click();
    w->txtMinpop->setText(QStringLiteral("9600"));
    w->chkSA->click();
    w->txtIterations->setText(QStringLiteral("7"));
    qel::intNHomGroups = 3;
    qel::intGroupSize(3) = 2;
    qel::dblRefTP = qel::dblCurIAC = 5;
    qel::dblCurMin = 4;

    QTest::keyClick(w, Qt::Key_Escape);  // Esc is Clear form

    ExpectStartState(w);
    QCOMPARE(w->chkZonespec[2]->text(), QStringLiteral("Shape "));
    QCOMPARE(w->chkZonespec[3]->text(), QStringLiteral("Homog"));
    QCOMPARE(w->lblContrecs->text(), QStringLiteral("0"));
    QVERIFY(frmInputSummary::Instance()->lblNrecs->text().isEmpty());
    QCOMPARE(int(qel::intNRecs), 0);
    QCOMPARE(int(qel::intNHomGroups), 0);
    QCOMPARE(int(qel::intGroupSize(3)), 0);
    QCOMPARE(qel::dblRefTP, 0.0);
    QCOMPARE(qel::dblCurIAC, 0.0);
    QCOMPARE(qel::dblCurMin, 4.0);  // the Min term is left alone
    QVERIFY(w->chkSA->isChecked());

    // Typed texts survive: ticking the box again shows them.
    fx.LoadSids();
    w->chkZonespec[0]->click();
    QCOMPARE(w->txtMinpop->text(), QStringLiteral("9600"));
  }

  void statusBarPanelsAndToggling() {
    frmMain* w = fx.w;
    QCOMPARE(w->sbPanels[0]->text(), QStringLiteral("Status"));
    QVERIFY(!w->sbPanels[1]->text().isEmpty() && !w->sbPanels[2]->text().isEmpty());
    QVERIFY(w->mnuViewStatusBar->isChecked());
    w->mnuViewStatusBar->trigger();
    QVERIFY(!w->mnuViewStatusBar->isChecked() && w->sbStatusBar->isHidden());
    w->mnuViewStatusBar->trigger();
    QVERIFY(w->mnuViewStatusBar->isChecked() && !w->sbStatusBar->isHidden());
  }

  void helpWithoutAFileSaysSo() {
    fx.w->strHelpFile.clear();
    for (QAction* item : {fx.w->mnuHelpContents, fx.w->mnuHelpSearchForHelpOn}) {
      ModalScript::AnswerButton(qel::kIdOk);
      item->trigger();
      const auto box = ModalScript::MessageBoxes().back();
      QCOMPARE(box.prompt, std::string("Unable to display Help Contents. There is no Help "
                                       "associated with this project."));
      QCOMPARE(box.style, 64);
      QCOMPARE(box.title, std::string("QEL Workbench"));
    }
    QCOMPARE(MainWindowFixture::BoxCount(), 2);
  }

  void placementDefaultsSavedAndRestored() {
    auto restart = [this](std::initializer_list<std::pair<const char*, const char*>> stored) {
      fx.Stop();
      QDir(fx.dir.filePath(QStringLiteral("settings"))).removeRecursively();
      platform::SetSettingsDirectory(fx.dir.filePath(QStringLiteral("settings")).toStdString());
      for (const auto& [key, value] : stored) platform::SaveSetting("QEL", "Settings", key, value);
      fx.Start();
      return fx.w->frameGeometry();
    };
    // First start: the stored defaults, 6500 twips square at 1000, 1000.
    const QRect first = restart({});
    QCOMPARE(first, QRect(platform::TwipsToPixelsX(1000), platform::TwipsToPixelsY(1000),
                          platform::TwipsToPixelsX(6500), platform::TwipsToPixelsY(6500)));
    // Nonsense in the store falls back or stays within bounds.
    const QRect odd = restart({{"MainLeft", "not a number"}, {"MainWidth", "1e30"}});
    QCOMPARE(odd.left(), platform::TwipsToPixelsX(1000));
    QVERIFY(odd.width() > 0 && odd.width() < 100000);

    fx.w->setGeometry(100, 120, 700, 500);
    const QRect outer = fx.w->frameGeometry();
    frmInputSummary::Instance()->show();
    fx.w->close();
    QVERIFY(!frmInputSummary::IsLoaded());  // the others are unloaded first
    auto stored = [](const char* key) { return platform::GetSetting("QEL", "Settings", key, "absent"); };
    QCOMPARE(stored("MainTop"), platform::SingleText(float(platform::PixelsToTwipsY(outer.top()))));
    QCOMPARE(stored("MainWidth"), platform::SingleText(float(platform::PixelsToTwipsX(outer.width()))));
    fx.Stop();
    fx.Start();
    QCOMPARE(fx.w->frameGeometry(), outer);

    // Minimised: the stored values stay as they were.
    platform::SaveSetting("QEL", "Settings", "MainLeft", "1440");
    fx.w->showMinimized();
    if (fx.w->isMinimized()) {
      fx.w->close();
      QCOMPARE(stored("MainLeft"), std::string("1440"));
    }
  }

  void exitEndsAtOnceWithoutSaving() {
    const std::string before = platform::GetSetting("QEL", "Settings", "MainLeft", "absent");
    fx.w->move(fx.w->pos() + QPoint(37, 11));
    int ended = 0;
    platform::SetEndProcessHook([&] { ++ended; });
    fx.w->mnuFileExit->trigger();
    fx.w->cmdExit->click();
    platform::SetEndProcessHook({});
    QCOMPARE(ended, 2);
    QCOMPARE(platform::GetSetting("QEL", "Settings", "MainLeft", "absent"), before);
  }

  // With QEL_SCREENSHOT_DIR set, saves pictures of the main window at start,
  // loaded, with the panel in use, and of the input summary, for a person.
  void screenshotsWhenAsked() {
    const QString dir = QString::fromLocal8Bit(qgetenv("QEL_SCREENSHOT_DIR"));
    if (dir.isEmpty()) QSKIP("QEL_SCREENSHOT_DIR not set");
    frmMain* w = fx.w;
    auto shoot = [&](QWidget* window, const char* name) {
      QVERIFY(QTest::qWaitForWindowExposed(window));
      QTest::qWait(100);
      QVERIFY(window->grab().save(dir + QLatin1Char('/') + QLatin1String(name)));
    };
    shoot(w, "main_start.png");
    w->resize(platform::TwipsToPixelsX(8880), w->height());  // what the user widens it to
    fx.LoadSids();
    shoot(w, "main_loaded.png");
    w->chkLayerspec[0]->click();
    w->chkApprox->click();
    for (QCheckBox* b : w->chkZonespec) b->click();
    w->optLaypop[2]->click();
    w->txtMinpop->setText(QStringLiteral("9600"));
    w->txtTarpop->setText(QStringLiteral("16000"));
    w->txtHomvars->setText(QStringLiteral("2 2 1 1"));
    shoot(w, "main_panel.png");
    w->mnuViewInputSummary->trigger();
    shoot(frmInputSummary::Instance(), "input_summary.png");
  }
};

QTEST_MAIN(TestFrmMain)
#include "test_frmMain.moc"
