// The run progress window and the operations a run writes through (what a
// whole run leaves in it is checked by the whole-program test).
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "frmQELRun.h"
#include "windows_fixture.h"

class TestFrmQELRun : public QObject {
  Q_OBJECT

 private slots:
  void init() { wintest::StartFresh(); }
  void cleanup() { wintest::StopAll(); }

  void operationsWriteIntoTheOneWindow() {
    qel::WindowOps& ops = qel::Windows();
    ops.HideProgress();  // hiding a window never created does not create it
    QVERIFY(!frmQELRun::IsLoaded());
    frmQELRun* w = frmQELRun::Instance();
    w->show();
    QVERIFY(!w->cmdCancel->isEnabled());
    QTest::mouseClick(w->cmdCancel, Qt::LeftButton);  // greyed: does nothing
    QVERIFY(frmQELRun::IsLoaded() && w->isVisible());

    ops.SetProgressCaption("Progress with 4 iterations:", true);
    ops.SelectProgressLine(0);  // no line yet
    ops.AddProgressLine("1 *NEW BEST* : 2500 40 0 0");
    ops.AddProgressLine("3 *NEW BEST* : 2400 38 0 0");
    ops.SelectProgressLine(5);
    QCOMPARE(w->lstProgRep->currentRow(), -1);
    ops.SelectProgressLine(ops.ProgressLineCount() - 1);
    QCOMPARE(w->lstProgRep->currentRow(), 1);
    // A percentage past either end (a count lowered during the run) shows the nearest end.
    ops.SetProgressValue(150);
    QCOMPARE(w->prgRunProg->value(), 100);
    ops.SetProgressValue(-3);
    QCOMPARE(w->prgRunProg->value(), 0);
    ops.SetProgressValue(50);
    QCOMPARE(frmQELRun::Instance(), w);
    QCOMPARE(w->lblProgrep->text(), QStringLiteral("Progress with 4 iterations:"));

    // Hidden at the end of a run, or by its close box, it keeps what the run wrote.
    ops.HideProgress();
    QVERIFY(!w->isVisible());
    w->show();
    w->close();
    QVERIFY(!w->isVisible() && frmQELRun::IsLoaded());
    QCOMPARE(w->lstProgRep->count(), 2);
    QCOMPARE(w->prgRunProg->value(), 50);
  }
};

QTEST_MAIN(TestFrmQELRun)
#include "test_frmQELRun.moc"
