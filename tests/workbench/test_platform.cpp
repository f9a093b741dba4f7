// The platform layer the windows stand on: real dialogs and boxes on their
// owner, the settings store, and the about box's registry look-up.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "engine.h"
#include "frmAbout.h"
#include "platform/FileDialog.h"
#include "platform/Forms.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/ModalScript.h"
#include "platform/Registry.h"
#include "platform/Settings.h"

class TestPlatform : public QObject {
  Q_OBJECT

 private slots:
  // A dialog shown for real: the filter text becomes its list of name filters
  // (a trailing description without a pattern is dropped), and Cancel is the
  // error 32755.
  void realDialogFiltersAndCancel() {
    QWidget owner;
    owner.setGeometry(100, 150, 500, 400);
    owner.show();
    platform::SetMainWindow(&owner);
    QStringList filters;
    QPoint centre;
    QString title;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      filters = dialog->nameFilters();
      centre = dialog->frameGeometry().center();
      dialog->reject();
    });
    try {
      platform::ShowOpenDialog("Pick", "Text files|*.txt;*.log|All files (*.*)|*.*|Only a description",
                               "", 4100);
      QFAIL("Cancel returned a path");
    } catch (const qel::RuntimeError& e) {
      QCOMPARE(e.Number(), 32755);
    }
    QCOMPARE(filters, (QStringList{"Text files (*.txt *.log)", "All files (*)"}));
    QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 2);

    // A message box opens on the same owner.
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (!box) return;
      centre = box->frameGeometry().center();
      title = box->windowTitle();
      box->buttons().front()->click();
    });
    centre = QPoint();
    QCOMPARE(platform::ShowMessageBox("Placed?", 64, ""), int(qel::kIdOk));
    QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 2);
    QCOMPARE(title, QStringLiteral("QEL"));  // no title: the program's name
    platform::SetMainWindow(nullptr);
  }

  // A help file that is missing, or a folder, yields no page: a box, no viewer.
  void helpWithoutPagesIsReported() {
    const QTemporaryDir dir;
    platform::ScopedModalScript script;
    for (const QString& path : {dir.filePath(QStringLiteral("none.html")), dir.path()}) {
      platform::ModalScript::AnswerButton(qel::kIdOk);
      platform::ShowHelp(nullptr, path.toStdString(), platform::kHelpContents);
      QCOMPARE(platform::ModalScript::MessageBoxes().back().prompt,
               "Cannot open the help file \"" + path.toStdString() + "\".");
    }
    QVERIFY(!qApp->findChild<QWidget*>(QStringLiteral("HelpViewer")));
    for (QWidget* top : QApplication::topLevelWidgets()) QVERIFY(top->objectName() != QStringLiteral("HelpViewer"));
  }

  void settingsRoundTripInTheirFolder() {
    QTemporaryDir dir;
    platform::SetSettingsDirectory(dir.path().toStdString());
    QCOMPARE(platform::GetSetting("QELTest", "Settings", "MainLeft", "dflt"), std::string("dflt"));
    platform::SaveSetting("QELTest", "Settings", "MainLeft", "1234.5");
    QCOMPARE(platform::GetSetting("QELTest", "Settings", "MainLeft", "0"), std::string("1234.5"));
    QVERIFY(!QDir(dir.path()).isEmpty());  // kept in the folder given, nowhere else
    QCOMPARE(platform::SingleFromText("garbage", 6500), 6500.0f);
    QCOMPARE(platform::SingleFromText("1e300", 6500), 6500.0f);  // beyond single precision
  }

  // The system information program's path as the platform stores it, with
  // its closing 0: read up to the buffer's size, refused beyond it; a missing
  // key or value gives nothing; every look-up closes the key it opened.
  void aboutBoxKeyValue() {
    using namespace platform;
    RegKey before = 0;
    SetRegistryValue(kKeyLocalMachine, "Some\\Key", "Value", kRegString, "x");
    QCOMPARE(RegOpenKey(kKeyLocalMachine, "Some\\Key", 0, before), kRegOk);
    RegCloseKey(before);
    for (int length : {11, 1023, 1024}) {
      SetRegistryValue(kKeyLocalMachine, "Some\\Key", "Value", kRegString, std::string(length, 'p') + '\0');
      std::string v = "kept";
      QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, "some\\KEY", "VALUE", v)), length < 1024 ? -1 : 0);
      QCOMPARE(v, length < 1024 ? std::string(length, 'p') : std::string());
    }
    for (const char* key : {"Some\\Key", "Missing"}) {
      std::string other(1, 'x');
      QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, key, "Other", other)), 0);
      QVERIFY(other.empty());
    }
    RegKey after = 0;
    QCOMPARE(RegOpenKey(kKeyLocalMachine, "Some\\Key", 0, after), kRegOk);
    QVERIFY(after > before + 1);
    for (RegKey k = before + 1; k < after; ++k) QCOMPARE(RegCloseKey(k), kRegInvalidHandle);
    RegCloseKey(after);
  }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
