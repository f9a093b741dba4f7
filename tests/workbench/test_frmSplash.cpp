// The splash window: what it shows, and that its timer and a click on its
// margin start the program exactly once.
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>

#include "ProgramInfo.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmSplash.h"
#include "windows_fixture.h"

namespace {

// Counts the main windows the engine asks for, without making one.
class CountingWindows : public qel::WindowOps {
 public:
  int mains = 0;
  void* CreateLoadShowMain() override {
    ++mains;
    return this;
  }
};

quint16 LittleEndian16(const QByteArray& b, int at) {
  return static_cast<quint16>(static_cast<unsigned char>(b[at]) |
                              (static_cast<unsigned char>(b[at + 1]) << 8));
}

}  // namespace

// The test functions run in order: the program is started once per process.
class TestFrmSplash : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    wintest::BeginScript();
    qel::ResetEngineState();
    qel::SetWindowOps(&windows_);
  }
  void cleanupTestCase() {
    qel::SetWindowOps(nullptr);
    wintest::StopAll();
  }

  void loadShowsNameVersionAndLogo() {
    frmSplash* s = frmSplash::Instance();
    QCOMPARE(s->lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(s->lblProductName->text(), QStringLiteral("QEL"));
    QCOMPARE(s->lblCompanyProduct->text(), QStringLiteral("Qelvane"));
    QVERIFY(!s->lblCopyright->text().isEmpty());
    QVERIFY(!s->lblCompany->text().isEmpty());
    QVERIFY(s->lblAcknowledgements->text().isEmpty());
    QVERIFY(s->Timer1->isActive());
    QCOMPARE(s->Timer1->interval(), 3000);
    const QPixmap logo = s->picLogo->pixmap();
    QCOMPARE(logo.size(), QSize(800, 600));
    // Every caption fits its label.
    for (QLabel* l :
         {s->lblCompanyProduct, s->lblProductName, s->lblVersion, s->lblCopyright, s->lblCompany}) {
      QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
               qPrintable(l->objectName()));
    }
  }

  void logoFileIsA24BitBitmapOf800By600() {
    QFile f(QString::fromLatin1(QEL_SOURCE_DIR "/resources/logo.bmp"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(54);
    QCOMPARE(head.left(2), QByteArray("BM"));
    QCOMPARE(LittleEndian16(head, 18), quint16(800));
    QCOMPARE(LittleEndian16(head, 22), quint16(600));
    QCOMPARE(LittleEndian16(head, 28), quint16(24));
  }

  void clickOnTheFrameDoesNotStart() {
    frmSplash* s = frmSplash::Instance();
    s->show();
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, s->fraMainFrame->geometry().center());
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, s->lblProductName->mapTo(s, QPoint(5, 5)));
    QCOMPARE(windows_.mains, 0);
    QVERIFY(s->isVisible());
    QVERIFY(s->Timer1->isActive());
  }

  void clickOnTheMarginStartsAtOnce() {
    frmSplash* s = frmSplash::Instance();
    const QRect frame = s->fraMainFrame->geometry();
    // Below the frame, inside the window: the margin.
    const QPoint margin(frame.center().x(), frame.bottom() + 4);
    QVERIFY(s->rect().contains(margin));
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, margin);
    QCOMPARE(windows_.mains, 1);
    QVERIFY(!s->isVisible());
    QVERIFY(frmSplash::IsLoaded());
    QVERIFY(!s->Timer1->isActive());
    QVERIFY(frmSplash::Started());
  }

  void theTimerLaterStartsNothingMore() {
    frmSplash* s = frmSplash::Instance();
    s->Timer1_Timer();
    s->Form_Click();
    QCOMPARE(windows_.mains, 1);
    QVERIFY(!s->Timer1->isActive());
    QVERIFY(!s->isVisible());
    // The limits StartMain sets are in place.
    QCOMPARE(int(qel::intMaxRecs), 2000);
    QVERIFY(qel::blnContCheck);
  }

  void closingUnloadsTheOthersFirstAndTheSplashLast() {
    QStringList order;
    QList<QWidget*> forms = {frmSplash::Instance(), frmMap::Instance(), frmOptions::Instance()};
    for (QWidget* w : forms) {
      const QString name = w->objectName();
      connect(w, &QObject::destroyed, this, [&order, name] { order << name; });
    }
    platform::UnloadAllExcept(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(order, (QStringList{"frmOptions", "frmMap", "frmSplash"}));
    QVERIFY(!frmSplash::IsLoaded());
  }

 private:
  CountingWindows windows_;
};

QTEST_MAIN(TestFrmSplash)
#include "test_frmSplash.moc"
