// The platform layer: scripted modal boxes and dialogs, the settings store,
// twips, the loaded-window registry, default and cancel buttons, help.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include "engine.h"
#include "platform/FileDialog.h"
#include "platform/FormKeys.h"
#include "platform/Forms.h"
#include "platform/Help.h"
#include "platform/MessageBox.h"
#include "platform/ModalScript.h"
#include "platform/Settings.h"
#include "platform/Twips.h"

using platform::ModalRecord;
using platform::ModalScript;

class TestPlatform : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(settingsDir_.isValid());
    platform::SetSettingsDirectory(settingsDir_.path().toStdString());
  }
  void init() { ModalScript::Begin(); }
  void cleanup() { ModalScript::End(); }

  void scriptAnswersInOrderAndRecordsTexts() {
    ModalScript::AnswerButton(qel::kIdCancel);
    ModalScript::AnswerButton(qel::kIdOk);
    ModalScript::AnswerPath("/tmp/a.pat");
    QCOMPARE(platform::ShowMessageBox("first", 65, "Header information"), int(qel::kIdCancel));
    QCOMPARE(platform::ShowMessageBox("second", 0, ""), int(qel::kIdOk));
    QCOMPARE(platform::ShowOpenDialog("Pick", "All files (*.*)|*.*", "x.txt", 4100),
             std::string("/tmp/a.pat"));
    const auto& r = ModalScript::Records();
    QCOMPARE(int(r.size()), 3);
    QCOMPARE(r[0].prompt, std::string("first"));
    QCOMPARE(r[0].style, 65);
    QCOMPARE(r[0].title, std::string("Header information"));
    QCOMPARE(r[1].title, std::string("QEL"));  // no title: the program's
    QVERIFY(r[2].kind == ModalRecord::Kind::OpenDialog);
    QCOMPARE(r[2].filter, std::string("All files (*.*)|*.*"));
    QCOMPARE(r[2].fileName, std::string("x.txt"));
    QCOMPARE(r[2].flags, 4100);
    QVERIFY(ModalScript::Failures().empty());
  }

  void unansweredOrMismatchedModalFailsAtOnce() {
    int hooked = 0;
    ModalScript::SetFailureHook([&](const std::string&) { ++hooked; });
    QCOMPARE(platform::ShowMessageBox("nobody answers", 48, "T"), int(qel::kIdCancel));
    ModalScript::AnswerPath("/tmp/x");  // a path is no button
    QCOMPARE(platform::ShowMessageBox("wrong answer", 48, "T"), int(qel::kIdCancel));
    ModalScript::SetFailureHook({});
    QCOMPARE(int(ModalScript::Failures().size()), 2);
    QCOMPARE(hooked, 2);
    ModalScript::ClearRecords();
  }

  void dialogCancelIsItsOwnRuntimeError() {
    ModalScript::AnswerCancel();
    try {
      platform::ShowSaveDialog("Save", "Text (*.txt)|*.txt", "QELlog.txt", 2);
      QFAIL("Cancel returned a path");
    } catch (const qel::RuntimeError& e) {
      QCOMPARE(e.Number(), int(qel::kErrDialogCancel));
      QVERIFY(!e.Description().empty());
    }
    QVERIFY(ModalScript::Failures().empty());
  }

  void engineBoxesGoThroughTheScript() {
    platform::InstallMessageBoxHandler();
    ModalScript::AnswerButton(qel::kIdOk);
    QCOMPARE(qel::MsgBox("from the engine", 16, "Too many zones"), int(qel::kIdOk));
    QCOMPARE(ModalScript::MessageBoxes().back().prompt, std::string("from the engine"));
    qel::SetMessageBoxHandler({});
  }

  void filterTextBecomesNameFilters() {
    QCOMPARE(platform::DialogNameFilters(
                 "All files (*.*)|*.*|Comma Separated Values files (*.csv)|*.csv|Text files|*.txt;*.log"),
             std::string("All files (*);;Comma Separated Values files (*.csv);;Text files (*.txt *.log)"));
    // A dangling description without a pattern is dropped, never read past.
    QCOMPARE(platform::DialogNameFilters("Only a description"), std::string("All files (*)"));
  }

  void settingsKeepTextAndDefault() {
    QCOMPARE(platform::GetSetting("QELTest", "Settings", "Missing", "dflt"), std::string("dflt"));
    platform::SaveSetting("QELTest", "Settings", "MainLeft", "1234.5");
    QCOMPARE(platform::GetSetting("QELTest", "Settings", "MainLeft", "0"), std::string("1234.5"));
    QCOMPARE(platform::SingleText(1000.0f), std::string("1000"));
    QCOMPARE(platform::SingleText(1234.5f), std::string("1234.5"));
    QCOMPARE(platform::SingleFromText("1234.5", 0), 1234.5f);
    QCOMPARE(platform::SingleFromText("garbage", 6500), 6500.0f);
    QCOMPARE(platform::SingleFromText("1e300", 6500), 6500.0f);  // beyond single precision
  }

  void twipsFollowTheLogicalDpi() {
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    QCOMPARE(platform::TwipsToPixelsX(1440), qRound(dpi));
    QCOMPARE(platform::PixelsToTwipsX(platform::TwipsToPixelsX(2880)), 2880);
  }

  void unloadingGoesFromTheLatestBackAndKeepsOne() {
    std::vector<std::string> order;
    auto* a = new QWidget;
    auto* keep = new QWidget;
    auto* b = new QWidget;
    auto* gone = new QWidget;
    platform::NoteLoaded(a, [&] { order.push_back("a"); platform::NoteUnloaded(a); });
    platform::NoteLoaded(keep);
    platform::NoteLoaded(b, [&] { order.push_back("b"); });
    platform::NoteLoaded(gone);
    delete gone;  // deleted windows drop out by themselves
    QCOMPARE(int(platform::LoadedForms().size()), 3);
    platform::UnloadAllExcept(keep);
    QCOMPARE(order, (std::vector<std::string>{"b", "a"}));
    QCOMPARE(platform::LoadedForms(), std::vector<QWidget*>{keep});
    // A window that loads itself again while unloading cannot hold the close.
    std::function<void()> reload = [&] { platform::NoteLoaded(b, reload); };
    platform::NoteLoaded(b, reload);
    platform::UnloadAllExcept(keep);
    platform::NoteUnloaded(b);
    platform::NoteUnloaded(keep);
    delete a;
    delete keep;
    delete b;
  }

  void enterAndEscClickTheFormsButtons() {
    QWidget form;
    auto* def = new QPushButton("def", &form);
    auto* cancel = new QPushButton("cancel", &form);
    auto* other = new QPushButton("other", &form);
    auto* edit = new QLineEdit(&form);
    QSignalSpy defSpy(def, &QPushButton::clicked);
    QSignalSpy cancelSpy(cancel, &QPushButton::clicked);
    QSignalSpy otherSpy(other, &QPushButton::clicked);
    platform::SetDefaultButton(&form, def);
    platform::SetCancelButton(&form, cancel);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    edit->setFocus();
    QTest::keyClick(&form, Qt::Key_Return);
    QTest::keyClick(&form, Qt::Key_Escape);
    QCOMPARE(defSpy.count(), 1);
    QCOMPARE(cancelSpy.count(), 1);
    def->setEnabled(false);  // a disabled default takes no Enter
    QTest::keyClick(&form, Qt::Key_Enter);
    QCOMPARE(defSpy.count(), 1);
    platform::SetDefaultButton(&form, other);
    QVERIFY(!def->isDefault());
    QTest::keyClick(edit, Qt::Key_Return);  // the box passes Enter on to the form
    QCOMPARE(otherSpy.count(), 1);
    cancel->setFocus();  // a button with the focus takes Enter itself
    QTest::keyClick(&form, Qt::Key_Return);
    QCOMPARE(cancelSpy.count(), 2);
    QCOMPARE(otherSpy.count(), 1);
  }

  void programHelpFileReadsAndSearches() {
    std::vector<platform::HelpTopic> topics;
    std::string error;
    QVERIFY2(platform::LoadHelpFile(platform::ProgramHelpFile(), topics, error), error.c_str());
    QCOMPARE(topics.front().id, std::string("contents"));
    for (const char* word : {"intersection", "contiguity", "threshold", "Homog", "QELout.csv", "seed"})
      QVERIFY2(!platform::SearchHelp(topics, word).empty(), word);
    QVERIFY(platform::SearchHelp(topics, "no such word anywhere").empty());
  }

  void helpViewerOpensOrReportsTheFile() {
    platform::ShowHelp(nullptr, platform::ProgramHelpFile(), platform::kHelpContents);
    QWidget* viewer = platform::HelpViewer();
    QVERIFY(viewer && viewer->isVisible());
    QVERIFY(viewer->findChild<QTextBrowser*>("topicText")->toPlainText().startsWith("Contents"));
    viewer->close();

    ModalScript::AnswerButton(qel::kIdOk);
    platform::ShowHelp(nullptr, "/nonexistent/QEL.hlp", platform::kHelpPartialKey);
    QVERIFY(QString::fromStdString(ModalScript::MessageBoxes().back().prompt).contains("/nonexistent/QEL.hlp"));

    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             platform::ShowHelp(nullptr, platform::ProgramHelpFile(), 7));

    // A file without a single topic is no help file.
    QTemporaryDir dir;
    QFile f(dir.filePath("empty.hlp"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("# only a comment\nstray text\n");
    f.close();
    std::vector<platform::HelpTopic> topics;
    std::string error;
    QVERIFY(!platform::LoadHelpFile(f.fileName().toStdString(), topics, error) && !error.empty());
  }

 private:
  QTemporaryDir settingsDir_;
};

QTEST_MAIN(TestPlatform)
#include "test_platform.moc"
