// What every secondary window shares: one instance, created and loaded on
// first use and noted for shut-down; unloading hides it and deletes it later.
// A window grants FormInstance<itself> access to its private constructor; its
// Form_Load, when it has one, runs when the instance is created.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QString>

#include "platform/Forms.h"

template <class Form>
class FormInstance {
 public:
  static Form* Get() {
    QPointer<Form>& slot = Slot();
    if (!slot) {
      slot = new Form();
      platform::NoteLoaded(slot, &Form::Unload);
      if constexpr (requires(Form * f) { f->Form_Load(); }) slot->Form_Load();
    }
    return slot;
  }

  static bool Loaded() { return !Slot().isNull(); }

  static void Unload() {
    Form* w = Slot();
    if (!w) return;
    Slot() = nullptr;
    platform::NoteUnloaded(w);
    w->hide();
    w->deleteLater();
  }

 private:
  static QPointer<Form>& Slot() {
    static QPointer<Form> instance;
    return instance;
  }
};

// A run holds the thread: paint the window now and let the window system show
// it, holding back every click and key until the run has ended. A hidden
// window is left alone.
void PaintNowDuringRun(QWidget* w);

// A label with its object name, placed in twips.
QLabel* MakeFormLabel(QWidget* parent, const char* name, const QString& caption, int left, int top,
                      int width, int height);
