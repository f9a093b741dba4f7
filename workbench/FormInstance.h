// What every secondary window shares: one instance, created and loaded on
// first use and noted for shut-down; unloading hides it and deletes it later.
// A window derives from FormInstance<itself> and grants it access to its
// private constructor; its Form_Load, when it has one, runs when the instance
// is created. A window that must do more on unloading declares its own
// static Unload, which is then the one noted for shut-down.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Forms.h"

template <class Form>
class FormInstance {
 public:
  // Creates and loads the one instance, hidden, on the first call.
  static Form* Instance() {
    QPointer<Form>& slot = Slot();
    if (!slot) {
      slot = new Form();
      platform::NoteLoaded(slot, &Form::Unload);
      if constexpr (requires(Form * f) { f->Form_Load(); }) slot->Form_Load();
    }
    return slot;
  }

  static bool IsLoaded() { return !Slot().isNull(); }

  static void Unload() {
    Form* w = Slot();
    if (!w) return;
    Slot() = nullptr;
    platform::NoteUnloaded(w);
    w->hide();
    w->deleteLater();
  }

 protected:
  FormInstance() = default;

 private:
  static QPointer<Form>& Slot() {
    static QPointer<Form> instance;
    return instance;
  }
};
