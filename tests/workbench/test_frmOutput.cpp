// The output report window: the report block built from the engine's best
// solution, the two save commands with their dialogs and messages, Close.
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

#include "frmOutput.h"
#include "windows_fixture.h"

using platform::ModalScript;

namespace {

// Best solution of two tracts: tract 1 holds IBBs 1 (blocks 2, 5) and 3
// (block 4); tract 2 holds IBB 2 (block 3).
void SetTwoTracts() {
  using namespace qel;
  intElapsedSecs = 7;
  intBestIteration = 3;
  std::tie(dblBestTP, dblBestP2A, dblBestIAC, dblBestMin, dblBestApx) =
      std::tuple(2500.0, 40.5, 0.0, 1E-08, 0.125);
  intIslandsSkipped = 1;
  intNBestTracts = 2;
  const std::vector<std::vector<int16_t>> ibbsOfTract = {{1, 3}, {2}}, blocksOfIBB = {{2, 5}, {3}, {4}};
  const std::vector<std::vector<double>> homSums = {{600, 650.5}, {480, 500}};
  for (int16_t t = 1; t <= 2; ++t) {
    udtTract& tract = arrBestTract(t);
    tract.intID = t;
    tract.dblPop = t == 1 ? 1250 : 980;
    tract.intNMembers = static_cast<int16_t>(ibbsOfTract[t - 1].size());
    for (int m = 1; m <= tract.intNMembers; ++m) tract.intMember(m) = ibbsOfTract[t - 1][m - 1];
    for (int v = 1; v <= 2; ++v) tract.dblHomSum(v) = homSums[t - 1][v - 1];
  }
  for (int g = 1; g <= 3; ++g) {
    intBestIBBCount(g) = static_cast<int16_t>(blocksOfIBB[g - 1].size());
    for (int k = 1; k <= intBestIBBCount(g); ++k) intBestIBBMember(g, k) = blocksOfIBB[g - 1][k - 1];
  }
}

const QStringList kFixedLines = {
    "=============Next Run=================", "Elapsed time: 7 seconds", "",
    "Best iteration : 3", "Best TP value : 2500", "Best P2A value : 40.5", "Best IAC value : 0",
    "Best Min value : 1E-08", "Best Apx value : 0.125", "1 sub-threshold islands skipped",
    "Tract ID, Pop, No. parts, BBinput IDs",
};

// Queues a path (or Cancel) for the save dialog and OK for the box after it.
void Answer(const QString& path) {
  if (path.isEmpty())
    ModalScript::AnswerCancel();
  else
    ModalScript::AnswerPath(path.toStdString());
  ModalScript::AnswerButton(qel::kIdOk);
}

}  // namespace

