// The options dialog: what "&Ok" stores, what "&Cancel" leaves, the look-up
// table box the run reads, and texts that cannot be stored.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "frmOptions.h"
#include "windows_fixture.h"

namespace {

// Stored options set apart from the window's, so that a store is visible.
void SetStoredOptions(int16_t seed, double offset, double sa, double pop, double apx, bool cont) {
  qel::intRandomSeed = seed;
  qel::dblOffsetPct = offset;
  qel::dblSAStart = sa;
  qel::dblPopWeight = pop;
  qel::dblApxWeight = apx;
  qel::blnContCheck = cont;
}

void ExpectStored(int16_t seed, double offset, double sa, double pop, double apx, bool cont) {
  QCOMPARE(qel::intRandomSeed, seed);
  QCOMPARE(qel::dblOffsetPct, offset);
  QCOMPARE(qel::dblSAStart, sa);
  QCOMPARE(qel::dblPopWeight, pop);
  QCOMPARE(qel::dblApxWeight, apx);
  QCOMPARE(qel::blnContCheck, cont);
}

}  // namespace

class TestFrmOptions : public QObject {
  Q_OBJECT

 private slots:
  void init() { wintest::StartFresh(); }
  void cleanup() { wintest::StopAll(); }

  void designAndOkOnTheWindowAsCreated() {
    frmOptions* o = frmOptions::Instance();
    QCOMPARE(o->windowTitle(), QStringLiteral("Program Options"));
    QCOMPARE(o->txtRstart->text(), QStringLiteral("99"));
    QCOMPARE(o->txtOffset->text(), QStringLiteral("10"));
    QCOMPARE(o->txtSAstart->text(), QStringLiteral("20"));
    QCOMPARE(o->txtPopWt->text(), QStringLiteral("1.0"));
    QCOMPARE(o->txtApxwt->text(), QStringLiteral("1.0"));
    QVERIFY(!o->chkLUT->isChecked());
    QVERIFY(o->chkContChk->isChecked());
    for (QLabel* l : {o->lblRstart, o->lblOffset, o->lblSAstart, o->lblPopWt, o->lblApxweight}) {
      QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
               qPrintable(l->objectName()));
    }

