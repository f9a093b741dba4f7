// The Run command: its checks in order and what each leaves written, the
// input it refuses instead of failing, the run modes, and whole runs.
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>

#include "frmMain_fixture.h"
#include "frmOutput.h"
#include "frmQELRun.h"

using mwtest::MainWindowFixture;
using platform::ModalScript;

class TestFrmMainRun : public QObject {
  Q_OBJECT
  MainWindowFixture fx;

  // Clicks Run expecting exactly one warning; returns its prompt and title.
  std::pair<std::string, std::string> RunRefused() {
    const int before = MainWindowFixture::BoxCount();
    ModalScript::AnswerButton(qel::kIdOk);
    fx.w->cmdRun->click();
    const auto boxes = ModalScript::MessageBoxes();
    if (static_cast<int>(boxes.size()) != before + 1) return {"<no single box>", ""};
    return {boxes.back().prompt, boxes.back().title};
  }

  void Tick(int zone, const char* text = nullptr) {
    fx.w->chkZonespec[zone]->setChecked(true);
    QLineEdit* boxes[4] = {fx.w->txtMinpop, fx.w->txtTarpop, fx.w->txtShapewt, fx.w->txtHomvars};
    if (text) boxes[zone]->setText(QString::fromLatin1(text));
  }

  static void ExpectNoRun() { QVERIFY(!frmQELRun::IsLoaded() || !frmQELRun::Instance()->isVisible()); }

 private slots:
  void init() {
    fx.Start();
    fx.LoadSids();
  }
  void cleanup() { fx.Stop(); }

  void populationCheckComesFirstAndWritesNothing() {
    qel::dblThreshold = 77;
    qel::blnApprox = true;
    Tick(0);  // threshold without a value
    fx.w->chkZonespec[2]->setChecked(true);
    fx.w->txtShapewt->clear();  // the weight check would fail too, later
    const auto [prompt, title] = RunRefused();
    QCOMPARE(prompt, std::string("Targets and thresholds require population values"));
    QCOMPARE(title, std::string("Population control"));
    QCOMPARE(ModalScript::MessageBoxes().back().style, 48);
    QCOMPARE(qel::dblThreshold, 77.0);
    QVERIFY(qel::blnApprox);
    // A target with its value but neither population option selected.
    Tick(0, "100");
    Tick(1, "16000");
    fx.w->optLaypop[1]->setAutoExclusive(false);
    fx.w->optLaypop[1]->setChecked(false);
    QCOMPARE(RunRefused().first, std::string("Targets and thresholds require population values"));
    QCOMPARE(qel::dblThreshold, 77.0);
    ExpectNoRun();
  }

  void weightCheckLeavesTheEarlierStepsWritten() {
    Tick(0, "12.5");
    Tick(1, "13.5");
    fx.w->optLaypop[2]->setChecked(true);
    fx.w->chkLayerspec[0]->setChecked(true);
    fx.w->chkApprox->setChecked(true);
    fx.w->chkIRAapx->setChecked(true);
    fx.w->chkLayerspec[1]->setChecked(true);  // disables the matching boxes, ticks kept
    Tick(2);
    fx.w->txtShapewt->clear();
    const auto [prompt, title] = RunRefused();
    QCOMPARE(prompt, std::string("Shape and homogeneity require weights and control layers"));
    QCOMPARE(title, std::string("Shape and homogeneity control"));
    QCOMPARE(qel::dblThreshold, 12.0);  // ties go to the even number
    QCOMPARE(qel::dblTarget, 14.0);
    QCOMPARE(int(qel::intPopLayer), 2);
    QVERIFY(qel::blnApprox && qel::blnIRAApprox);
    QCOMPARE(qel::strRunFile, mwtest::Sids());
    QCOMPARE(int(qel::intRunHeader), 0);
    ExpectNoRun();
  }

  void homogeneityDefinitionChecks() {
    Tick(3);
    QCOMPARE(RunRefused(), std::make_pair(std::string("Homogeneity variables must be defined"),
                                          std::string("Homogeneity control")));
    fx.w->txtHomvars->setText(QStringLiteral("2,2 1 1"));  // "22": the sum is wrong
    fx.w->txtHomwt->setText(QStringLiteral("3"));
    qel::dblHomWeight = 9;
    QCOMPARE(RunRefused().first, std::string("Variable definition does not match input data"));
    QCOMPARE(int(qel::intNHomGroups), 3);  // written before the check, as it stands
    QCOMPARE(int(qel::intGroupSize(1)), 22);
    QCOMPARE(qel::dblHomWeight, 9.0);
    ExpectNoRun();
  }

