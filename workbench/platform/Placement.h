// Where windows open. A window without a designed place opens relative to
// the window it belongs to: a box or dialog centred on it, a companion window
// beside it; always wholly on the screen. Without a window manager nothing
// can be moved by hand, so a window must not open where it hides what the
// user needs next.
#pragma once

#include <QShowEvent>
#include <functional>

class QWidget;

namespace platform {

// Moves the window so that its centre is the owner's (the screen's without
// an owner).
void CentreOn(QWidget* window, const QWidget* owner);
// Moves the window beside `anchor`: right of it where the screen has room,
// else left of it, below, above (edges level). Where no side has room, or a
// side would cover another window of the program, it goes where it covers
// least of the main window's controls and of the program's other windows,
// and then least of the main window.
void PlaceBeside(QWidget* window, const QWidget* anchor);
// Moves the window back wholly onto its screen, as far as it fits.
void KeepOnScreen(QWidget* window);
// Runs `place` when the window is about to be shown the first time.
void PlaceWhenFirstShown(QWidget* window, std::function<void()> place);
// The window opens centred on its owner (on the screen without one) the
// first time it is shown. Whenever it is shown where it would hide most of
// another window of the program, it opens beside its owner instead (see
// PlaceBeside), so that both can be seen.
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
