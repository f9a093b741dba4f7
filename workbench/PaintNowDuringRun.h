// A run holds the thread: what it writes into a window must be painted before
// it goes on.
#pragma once

class QWidget;

// Paints the window now and lets the window system show it, holding back
// every click and key until the run has ended. A hidden window is left alone.
void PaintNowDuringRun(QWidget* w);
