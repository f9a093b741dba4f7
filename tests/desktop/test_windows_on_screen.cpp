// The windows on a real 1280x1024 display, run both under a window manager
// and without one: the keyboard with the main window from its first show and
// back with it after a box; the report and the demo map beside the main
// window, or clear of its controls where the main window fills the screen;
// the progress list scrolled by hand during a run.
#include <QtWidgets>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "WorkbenchWindows.h"
#include "engine.h"
#include "frmMain.h"
#include "frmMap.h"
#include "frmOptions.h"
#include "frmOutput.h"
#include "frmQELRun.h"
#include "platform/Forms.h"
#include "platform/MessageBox.h"
#include "platform/ModalScript.h"
#include "platform/Settings.h"
#include "../workbench/workbench_session.h"

using platform::ModalScript;

namespace {

const std::string kDemo = QEL_SOURCE_DIR "/data/QELdemo.";
constexpr int kWait = 10000;

bool Framed() { return qEnvironmentVariableIsSet("QEL_WINDOW_MANAGER"); }

// Waits for the window manager (if any) to put its frame round the window.
bool Settle(QWidget* window) {
  return !Framed() || QTest::qWaitFor([window] { return window->frameGeometry() != window->geometry(); }, kWait);
}

// Where a window stands on the screen, its frame included. Now and then the
// toolkit misses the frame of a window that opens while the window manager is
// busy: it is then taken to be the main window's, as the program takes it.
QRect Outer(QWidget* window, QWidget* main) {
  if (Settle(window)) return window->frameGeometry();
  const QRect f = main->frameGeometry(), g = main->geometry();
  return window->geometry().adjusted(f.left() - g.left(), f.top() - g.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

long long Area(const QRect& r) { return r.isEmpty() ? 0 : static_cast<long long>(r.width()) * r.height(); }

// The part of a control that shows on the screen, within its window.
QRect Shown(QWidget* control) {
  return QRect(control->mapToGlobal(QPoint(0, 0)), control->size()) & control->window()->geometry();
}

// Lets the window system's events in, but not the user's, for at most `ms`
// or until `done`; returns `done()`.
bool HoldThread(int ms, const std::function<bool()>& done) {
  QElapsedTimer held;
  held.start();
  while (!done() && held.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  return done();
}

bool Xdotool(const QPoint& at) {
  return QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(at.x()),
                                                       QString::number(at.y()), QStringLiteral("click"),
                                                       QStringLiteral("1")}) == 0;
}

}  // namespace

class TestWindowsOnScreen : public QObject {
  Q_OBJECT
  QTemporaryDir dir_;
  frmMain* w = nullptr;
  int starts_ = 0;

  // A first start with nothing stored, or with the main window's outer
  // bounds in twips.
  void Start(const std::vector<const char*>& bounds = {}) {
    platform::SetSettingsDirectory(dir_.filePath(QStringLiteral("settings%1").arg(++starts_)).toStdString());
    const char* const keys[4] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
    for (size_t i = 0; i < bounds.size() && i < 4; ++i) platform::SaveSetting("QEL", "Settings", keys[i], bounds[i]);
    w = StartMainWindow();
    QVERIFY(Settle(w));
  }
  void Stop() { StopMainWindow(w); }
  void LoadDemo(const std::string& intersections) {
    ModalScript::AnswerPath(intersections);
    w->CmdInputfile->click();
    ModalScript::AnswerPath(kDemo + "ctg");
    w->cmdGetcont->click();
  }

 private slots:
  void initTestCase() {
    ModalScript::Begin();
    ModalScript::SetFailureHook([](const std::string& text) { QTest::qFail(text.c_str(), __FILE__, __LINE__); });
  }
  void cleanupTestCase() {
    ModalScript::SetFailureHook({});
    ModalScript::End();
  }
  void cleanup() {
    if (w) Stop();
  }

