// Numbers and captions shown whole: the input summary of a world-scale data
// set, layer names from a long header line, and every fixed window in larger
// faces. Each caption is at least as large as its text, nothing lies on what
// it did not lie on as designed, and a fixed window holds all its controls.
#include <QtWidgets>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmAbout.h"
#include "frmInputSummary.h"
#include "frmMain.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmOutput.h"
#include "frmQELRun.h"
#include "platform/Forms.h"
#include "platform/ModalScript.h"
#include "platform/Settings.h"
#include "workbench_session.h"

using platform::ModalScript;

namespace {

// The world in 2014 in six blocks: 7252611176 people, the largest block
// China's 1364270000.
const char* const kWorld =
    "1 0 0 0 0 0\n2 1 10 1364270000 1364270000 1\n3 2 20 1295291543 1295291543 1\n"
    "4 3 30 1148262408 1148262408 1\n5 4 10 1148262408 1148262408 1\n"
    "6 1 20 1148262408 1148262408 1\n7 2 30 1148262409 1148262409 1\n";

using Places = std::map<QWidget*, QRect>;

// The controls of a window or client area where the form put them.
Places Designed(QWidget* container) {
  Places places;
  for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (!w->isWindow()) places[w] = w->geometry();
  return places;
}

QString Name(const QWidget* w) { return w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName(); }

// The room a caption's text takes in its control.
QSize TextRoom(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text().isEmpty() || label->wordWrap() ? QSize() : label->sizeHint();
  if (auto* button = qobject_cast<QPushButton*>(w))
    return button->fontMetrics().size(Qt::TextShowMnemonic, button->text()) + QSize(4, 2);
  if (auto* box = qobject_cast<QAbstractButton*>(w)) return box->sizeHint();
  return {};
}

// Every caption whole, no control over another it was clear of as designed,
// and (for a fixed window) every control within the window.
void ExpectReadable(QWidget* container, const Places& designed, bool inWindow) {
  for (const auto& [w, d] : designed) {
    const QSize need = TextRoom(w);
    QVERIFY2(w->width() >= need.width() && w->height() >= need.height(),
             qPrintable(Name(w) + QStringLiteral(" cuts its caption")));
    if (inWindow) QVERIFY2(container->rect().contains(w->geometry()), qPrintable(Name(w) + QStringLiteral(" lies outside")));
    for (const auto& [o, od] : designed)
      if (o != w && !d.intersects(od))
        QVERIFY2(!w->geometry().intersects(o->geometry()), qPrintable(Name(w) + QStringLiteral(" lies on ") + Name(o)));
  }
}

QFont Face(double points) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPointSizeF(points);
  return f;
}

// Where the first ink of a row of pixels starts, from `from` on; -1 for none.
int InkFrom(const QImage& image, int from) {
  for (int x = std::max(0, from); x < image.width(); ++x)
    for (int y = 0; y < image.height(); ++y)
      if (qGray(image.pixel(x, y)) < 128) return x;
  return -1;
}

}  // namespace

class TestWholeCaptions : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  frmMain* w = nullptr;

  std::string Write(const char* name, const std::string& text) { return WriteTestFile(dir_, name, text); }

 private slots:
  void init() {
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings")).toStdString());
    ModalScript::Begin();
    w = StartMainWindow();
  }
  void cleanup() {
    StopMainWindow(w);
    ModalScript::End();
  }

  // The summary shows the world's total, mean and extremes in full, with
  // every head over its column, in the forms' face and in larger ones.
  void inputSummaryOfTheWorld() {
    frmInputSummary* s = frmInputSummary::Instance();
    const Places designed = Designed(s);
    const QSize designedSize = s->size();
    ModalScript::AnswerPath(Write("world.pat", kWorld));
    w->CmdInputfile->click();
    ModalScript::AnswerPath(Write("world.ctg", "2 3 10\n3 2 10\n"));
    w->cmdGetcont->click();
    w->mnuViewInputSummary->trigger();
    QCOMPARE(s->lblAtot->text(), QStringLiteral("7252611176"));
    QCOMPARE(s->lblBmean->text(), QStringLiteral("1036087311"));  // 7 records, the outside counted
    QCOMPARE(s->lblAmin->text(), QStringLiteral("1148262408"));
    QCOMPARE(s->lblBmax->text(), QStringLiteral("1364270000"));
    QCOMPARE(s->lblCells->text(), QStringLiteral("Layer  Total          Mean       Min        Max"));
    for (double points : {7.0, 10.0, 14.0}) {
      s->setFont(Face(points));
      ExpectReadable(s, designed, true);
      QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(s->frameGeometry()));
      // Each head starts where its column starts.
      const QImage heads = s->lblCells->grab().toImage();
      for (QLabel* column : {s->lblAtot, s->lblAmean, s->lblAmin, s->lblAmax}) {
        const int at = column->x() - s->lblCells->x();
        QVERIFY2(std::abs(InkFrom(heads, at - 2) - at) <= 2, qPrintable(column->objectName()));
      }
    }
    QVERIFY(s->width() > designedSize.width() && s->height() > designedSize.height());
  }

  // Long layer names widen their frame and move the zoning column over; the
  // designed places come back with short names.
  void longLayerNamesInTheMainWindow() {
    QWidget* client = w->centralWidget();
    const Places designed = Designed(client);
    w->chkHeader->setChecked(true);
    ModalScript::AnswerPath(Write("named.pat", "id Census_output_areas_of_England_and_Wales_2011 "
                                               "Electoral_wards_and_divisions_2011\n" +
                                               std::string(kWorld)));
    ModalScript::AnswerButton(qel::kIdOk);
    w->CmdInputfile->click();
    w->show();
    QCoreApplication::sendPostedEvents();
    QCOMPARE(w->lblNameB->text(), QStringLiteral("Electoral_wards_and_divisions_2011"));
    ExpectReadable(client, designed, false);
    QVERIFY(w->fraLayerspec->geometry().contains(w->lblNameA->geometry()));
    w->cmdClear->click();
    QCoreApplication::sendPostedEvents();
    for (const auto& [control, place] : designed) QCOMPARE(control->geometry(), place);
    w->centralWidget()->setFont(Face(16));
    ExpectReadable(client, designed, false);
  }

  void fixedWindowsInALargerFace() {
    frmQELRun::Instance()->SetCaption("Progress with analysis of fixed layer B...", true);
    frmAbout::Instance()->Form_Load();
    for (QWidget* window : std::initializer_list<QWidget*>{frmOptions::Instance(), frmQELRun::Instance(), frmOutput::Instance(),
                                                           frmMap::Instance(), frmAbout::Instance()}) {
      const Places designed = Designed(window);
      window->setFont(Face(16));
      window->show();
      ExpectReadable(window, designed, true);
      window->hide();
    }
  }
};

QTEST_MAIN(TestWholeCaptions)
#include "test_whole_captions.moc"
