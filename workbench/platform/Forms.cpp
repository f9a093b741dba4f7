#include "platform/Forms.h"

#include <QApplication>
#include <QPointer>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace platform {

namespace {

struct Entry {
  QPointer<QWidget> form;
  QWidget* key = nullptr;
  std::function<void()> unload;
};

std::vector<Entry>& Registry() {
  static std::vector<Entry> entries;
  return entries;
}

void Prune() {
  auto& r = Registry();
  r.erase(std::remove_if(r.begin(), r.end(), [](const Entry& e) { return e.form.isNull(); }),
          r.end());
}

}  // namespace

void NoteLoaded(QWidget* form, std::function<void()> unload) {
  if (!form) return;
  NoteUnloaded(form);
  Registry().push_back({QPointer<QWidget>(form), form, std::move(unload)});
}

void NoteUnloaded(QWidget* form) {
  auto& r = Registry();
  r.erase(std::remove_if(r.begin(), r.end(), [form](const Entry& e) { return e.key == form; }),
          r.end());
  Prune();
}

namespace {

QPointer<QWidget>& TheMainWindow() {
  static QPointer<QWidget> main;
  return main;
}

// The window a closed box or dialog gave the keyboard back to.
QPointer<QWidget>& KeyboardReturnedTo() {
  static QPointer<QWidget> window;
  return window;
}

}  // namespace

void SetMainWindow(QWidget* main) { TheMainWindow() = main; }

QWidget* MainWindow() { return TheMainWindow().data(); }

QWidget* OwnerWindow() {
  QWidget* active = QApplication::activeWindow();
  if (active && active->isVisible() && active->windowType() != Qt::SplashScreen) return active;
  // A box shown right after another (a save dialog, then its confirmation)
  // comes before the window it returned to is active again.
  QWidget* returned = KeyboardReturnedTo();
  if (returned && returned->isVisible()) return returned;
  return MainWindow();
}

void ReturnFocusTo(QWidget* owner) {
  if (!owner || !owner->isVisible()) return;
  KeyboardReturnedTo() = owner;
  owner->activateWindow();
}

void BringForward(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

namespace {

class KeyboardOnHide : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Hide || !watched->isWidgetType()) return false;
    auto* window = static_cast<QWidget*>(watched);
    // Windows and dialogs only: a pop-up (a menu, a completer's list) hands
    // the keyboard back to the window it came from itself.
    if (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog) return false;
    QWidget* main = MainWindow();
    // The toolkit learns that the window lost the keyboard only later.
    const bool hadKeyboard = window == QApplication::activeWindow() ||
                             (window->windowHandle() && window->windowHandle() == QGuiApplication::focusWindow());
    if (window != main && hadKeyboard && main && main->isVisible()) main->activateWindow();
    return false;
  }
};

}  // namespace

void ReturnKeyboardOnHide() {
  static QPointer<KeyboardOnHide> filter;  // goes with the application
  if (filter || !qApp) return;
  filter = new KeyboardOnHide;
  filter->setParent(qApp);
  qApp->installEventFilter(filter);
}

void UnloadAllExcept(QWidget* keep) {
  // Each unload may load or unload others: take the last entry afresh every
  // time, but never more often than twice the windows there were, so that a
  // window whose unloading loads it again cannot hold the close for ever.
  Prune();
  for (size_t round = 0, rounds = 2 * Registry().size() + 2; round < rounds; ++round) {
    Prune();
    auto& r = Registry();
    auto it = std::find_if(r.rbegin(), r.rend(), [keep](const Entry& e) { return e.key != keep; });
    if (it == r.rend()) return;
    Entry e = *it;
    r.erase(std::next(it).base());
    if (e.unload) {
      e.unload();
    } else if (e.form) {
      e.form->hide();
      e.form->deleteLater();
    }
  }
}

}  // namespace platform