  // The main window takes the keyboard when it first shows; a window that a
  // command opens takes it and gives it back when it closes; a box gives it
  // back to the window it was opened from, two boxes one after the other (a
  // save dialog and its confirmation) as well.
  void keyboardWithTheMainWindow() {
    Start();
    QTRY_VERIFY_WITH_TIMEOUT(w->isActiveWindow(), kWait);
    w->mnuViewOptions->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(frmOptions::Instance()->isActiveWindow(), kWait);
    frmOptions::Instance()->cmdCancel->click();
    QTRY_VERIFY_WITH_TIMEOUT(w->isActiveWindow(), kWait);
    ModalScript::End();  // real boxes, answered by their own buttons
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->buttons().front()->click();
    });
    answer.start(100);
    platform::ShowMessageBox("Closed by its button", 64, "");
    QTRY_VERIFY_WITH_TIMEOUT(w->isActiveWindow(), kWait);
    frmOutput* report = frmOutput::Instance();
    report->show();
    report->activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(report->isActiveWindow(), kWait);
    platform::ShowMessageBox("Saved?", 64, "");
    platform::ShowMessageBox("Saved.", 64, "");
    answer.stop();
    ModalScript::Begin();
    QTRY_VERIFY_WITH_TIMEOUT(report->isActiveWindow(), kWait);
  }

  // The first start (the main window 6500 twips square at 1000, 1000) has
  // room on the right: the report and the map cover none of the main window.
  // A main window that fills the screen leaves them room only over it: they
  // cover none of its controls.
  void reportAndMapBesideTheMainWindow() {
    for (bool fills : {false, true}) {
      if (fills)
        Start({"0", "0", "19200", "15360"});
      else
        Start();
      w->chkZonespec[0]->setChecked(true);
      w->txtMinpop->setText(QStringLiteral("200"));
      LoadDemo(kDemo + "pat");
      w->cmdRun->click();
      const QRect main = w->frameGeometry(), report = Outer(frmOutput::Instance(), w),
                  map = Outer(frmMap::Instance(), w);
      const QRect screen = w->screen()->geometry();
      QVERIFY(screen.contains(report) && screen.contains(map));
      QVERIFY(!report.intersects(map));
      const long long covered = Area(report & main) + Area(map & main);
      if (!fills) QCOMPARE(covered, 0LL);
      for (QWidget* control : std::initializer_list<QWidget*>{w->menuBar(), w->fraLayerspec, w->fraZonespec, w->cmdRun,
                                                              w->cmdClear, w->cmdExit, w->CmdInputfile, w->cmdGetcont})
        QVERIFY2(!Shown(control).intersects(report) && !Shown(control).intersects(map),
                 qPrintable(control->objectName()));
      Stop();
    }
  }

  // A line wider than the progress list is scrolled into view by hand while
  // the run goes on; a click on Run meanwhile does not start another run
  // once this one has ended.
  void progressListScrolledDuringARun() {
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) QSKIP("xdotool is not installed");
    Start({"1000", "1000", "9500", "14000"});  // Run shows, and the progress window opens below it
    QFile demo(QString::fromStdString(kDemo + "pat"));
    QVERIFY(demo.open(QIODevice::ReadOnly));
    QByteArray scaled;  // the demo's populations in tens of millions: long values
    for (const QByteArray& line : demo.readAll().split('\n')) {
      QList<QByteArray> f = line.split(' ');
      if (f.size() < 6) continue;
      for (int k : {3, 4}) f[k] = QByteArray::number(f[k].toLongLong() * 10000000);
      scaled += f.join(' ') + "\n";
    }
    QFile file(dir_.filePath(QStringLiteral("scaled.pat")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(scaled) == scaled.size());
    file.close();
    LoadDemo(file.fileName().toStdString());
    w->chkZonespec[1]->setChecked(true);
    w->txtTarpop->setText(QStringLiteral("30000"));
    w->chkZonespec[3]->setChecked(true);  // every term of the line has a value
    w->txtHomvars->setText(QStringLiteral("3"));
    w->txtIterations->setText(QStringLiteral("20"));

    frmQELRun* progress = frmQELRun::Instance();
    QScrollBar* bar = progress->lstProgRep->horizontalScrollBar();
    int runs = 0, scrolledDuringRun = 0;
    bool clicked = false;
    connect(progress->lstProgRep->model(), &QAbstractItemModel::modelReset, this, [&] { ++runs; });
    connect(bar, &QScrollBar::valueChanged, this, [&](int v) {
      if (progress->isVisible()) scrolledDuringRun = std::max(scrolledDuringRun, v);
    });
    connect(progress->lstProgRep->model(), &QAbstractItemModel::rowsInserted, this, [&] {
      if (std::exchange(clicked, true)) return;
      // The run holds the thread here, as it does between its paints: the
      // clicks wait in the queue, as a user's do, until the run next paints.
      QPoint rightArrow, run;
      auto shown = [&] {
        rightArrow = bar->mapToGlobal(QPoint(bar->width() - bar->height() / 2, bar->height() / 2));
        run = w->cmdRun->mapToGlobal(w->cmdRun->rect().center());
        return bar->isVisible() && QApplication::widgetAt(rightArrow) == bar && QApplication::widgetAt(run) == w->cmdRun;
      };
      QVERIFY(HoldThread(kWait, shown));
      QVERIFY(Xdotool(rightArrow) && Xdotool(run));
      HoldThread(500, [] { return false; });
    });
    ModalScript::AnswerButton(qel::kIdOk);  // the target is reset to one tract per block
    w->cmdRun->click();
    QTest::qWait(500);  // what the run left waiting
    QVERIFY(clicked && !progress->isVisible());
    QVERIFY(scrolledDuringRun > 0);
    QCOMPARE(runs, 1);
  }
};

QTEST_MAIN(TestWindowsOnScreen)
#include "test_windows_on_screen.moc"
