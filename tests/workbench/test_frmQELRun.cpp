// The run progress window: its design, the operations a run writes through,
// and what a real run leaves in it.
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "frmQELRun.h"
#include "windows_fixture.h"

class TestFrmQELRun : public QObject {
  Q_OBJECT

 private slots:
  void init() { wintest::StartFresh(); }
  void cleanup() { wintest::StopAll(); }

  void cancelIsGreyedAndDoesNothing() {
    frmQELRun* w = frmQELRun::Instance();
    QVERIFY(!w->isVisible());
    QVERIFY(!w->cmdCancel->isEnabled());

    // Clicking the greyed button does nothing: the window stays loaded.
    w->show();
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
    QVERIFY(frmQELRun::IsLoaded());
    QVERIFY(w->isVisible());
  }

  void operationsWriteIntoTheOneWindow() {
    qel::WindowOps& ops = qel::Windows();
    frmQELRun* w = frmQELRun::Instance();
    w->show();
    ops.SetProgressCaption("Progress with 4 iterations:", true);
    ops.SetProgressValue(50);
    ops.AddProgressLine("1 *NEW BEST* : 2500 40 0 0");
    ops.AddProgressLine("3 *NEW BEST* : 2400 38 0 0");
    QCOMPARE(ops.ProgressLineCount(), 2);
    ops.SelectProgressLine(ops.ProgressLineCount() - 1);

    QCOMPARE(frmQELRun::Instance(), w);
    QCOMPARE(w->lblProgrep->text(), QStringLiteral("Progress with 4 iterations:"));
    QCOMPARE(w->prgRunProg->value(), 50);
    QCOMPARE(w->lstProgRep->item(0)->text(), QStringLiteral("1 *NEW BEST* : 2500 40 0 0"));
    QCOMPARE(w->lstProgRep->currentRow(), 1);

    // Hidden at the end of a run, it keeps what the run wrote.
    ops.HideProgress();
    QVERIFY(!w->isVisible());
    QVERIFY(frmQELRun::IsLoaded());
    QCOMPARE(w->lstProgRep->count(), 2);
    QCOMPARE(w->prgRunProg->value(), 50);
  }

  void valuesAndIndexesOutsideTheirRangeAreHarmless() {
    qel::WindowOps& ops = qel::Windows();
    frmQELRun* w = frmQELRun::Instance();
    ops.SetProgressValue(150);  // a count lowered during a later iteration
    QCOMPARE(w->prgRunProg->value(), 100);
    ops.SetProgressValue(-3);
    QCOMPARE(w->prgRunProg->value(), 0);
    ops.SelectProgressLine(0);  // no line yet
    ops.SelectProgressLine(-1);
    ops.AddProgressLine("x");
    ops.SelectProgressLine(5);
    QCOMPARE(w->lstProgRep->count(), 1);
    QCOMPARE(w->lstProgRep->currentRow(), -1);
    // Hiding a window that was never created does not create it.
    frmQELRun::Unload();
    ops.HideProgress();
    QVERIFY(!frmQELRun::IsLoaded());
  }

  void closeBoxOnlyHides() {
    frmQELRun* w = frmQELRun::Instance();
    w->show();
    w->close();
    QVERIFY(!w->isVisible());
    QVERIFY(frmQELRun::IsLoaded());
  }

  // A real run of four iterations on a study area: the bar shows 25, 50, 75
  // and 100 in turn, every new best adds a line, and the run hides the window.
  void aRunOfFourIterationsFillsTheBarAndHidesTheWindow() {
    qel::StartMain();  // limits and switches; the main window is not needed
    const std::string pat = std::string(QEL_SOURCE_DIR) + "/tests/data/sids.pat";
    const std::string ctg = std::string(QEL_SOURCE_DIR) + "/tests/data/sids.ctg";
    std::string nameA, nameB;
    int16_t arcs = 0;
    qel::ReadIntersectionFile(0, pat, nameA, nameB);
    qel::ReadContiguityFile(ctg, arcs);
    QVERIFY(qel::intNRecs == 101);
    qel::strRunFile = pat;
    qel::blnThresholdPop = true;
    qel::dblThreshold = 9600;
    qel::intPopLayer = 1;
    qel::blnMinOnly = true;
    qel::intNIterations = 4;
    qel::Randomize(99);

    frmQELRun* w = frmQELRun::Instance();
    w->lstProgRep->clear();
    w->prgRunProg->setValue(0);
    w->show();
    QSignalSpy values(w->prgRunProg, &QProgressBar::valueChanged);
    qel::BuildIntermediateBBs();
    values.clear();
    qel::RunIterations(qel::intNIterations);

    std::vector<int> seen;
    for (const auto& args : values) seen.push_back(args.at(0).toInt());
    QVERIFY(!seen.empty());
    // After the reset to 0 at the start of the loop: 25, 50, 75, 100.
    const std::vector<int> tail(seen.end() - 4, seen.end());
    QCOMPARE(tail, (std::vector<int>{25, 50, 75, 100}));
    QVERIFY(!w->isVisible());
    QVERIFY(w->lstProgRep->count() >= 1);
    QVERIFY(w->lstProgRep->item(0)->text().contains(QStringLiteral(" *NEW BEST* : ")));
    QCOMPARE(w->lstProgRep->currentRow(), w->lstProgRep->count() - 1);
    QCOMPARE(w->lblProgrep->text(), QStringLiteral("Progress with 4 iterations:"));
  }
};

QTEST_MAIN(TestFrmQELRun)
#include "test_frmQELRun.moc"
