// The platform layer the windows stand on: scripted modal boxes and dialogs,
// a dialog's Cancel as an error, the settings store, and the about box's
// registry look-up.
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
#include "platform/MessageBox.h"
#include "platform/ModalScript.h"
#include "platform/Registry.h"
#include "platform/Settings.h"

using platform::ModalRecord;
using platform::ModalScript;

class TestPlatform : public QObject {
  Q_OBJECT

 private slots:
  void init() { ModalScript::Begin(); }
  void cleanup() { ModalScript::End(); }

  void scriptAnswersInOrderAndRecordsWhatWasShown() {
    ModalScript::AnswerButton(qel::kIdCancel);
    ModalScript::AnswerButton(qel::kIdOk);
    ModalScript::AnswerPath("/tmp/a.pat");
    QCOMPARE(platform::ShowMessageBox("first", qel::kMbExclamation, "Header information"),
             int(qel::kIdCancel));
    QCOMPARE(platform::ShowMessageBox("second", 0, ""), int(qel::kIdOk));
    QCOMPARE(platform::ShowOpenDialog("Pick", "All files (*.*)|*.*", "x.txt", 4100),
             std::string("/tmp/a.pat"));
    const auto& r = ModalScript::Records();
    QCOMPARE(int(r.size()), 3);
    QCOMPARE(r[0].prompt, std::string("first"));
    QCOMPARE(r[0].style, int(qel::kMbExclamation));
    QCOMPARE(r[0].title, std::string("Header information"));
    QCOMPARE(r[1].title, std::string("QEL"));  // no title: the program's name
    QVERIFY(r[2].kind == ModalRecord::Kind::OpenDialog);
    QCOMPARE(r[2].filter, std::string("All files (*.*)|*.*"));
    QCOMPARE(r[2].flags, 4100);
    QVERIFY(ModalScript::Failures().empty());

    // The engine's boxes go through the same script.
    platform::InstallMessageBoxHandler();
    ModalScript::AnswerButton(qel::kIdOk);
    QCOMPARE(qel::MsgBox("from the engine", 16, "Too many zones"), int(qel::kIdOk));
    QCOMPARE(ModalScript::MessageBoxes().back().style, 16);
    qel::SetMessageBoxHandler({});
  }

  void unexpectedBoxFailsAtOnce() {
    int hooked = 0;
    ModalScript::SetFailureHook([&](const std::string&) { ++hooked; });
    platform::ShowMessageBox("nobody answers", 48, "T");
    QCOMPARE(hooked, 1);  // at the box, not at the end of the test
    ModalScript::AnswerPath("/tmp/x");  // a path is no button
    QCOMPARE(platform::ShowMessageBox("wrong answer", 48, "T"), int(qel::kIdCancel));
    ModalScript::SetFailureHook({});
    QCOMPARE(hooked, 2);
    QCOMPARE(int(ModalScript::Failures().size()), 2);
    ModalScript::ClearRecords();
  }

  void dialogCancelIsError32755() {
    ModalScript::AnswerCancel();
    try {
      platform::ShowSaveDialog("Save", "Text (*.txt)|*.txt", "QELlog.txt", 2);
      QFAIL("Cancel returned a path");
    } catch (const qel::RuntimeError& e) {
      QCOMPARE(e.Number(), 32755);
    }
  }

  // A dialog shown for real: the filter text becomes its list of name filters
  // (a trailing description without a pattern is dropped), and Cancel is the
  // same error as in a script.
  void realDialogFiltersAndCancel() {
    ModalScript::End();
    QWidget owner;
    owner.setGeometry(100, 150, 500, 400);
    owner.show();
    platform::SetMainWindow(&owner);
    QStringList filters;
    QPoint centre;
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
      box->buttons().front()->click();
    });
    centre = QPoint();
    QCOMPARE(platform::ShowMessageBox("Placed?", 64, "Where"), int(qel::kIdOk));
    QVERIFY((centre - owner.frameGeometry().center()).manhattanLength() <= 2);
    platform::SetMainWindow(nullptr);
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

  void aboutBoxKeyValue_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("text with its closing 0") << 1 << QByteArray("C:\\info.exe", 12) << -1
                                             << QStringLiteral("C:\\info.exe");
    QTest::newRow("text without it") << 1 << QByteArray("abc") << -1 << QStringLiteral("abc");
    QTest::newRow("exactly the buffer") << 1 << QByteArray(1024, 'b') << -1
                                        << QString(1024, QLatin1Char('b'));
    QTest::newRow("longer than the buffer") << 1 << QByteArray(1024, 'a') + QByteArray(1, '\0') << 0
                                            << QString();
    QTest::newRow("double word") << 4 << QByteArray("AB\0\0", 4) << -1 << QStringLiteral("&h04241");
    QTest::newRow("other type keeps the text") << 3 << QByteArray("xyz") << -1 << QStringLiteral("kept");
  }
  void aboutBoxKeyValue() {
    QFETCH(int, type);
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QString, text);
    using namespace platform;
    SetRegistryValue(kKeyLocalMachine, "Some\\Key", "Value", type, bytes.toStdString());
    RegKey before = 0;
    QCOMPARE(RegOpenKey(kKeyLocalMachine, "Some\\Key", 0, before), kRegOk);
    RegCloseKey(before);
    std::string v = "kept";
    QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, "some\\KEY", "VALUE", v)), result);
    QCOMPARE(QString::fromStdString(v), text);
    for (const char* key : {"Some\\Key", "Missing"}) {
      std::string other(1, 'x');
      QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, key, "Other", other)), 0);
      QVERIFY(other.empty());
    }
    // Every look-up closed the key it opened: the handles given out since
    // are all unknown now.
    RegKey after = 0;
    QCOMPARE(RegOpenKey(kKeyLocalMachine, "Some\\Key", 0, after), kRegOk);
    QVERIFY(after > before + 1);
    for (RegKey k = before + 1; k < after; ++k) QCOMPARE(RegCloseKey(k), kRegInvalidHandle);
    RegCloseKey(after);
  }
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
