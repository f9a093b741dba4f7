// The whole program as a user drives it: started from the splash window, the
// demo data set loaded through the dialogs, runs with and without changed
// options, the report viewed, both result files saved and read back, and the
// program closed.
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
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

namespace {

using platform::ModalScript;

QString Demo(const char* ext) {
  return QString::fromLatin1(QEL_SOURCE_DIR "/data/QELdemo.") + QString::fromLatin1(ext);
}

QStringList ReadLines(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"));
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  return lines;
}

QStringList ListLines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

}  // namespace

class TestWholeProgram : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings")).toStdString());
    // The look-up table is written in the current directory.
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
    QVERIFY(main_ != nullptr);
    QVERIFY(main_->isVisible());
    QVERIFY(!splash->isVisible());
    QVERIFY(frmSplash::IsLoaded());
  }

  void cleanupTestCase() {
    QDir::setCurrent(oldCwd_);
    wintest::StopAll();
  }

  void demoRunWithAThreshold() {
    Load();
    main_->chkZonespec[0]->click();  // "Population threshold"
    main_->optLaypop[1]->click();
    main_->txtMinpop->setText(QStringLiteral("200"));
    main_->txtIterations->setText(QStringLiteral("10"));

    frmQELRun* progress = frmQELRun::Instance();
    QSignalSpy bar(progress->prgRunProg, &QProgressBar::valueChanged);
    main_->cmdRun->click();
    QVERIFY(ModalScript::Failures().empty());

    // Progress: the caption, new-best lines, the bar at 100, then hidden.
    QCOMPARE(progress->lblProgrep->text(), QStringLiteral("Progress with 10 iterations:"));
    QVERIFY(progress->lstProgRep->count() >= 1);
    for (const QString& line : ListLines(progress->lstProgRep))
      QVERIFY2(line.contains(QStringLiteral(" *NEW BEST* : ")), qPrintable(line));
    QCOMPARE(progress->prgRunProg->value(), 100);
    QVERIFY(!bar.isEmpty());
    QVERIFY(!progress->isVisible());

    // The demo map shows every block coloured, shape 10 in record 11's colour.
    QVERIFY(frmMap::IsLoaded() && frmMap::Instance()->isVisible());
    frmMap* map = frmMap::Instance();
    for (int i = 0; i < frmMap::kShapes; ++i)
      QCOMPARE(map->shpBB[i]->FillStyle(), int(qel::kFillSolid));
    QCOMPARE(map->shpBB[10]->FillColor(), map->shpBB[9]->FillColor());

    // The report.
    frmOutput* out = frmOutput::Instance();
    QVERIFY(out->isVisible());
    out->cmdView->click();
    const QStringList report = ListLines(out->lstOutInfo);
    QCOMPARE(report.first(), QStringLiteral("=============Next Run================="));
    const int header = report.indexOf(QStringLiteral("Tract ID, Pop, No. parts, BBinput IDs"));
    QCOMPARE(header, 10);
    const QStringList tractLines = report.mid(header + 1);
    QCOMPARE(tractLines.size(), int(qel::intNBestTracts));

    // Save both files and read them back.
    const QString log = dir_.filePath(QStringLiteral("QELlog.txt"));
    const QString csv = dir_.filePath(QStringLiteral("QELout.csv"));
    ModalScript::AnswerPath(log.toStdString());
    ModalScript::AnswerButton(qel::kIdOk);
    out->cmdSaveLog->click();
    ModalScript::AnswerPath(csv.toStdString());
    ModalScript::AnswerButton(qel::kIdOk);
    out->cmdSaveTcts->click();
    QCOMPARE(wintest::LastPrompt(), "Tract composition saved to " + csv.toStdString());

    const QStringList logLines = ReadLines(log);
    QVERIFY(logLines.contains(QStringLiteral("Input file : ") + Demo("pat")));
    QVERIFY(logLines.contains(QStringLiteral("Number of iterations : 10")));
    QVERIFY(logLines.contains(QStringLiteral("Threshold population : 200")));
    QVERIFY(logLines.contains(QStringLiteral("Population layer     : A")));
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
    compositionSeed99_ = composition;
  }

  void optionsChangeTheRunAndTheSameSeedRepeatsIt() {
    main_->mnuViewOptions->trigger();
    frmOptions* options = frmOptions::Instance();
    QVERIFY(options->isVisible());
    options->txtRstart->setText(QStringLiteral("7"));
    options->txtOffset->setText(QStringLiteral("25"));
    options->txtSAstart->setText(QStringLiteral("5"));
    options->txtPopWt->setText(QStringLiteral("2"));
    options->txtApxwt->setText(QStringLiteral("0.5"));
    options->cmdOk->click();
    QCOMPARE(qel::intRandomSeed, int16_t(7));
    QCOMPARE(qel::dblOffsetPct, 25.0);

    main_->chkZonespec[1]->click();  // target as well
    main_->txtTarpop->setText(QStringLiteral("250"));
    main_->chkSA->setChecked(true);
    const QStringList first = RunAndSaveComposition(QStringLiteral("seed7a.csv"));
    const QStringList second = RunAndSaveComposition(QStringLiteral("seed7b.csv"));
    QCOMPARE(first.size(), 10);
    QCOMPARE(second, first);
    // Both runs appended their block to the report of the open window.
    frmOutput::Instance()->cmdView->click();
    QVERIFY(ListLines(frmOutput::Instance()->lstOutInfo)
                .count(QStringLiteral("=============Next Run=================")) >= 2);
  }

  void lookUpTableWithApproximateMatching() {
    QFile::remove(QDir::current().filePath(QStringLiteral("QELlut.csv")));
    main_->chkLayerspec[0]->click();  // layer A fixed: matching against layer B
    QVERIFY(main_->chkApprox->isEnabled());
    main_->chkApprox->click();
    main_->txtIterations->setText(QStringLiteral("5"));
    // Ticked and then cancelled: the box counts all the same.
    main_->mnuViewOptions->trigger();
    frmOptions::Instance()->chkLUT->setChecked(true);
    frmOptions::Instance()->cmdCancel->click();

    main_->cmdRun->click();
    QVERIFY(ModalScript::Failures().empty());
    const QStringList lut = ReadLines(QDir::current().filePath(QStringLiteral("QELlut.csv")));
    // One line per zone of layer B: 10, 20, 30 and 40.
    QCOMPARE(lut.size(), 4);
    std::set<int> zones;
    for (const QString& line : lut) zones.insert(line.split(QLatin1Char(',')).first().toInt());
    QCOMPARE(zones, (std::set<int>{10, 20, 30, 40}));

    // Unticked, the next run writes none.
    QFile::remove(QDir::current().filePath(QStringLiteral("QELlut.csv")));
    frmOptions::Instance()->chkLUT->setChecked(false);
    main_->cmdRun->click();
    QVERIFY(!QFile::exists(QDir::current().filePath(QStringLiteral("QELlut.csv"))));
  }

  void closingTheMainWindowUnloadsEveryWindowAndSavesThePlacement() {
    QVERIFY(frmOutput::IsLoaded() && frmMap::IsLoaded() && frmQELRun::IsLoaded() &&
            frmOptions::IsLoaded() && frmSplash::IsLoaded());
    main_->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!frmOutput::IsLoaded());
    QVERIFY(!frmMap::IsLoaded());
    QVERIFY(!frmQELRun::IsLoaded());
    QVERIFY(!frmOptions::IsLoaded());
    QVERIFY(!frmSplash::IsLoaded());
    QVERIFY(platform::GetSetting("QEL", "Settings", "MainWidth", "") != "");
  }

 private:
  void Load() {
    ModalScript::AnswerPath(Demo("pat").toStdString());
    main_->CmdInputfile->click();
    ModalScript::AnswerPath(Demo("ctg").toStdString());
    main_->cmdGetcont->click();
    QVERIFY(ModalScript::Failures().empty());
    QCOMPARE(int(qel::intNRecs), 11);
    QVERIFY(qel::blnDemoFile);
    QVERIFY(main_->cmdRun->isEnabled());
  }

  QStringList RunAndSaveComposition(const QString& name) {
    main_->cmdRun->click();
    const QString path = dir_.filePath(name);
    ModalScript::AnswerPath(path.toStdString());
    ModalScript::AnswerButton(qel::kIdOk);
    frmOutput::Instance()->cmdSaveTcts->click();
    return ReadLines(path);
  }

  QTemporaryDir dir_;
  QString oldCwd_;
  frmMain* main_ = nullptr;
  QStringList compositionSeed99_;
};

QTEST_MAIN(TestWholeProgram)
#include "test_whole_program.moc"
