// The options dialog: what "&Ok" stores, what "&Cancel" leaves, the look-up
// table box the run reads, and texts that cannot be stored.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <array>
#include <tuple>

#include "frmOptions.h"
#include "platform/FormKeys.h"
#include "windows_fixture.h"

namespace {

using Stored = std::tuple<int16_t, double, double, double, double, bool>;

// Stored options set apart from the window's, so that a store is visible.
void SetStored(const Stored& s) {
  std::tie(qel::intRandomSeed, qel::dblOffsetPct, qel::dblSAStart, qel::dblPopWeight,
           qel::dblApxWeight, qel::blnContCheck) = s;
}

Stored GetStored() {
  return {qel::intRandomSeed, qel::dblOffsetPct, qel::dblSAStart,
          qel::dblPopWeight,  qel::dblApxWeight, qel::blnContCheck};
}

const Stored kStart{99, 10, 20, 1, 1, true};

std::array<QLineEdit*, 5> Texts(frmOptions* o) {
  return {o->txtRstart, o->txtOffset, o->txtSAstart, o->txtPopWt, o->txtApxwt};
}

}  // namespace

class TestFrmOptions : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    wintest::StartFresh();
    SetStored(kStart);  // what the main window's load and start-up set
  }
  void cleanup() { wintest::StopAll(); }

  void okOnTheWindowAsCreatedStoresTheStartValues() {
    frmOptions* o = frmOptions::Instance();
    QVERIFY(!o->chkLUT->isChecked());
    // Enter presses "&Ok"; there is no cancel button, so Esc does nothing.
    QCOMPARE(platform::DefaultButton(o), o->cmdOk);
    QVERIFY(platform::CancelButton(o) == nullptr);
    for (QLabel* l : {o->lblRstart, o->lblOffset, o->lblSAstart, o->lblPopWt, o->lblApxweight}) {
      QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(),
               qPrintable(l->objectName()));
    }
    o->show();
    QVERIFY(QTest::qWaitForWindowExposed(o));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(o->cmdOk));
    SetStored({1, 2, 3, 4, 5, false});
    o->cmdOk->click();
    QVERIFY(GetStored() == kStart);
    QVERIFY(!o->isVisible() && frmOptions::IsLoaded());
  }

  // Seeds round to the nearest, ties to even; no value is checked for range.
  void okStoresWhatIsTyped_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("seed");
    QTest::addColumn<QList<double>>("values");
    QTest::newRow("half down to even") << QStringList{"12.5", "10", "20", "1", "1"} << 12
                                       << QList<double>{10, 20, 1, 1};
    QTest::newRow("half up to even") << QStringList{"13.5", "10", "20", "1", "1"} << 14
                                     << QList<double>{10, 20, 1, 1};
    QTest::newRow("zero and below") << QStringList{"-32768", "-5", "0", "0", " -2.5 "} << -32768
                                    << QList<double>{-5, 0, 0, -2.5};
  }
  void okStoresWhatIsTyped() {
    QFETCH(QStringList, texts);
    QFETCH(int, seed);
    QFETCH(QList<double>, values);
    frmOptions* o = frmOptions::Instance();
    for (int i = 0; i < 5; ++i) Texts(o)[size_t(i)]->setText(texts[i]);
    o->cmdOk->click();
    QVERIFY(GetStored() ==
            Stored(int16_t(seed), values[0], values[1], values[2], values[3], true));
  }

  void cancelAndTheCloseBoxStoreNothingAndKeepTheTexts() {
    // Read before the window was ever shown, the look-up-table box creates it hidden.
    QCOMPARE(qel::Windows().OptionsLUTValue(), 0);
    QVERIFY(frmOptions::IsLoaded() && !frmOptions::Instance()->isVisible());
    frmOptions* o = frmOptions::Instance();
    o->show();
    o->txtRstart->setText(QStringLiteral("7"));
    o->chkContChk->setChecked(false);
    o->chkLUT->setChecked(true);
    o->cmdCancel->click();
    QVERIFY(!o->isVisible());
    QCOMPARE(qel::Windows().OptionsLUTValue(), 1);  // the box counts all the same
    o->show();
    o->close();
    QVERIFY(frmOptions::IsLoaded());
    QVERIFY(GetStored() == kStart);
    QCOMPARE(frmOptions::Instance()->txtRstart->text(), QStringLiteral("7"));
    o->cmdOk->click();
    QVERIFY(GetStored() == Stored(7, 10, 20, 1, 1, false));
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
    QTest::newRow("matching weight") << 4 << QStringLiteral("1e999");
  }
  void textsThatCannotBeStoredChangeNothing() {
    QFETCH(int, box);
    QFETCH(QString, text);
    frmOptions* o = frmOptions::Instance();
    o->show();
    // The other boxes hold new, valid values: none of them may be stored either.
    for (QLineEdit* t : Texts(o)) t->setText(QStringLiteral("5"));
    o->chkContChk->setChecked(false);
    Texts(o)[size_t(box)]->setText(text);
    platform::ModalScript::AnswerButton(qel::kIdOk);
    o->cmdOk->click();
    QVERIFY(GetStored() == kStart);
    QCOMPARE(int(wintest::Boxes().size()), 1);
    QCOMPARE(wintest::Boxes()[0].style, int(qel::kMbExclamation));
    QCOMPARE(wintest::Boxes()[0].title, std::string("Program Options"));
    QVERIFY(o->isVisible());
  }
};

QTEST_MAIN(TestFrmOptions)
#include "test_frmOptions.moc"
