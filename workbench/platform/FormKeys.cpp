#include "platform/FormKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

namespace platform {

namespace {

class FormKeyFilter : public QObject {
 public:
  explicit FormKeyFilter(QWidget* form) : QObject(form) { setObjectName(kName); }
  static constexpr const char* kName = "qelFormKeyFilter";
  QPointer<QPushButton> defaultButton;
  QPointer<QPushButton> cancelButton;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress || watched != parent()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) return false;
    QPushButton* target = nullptr;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
      target = focused ? focused : defaultButton.data();
    } else if (key->key() == Qt::Key_Escape) {
      target = cancelButton.data();
    }
    if (!target || !target->isEnabled() || !target->isVisible()) return false;
    target->click();
    return true;
  }
};

FormKeyFilter* FilterOf(QWidget* form) {
  // Found by name: the filter has no meta-object of its own to cast by.
  auto* f = static_cast<FormKeyFilter*>(form->findChild<QObject*>(
      QString::fromLatin1(FormKeyFilter::kName), Qt::FindDirectChildrenOnly));
  if (!f) {
    f = new FormKeyFilter(form);
    form->installEventFilter(f);
  }
  return f;
}

}  // namespace

void SetDefaultButton(QWidget* form, QPushButton* button) {
  FormKeyFilter* f = FilterOf(form);
  if (f->defaultButton && f->defaultButton != button) f->defaultButton->setDefault(false);
  f->defaultButton = button;
  if (button) button->setDefault(true);
}

void SetCancelButton(QWidget* form, QPushButton* button) { FilterOf(form)->cancelButton = button; }

}  // namespace platform
