// The whole program as a user drives it: started from the splash window, the
// demo data set loaded through the dialogs, runs with and without changed
// options, the report viewed, both result files saved and read back, and the
// program closed.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "Shapes.h"
#include "frmMain.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmOutput.h"
#include "frmQELRun.h"
#include "frmSplash.h"
#include "platform/Settings.h"
#include "windows_fixture.h"

using platform::ModalScript;

namespace {

QString Demo(const char* ext) {
  return QString::fromLatin1(QEL_SOURCE_DIR "/data/QELdemo.") + QString::fromLatin1(ext);
}

QStringList ReadLines(const QString& path) {
  return wintest::ReadText(path).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
}

void Save(QPushButton* command, const QString& path) {
  ModalScript::AnswerPath(path.toStdString());
  ModalScript::AnswerButton(qel::kIdOk);
  command->click();
}

const QString kLut = QStringLiteral("QELlut.csv");  // in the current directory

}  // namespace

class TestWholeProgram : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings")).toStdString());
    oldCwd_ = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir_.path()));
    wintest::BeginScript();
    qel::ResetEngineState();
    InstallWorkbenchWindows();

    // The process starts with the splash window; a click on its margin
    // starts the program at once.
    frmSplash* splash = frmSplash::Instance();
    splash->show();
    QVERIFY(qel::frmMainInst == nullptr);
    const QRect frame = splash->fraMainFrame->geometry();
    QTest::mouseClick(splash, Qt::LeftButton, Qt::NoModifier,
                      QPoint(frame.right() + 3, frame.center().y()));
    main_ = static_cast<frmMain*>(qel::frmMainInst);
    QVERIFY(main_ != nullptr && main_->isVisible());
    QVERIFY(!splash->isVisible() && frmSplash::IsLoaded());
  }

  void cleanupTestCase() {
    QDir::setCurrent(oldCwd_);
    wintest::StopAll();
  }

  void demoRunWithAThreshold() {
    ModalScript::AnswerPath(Demo("pat").toStdString());
    main_->CmdInputfile->click();
    ModalScript::AnswerPath(Demo("ctg").toStdString());
    main_->cmdGetcont->click();
    QCOMPARE(int(qel::intNRecs), 11);
    main_->chkZonespec[0]->click();  // "Population threshold"
    main_->optLaypop[1]->click();
    main_->txtMinpop->setText(QStringLiteral("200"));
    main_->txtIterations->setText(QStringLiteral("10"));
    main_->cmdRun->click();
    QVERIFY(ModalScript::Failures().empty());

    // Progress: the caption, new-best lines, the bar at 100, then hidden.
    frmQELRun* progress = frmQELRun::Instance();
    QCOMPARE(progress->lblProgrep->text(), QStringLiteral("Progress with 10 iterations:"));
    QVERIFY(progress->lstProgRep->count() >= 1);
    for (const QString& line : wintest::ListLines(progress->lstProgRep))
      QVERIFY2(line.contains(QStringLiteral(" *NEW BEST* : ")), qPrintable(line));
    QCOMPARE(progress->prgRunProg->value(), 100);
    QVERIFY(!progress->isVisible());

    // The demo map shows every block coloured, shape 10 in record 11's colour.
    frmMap* map = frmMap::Instance();
    QVERIFY(map->isVisible());
    for (ShapeControl* s : map->shpBB) QCOMPARE(s->FillStyle(), int(qel::kFillSolid));
    QCOMPARE(map->shpBB[10]->FillColor(), map->shpBB[9]->FillColor());

    // The report, and both files saved and read back.
    frmOutput* out = frmOutput::Instance();
    QVERIFY(out->isVisible());
    out->cmdView->click();
    const QStringList report = wintest::ListLines(out->lstOutInfo);
    QCOMPARE(report[10], QStringLiteral("Tract ID, Pop, No. parts, BBinput IDs"));
    const QStringList tractLines = report.mid(11);
    QCOMPARE(tractLines.size(), int(qel::intNBestTracts));
    const QString log = dir_.filePath(QStringLiteral("QELlog.txt"));
    const QString csv = dir_.filePath(QStringLiteral("QELout.csv"));
    Save(out->cmdSaveLog, log);
    Save(out->cmdSaveTcts, csv);
    QCOMPARE(wintest::LastPrompt(), "Tract composition saved to " + csv.toStdString());

    const QStringList logLines = ReadLines(log);
    QVERIFY(logLines.contains(QStringLiteral("Input file : ") + Demo("pat")));
    QVERIFY(logLines.contains(QStringLiteral("Threshold population : 200")));
    for (const QString& t : tractLines) QVERIFY2(logLines.contains(t), qPrintable(t));

    // Every block is in exactly the tract the report lists it in, and every
    // tract holds at least the threshold.
    std::map<int, int> tractOfBlock;
    for (const QString& t : tractLines) {
      const QStringList f = t.split(QLatin1Char(' '), Qt::SkipEmptyParts);
      QVERIFY(f[1].toDouble() >= 200);
      QCOMPARE(f[2].toInt(), f.size() - 3);
      for (int k = 3; k < f.size(); ++k) tractOfBlock[f[k].toInt()] = f[0].toInt();
    }
    const QStringList composition = ReadLines(csv);
    QCOMPARE(composition.size(), 10);  // records 2 to 11
    for (const QString& line : composition) {
      const QStringList f = line.split(QLatin1Char(','));
      QCOMPARE(f.size(), 2);
      QCOMPARE(tractOfBlock[f[0].toInt()], f[1].toInt());  // own number = record number here
    }
  }

  void optionsChangeTheRunAndTheSameSeedRepeatsIt() {
    main_->mnuViewOptions->trigger();
    frmOptions* options = frmOptions::Instance();
    QVERIFY(options->isVisible());
    const QStringList texts = {"7", "25", "5", "2", "0.5"};
    int i = 0;
    for (QLineEdit* t : {options->txtRstart, options->txtOffset, options->txtSAstart,
                         options->txtPopWt, options->txtApxwt})
      t->setText(texts[i++]);
    options->cmdOk->click();
    QCOMPARE(qel::intRandomSeed, int16_t(7));
    QCOMPARE(qel::dblOffsetPct, 25.0);

    main_->chkZonespec[1]->click();  // target as well
    main_->txtTarpop->setText(QStringLiteral("250"));
    main_->chkSA->setChecked(true);
    QStringList compositions[2];
    for (QStringList& c : compositions) {
      main_->cmdRun->click();
      Save(frmOutput::Instance()->cmdSaveTcts, dir_.filePath(QStringLiteral("seed7.csv")));
      c = ReadLines(dir_.filePath(QStringLiteral("seed7.csv")));
    }
    QCOMPARE(compositions[0].size(), 10);
    QCOMPARE(compositions[1], compositions[0]);
  }

  void lookUpTableWithApproximateMatching() {
    QFile::remove(kLut);
    main_->chkLayerspec[0]->click();  // layer A fixed: matching against layer B
    main_->chkApprox->click();
    main_->txtIterations->setText(QStringLiteral("5"));
    // Ticked and then cancelled: the box counts all the same.
    main_->mnuViewOptions->trigger();
    frmOptions::Instance()->chkLUT->setChecked(true);
    frmOptions::Instance()->cmdCancel->click();
    main_->cmdRun->click();
    QVERIFY(ModalScript::Failures().empty());
    std::set<int> zones;  // one line per zone of layer B
    for (const QString& line : ReadLines(kLut)) zones.insert(line.split(QLatin1Char(','))[0].toInt());
    QCOMPARE(zones, (std::set<int>{10, 20, 30, 40}));
    QCOMPARE(ReadLines(kLut).size(), 4);

    // Unticked, the next run writes none.
    QFile::remove(kLut);
    frmOptions::Instance()->chkLUT->setChecked(false);
    main_->cmdRun->click();
    QVERIFY(!QFile::exists(kLut));
  }

  void closingTheMainWindowUnloadsEveryWindowAndSavesThePlacement() {
    QVERIFY(frmOutput::IsLoaded() && frmMap::IsLoaded() && frmQELRun::IsLoaded() &&
            frmOptions::IsLoaded() && frmSplash::IsLoaded());
    main_->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmOutput::IsLoaded() && !frmMap::IsLoaded() && !frmQELRun::IsLoaded() &&
            !frmOptions::IsLoaded() && !frmSplash::IsLoaded());
    QVERIFY(platform::GetSetting("QEL", "Settings", "MainWidth", "") != "");
  }

 private:
  QTemporaryDir dir_;
  QString oldCwd_;
  frmMain* main_ = nullptr;
};

QTEST_MAIN(TestWholeProgram)
#include "test_whole_program.moc"
