#include "PaintNowDuringRun.h"

#include <QAbstractScrollArea>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QScrollBar>
#include <QWidget>
#include <QWindow>

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

// While a run paints: the user's input goes to the scrollable list's scroll
// bars and nowhere else (what is not taken is dropped, not kept for after
// the run, where a click could start the next run unasked).
class RunInputGate : public QObject {
 public:
  using QObject::QObject;
  QPointer<QAbstractScrollArea> list;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!IsUserInput(event->type())) return false;
    if (!list) return true;
    // Input reaches a window before the control in it.
    if (watched == list->window()->windowHandle()) return false;
    const bool bar = watched == list->horizontalScrollBar() || watched == list->verticalScrollBar();
    const bool wheel = event->type() == QEvent::Wheel && (watched == list->viewport() || watched == list.data());
    return !(bar || wheel);
  }
};

// The gate of the application, which owns it.
RunInputGate* Gate() {
  static QPointer<RunInputGate> gate;
  if (!gate) gate = new RunInputGate(QCoreApplication::instance());
  return gate;
}

}  // namespace

void ScrollableDuringRun(QAbstractScrollArea* list) { Gate()->list = list; }

void PaintNowDuringRun(QWidget* w) {
  if (!w->isVisible()) return;
  w->repaint();
  RunInputGate* gate = Gate();
  QCoreApplication::instance()->installEventFilter(gate);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(gate);
}
