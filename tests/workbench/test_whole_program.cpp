// The whole program as a user drives it: started from the splash window, the
// demo data set loaded through the dialogs, a threshold run, the report, the
// map, both result files saved and read back, the options and the look-up
// table; then the report block on a solution set up by hand.
#include <QtWidgets>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <map>
#include <set>

#include "Shapes.h"
#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmMain.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmOutput.h"
#include "frmQELRun.h"
#include "frmSplash.h"
#include "platform/Forms.h"
#include "platform/ModalScript.h"
#include "platform/Settings.h"

using platform::ModalScript;

namespace {

const std::string kDemo = QEL_SOURCE_DIR "/data/QELdemo.";

QStringList Lines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

QStringList FileLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

void Save(QPushButton* command, const QString& path) {
  ModalScript::AnswerPath(path.toStdString());
  ModalScript::AnswerButton(qel::kIdOk);
  command->click();
}

int MainWindows() {
  int n = 0;
  for (QWidget* t : QApplication::topLevelWidgets()) n += qobject_cast<frmMain*>(t) != nullptr;
  return n;
}

}  // namespace

class TestWholeProgram : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  QString oldCwd_;
  frmMain* main_ = nullptr;
  std::map<int, int> tractOfBlock_;

  void LoadDemo() {
    ModalScript::AnswerPath(kDemo + "pat");
    main_->CmdInputfile->click();
    ModalScript::AnswerPath(kDemo + "ctg");
    main_->cmdGetcont->click();
    QCOMPARE(int(qel::intNRecs), 11);
  }

 private slots:
  void initTestCase() {
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings")).toStdString());
    oldCwd_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));  // the look-up table is written here
    ModalScript::Begin();
    ModalScript::SetFailureHook([](const std::string& text) { QTest::qFail(text.c_str(), __FILE__, __LINE__); });
    qel::ResetEngineState();
    InstallWorkbenchWindows();
  }
  void cleanupTestCase() {
    QDir::setCurrent(oldCwd_);
    platform::UnloadAllExcept(nullptr);
    ModalScript::SetFailureHook({});
    ModalScript::End();
  }

  void splashClickStartsTheProgramOnce() {
    frmSplash* splash = frmSplash::Instance();
    splash->show();
    QTest::mouseClick(splash, Qt::LeftButton, Qt::NoModifier, splash->fraMainFrame->geometry().center());
    QVERIFY(qel::frmMainInst == nullptr);  // the frame itself takes no click
    const QRect frame = splash->fraMainFrame->geometry();
    QTest::mouseClick(splash, Qt::LeftButton, Qt::NoModifier, QPoint(frame.right() + 3, frame.center().y()));
    main_ = static_cast<frmMain*>(qel::frmMainInst);
    QVERIFY(main_ != nullptr && main_->isVisible() && !splash->isVisible());
    splash->Timer1_Timer();  // a late tick or click starts nothing more
    splash->Form_Click();
    QCOMPARE(qel::frmMainInst, static_cast<void*>(main_));
    QCOMPARE(MainWindows(), 1);
  }

  void thresholdRunReportMapAndFiles() {
    LoadDemo();
    main_->chkZonespec[0]->click();
    main_->txtMinpop->setText(QStringLiteral("200"));
    main_->txtIterations->setText(QStringLiteral("10"));
    main_->cmdRun->click();

    frmQELRun* progress = frmQELRun::Instance();
    QCOMPARE(progress->lblProgrep->text(), QStringLiteral("Progress with 10 iterations:"));
    QVERIFY(progress->lstProgRep->count() >= 1);
    for (const QString& line : Lines(progress->lstProgRep))
      QVERIFY2(line.contains(QStringLiteral(" *NEW BEST* : ")), qPrintable(line));
    QCOMPARE(progress->prgRunProg->value(), 100);

    frmOutput* out = frmOutput::Instance();
    QVERIFY(out->isVisible());
    // Enter in a new report views it; it does not close the window.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(out->cmdView));
    QTest::keyClick(out, Qt::Key_Return);
    QVERIFY(out->isVisible() && out->lstOutInfo->count() > 0);
    out->lstOutInfo->clear();
    out->cmdView->click();
    const QStringList report = Lines(out->lstOutInfo);
    QCOMPARE(report.value(10), QStringLiteral("Tract ID, Pop, No. parts, BBinput IDs"));
    const QStringList tracts = report.mid(11);
    QCOMPARE(tracts.size(), int(qel::intNBestTracts));
    const QString log = dir_.filePath(QStringLiteral("QELlog.txt"));
    const QString csv = dir_.filePath(QStringLiteral("QELout.csv"));
    Save(out->cmdSaveLog, log);
    QCOMPARE(ModalScript::Records().end()[-2].filter, std::string("Text files (*.txt)|*.txt|All files (*.*)|*.* "));
    Save(out->cmdSaveTcts, csv);
    QCOMPARE(ModalScript::MessageBoxes().back().prompt, "Tract composition saved to " + csv.toStdString());
    QCOMPARE(ModalScript::MessageBoxes().back().style, 64);  // information, OK alone

    const QStringList logLines = FileLines(log);
    QVERIFY(logLines.contains(QString::fromStdString("Input file : " + kDemo + "pat")));
    QVERIFY(logLines.contains(QStringLiteral("Threshold population : 200")));
    for (const QString& t : tracts) QVERIFY2(logLines.contains(t), qPrintable(t));
    // Each block sits in the tract the report lists it in; each tract holds the threshold.
    for (const QString& t : tracts) {
      const QStringList f = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
      QVERIFY(f[1].toDouble() >= 200);
      QCOMPARE(f[2].toInt(), f.size() - 3);
      for (int k = 3; k < f.size(); ++k) tractOfBlock_[f[k].toInt()] = f[0].toInt();
    }
    const QStringList composition = FileLines(csv);
    QCOMPARE(composition.size(), 10);  // records 2 to 11
    for (const QString& line : composition) {
      const QStringList f = line.split(QLatin1Char(','));
      QCOMPARE(tractOfBlock_[f.value(0).toInt()], f.value(1).toInt());
    }
  }

  // Shape k stands for record k + 2 (the demo's blocks are numbered as their
  // records); shape 10 completes record 11.
  void mapColoursFollowTheTracts() {
    static const uint32_t kColours[8] = {0x0000FF, 0xFF0000, 0x00FFFF, 0x00FF00,
                                         0xFFFFFF, 0x000000, 0xFF00FF, 0xFFFF00};
    frmMap* map = frmMap::Instance();
    QVERIFY(map->isVisible() && frmOutput::Instance()->isVisible());
    // The map opens beside the report, not under it.
    QVERIFY(!map->frameGeometry().intersects(frmOutput::Instance()->frameGeometry()));
    const QImage picture = map->grab().toImage();
    for (int k = 0; k <= 10; ++k) {
      const int tract = tractOfBlock_[k == 10 ? 11 : k + 2];
      QVERIFY(tract >= 1 && tract <= 8);
      const uint32_t bgr = kColours[tract - 1];
      QCOMPARE(map->shpBB[size_t(k)]->FillStyle(), int(qel::kFillSolid));
      QCOMPARE(map->shpBB[size_t(k)]->FillColor(), bgr);
      QCOMPARE(QColor(picture.pixel(map->shpBB[size_t(k)]->geometry().center())),
               QColor(int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF)));
    }
  }

  void optionsRefuseInvalidTextThenStore() {
    main_->mnuViewOptions->trigger();
    frmOptions* options = frmOptions::Instance();
    QLineEdit* const texts[] = {options->txtRstart, options->txtOffset, options->txtSAstart,
                                options->txtPopWt, options->txtApxwt};
    for (const char* bad : {"abc", "40000", "32767.5"}) {
      for (QLineEdit* t : texts) t->setText(QStringLiteral("5"));
      options->txtRstart->setText(QString::fromLatin1(bad));
      ModalScript::AnswerButton(qel::kIdOk);
      options->cmdOk->click();
      QCOMPARE(ModalScript::MessageBoxes().back().title, std::string("Program Options"));
      QVERIFY(options->isVisible());
      QCOMPARE(int(qel::intRandomSeed), 99);  // nothing stored, the good texts neither
      QCOMPARE(qel::dblOffsetPct, 10.0);
    }
    options->txtOffset->setText(QStringLiteral("ten"));
    ModalScript::AnswerButton(qel::kIdOk);
    options->cmdOk->click();
    QCOMPARE(qel::dblOffsetPct, 10.0);
    const char* good[] = {"12.5", "25", "5", "2", "0.5"};
    for (int i = 0; i < 5; ++i) texts[i]->setText(QString::fromLatin1(good[i]));
    options->cmdOk->click();
    QVERIFY(!options->isVisible());
    QCOMPARE(int(qel::intRandomSeed), 12);  // ties go to the even number
    QCOMPARE(qel::dblOffsetPct, 25.0);
    QCOMPARE(qel::dblApxWeight, 0.5);
  }

  void lookUpTableWithApproximateMatching() {
    const QString lut = QStringLiteral("QELlut.csv");
    QFile::remove(lut);
    main_->chkLayerspec[0]->click();  // layer A fixed: matching against layer B
    main_->chkApprox->click();
    main_->txtIterations->setText(QStringLiteral("5"));
    main_->mnuViewOptions->trigger();
    frmOptions::Instance()->chkLUT->setChecked(true);
    frmOptions::Instance()->cmdCancel->click();  // the box counts all the same
    main_->cmdRun->click();
    std::set<int> zones;
    const QStringList lines = FileLines(lut);
    for (const QString& line : lines) zones.insert(line.split(QLatin1Char(','))[0].toInt());
    QCOMPARE(zones, (std::set<int>{10, 20, 30, 40}));  // one line per zone of layer B
    QCOMPARE(lines.size(), 4);
    QFile::remove(lut);
    frmOptions::Instance()->chkLUT->setChecked(false);
    main_->cmdRun->click();
    QVERIFY(!QFile::exists(lut));
  }

  // A run that ends with no solution takes the map of the run before away:
  // without layer A fixed the blocks form other IBBs, and a run of no
  // iteration finds nothing of its own.
  void aRunWithoutASolutionTakesTheMapAway() {
    if (main_ == nullptr) {  // run alone: start the program with the demo data set
      frmSplash::Instance()->Form_Click();
      main_ = static_cast<frmMain*>(qel::frmMainInst);
      QVERIFY(main_ != nullptr);
      LoadDemo();
    }
    main_->chkZonespec[0]->setChecked(true);
    main_->txtMinpop->setText(QStringLiteral("200"));
    main_->chkApprox->setChecked(false);
    main_->chkLayerspec[0]->setChecked(true);
    main_->txtIterations->setText(QStringLiteral("5"));
    main_->cmdRun->click();
    QVERIFY(frmMap::IsLoaded() && frmMap::Instance()->isVisible());
    main_->chkLayerspec[0]->setChecked(false);
    main_->txtIterations->setText(QStringLiteral("0"));
    ModalScript::AnswerButton(qel::kIdOk);
    main_->cmdRun->click();
    QCOMPARE(ModalScript::MessageBoxes().back().prompt,
             std::string("The run found no solution: there are no tracts to report or save"));
    QVERIFY(!frmMap::IsLoaded());
    main_->txtIterations->setText(QStringLiteral("5"));
    main_->cmdRun->click();
    QVERIFY(frmMap::IsLoaded() && frmMap::Instance()->isVisible());
  }

  // The map shows the demo area's tracts: another area loaded takes it away,
  // also when that area is the demo set again.
  void anotherStudyAreaTakesTheMapAway() {
    QVERIFY(frmMap::IsLoaded() && frmMap::Instance()->isVisible());
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("copy")));
    const QString copy = dir_.filePath(QStringLiteral("copy/QELdemo.pat"));
    QVERIFY(QFile::copy(QString::fromStdString(kDemo + "pat"), copy));
    ModalScript::AnswerPath(copy.toStdString());
    main_->CmdInputfile->click();
    QVERIFY(!frmMap::IsLoaded());
  }

  // Started under a file-size limit, or saving into a pipe whose reader has
  // gone, the program gets an error from the write, not a signal that ends
  // it with the results it holds.
  void theProgramIgnoresTheSignalsOfFailedWrites() {
    // Started with both at their defaults, so that what it ignores is its own doing.
    const auto pipe = std::signal(SIGPIPE, SIG_DFL), size = std::signal(SIGXFSZ, SIG_DFL);
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir_.filePath(QStringLiteral("program")));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QEL_PROGRAM), {});
    QVERIFY(program.waitForStarted());
    std::signal(SIGPIPE, pipe);
    std::signal(SIGXFSZ, size);
    const auto ignored = [status = QStringLiteral("/proc/%1/status").arg(program.processId())] {
      QFile f(status);
      const QByteArray text = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
      const qsizetype at = text.indexOf("SigIgn:");
      const qulonglong mask = at < 0 ? 0 : text.mid(at + 7, 24).trimmed().split('\n')[0].toULongLong(nullptr, 16);
      return (mask >> (SIGPIPE - 1) & 1) && (mask >> (SIGXFSZ - 1) & 1);
    };
    QTRY_VERIFY_WITH_TIMEOUT(ignored(), 20000);  // the program is ended with its QProcess
  }

  // Two tracts: tract 1 holds IBBs 1 (blocks 2, 5) and 3 (block 4), tract 2 IBB 2 (block 3).
  void reportBlockOfAGivenSolution() {
    using namespace qel;
    ResetEngineState();
    intElapsedSecs = 7;
    intBestIteration = 3;
    std::tie(dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx) = std::tuple(2500.0, 40.5, 0.0, 1E-08, 0.125);
    intIslandsSkipped = 1;
    intNBestTracts = 2;
    const std::vector<std::vector<int16_t>> ibbs = {{1, 3}, {2}}, blocks = {{2, 5}, {3}, {4}};
    for (int16_t t = 1; t <= 2; ++t) {
      udtTract& tract = arrBestTract(t);
      tract.intID = t;
      tract.dblPop = t == 1 ? 1250 : 980;
      tract.intNMembers = int16_t(ibbs[t - 1].size());
      for (int m = 1; m <= tract.intNMembers; ++m) tract.intMember(m) = ibbs[t - 1][m - 1];
      tract.dblHomSum(1) = 100.0 * t;
      tract.dblHomSum(2) = 0.5;
    }
    for (int g = 1; g <= 3; ++g) {
      intBestIBBCount(g) = int16_t(blocks[g - 1].size());
      for (int k = 1; k <= intBestIBBCount(g); ++k) intBestIBBMember(g, k) = blocks[g - 1][k - 1];
    }
    blnHomog = true;
    intNHomVars = 2;
    KeepRunResult();
    frmOutput* o = frmOutput::Instance();
    o->lstOutInfo->clear();
    o->cmdView->click();
    QCOMPARE(Lines(o->lstOutInfo),
             (QStringList{"=============Next Run=================", "Elapsed time: 7 seconds", "",
                          "Best iteration : 3", "Best TP value : 2500", "Best P2A value : 40.5",
                          "Best IAC value : 0", "Best Min value : 1E-08", "Best Apx value : 0.125",
                          "1 sub-threshold islands skipped", "Tract ID, Pop, No. parts, BBinput IDs",
                          "1  1250 3  2 5 4", "2  980 1  3", "Tract ID, Pop, Hom vars", "1 1250 100 0.5",
                          "2 980 200 0.5"}));
  }
};

QTEST_MAIN(TestWholeProgram)
#include "test_whole_program.moc"
