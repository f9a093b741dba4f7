// The main window's stored placement under a real window manager, whose
// frame comes only after the window is shown: three starts and closes give
// back the stored outer bounds and store them unchanged.
#include <QtWidgets>
#include <QTemporaryDir>
#include <QTest>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmMain.h"
#include "platform/Forms.h"
#include "platform/Settings.h"
#include "platform/Twips.h"

namespace {

const char* const kKeys[4] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

std::string Stored(int i) { return platform::GetSetting("QEL", "Settings", kKeys[i], "absent"); }

}  // namespace

class TestStoredSize : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;

 private slots:
  void threeStartsKeepTheOuterBounds() {
    platform::SetSettingsDirectory(dir_.path().toStdString());
    const char* const values[4] = {"1500", "1200", "7000", "8000"};  // not whole pixels
    for (int i = 0; i < 4; ++i) platform::SaveSetting("QEL", "Settings", kKeys[i], values[i]);
    const QRect outer(platform::TwipsToPixelsX(1500), platform::TwipsToPixelsY(1200),
                      platform::TwipsToPixelsX(7000), platform::TwipsToPixelsY(8000));
    InstallWorkbenchWindows();
    for (int start = 1; start <= 3; ++start) {
      qel::ResetEngineState();
      qel::StartMain();
      auto* w = static_cast<frmMain*>(qel::frmMainInst);
      // The window manager's frame arrives after the window is shown.
      QTRY_VERIFY_WITH_TIMEOUT(w->frameGeometry().size() != w->geometry().size(), 10000);
      QTRY_COMPARE_WITH_TIMEOUT(w->frameGeometry().size(), outer.size(), 5000);
      QCOMPARE(w->frameGeometry().topLeft(), outer.topLeft());
      w->close();
      for (int i = 0; i < 4; ++i) QCOMPARE(Stored(i), std::string(values[i]));
      platform::UnloadAllExcept(nullptr);
      delete w;
      qel::frmMainInst = nullptr;
    }
  }
};

QTEST_MAIN(TestStoredSize)
#include "test_stored_size.moc"
