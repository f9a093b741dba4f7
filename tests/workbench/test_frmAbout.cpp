// The about box: what it shows, OK and Esc, and the System Info command with
// every way through its two registry look-ups.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "frmAbout.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "windows_fixture.h"

using platform::kKeyLocalMachine;
using platform::kSysInfoFolderKey;
using platform::kSysInfoFolderValue;
using platform::kSysInfoKey;
using platform::kSysInfoValue;

namespace {

const std::string kUnavailable = "System Information Is Unavailable At This Time";

}  // namespace

class TestFrmAbout : public QObject {
  Q_OBJECT

 private slots:
  // Before any test empties the store: the machine's own store points at a
  // system information program exactly when one is installed.
  void initTestCase() {
    platform::RegKey key = 0;
    const int32_t opened = platform::RegOpenKey(kKeyLocalMachine, kSysInfoKey, 0x2003F, key);
    if (opened == platform::kRegOk) {
      std::string path;
      QVERIFY(frmAbout::GetKeyValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, path) == -1);
      QVERIFY(platform::FileMatches(path));
      platform::RegCloseKey(key);
    } else {
      QCOMPARE(opened, platform::kRegNotFound);
    }
  }

  void init() {
    wintest::StartFresh();
    platform::ClearRegistry();
    started_.clear();
    platform::SetProgramStarter([this](const std::string& path) {
      started_.push_back(path);
      return !path.empty();
    });
  }
  void cleanup() {
    platform::SetProgramStarter({});
    QCOMPARE(platform::OpenRegistryKeys(), 0);  // every look-up closed its key
    wintest::StopAll();
  }

  void loadSetsTitleVersionAndCaption() {
    frmAbout* a = frmAbout::Instance();
    QCOMPARE(a->windowTitle(), QStringLiteral("About QEL"));
    QCOMPARE(a->lblTitle->text(), QStringLiteral("QEL"));
    QCOMPARE(a->lblVersion->text(), QStringLiteral("Version 1.0.0"));
    QVERIFY(a->lblDescription->text().contains(QStringLiteral("Qelvane")));
    QCOMPARE(a->picIcon->pixmap().size(), QSize(16, 15));
    QVERIFY(!a->isVisible());
  }

  void okAndEscUnloadAndTheNextLoadIsFresh() {
    frmAbout* a = frmAbout::Instance();
    a->lblTitle->setText(QStringLiteral("changed"));
    a->show();
    QTest::mouseClick(a->cmdOk, Qt::LeftButton);
    QVERIFY(!frmAbout::IsLoaded());
    QCOMPARE(frmAbout::Instance()->lblTitle->text(), QStringLiteral("QEL"));

    a = frmAbout::Instance();
    a->show();
    QTest::keyClick(a, Qt::Key_Escape);
    QVERIFY(!frmAbout::IsLoaded());
    a = frmAbout::Instance();
    a->show();
    a->close();  // the close box
    QVERIFY(!frmAbout::IsLoaded());
  }

  void textValueLosesOnlyAClosingZero() {
    std::string v = "old";
    platform::SetRegistryString(kKeyLocalMachine, "K", "WithNul", "C:\\Tools\\info.exe", true);
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "K", "WithNul", v), int16_t(-1));
    QCOMPARE(v, std::string("C:\\Tools\\info.exe"));
    platform::SetRegistryString(kKeyLocalMachine, "K", "NoNul", "abc", false);
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "k", "nonul", v), int16_t(-1));  // any case
    QCOMPARE(v, std::string("abc"));
  }

  void dwordAndOtherTypes() {
    std::string v;
    platform::SetRegistryDword(kKeyLocalMachine, "K", "D", 0x00004241);
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "K", "D", v), int16_t(-1));
    // Bytes 41 42 00 00; the closing 0 is dropped, the rest read backwards.
    QCOMPARE(v, std::string("&h04241"));
    v = "kept";
    platform::SetRegistryValue(kKeyLocalMachine, "K", "B", platform::kRegBinary, "xyz");
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "K", "B", v), int16_t(-1));
    QCOMPARE(v, std::string("kept"));
  }

  void failuresGiveFalseAndEmptyText() {
    std::string v = "x";
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "Missing", "PATH", v), int16_t(0));
    QCOMPARE(v, std::string());
    platform::SetRegistryString(kKeyLocalMachine, "K", "Other", "1");
    v = "x";
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "K", "PATH", v), int16_t(0));
    QCOMPARE(v, std::string());
    v = "x";
    platform::SetRegistryString(kKeyLocalMachine, "K", "Long", std::string(1024, 'a'), true);
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "K", "Long", v), int16_t(0));
    QCOMPARE(v, std::string());
    // Exactly filling the buffer is still read.
    platform::SetRegistryString(kKeyLocalMachine, "K", "Full", std::string(1024, 'b'), false);
    QCOMPARE(frmAbout::GetKeyValue(kKeyLocalMachine, "K", "Full", v), int16_t(-1));
    QCOMPARE(v.size(), size_t(1024));
    // An empty value has no last character: a run-time error, key closed.
    platform::SetRegistryValue(kKeyLocalMachine, "K", "Empty", platform::kRegString, "");
    bool raised = false;
    try {
      frmAbout::GetKeyValue(kKeyLocalMachine, "K", "Empty", v);
    } catch (const qel::RuntimeError&) {
      raised = true;
    }
    QVERIFY(raised);
  }

  void sysInfoStartsTheProgramFromTheFirstLookUp() {
    platform::SetRegistryString(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, "/opt/info/tool");
    frmAbout::Instance()->cmdSysInfo->click();
    QCOMPARE(started_, (std::vector<std::string>{"/opt/info/tool"}));
    QVERIFY(wintest::Boxes().empty());
  }

  void sysInfoUsesTheFolderOnlyWhenItHoldsTheProgram() {
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();
    platform::SetRegistryString(kKeyLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue, folder);
    platform::ModalScript::AnswerButton(qel::kIdOk);
    frmAbout::Instance()->StartSysInfo();
    QVERIFY(started_.empty());
    QCOMPARE(wintest::LastPrompt(), kUnavailable);
    QCOMPARE(wintest::Boxes().back().style, 0);
    QCOMPARE(wintest::Boxes().back().title, std::string("QEL"));

    QFile exe(dir.filePath(QStringLiteral("MSINFO32.EXE")));
    QVERIFY(exe.open(QIODevice::WriteOnly));
    exe.close();
    frmAbout::Instance()->StartSysInfo();
    QCOMPARE(started_, (std::vector<std::string>{folder + "/MSINFO32.EXE"}));
    QCOMPARE(int(wintest::Boxes().size()), 1);
  }

  void everyOtherFailureEndsInTheOneMessage() {
    frmAbout* a = frmAbout::Instance();
    // Nothing in the store.
    platform::ModalScript::AnswerButton(qel::kIdOk);
    a->StartSysInfo();
    // A value of another type leaves the path empty, which cannot be started.
    platform::SetRegistryValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, platform::kRegBinary,
                               "\x01\x02");
    platform::ModalScript::AnswerButton(qel::kIdOk);
    a->StartSysInfo();
    // A program that does not start.
    platform::SetRegistryString(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, "/no/such/tool");
    platform::SetProgramStarter([](const std::string&) { return false; });
    platform::ModalScript::AnswerButton(qel::kIdOk);
    a->StartSysInfo();
    QCOMPARE(int(wintest::Boxes().size()), 3);
    for (const auto& box : wintest::Boxes()) QCOMPARE(box.prompt, kUnavailable);
  }

  void anEmptyFirstValueGoesStraightToTheMessage() {
    QTemporaryDir dir;
    QFile exe(dir.filePath(QStringLiteral("MSINFO32.EXE")));
    QVERIFY(exe.open(QIODevice::WriteOnly));
    exe.close();
    platform::SetRegistryValue(kKeyLocalMachine, kSysInfoKey, kSysInfoValue, platform::kRegString,
                               "");
    platform::SetRegistryString(kKeyLocalMachine, kSysInfoFolderKey, kSysInfoFolderValue,
                                dir.path().toStdString());
    platform::ModalScript::AnswerButton(qel::kIdOk);
    frmAbout::Instance()->StartSysInfo();
    QVERIFY(started_.empty());
    QCOMPARE(wintest::LastPrompt(), kUnavailable);
  }

  void backslashPathsAreReadAsThePlatformsOwn() {
    QCOMPARE(platform::NativePath("a\\b\\MSINFO32.EXE"), std::string("a/b/MSINFO32.EXE"));
    QVERIFY(!platform::FileMatches(""));
    QVERIFY(!platform::FileMatches(QDir::tempPath().toStdString()));  // a folder is no file
  }

 private:
  std::vector<std::string> started_;
};

QTEST_MAIN(TestFrmAbout)
#include "test_frmAbout.moc"
