// Where windows open. A window without a designed place opens relative to
// the window it belongs to: a box or dialog centred on it, a companion window
// beside it; always on the screen.
#pragma once

#include <QShowEvent>
#include <functional>

class QWidget;

namespace platform {

// Moves the window so that its centre is the owner's (the screen's without
// an owner).
void CentreOn(QWidget* window, const QWidget* owner);
// Moves the window beside the other one: right of it where the screen has
// room, else left of it, top edges level.
void PlaceBeside(QWidget* window, const QWidget* other);
// Moves the window back wholly onto its screen, as far as it fits.
void KeepOnScreen(QWidget* window);
// Runs `place` when the window is about to be shown the first time.
void PlaceWhenFirstShown(QWidget* window, std::function<void()> place);
// The window opens centred on its owner (on the screen without one) the
// first time it is shown.
void CentreWhenFirstShown(QWidget* window);

// A dialog that opens centred on its parent every time it is shown.
template <class Dialog>
class CentredDialog : public Dialog {
 public:
  using Dialog::Dialog;

 protected:
  void showEvent(QShowEvent* event) override {
    Dialog::showEvent(event);  // a message box takes its final size here
    CentreOn(this, this->parentWidget());
  }
};

}  // namespace platform
