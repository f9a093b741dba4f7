// The splash window: what it shows, and that its timer starts the program
// exactly once (a click on its margin is driven by the whole-program test).
#include <QFile>
#include <QLabel>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QtEndian>

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
    QVERIFY(!s->lblCopyright->text().isEmpty() && !s->lblCompany->text().isEmpty());
    QVERIFY(s->Timer1->isActive());
    QCOMPARE(s->Timer1->interval(), 3000);
    QCOMPARE(s->picLogo->pixmap().size(), QSize(800, 600));
    for (QLabel* l :
         {s->lblCompanyProduct, s->lblProductName, s->lblVersion, s->lblCopyright, s->lblCompany}) {
      QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
               qPrintable(l->objectName()));
    }
    // The bitmap on file: 800 x 600 pixels of 24 bits.
    QFile f(QString::fromLatin1(QEL_SOURCE_DIR "/resources/logo.bmp"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(54);
    QCOMPARE(head.left(2), QByteArray("BM"));
    QCOMPARE(qFromLittleEndian<qint32>(head.constData() + 18), 800);  // width
    QCOMPARE(qFromLittleEndian<qint32>(head.constData() + 22), 600);  // height
    QCOMPARE(qFromLittleEndian<quint16>(head.constData() + 28), quint16(24));  // bits per pixel
  }

  void clickOnTheFrameDoesNotStart() {
    frmSplash* s = frmSplash::Instance();
    s->show();
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, s->fraMainFrame->geometry().center());
    QTest::mouseClick(s, Qt::LeftButton, Qt::NoModifier, s->lblProductName->mapTo(s, QPoint(5, 5)));
    QCOMPARE(windows_.mains, 0);
    QVERIFY(s->isVisible() && s->Timer1->isActive());
  }

  void theTimerStartsTheProgramOnce() {
    frmSplash* s = frmSplash::Instance();
    s->Timer1->setInterval(1);  // the wait itself is of no interest here
    QTRY_COMPARE(windows_.mains, 1);
    QVERIFY(!s->isVisible() && frmSplash::IsLoaded() && frmSplash::Started());
    QVERIFY(!s->Timer1->isActive());
    // Neither a later tick nor a click on the margin starts it again.
    s->Timer1_Timer();
    s->Form_Click();
    QCOMPARE(windows_.mains, 1);
    // The limits StartMain sets are in place.
    QCOMPARE(int(qel::intMaxRecs), 2000);
    QVERIFY(qel::blnContCheck);
  }

  void closingUnloadsTheOthersFirstAndTheSplashLast() {
    QStringList order;
    for (QWidget* w : {static_cast<QWidget*>(frmSplash::Instance()),
                       static_cast<QWidget*>(frmMap::Instance()),
                       static_cast<QWidget*>(frmOptions::Instance())}) {
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
