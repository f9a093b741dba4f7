#include "platform/Placement.h"

#include <QApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "platform/Forms.h"
#include "platform/Twips.h"
#include "platform/WholeCaptions.h"

namespace platform {

namespace {

constexpr int kGap = 8;

// The window whose first place is being chosen: it is not yet where it will
// be, so no other window steers clear of it.
const QWidget* g_placing = nullptr;

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

// A window manager frames a window only once it is on the screen; until then
// its frame is taken to be the main window's.
QMargins FrameMargins(const QWidget* w) {
  const QWidget* framed = w->frameGeometry().size() != w->size() ? w : MainWindow();
  if (!framed) return {};
  const QRect f = framed->frameGeometry();
  const QRect g = framed->geometry();
  return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom());
}

// A window that exists on the display but has no frame yet is moved by its
// client area, and its frame then comes round that; any other is moved by
// its frame.
bool MovedByClient(const QWidget* w) { return w->windowHandle() && w->frameGeometry() == w->geometry(); }

QSize OuterSize(const QWidget* w) { return w->size().grownBy(FrameMargins(w)); }

QRect OuterRect(const QWidget* w) {
  if (w->frameGeometry() != w->geometry()) return w->frameGeometry();
  const QMargins m = FrameMargins(w);
  return QRect(MovedByClient(w) ? w->pos() - QPoint(m.left(), m.top()) : w->pos(), OuterSize(w));
}

// Moves the window so that its frame's top left corner is `at`.
void MoveFrameTo(QWidget* w, QPoint at) {
  const QMargins m = FrameMargins(w);
  w->move(MovedByClient(w) ? at + QPoint(m.left(), m.top()) : at);
}

// The controls the user works with in a window, on the screen: every shown
// control that holds no other, as far as it lies within the window.
std::vector<QRect> ControlsOf(const QWidget* window) {
  std::vector<QRect> rects;
  if (!window || !window->isVisible()) return rects;
  for (const QWidget* w : window->findChildren<QWidget*>()) {
    if (w->isWindow() || !w->isVisible()) continue;
    const auto inner = w->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    if (std::any_of(inner.begin(), inner.end(), [](const QWidget* c) { return !c->isWindow() && c->isVisible(); }))
      continue;
    const QRect r = QRect(w->mapToGlobal(QPoint(0, 0)), w->size()) & window->geometry();
    if (!r.isEmpty()) rects.push_back(r);
  }
  return rects;
}

// The program's other windows on the screen (the main window aside).
std::vector<QRect> OtherWindows(const QWidget* window) {
  std::vector<QRect> rects;
  for (const QWidget* top : QApplication::topLevelWidgets()) {
    if (top == window || top == MainWindow() || top == g_placing || !top->isVisible()) continue;
    if (top->windowType() == Qt::SplashScreen || top->windowType() == Qt::Popup || top->windowType() == Qt::ToolTip)
      continue;
    rects.push_back(OuterRect(top));
  }
  return rects;
}

long long Covered(const QRect& r, const QRect& o) {
  const QRect i = r & o;
  return i.isEmpty() ? 0 : static_cast<long long>(i.width()) * i.height();
}

long long Covered(const QRect& r, const std::vector<QRect>& rects) {
  long long area = 0;
  for (const QRect& o : rects) area += Covered(r, o);
  return area;
}

// Left (top) edges at which a window of extent `size` lines up with an edge
// of a rectangle, along x or y.
void EdgesOf(const QRect& r, int size, bool x, std::set<int>& out) {
  const int lo = x ? r.left() : r.top();
  const int hi = x ? r.right() + 1 : r.bottom() + 1;
  for (int e : {lo, hi + kGap, lo - kGap - size, hi - size}) out.insert(e);
}

class ShowPlacer : public QObject {
 public:
  ShowPlacer(QWidget* window, std::function<void()> first, std::function<void()> every)
      : QObject(window), first_(std::move(first)), every_(std::move(every)) {
    window->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != parent() || event->type() != QEvent::Show) return false;
    if (first_) {
      auto first = std::move(first_);
      first_ = nullptr;
      const QWidget* before = g_placing;
      g_placing = static_cast<QWidget*>(parent());
      first();
      g_placing = before;
    }
    if (every_) every_();
    return false;
  }

