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
// Unloads every noted window loaded after `keep`, the most recent first,
// and then those before it down to the first (`keep` itself stays).
void UnloadAllExcept(QWidget* keep);

}  // namespace platform
