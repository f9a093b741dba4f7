// Captions shown whole. The forms are laid out in twips for one small face;
// in another face or size, or with a number longer than the layout foresaw,
// a caption would be cut. A label, check box, option button or button whose
// caption needs more room than its designed size grows to it, and whatever
// stands beyond it moves over by the room it lacks (a frame around it widens),
// so that nothing comes to lie on anything else. The positions always follow
// from the designed ones: a caption that becomes short again gives the room
// back.
#pragma once

class QWidget;

namespace platform {

// Keeps the captions of the container's controls whole from now on: when it
// is shown, when its font changes and whenever a caption changes. A fixed-size
// window (`growWindow`) grows with its controls and stays on the screen; the
// client area of a window the user sizes keeps its size.
void KeepCaptionsWhole(QWidget* container, bool growWindow);

// Fits the container now (before it is placed, or while a run holds the
// thread). Does nothing to a container not given to KeepCaptionsWhole.
void FitCaptionsNow(QWidget* container);

}  // namespace platform
