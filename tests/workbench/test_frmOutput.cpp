// The output report window: the report block built from the engine's best
// solution, the two save commands with their dialogs and messages, Close.
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "frmOutput.h"
#include "windows_fixture.h"

namespace {

// Best solution of two tracts: tract 1 holds IBBs 1 (blocks 2, 5) and 3
// (block 4); tract 2 holds IBB 2 (block 3).
void SetTwoTracts() {
  using namespace qel;
  intElapsedSecs = 7;
  intBestIteration = 3;
  dblBestTP = 2500;
  dblBestP2A = 40.5;
  dblBestIAC = 0;
  dblBestMin = 1E-08;
  dblBestApx = 0.125;
  intIslandsSkipped = 1;
  intNBestTracts = 2;
  udtTract& t1 = arrBestTract(1);
  t1.intID = 1;
  t1.dblPop = 1250;
  t1.intNMembers = 2;
  t1.intMember(1) = 1;
  t1.intMember(2) = 3;
  t1.dblHomSum(1) = 600;
  t1.dblHomSum(2) = 650.5;
  udtTract& t2 = arrBestTract(2);
  t2.intID = 2;
  t2.dblPop = 980;
  t2.intNMembers = 1;
  t2.intMember(1) = 2;
  t2.dblHomSum(1) = 480;
  t2.dblHomSum(2) = 500;
  intBestIBBCount(1) = 2;
  intBestIBBMember(1, 1) = 2;
  intBestIBBMember(1, 2) = 5;
  intBestIBBCount(2) = 1;
  intBestIBBMember(2, 1) = 3;
  intBestIBBCount(3) = 1;
  intBestIBBMember(3, 1) = 4;
}

const QStringList kFixedLines = {
    "=============Next Run=================",
    "Elapsed time: 7 seconds",
    "",
    "Best iteration : 3",
    "Best TP value : 2500",
    "Best P2A value : 40.5",
    "Best IAC value : 0",
    "Best Min value : 1E-08",
    "Best Apx value : 0.125",
    "1 sub-threshold islands skipped",
    "Tract ID, Pop, No. parts, BBinput IDs",
};

QStringList Lines(QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

QString ReadText(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

}  // namespace

class TestFrmOutput : public QObject {
  Q_OBJECT

 private slots:
  void init() { wintest::StartFresh(); }
  void cleanup() { wintest::StopAll(); }

  void reportBlockListsEveryTractsBlocks() {
    SetTwoTracts();
    frmOutput* o = frmOutput::Instance();
    o->show();
    o->cmdView->click();
    QStringList expected = kFixedLines;
    expected << "1  1250 3  2 5 4"
             << "2  980 1  3";
    QCOMPARE(Lines(o->lstOutInfo), expected);
    QCOMPARE(o->lstOutInfo->currentRow(), expected.size() - 1);
    QCOMPARE(QApplication::focusWidget() == nullptr || o->cmdClose->hasFocus(), true);
  }

  void homogeneityBlockFollowsWhenSwitchedOn() {
    SetTwoTracts();
    qel::blnHomog = true;
    qel::intNHomVars = 2;
    frmOutput* o = frmOutput::Instance();
    o->cmdView->click();
    const QStringList lines = Lines(o->lstOutInfo);
    QCOMPARE(lines.mid(13),
             (QStringList{"Tract ID, Pop, Hom vars", "1 1250 600 650.5", "2 980 480 500"}));
    qel::intNHomVars = 0;
    o->lstOutInfo->clear();
    o->cmdView->click();
    QCOMPARE(Lines(o->lstOutInfo).mid(14), (QStringList{"1 1250", "2 980"}));
  }

  void noTractsGivesTheFixedLinesAndTwoPressesTwoBlocks() {
    SetTwoTracts();
    qel::intNBestTracts = 0;
    frmOutput* o = frmOutput::Instance();
    o->cmdView->click();
    o->cmdView->click();
    QCOMPARE(Lines(o->lstOutInfo), kFixedLines + kFixedLines);
    QCOMPARE(o->lstOutInfo->currentRow(), 21);
  }

  void aBlockThatCannotBeBuiltLeavesTheListAsItWas() {
    SetTwoTracts();
    frmOutput* o = frmOutput::Instance();
    o->cmdView->click();
    const int before = o->lstOutInfo->count();
    // A part count beyond 16 bits: 70 IBBs of 500 blocks each.
    qel::udtTract& t = qel::arrBestTract(1);
    t.intNMembers = 70;
    for (int m = 1; m <= 70; ++m) {
      t.intMember(m) = static_cast<int16_t>(m);
      qel::intBestIBBCount(m) = 500;
    }
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdView->click();
    QCOMPARE(o->lstOutInfo->count(), before);
    QVERIFY(wintest::LastPrompt().rfind("Error 6 ", 0) == 0);
    // A member outside the tables.
    t.intNMembers = 1;
    t.intMember(1) = 0;
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdView->click();
    QCOMPARE(o->lstOutInfo->count(), before);
    QVERIFY(wintest::LastPrompt().rfind("Error 9 ", 0) == 0);
    QCOMPARE(wintest::Boxes().back().title, std::string("Error"));
    QCOMPARE(wintest::Boxes().back().style, int(qel::kMbExclamation));
  }

  void saveLogAndTractsConfirmWithTheFullPath() {
    SetTwoTracts();
    qel::intNRecs = 3;
    qel::arrBB(2).intID = 10;
    qel::arrBB(2).intIBB = 1;
    qel::arrBB(3).intID = 11;
    qel::arrBB(3).intIBB = 2;
    qel::intNIBB = 2;
    for (int g = 1; g <= 2; ++g) {
      qel::arrIBB(g).intNMembers = 1;
      qel::arrIBB(g).intMember(1) = static_cast<int16_t>(g + 1);
      qel::arrIBB(g).intTract = static_cast<int16_t>(g);
    }
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("run log.txt"));
    const QString csv = dir.filePath(QStringLiteral("tracts.csv"));
    frmOutput* o = frmOutput::Instance();

    platform::ModalScript::AnswerPath(log.toStdString());
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdSaveLog->click();
    platform::ModalScript::AnswerPath(csv.toStdString());
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdSaveTcts->click();

    const auto& r = platform::ModalScript::Records();
    QCOMPARE(int(r.size()), 4);
    QVERIFY(r[0].kind == platform::ModalRecord::Kind::SaveDialog);
    QCOMPARE(r[0].title, std::string("Save program log file"));
    QCOMPARE(r[0].filter, std::string("Text files (*.txt)|*.txt|All files (*.*)|*.* "));
    QCOMPARE(r[0].fileName, std::string("QELlog.txt"));
    QCOMPARE(r[0].flags, 6);
    QCOMPARE(r[1].prompt, "Program log saved to " + log.toStdString());
    QCOMPARE(r[1].title, std::string("Log saved"));
    QCOMPARE(r[1].style, 64);
    QCOMPARE(r[2].title, std::string("Save tract composition file"));
    QCOMPARE(r[2].filter,
             std::string("Comma Separated Values files (*.csv)|*.csv|All files (*.*)|*.*"));
    QCOMPARE(r[2].fileName, std::string("QELout.csv"));
    QCOMPARE(r[2].flags, 6);
    QCOMPARE(r[3].prompt, "Tract composition saved to " + csv.toStdString());
    QCOMPARE(r[3].title, std::string("Tracts saved"));

    QVERIFY(ReadText(log).contains(QStringLiteral("1  1250 3  2 5 4\r\n")));
    QCOMPARE(ReadText(csv), QStringLiteral("10,1\r\n11,2\r\n"));
  }

  void cancelAndWriteFailuresShowTheErrorAndWriteNothing() {
    SetTwoTracts();
    QTemporaryDir dir;
    frmOutput* o = frmOutput::Instance();
    platform::ModalScript::AnswerCancel();
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdSaveLog->click();
    platform::ModalScript::AnswerCancel();
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdSaveTcts->click();
    auto boxes = wintest::Boxes();
    QCOMPARE(int(boxes.size()), 2);
    for (const auto& b : boxes) {
      QCOMPARE(b.prompt, qel::ErrorMessageText(qel::RuntimeError(
                             qel::kErrDialogCancel, qel::ErrorDescription(qel::kErrDialogCancel))));
      QCOMPARE(b.title, std::string("Error"));
      QCOMPARE(b.style, 48);
    }
    QVERIFY(QDir(dir.path()).isEmpty());

    // A folder that does not exist: the writer's error, no confirmation; a
    // later save to a sound path works.
    platform::ModalScript::ClearRecords();
    platform::ModalScript::AnswerPath(
        dir.filePath(QStringLiteral("no/such/QELlog.txt")).toStdString());
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdSaveLog->click();
    QCOMPARE(int(wintest::Boxes().size()), 1);
    QVERIFY(wintest::LastPrompt().rfind("Error ", 0) == 0);
    QVERIFY(!qel::FileIsOpen(4));
    const QString good = dir.filePath(QStringLiteral("QELlog.txt"));
    platform::ModalScript::AnswerPath(good.toStdString());
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdSaveLog->click();
    QCOMPARE(wintest::LastPrompt(), "Program log saved to " + good.toStdString());
  }

  void closeUnloadsAndTheNextWindowStartsEmpty() {
    SetTwoTracts();
    frmOutput* o = frmOutput::Instance();
    o->show();
    o->cmdView->click();
    o->cmdClose->click();
    QVERIFY(!frmOutput::IsLoaded());
    qel::Windows().ShowOutput();  // the next run's end
    QVERIFY(frmOutput::Instance()->isVisible());
    QCOMPARE(frmOutput::Instance()->lstOutInfo->count(), 0);
  }
};

QTEST_MAIN(TestFrmOutput)
#include "test_frmOutput.moc"