    o->show();
    QVERIFY(QTest::qWaitForWindowExposed(o));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(o->cmdOk));
    SetStoredOptions(1, 2, 3, 4, 5, false);
    o->cmdOk->click();
    ExpectStored(99, 10, 20, 1, 1, true);
    QVERIFY(!o->isVisible());
    QVERIFY(frmOptions::IsLoaded());
  }

  void seedIsRoundedToEven() {
    frmOptions* o = frmOptions::Instance();
    o->txtRstart->setText(QStringLiteral("12.5"));
    o->cmdOk->click();
    QCOMPARE(qel::intRandomSeed, int16_t(12));
    o->txtRstart->setText(QStringLiteral("13.5"));
    o->cmdOk->click();
    QCOMPARE(qel::intRandomSeed, int16_t(14));
    o->txtRstart->setText(QStringLiteral("-32768"));
    o->cmdOk->click();
    QCOMPARE(qel::intRandomSeed, int16_t(-32768));
  }

  void cancelStoresNothingAndKeepsTheTexts() {
    frmOptions* o = frmOptions::Instance();
    o->show();
    SetStoredOptions(99, 10, 20, 1, 1, true);
    o->txtRstart->setText(QStringLiteral("7"));
    o->chkContChk->setChecked(false);
    o->cmdCancel->click();
    QVERIFY(!o->isVisible());
    ExpectStored(99, 10, 20, 1, 1, true);
    o->show();
    QCOMPARE(frmOptions::Instance(), o);
    QCOMPARE(o->txtRstart->text(), QStringLiteral("7"));
    o->cmdOk->click();
    ExpectStored(7, 10, 20, 1, 1, false);
  }

  void lookUpTableBoxCountsWhateverButtonCloses() {
    QVERIFY(!frmOptions::IsLoaded());
    // Read before the window was ever shown: created hidden, unticked.
    QCOMPARE(qel::Windows().OptionsLUTValue(), 0);
    QVERIFY(frmOptions::IsLoaded());
    QVERIFY(!frmOptions::Instance()->isVisible());
    frmOptions::Instance()->chkLUT->setChecked(true);
    frmOptions::Instance()->cmdCancel->click();
    QCOMPARE(qel::Windows().OptionsLUTValue(), 1);
  }

  void weightsAndMarginsAreStoredAsTyped() {
    frmOptions* o = frmOptions::Instance();
    o->txtOffset->setText(QStringLiteral("-5"));
    o->txtSAstart->setText(QStringLiteral("0"));
    o->txtPopWt->setText(QStringLiteral("0"));
    o->txtApxwt->setText(QStringLiteral(" -2.5 "));
    o->cmdOk->click();
    ExpectStored(99, -5, 0, 0, -2.5, true);
  }

  void textsThatCannotBeStoredChangeNothing_data() {
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::newRow("seed not a number") << 0 << QStringLiteral("abc");
    QTest::newRow("seed empty") << 0 << QString();
    QTest::newRow("seed too large") << 0 << QStringLiteral("40000");
    QTest::newRow("seed rounds past 16 bits") << 0 << QStringLiteral("32767.5");
    QTest::newRow("seed too small") << 0 << QStringLiteral("-32769");
    QTest::newRow("offset") << 1 << QStringLiteral("ten");
    QTest::newRow("annealing") << 2 << QStringLiteral("2O");
    QTest::newRow("target weight") << 3 << QStringLiteral("1,0.5");
    QTest::newRow("matching weight") << 4 << QStringLiteral("-");
  }
  void textsThatCannotBeStoredChangeNothing() {
    QFETCH(int, box);
    QFETCH(QString, text);
    frmOptions* o = frmOptions::Instance();
    o->show();
    QLineEdit* boxes[] = {o->txtRstart, o->txtOffset, o->txtSAstart, o->txtPopWt, o->txtApxwt};
    // Earlier boxes hold new, valid values: none of them may be stored either.
    o->txtRstart->setText(QStringLiteral("5"));
    o->txtOffset->setText(QStringLiteral("15"));
    o->chkContChk->setChecked(false);
    boxes[box]->setText(text);
    SetStoredOptions(99, 10, 20, 1, 1, true);
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdOk->click();
    ExpectStored(99, 10, 20, 1, 1, true);
    QCOMPARE(int(wintest::Boxes().size()), 1);
    QCOMPARE(wintest::Boxes()[0].style, int(qel::kMbExclamation));
    QCOMPARE(wintest::Boxes()[0].title, std::string("Program Options"));
    QVERIFY(o->isVisible());
    QVERIFY(boxes[box]->hasFocus() || !o->isActiveWindow());
  }

  void enterPressesOkAndEscapeDoesNothing() {
    frmOptions* o = frmOptions::Instance();
    o->show();
    o->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(o));
    QTest::keyClick(o->txtRstart, Qt::Key_Escape);
    QVERIFY(o->isVisible());
    o->txtRstart->setFocus();
    o->txtRstart->setText(QStringLiteral("31"));
    QTest::keyClick(o->txtRstart, Qt::Key_Return);
    QVERIFY(!o->isVisible());
    QCOMPARE(qel::intRandomSeed, int16_t(31));
  }

  void closeBoxActsAsCancel() {
    frmOptions* o = frmOptions::Instance();
    o->show();
    o->txtRstart->setText(QStringLiteral("8"));
    qel::intRandomSeed = 99;
    o->close();
    QVERIFY(frmOptions::IsLoaded());
    QCOMPARE(qel::intRandomSeed, int16_t(99));
    QCOMPARE(o->txtRstart->text(), QStringLiteral("8"));
  }
};

QTEST_MAIN(TestFrmOptions)
#include "test_frmOptions.moc"