 private:
  std::function<void()> first_;
  std::function<void()> every_;
};

}  // namespace

void CentreOn(QWidget* window, const QWidget* owner) {
  FitCaptionsNow(window);
  const QRect area = owner ? owner->frameGeometry() : ScreenArea(window);
  QRect r(QPoint(), OuterSize(window));
  r.moveCenter(area.center());
  MoveFrameTo(window, OnScreen(r, ScreenArea(owner ? owner : window)));
}

void PlaceBeside(QWidget* window, const QWidget* anchor) {
  FitCaptionsNow(window);
  const QSize size = OuterSize(window);
  const QRect area = ScreenArea(anchor);
  const QRect a = OuterRect(anchor);
  const QWidget* main = MainWindow();
  const QRect mainFrame = main && main != window && main->isVisible() ? main->frameGeometry() : QRect();

  // Kept clear first: the main window's controls and the other windows (the
  // anchor among them even before it is shown); then the main window.
  std::vector<QRect> clear = ControlsOf(main == window ? nullptr : main);
  for (const QRect& r : OtherWindows(window))
    if (r != a) clear.push_back(r);
  if (anchor != main) clear.push_back(a);

  const QPoint sides[4] = {QPoint(a.right() + 1 + kGap, a.top()), QPoint(a.left() - kGap - size.width(), a.top()),
                           QPoint(a.left(), a.bottom() + 1 + kGap), QPoint(a.left(), a.top() - kGap - size.height())};
  int firstSide = -1;
  for (int i = 0; i < 4 && firstSide < 0; ++i)
    if (!area.isValid() || area.contains(QRect(sides[i], size))) firstSide = i;
  const QPoint preferred = OnScreen(QRect(sides[std::max(firstSide, 0)], size), area);

  // The least covering place lines up with an edge of the screen or of what
  // it steers clear of: try every such place.
  std::set<int> xs{area.left(), area.right() + 1 - size.width(), preferred.x()};
  std::set<int> ys{area.top(), area.bottom() + 1 - size.height(), preferred.y()};
  std::vector<QRect> edges = clear;
  edges.push_back(a);
  if (mainFrame.isValid()) edges.push_back(mainFrame);
  for (const QRect& r : edges) {
    EdgesOf(r, size.width(), true, xs);
    EdgesOf(r, size.height(), false, ys);
  }
  using Cost = std::tuple<long long, long long, int, int>;
  Cost best{-1, 0, 0, 0};
  QPoint bestAt = preferred;
  for (int x : xs) {
    for (int y : ys) {
      const QPoint at = OnScreen(QRect(QPoint(x, y), size), area);
      const QRect r(at, size);
      int rank = 4;
      for (int i = 0; i < 4; ++i)
        if (at == sides[i] && (!area.isValid() || area.contains(r))) rank = std::min(rank, i);
      const Cost cost{Covered(r, clear), Covered(r, mainFrame), rank,
                      (at - preferred).manhattanLength()};
      if (std::get<0>(best) < 0 || cost < best) {
        best = cost;
        bestAt = at;
      }
    }
  }
  MoveFrameTo(window, bestAt);
}

void KeepOnScreen(QWidget* window) { MoveFrameTo(window, OnScreen(OuterRect(window), ScreenArea(window))); }

namespace {

// A window about to be shown where it would hide most of another window of
// the program opens beside its owner instead.
void StepAsideIfHiding(QWidget* window) {
  const QRect mine = OuterRect(window);
  const QWidget* owner = window->parentWidget();
  if (!owner) return;
  for (const QRect& other : OtherWindows(window)) {
    if (2 * Covered(mine, other) > static_cast<long long>(other.width()) * other.height()) {
      PlaceBeside(window, owner);
      return;
    }
  }
}

}  // namespace

void PlaceWhenFirstShown(QWidget* window, std::function<void()> place) {
  new ShowPlacer(window, std::move(place), nullptr);
}

void CentreWhenFirstShown(QWidget* window) {
  new ShowPlacer(
      window, [window] { CentreOn(window, window->parentWidget()); }, [window] { StepAsideIfHiding(window); });
}

}  // namespace platform
