// What every secondary window shares: one instance, created and loaded on
// first use and noted for shut-down; unloading hides it and deletes it later.
// A window derives from FormInstance<itself> and grants it access to its
// private constructor; its Form_Load, when it has one, runs when the instance
// is created. A window that must do more on unloading declares its own
// static Unload, which is then the one noted for shut-down.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/Forms.h"
#include "platform/Twips.h"

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

// A run holds the thread: paint the window now and let the window system show
// it, holding back every click and key until the run has ended. A hidden
// window is left alone.
void PaintNowDuringRun(QWidget* w);

// A fixed-size window with its object name, title and the forms' face, its
// client area given in twips.
void SetUpFixedForm(QWidget* form, const char* name, const QString& title, int width, int height);

// A control with its object name, placed in twips.
template <class W>
W* MakeFormControl(QWidget* parent, const char* name, int left, int top, int width, int height) {
  auto* w = new W(parent);
  w->setObjectName(QString::fromLatin1(name));
  platform::PlaceTwips(w, left, top, width, height);
  return w;
}

// The same with its caption or text (labels, buttons, boxes, text boxes).
template <class W>
W* MakeFormControl(QWidget* parent, const char* name, const QString& caption, int left, int top,
                   int width, int height) {
  W* w = MakeFormControl<W>(parent, name, left, top, width, height);
  w->setText(caption);
  return w;
}