class TestFrmOutput : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    wintest::StartFresh();
    SetTwoTracts();
  }
  void cleanup() { wintest::StopAll(); }

  void reportBlockWithAndWithoutHomogeneity() {
    frmOutput* o = frmOutput::Instance();
    o->show();
    o->cmdView->click();
    const QStringList tracts = {"1  1250 3  2 5 4", "2  980 1  3"};
    QCOMPARE(wintest::ListLines(o->lstOutInfo), kFixedLines + tracts);
    QCOMPARE(o->lstOutInfo->currentRow(), 12);

    // Pressed again with homogeneity on: the same block again, then the sums.
    qel::blnHomog = true;
    qel::intNHomVars = 2;
    o->cmdView->click();
    QCOMPARE(wintest::ListLines(o->lstOutInfo).mid(13),
             (kFixedLines + tracts +
              QStringList{"Tract ID, Pop, Hom vars", "1 1250 600 650.5", "2 980 480 500"}));
    qel::intNHomVars = 0;  // each line then holds only tract and population
    qel::intNBestTracts = 0;
    o->lstOutInfo->clear();
    o->cmdView->click();
    QCOMPARE(wintest::ListLines(o->lstOutInfo),
             (kFixedLines + QStringList{"Tract ID, Pop, Hom vars"}));
    qel::intNBestTracts = 2;
    o->lstOutInfo->clear();
    o->cmdView->click();
    QCOMPARE(wintest::ListLines(o->lstOutInfo).mid(14), (QStringList{"1 1250", "2 980"}));
    QCOMPARE(o->lstOutInfo->currentRow(), 15);

    // "&Close" unloads it with its list; the next run's end shows it afresh.
    o->cmdClose->click();
    QVERIFY(!frmOutput::IsLoaded());
    qel::Windows().ShowOutput();
    QVERIFY(frmOutput::Instance()->isVisible());
    QCOMPARE(frmOutput::Instance()->lstOutInfo->count(), 0);
  }

  void aBlockThatCannotBeBuiltLeavesTheListAsItWas() {
    frmOutput* o = frmOutput::Instance();
    o->cmdView->click();
    const int before = o->lstOutInfo->count();
    qel::udtTract& t = qel::arrBestTract(1);
    t.intNMembers = 70;  // a part count beyond 16 bits: 70 IBBs of 500 blocks
    for (int16_t m = 1; m <= 70; ++m) qel::intBestIBBCount(t.intMember(m) = m) = 500;
    ModalScript::AnswerButton(qel::kIdOk);
    o->cmdView->click();
    QVERIFY(wintest::LastPrompt().rfind("Error 6 ", 0) == 0);
    t.intNMembers = 1;
    t.intMember(1) = 0;  // a member outside the tables
    ModalScript::AnswerButton(qel::kIdOk);
    o->cmdView->click();
    QVERIFY(wintest::LastPrompt().rfind("Error 9 ", 0) == 0);
    QCOMPARE(o->lstOutInfo->count(), before);
    QCOMPARE(wintest::Boxes().back().title, std::string("Error"));
    QCOMPARE(wintest::Boxes().back().style, int(qel::kMbExclamation));
  }

  void saveLogAndTractsConfirmWithTheFullPath() {
    qel::intNRecs = 3;
    qel::intNIBB = 2;
    for (int16_t g = 1; g <= 2; ++g) {
      qel::arrBB(g + 1).intID = static_cast<int16_t>(g + 9);
      qel::arrBB(g + 1).intIBB = g;
      qel::arrIBB(g).intNMembers = 1;
      qel::arrIBB(g).intMember(1) = static_cast<int16_t>(g + 1);
      qel::arrIBB(g).intTract = g;
    }
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("run log.txt"));
    const QString csv = dir.filePath(QStringLiteral("tracts.csv"));
    frmOutput* o = frmOutput::Instance();
    struct Case {
      QPushButton* command;
      QString path;
      std::string title, filter, name, saved, savedTitle;
    };
    const Case cases[] = {
        {o->cmdSaveLog, log, "Save program log file",
         "Text files (*.txt)|*.txt|All files (*.*)|*.* ", "QELlog.txt", "Program log saved to ",
         "Log saved"},
        {o->cmdSaveTcts, csv, "Save tract composition file",
         "Comma Separated Values files (*.csv)|*.csv|All files (*.*)|*.*", "QELout.csv",
         "Tract composition saved to ", "Tracts saved"}};
    for (const Case& c : cases) {
      ModalScript::ClearRecords();
      Answer(c.path);
      c.command->click();
      const auto& r = ModalScript::Records();
      QCOMPARE(int(r.size()), 2);
      QVERIFY(r[0].kind == platform::ModalRecord::Kind::SaveDialog);
      QCOMPARE(r[0].title, c.title);
      QCOMPARE(r[0].filter, c.filter);
      QCOMPARE(r[0].fileName, c.name);
      QCOMPARE(r[0].flags, 6);
      QCOMPARE(r[1].prompt, c.saved + c.path.toStdString());
      QCOMPARE(r[1].title, c.savedTitle);
      QCOMPARE(r[1].style, 64);
    }
    QVERIFY(wintest::ReadText(log).contains(QStringLiteral("1  1250 3  2 5 4\r\n")));
    QCOMPARE(wintest::ReadText(csv), QStringLiteral("10,1\r\n11,2\r\n"));
  }

  void cancelAndWriteFailuresShowTheErrorAndWriteNothing() {
    QTemporaryDir dir;
    frmOutput* o = frmOutput::Instance();
    Answer(QString());
    o->cmdSaveLog->click();
    Answer(QString());
    o->cmdSaveTcts->click();
    // A folder that does not exist: the writer's error, no confirmation.
    Answer(dir.filePath(QStringLiteral("no/such/QELlog.txt")));
    o->cmdSaveLog->click();
    const auto boxes = wintest::Boxes();
    QCOMPARE(int(boxes.size()), 3);
    const std::string cancelled = qel::ErrorMessageText(
        qel::RuntimeError(qel::kErrDialogCancel, qel::ErrorDescription(qel::kErrDialogCancel)));
    for (int i = 0; i < 3; ++i) {
      QVERIFY(i < 2 ? boxes[i].prompt == cancelled : boxes[i].prompt.rfind("Error ", 0) == 0);
      QCOMPARE(boxes[i].title, std::string("Error"));
      QCOMPARE(boxes[i].style, 48);
    }
    QVERIFY(QDir(dir.path()).isEmpty());
    // The failed writer left no channel open: a later save works.
    const QString good = dir.filePath(QStringLiteral("QELlog.txt"));
    Answer(good);
    o->cmdSaveLog->click();
    QCOMPARE(wintest::LastPrompt(), "Program log saved to " + good.toStdString());
  }
};

QTEST_MAIN(TestFrmOutput)
#include "test_frmOutput.moc"
