#include "platform/Forms.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
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
