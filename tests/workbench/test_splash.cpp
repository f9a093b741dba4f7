// The program started as main() starts it: the splash window alone for its
// full three seconds, then the main window; every window with the program's
// icon. (A process starts the program once, hence a test program of its own.)
#include <QtWidgets>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include "ProgramInfo.h"
#include "StartWorkbench.h"
#include "engine.h"
#include "frmMain.h"
#include "frmSplash.h"
#include "platform/Forms.h"
#include "platform/Settings.h"

class TestSplash : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void initTestCase() {
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings")).toStdString());
  }
  void cleanupTestCase() { platform::UnloadAllExcept(nullptr); }

  void mainWindowAfterThreeSeconds() {
    QElapsedTimer clock;
    clock.start();
    StartWorkbench();
    frmSplash* splash = frmSplash::Instance();
    QVERIFY(splash->isVisible() && qel::frmMainInst == nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(qel::frmMainInst != nullptr, 10000);
    QVERIFY2(clock.elapsed() >= frmSplash::kDelayMs, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!splash->isVisible() && !splash->Timer1->isActive());  // once only
    QCOMPARE(splash->lblVersion->text(), QStringLiteral("Version 1.0.0"));
  }

  void everyWindowShowsTheProgramsIcon() {
    auto* main = static_cast<frmMain*>(qel::frmMainInst);
    main->mnuViewOptions->trigger();
    main->mnuHelpAbout->trigger();
    main->mnuHelpContents->trigger();
    const QImage icon = ProgramIcon().toImage();
    int windows = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (!w->isWindow() || w->windowType() == Qt::Popup || w->objectName().isEmpty()) continue;
      ++windows;
      const QImage shown = w->windowIcon().pixmap(icon.size()).toImage().convertToFormat(icon.format());
      QVERIFY2(shown == icon, qPrintable(w->objectName()));
    }
    QVERIFY(windows >= 5);  // splash, main, options, about, help
  }
};

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