  void unusableTextIsRefusedNotFatal() {
    struct Case {
      int zone;
      const char* text;
      const char* prompt;
    };
    const Case cases[] = {
        {0, "lots", "Population values must be whole numbers from -32768 to 32767"},
        {0, "40000", "Population values must be whole numbers from -32768 to 32767"},
        {0, " ", "Population values must be whole numbers from -32768 to 32767"},
        {2, "heavy", "Shape and homogeneity weights must be numbers"},
        {3, "1 1 1 1 1 1 0 0 0 0 0 0 0", "At most 12 homogeneity groups can be defined"},
        {3, "2 2 x 1", "Homogeneity group sizes must be whole numbers separated by blanks"},
        {3, "2 2 1 1 ", "Homogeneity group sizes must be whole numbers separated by blanks"},
        {3, "40000 1", "Homogeneity group sizes must be whole numbers separated by blanks"},
        {3, "30000 30000", "Variable definition does not match input data"},  // the sum is past 16 bits
    };
    for (const Case& c : cases) {
      fx.w->cmdClear->click();
      fx.LoadSids();
      qel::intNHomGroups = 2;
      qel::intGroupSize(1) = 5;
      Tick(c.zone, c.text);
      const auto [prompt, title] = RunRefused();
      QCOMPARE(prompt, std::string(c.prompt));
      QVERIFY(int(qel::intNHomGroups) <= qel::kHomSize);
      if (std::string(c.prompt).find("Homogeneity group sizes") == 0 ||
          std::string(c.prompt).find("At most") == 0) {
        QCOMPARE(int(qel::intNHomGroups), 2);  // a refused definition leaves the earlier one
        QCOMPARE(int(qel::intGroupSize(1)), 5);
      }
      ExpectNoRun();
    }
    fx.w->cmdClear->click();
    fx.LoadSids();
    Tick(3, "2 2 1 1");
    fx.w->txtHomwt->setText(QStringLiteral("much"));
    QCOMPARE(RunRefused().first, std::string("Shape and homogeneity weights must be numbers"));
    fx.w->txtHomwt->setText(QStringLiteral("1.0"));
    fx.w->txtIterations->setText(QStringLiteral("ten"));
    QCOMPARE(RunRefused().first, std::string("The number of iterations must be a whole number from -32768 to 32767"));
    fx.w->txtIterations->setText(QStringLiteral("99999"));
    QCOMPARE(RunRefused().first, std::string("The number of iterations must be a whole number from -32768 to 32767"));
    ExpectNoRun();
  }

  void groupDefinitionsThatPass() {
    for (const char* def : {"2 2 1 1", "2, 2, 1, 1", "6", "2 4"}) {
      Tick(3, def);
      fx.w->txtIterations->setText(QStringLiteral("1"));
      const int before = MainWindowFixture::BoxCount();
      fx.w->cmdRun->click();
      QCOMPARE(MainWindowFixture::BoxCount(), before);  // no message
      int sum = 0;
      for (int g = 1; g <= qel::intNHomGroups; ++g) sum += qel::intGroupSize(g);
      QCOMPARE(sum, 6);
    }
    QCOMPARE(int(qel::intNHomGroups), 2);
  }

  void noConstraintsIsANoticeAndTheRunGoesOn() {
    ModalScript::AnswerButton(qel::kIdOk);
    fx.w->cmdRun->click();
    const auto box = ModalScript::MessageBoxes().front();
    QCOMPARE(box.prompt, std::string("No zoning constraints set: basic building blocks will be "
                                     "returned without iteration"));
    QCOMPARE(box.style, 64);
    QCOMPARE(box.title, std::string("No constraints set"));
    QVERIFY(qel::blnNoConstraints && !qel::blnFixedCount && !qel::blnMinOnly);
    QCOMPARE(int(qel::intPopLayer), 1);  // set on every run
    QVERIFY(frmOutput::IsLoaded());
  }

  void runModesAndTheProgressCaption() {
    Tick(0, "9600");
    fx.w->txtIterations->setText(QStringLiteral("10"));
    fx.w->chkSA->setChecked(true);
    // The run's repaints let a pending close request through: it must not
    // take the main window away while the run goes on.
    QCoreApplication::postEvent(fx.w, new QCloseEvent);
    fx.w->cmdRun->click();
    QVERIFY(fx.w->isVisible());
    QVERIFY(qel::blnMinOnly && !qel::blnFixedCount && !qel::blnNoConstraints && qel::blnSA);
    QCOMPARE(int(qel::intNIterations), 10);
    QCOMPARE(frmQELRun::Instance()->lblProgrep->text().left(14), QStringLiteral("Progress with "));
    QVERIFY(qel::intNBestTracts > 0);
    QVERIFY(frmOutput::IsLoaded() && frmOutput::Instance()->isVisible());
    QVERIFY(!frmQELRun::Instance()->isVisible());
  }

  void demoRunToItsEnd() {
    fx.w->cmdClear->click();
    fx.LoadIntersections(mwtest::Repo("data/QELdemo.pat"));
    fx.LoadContiguities(mwtest::Repo("data/QELdemo.ctg"));
    Tick(0, "200");
    Tick(1, "250");
    fx.w->txtIterations->setText(QStringLiteral("5"));
    fx.w->cmdRun->click();
    QVERIFY(qel::blnDemoFile);
    QVERIFY(qel::intNBestTracts >= 2 && qel::intNBestTracts <= 5);
    QCOMPARE(frmQELRun::Instance()->prgRunProg->value(), 100);
    QVERIFY(frmQELRun::Instance()->lstProgRep->count() > 0);
    QVERIFY(frmOutput::Instance()->isVisible());
  }
};

QTEST_MAIN(TestFrmMainRun)
#include "test_frmMain_run.moc"
