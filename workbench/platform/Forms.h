// The registry of loaded windows, in load order, so that closing the main
// window can unload the others (the most recently loaded first).
#pragma once

#include <functional>
#include <vector>

class QWidget;

namespace platform {

// Notes a window as loaded. `unload` is what unloading it does (the window's
// own Unload); without one the window is closed and deleted later.
void NoteLoaded(QWidget* form, std::function<void()> unload = {});
void NoteUnloaded(QWidget* form);
// The main window, which owns every other window of the program but the
// splash window; nullptr while there is none.
void SetMainWindow(QWidget* main);
QWidget* MainWindow();
// What a box or dialog opened now belongs to: the program's active window,
// else the one the last box gave the keyboard back to, else the main window.
QWidget* OwnerWindow();

// Gives the keyboard back to the window a box or dialog belonged to once it
// has closed (without a window manager nobody else does).
void ReturnFocusTo(QWidget* owner);
// Shows the window in front of the others with the keyboard, as a command
// that opens it does.
void BringForward(QWidget* window);
// From now on, a window of the program that is hidden while it has the
// keyboard gives it back to the main window.
void ReturnKeyboardOnHide();

// Unloads every noted window loaded after `keep`, the most recent first,
// and then those before it down to the first (`keep` itself stays).
void UnloadAllExcept(QWidget* keep);

}  // namespace platform
