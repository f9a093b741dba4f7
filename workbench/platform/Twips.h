// Window geometry in twips: 1440 twips per logical inch of the screen, the
// unit every form position of this program is given in.
#pragma once

class QWidget;

namespace platform {

int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);
int PixelsToTwipsX(int pixels);
int PixelsToTwipsY(int pixels);

// Places a control at (left, top) with the given size, within its parent's
// client area.
void PlaceTwips(QWidget* widget, int left, int top, int width, int height);
// Sets the size of a window's client area.
void SetClientSizeTwips(QWidget* window, int width, int height);

}  // namespace platform
