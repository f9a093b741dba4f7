#include "platform/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "platform/WholeCaptions.h"

namespace platform {

namespace {

QRect ScreenArea(const QWidget* w) {
  QScreen* s = w ? w->screen() : nullptr;
  if (!s) s = QGuiApplication::primaryScreen();
  return s ? s->availableGeometry() : QRect();
}

// The rectangle moved (not resized) so that as much of it as can lies on the
// screen, its top left corner first.
QPoint OnScreen(QRect r, const QRect& area) {
  if (!area.isValid()) return r.topLeft();
  r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() + 1 - r.width())));
  r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() + 1 - r.height())));
  return r.topLeft();
}

class FirstShow : public QObject {
 public:
  FirstShow(QWidget* window, std::function<void()> place) : QObject(window), place_(std::move(place)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == parent() && event->type() == QEvent::Show && place_) {
      auto place = std::move(place_);
      place_ = nullptr;
      place();
    }
    return false;
  }

 private:
  std::function<void()> place_;
};

}  // namespace

void CentreOn(QWidget* window, const QWidget* owner) {
  FitCaptionsNow(window);  // placed at its final size
  const QRect area = owner ? owner->frameGeometry() : ScreenArea(window);
  QRect r(QPoint(), window->frameGeometry().size());
  r.moveCenter(area.center());
  window->move(OnScreen(r, ScreenArea(owner ? owner : window)));
}

void PlaceBeside(QWidget* window, const QWidget* other) {
  FitCaptionsNow(window);
  constexpr int kGap = 8;
  const QRect area = ScreenArea(other);
  const QRect o = other->frameGeometry();
  QRect r(QPoint(), window->frameGeometry().size());
  r.moveTopLeft(QPoint(o.right() + 1 + kGap, o.top()));
  if (area.isValid() && r.right() > area.right()) {
    const QRect left = r.translated(o.left() - kGap - r.width() - r.left(), 0);
    if (left.left() >= area.left()) r = left;
  }
  window->move(OnScreen(r, area));
}

void KeepOnScreen(QWidget* window) {
  window->move(OnScreen(window->frameGeometry(), ScreenArea(window)));
}

void PlaceWhenFirstShown(QWidget* window, std::function<void()> place) {
  new FirstShow(window, std::move(place));
}

void CentreWhenFirstShown(QWidget* window) {
  PlaceWhenFirstShown(window, [window] { CentreOn(window, window->parentWidget()); });
}

}  // namespace platform
