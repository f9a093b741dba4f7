#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace platform {

namespace {

constexpr double kTwipsPerInch = 1440.0;

double DpiX() {
  QScreen* s = QGuiApplication::primaryScreen();
  double dpi = s ? s->logicalDotsPerInchX() : 96.0;
  return dpi > 0 ? dpi : 96.0;
}

double DpiY() {
  QScreen* s = QGuiApplication::primaryScreen();
  double dpi = s ? s->logicalDotsPerInchY() : 96.0;
  return dpi > 0 ? dpi : 96.0;
}

}  // namespace

int TwipsToPixelsX(int twips) { return static_cast<int>(std::lround(twips * DpiX() / kTwipsPerInch)); }
int TwipsToPixelsY(int twips) { return static_cast<int>(std::lround(twips * DpiY() / kTwipsPerInch)); }
int PixelsToTwipsX(int pixels) { return static_cast<int>(std::lround(pixels * kTwipsPerInch / DpiX())); }
int PixelsToTwipsY(int pixels) { return static_cast<int>(std::lround(pixels * kTwipsPerInch / DpiY())); }

void PlaceTwips(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(TwipsToPixelsX(left), TwipsToPixelsY(top), TwipsToPixelsX(width),
                      TwipsToPixelsY(height));
}

void SetClientSizeTwips(QWidget* window, int width, int height) {
  window->resize(TwipsToPixelsX(width), TwipsToPixelsY(height));
}

}  // namespace platform
