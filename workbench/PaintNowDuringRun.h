// A run holds the thread: what it writes into a window must be painted before
// it goes on.
#pragma once

class QAbstractScrollArea;
class QWidget;

// Paints the window now and lets the window system show it. The user's
// clicks and keys are not taken meanwhile (the run cannot be interrupted),
// with one exception: the list given to ScrollableDuringRun can be scrolled,
// so that a line wider than it can be read whole. A hidden window is left
// alone.
void PaintNowDuringRun(QWidget* w);

// The list whose scroll bars (and the wheel over it) take the user's hand
// while a run paints.
void ScrollableDuringRun(QAbstractScrollArea* list);
