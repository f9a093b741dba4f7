// The about box: what it shows, OK and Esc, and the System Info command with
// every way through its two registry look-ups.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "frmAbout.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "windows_fixture.h"

using namespace platform;

namespace {

const std::string kUnavailable = "System Information Is Unavailable At This Time";

void PlaceSysInfoProgram(const QTemporaryDir& dir) {
  QVERIFY(QFile(dir.filePath(QStringLiteral("MSINFO32.EXE"))).open(QIODevice::WriteOnly));
}

}  // namespace

class TestFrmAbout : public QObject {
  Q_OBJECT

 private slots:
  // Before any test empties the store: the machine's own store points at a
  // system information program exactly when one is installed.
  void initTestCase() {
    std::string path;
    if (frmAbout::GetKeyValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, path) == -1)
      QVERIFY(FileMatches(path));
    QCOMPARE(OpenRegistryKeys(), 0);
  }

  void init() {
    wintest::StartFresh();
    ClearRegistry();
    started_.clear();
    SetProgramStarter([this](const std::string& path) {
      started_.push_back(path);
      return !path.empty();
    });
  }
  void cleanup() {
    SetProgramStarter({});
    QCOMPARE(OpenRegistryKeys(), 0);  // every look-up closed its key
    wintest::StopAll();
  }

  void loadAndOkEscAndCloseBoxUnload() {
    frmAbout* a = frmAbout::Instance();
    QCOMPARE(a->windowTitle(), QStringLiteral("About QEL"));
    QCOMPARE(a->lblTitle->text(), QStringLiteral("QEL"));
    QCOMPARE(a->lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(a->picIcon->pixmap().size(), QSize(16, 15));
    a->lblTitle->setText(QStringLiteral("changed"));
    a->show();
    QTest::mouseClick(a->cmdOk, Qt::LeftButton);
    QVERIFY(!frmAbout::IsLoaded());
    a = frmAbout::Instance();  // loaded afresh
    QCOMPARE(a->lblTitle->text(), QStringLiteral("QEL"));
    a->show();
    QTest::keyClick(a, Qt::Key_Escape);
    QVERIFY(!frmAbout::IsLoaded());
    frmAbout::Instance()->show();
    frmAbout::Instance()->close();
    QVERIFY(!frmAbout::IsLoaded());
  }

  void getKeyValue_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("text");
    QTest::newRow("text with its closing 0") << 1 << QByteArray("C:\\Tools\\info.exe", 18) << -1
                                             << QStringLiteral("C:\\Tools\\info.exe");
    QTest::newRow("text without it") << 1 << QByteArray("abc") << -1 << QStringLiteral("abc");
    QTest::newRow("exactly the buffer") << 1 << QByteArray(1024, 'b') << -1
                                        << QString(1024, QLatin1Char('b'));
    QTest::newRow("longer than the buffer") << 1 << QByteArray(1024, 'a') + QByteArray(1, '\0')
                                            << 0 << QString();
    // Bytes 41 42 00 00: the closing 0 dropped, the rest read backwards.
    QTest::newRow("double word") << 4 << QByteArray("AB\0\0", 4) << -1 << QStringLiteral("&h04241");
    QTest::newRow("other type keeps the text") << 3 << QByteArray("xyz") << -1
                                               << QStringLiteral("kept");
  }
  void getKeyValue() {
    QFETCH(int, type);
    QFETCH(QByteArray, bytes);
    QFETCH(int, result);
    QFETCH(QString, text);
    SetRegistryValue(kKeyLocalMachine, "Some\\Key", "Value", type, bytes.toStdString());
    std::string v = "kept";
    // Key and value names in any case.
    QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, "some\\KEY", "VALUE", v)), result);
    QCOMPARE(QString::fromStdString(v), text);
    v = "x";
    QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, "Some\\Key", "Other", v)), 0);
    QCOMPARE(v, std::string());
    v = "x";
    QCOMPARE(int(frmAbout::GetKeyValue(kKeyLocalMachine, "Missing", "Value", v)), 0);
    QCOMPARE(v, std::string());
  }

  void sysInfoStartsThePathOfTheFirstLookUp() {
    SetRegistryString(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, "/opt/info/tool");
    frmAbout::Instance()->cmdSysInfo->click();
    QCOMPARE(started_, (std::vector<std::string>{"/opt/info/tool"}));
    QVERIFY(wintest::Boxes().empty());
  }

  void sysInfoUsesTheFolderOnlyWhenItHoldsTheProgram() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    SetRegistryString(kKeyLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue, folder);
    platform::ModalScript::AnswerButton(qel::kIdOk);
    frmAbout::Instance()->StartSysInfo();
    QVERIFY(started_.empty());
    QCOMPARE(wintest::LastPrompt(), kUnavailable);
    QCOMPARE(wintest::Boxes().back().style, 0);
    QCOMPARE(wintest::Boxes().back().title, std::string("QEL"));

    PlaceSysInfoProgram(dir);
    frmAbout::Instance()->StartSysInfo();
    QCOMPARE(started_, (std::vector<std::string>{folder + "/MSINFO32.EXE"}));
    QCOMPARE(int(wintest::Boxes().size()), 1);
  }

  void everyOtherFailureEndsInTheOneMessage() {
    QTemporaryDir dir;
    PlaceSysInfoProgram(dir);
    for (int i = 0; i < 4; ++i) platform::ModalScript::AnswerButton(qel::kIdOk);
    frmAbout* a = frmAbout::Instance();
    a->StartSysInfo();  // nothing in the store
    // A value of another type leaves the path empty, which cannot be started.
    SetRegistryValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, kRegBinary, "\x01\x02");
    a->StartSysInfo();
    // An empty first value has no last character: an error, and the message
    // at once, though the second look-up would find the program.
    SetRegistryValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, kRegString, "");
    SetRegistryString(kKeyLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue,
                      dir.path().toStdString());
    a->StartSysInfo();
    QVERIFY(started_.empty());
    // A program that does not start.
    SetRegistryString(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, "/no/such/tool");
    SetProgramStarter([](const std::string&) { return false; });
    a->StartSysInfo();
    QCOMPARE(int(wintest::Boxes().size()), 4);
    for (const auto& box : wintest::Boxes()) QCOMPARE(box.prompt, kUnavailable);
  }

 private:
  std::vector<std::string> started_;
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmAbout.moc"
