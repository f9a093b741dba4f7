// Default and cancel buttons of a window that is no dialog: Enter clicks the
// default button (or the button that has the focus), Esc clicks the cancel
// button, each only while it is enabled.
#pragma once

class QWidget;
class QPushButton;

namespace platform {

void SetDefaultButton(QWidget* form, QPushButton* button);
void SetCancelButton(QWidget* form, QPushButton* button);

}  // namespace platform
