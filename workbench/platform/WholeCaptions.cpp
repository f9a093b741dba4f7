#include "platform/WholeCaptions.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <vector>

#include "platform/Placement.h"
#include "platform/Twips.h"

namespace platform {

namespace {

constexpr char kDesignedPlace[] = "qelDesignedPlace";
constexpr char kDesignedSize[] = "qelDesignedSize";
constexpr char kGrowsWindow[] = "qelGrowsWindow";

// A stretch of one axis, [lo, hi).
struct Span {
  int lo = 0;
  int hi = 0;
};

int Overlap(Span a, Span b) { return std::max(0, std::min(a.hi, b.hi) - std::max(a.lo, b.lo)); }

struct Control {
  QWidget* widget = nullptr;
  Span designed[2];  // along x, along y
  Span now[2];
  int need[2] = {0, 0};  // room its caption needs; 0 when it has none
};

// Room inserted in front of `at` along an axis: whatever starts at or after
// it moves over by `width`.
struct Strip {
  int at;
  int width;
};

// How far the start of a span designed at `x` moves.
int ShiftOfStart(const std::vector<Strip>& strips, int x) {
  int s = 0;
  for (const Strip& st : strips) s += st.at <= x ? st.width : 0;
  return s;
}

// How far the end of a span designed to end at `x` moves: room inserted at
// `x` itself lies beyond it.
int ShiftOfEnd(const std::vector<Strip>& strips, int x) { return ShiftOfStart(strips, x - 1); }

bool Contains(Span outerX, Span outerY, Span innerX, Span innerY) {
  const bool within = outerX.lo <= innerX.lo && innerX.hi <= outerX.hi && outerY.lo <= innerY.lo &&
                      innerY.hi <= outerY.hi;
  const bool larger = outerX.hi - outerX.lo > innerX.hi - innerX.lo || outerY.hi - outerY.lo > innerY.hi - innerY.lo;
  return within && larger;
}

// What a control's text needs: the whole caption on one line, or, in a label
// that wraps, the height of the text at the designed width; in a text box a
// line of its face.
QSize TextNeed(QWidget* w, int designedWidth) {
  if (auto* label = qobject_cast<QLabel*>(w)) {
    if (label->text().isEmpty()) return {};
    if (label->wordWrap()) return {0, label->heightForWidth(designedWidth)};
    return label->sizeHint();
  }
  if (auto* text = qobject_cast<QLineEdit*>(w)) return text->minimumSizeHint();
  if (auto* button = qobject_cast<QPushButton*>(w)) {
    // Its own size hint holds a minimum width of the style's: only the text counts here.
    if (button->text().isEmpty()) return {};
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                       2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    return text + QSize(margin, margin);
  }
  if (auto* box = qobject_cast<QAbstractButton*>(w)) return box->text().isEmpty() ? QSize() : box->sizeHint();
  return {};
}

// What a control needs: room for its text, and never less than its minimum
// size (a column set as wide as its head, for one).
QSize CaptionNeed(QWidget* w, int designedWidth) { return TextNeed(w, designedWidth).expandedTo(w->minimumSize()); }

std::vector<Control> ControlsOf(QWidget* container) {
  std::vector<Control> controls;
  for (QWidget* w : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (w->isWindow()) continue;
    // The place the form gave the control, kept from before the first fit.
    if (!w->property(kDesignedPlace).isValid()) w->setProperty(kDesignedPlace, w->geometry());
    const QRect d = w->property(kDesignedPlace).toRect();
    Control c;
    c.widget = w;
    c.designed[0] = {d.left(), d.left() + d.width()};
    c.designed[1] = {d.top(), d.top() + d.height()};
    const QSize need = CaptionNeed(w, d.width());
    c.need[0] = need.width();
    c.need[1] = need.height();
    controls.push_back(c);
  }
  return controls;
}

struct Margins {
  int gap;    // between a caption and what stands beyond it
  int inset;  // between a caption and the inner edge of its frame or window
};

// Lays the controls out along one axis (0 x, 1 y), across the other axis's
// current spans; returns the room inserted. `edge` is the designed extent of
// a window that grows, or INT_MAX.
std::vector<Strip> FitAxis(std::vector<Control>& cs, int axis, int edge, Margins m) {
  const int across = 1 - axis;
  std::vector<Strip> strips;
  for (size_t i = 0; i < cs.size(); ++i) {
    const Control& c = cs[i];
    const Span d = c.designed[axis];
    if (c.need[axis] <= d.hi - d.lo) continue;
    // The nearest limit beyond the control: the start of a control in its
    // way, the inner edge of a frame around it, the window's edge. `at` is
    // where room goes in to move that limit.
    int limit = edge == INT_MAX ? INT_MAX : edge - m.inset + ShiftOfEnd(strips, edge);
    int at = edge == INT_MAX ? INT_MAX : std::min(d.hi, edge - 1);
    for (size_t j = 0; j < cs.size(); ++j) {
      if (j == i) continue;
      const Control& o = cs[j];
      if (Contains(o.designed[0], o.designed[1], c.designed[0], c.designed[1])) {
        const int e = o.designed[axis].hi;
        const int l = e - m.inset + ShiftOfEnd(strips, e);
        if (l < limit) {
          limit = l;
          at = std::min(d.hi, e - 1);
        }
      } else if (Overlap(c.now[across], o.now[across]) > 2 && o.designed[axis].lo > d.lo) {
        const int s = o.designed[axis].lo;
        const int l = s - m.gap + ShiftOfStart(strips, s);
        if (l < limit) {
          limit = l;
          at = std::min(d.hi, s);
        }
      }
    }
    if (limit == INT_MAX) continue;
    const int lacking = d.lo + ShiftOfStart(strips, d.lo) + c.need[axis] - limit;
    if (lacking > 0) strips.push_back({at, lacking});
  }

  for (Control& c : cs) {
    const Span d = c.designed[axis];
    // A frame widens by the room inserted within it.
    bool frames = false;
    for (const Control& o : cs)
      frames = frames || (&o != &c && Contains(c.designed[0], c.designed[1], o.designed[0], o.designed[1]));
    Span& n = c.now[axis];
    n.lo = d.lo + ShiftOfStart(strips, d.lo);
    const int size = frames ? d.hi + ShiftOfEnd(strips, d.hi) - n.lo : d.hi - d.lo;
    n.hi = n.lo + std::max(size, c.need[axis]);
  }
  return strips;
}

// One fit from the designed places; true when a caption's need changed with
// the new places (a caption laid out over other controls), so that another
// round is due.
bool FitOnce(QWidget* container) {
  std::vector<Control> cs = ControlsOf(container);
  for (Control& c : cs) {
    c.now[0] = c.designed[0];
    c.now[1] = c.designed[1];
  }
  const bool grows = container->property(kGrowsWindow).toBool();
  const QSize size = container->property(kDesignedSize).toSize();
  const Margins mx{TwipsToPixelsX(90), TwipsToPixelsX(120)};
  const Margins my{TwipsToPixelsY(90), TwipsToPixelsY(120)};
  const std::vector<Strip> sx = FitAxis(cs, 0, grows ? size.width() : INT_MAX, mx);
  const std::vector<Strip> sy = FitAxis(cs, 1, grows ? size.height() : INT_MAX, my);

  for (const Control& c : cs) {
    const QRect r(c.now[0].lo, c.now[1].lo, c.now[0].hi - c.now[0].lo, c.now[1].hi - c.now[1].lo);
    if (c.widget->geometry() != r) c.widget->setGeometry(r);
  }
  if (grows) {
    const QSize fitted(size.width() + ShiftOfEnd(sx, size.width()), size.height() + ShiftOfEnd(sy, size.height()));
    if (container->size() != fitted) {
      container->setFixedSize(fitted);
      if (container->isVisible()) KeepOnScreen(container);
    }
  }
  container->update();

  for (const Control& c : cs) {
    const QSize need = CaptionNeed(c.widget, c.designed[0].hi - c.designed[0].lo);
    if (need.width() != c.need[0] || need.height() != c.need[1]) return true;
  }
  return false;
}

class CaptionFitter : public QObject {
 public:
  explicit CaptionFitter(QWidget* container) : QObject(container) { setObjectName(kName); }
  static constexpr const char* kName = "qelCaptionFitter";

  void Fit() {
    if (fitting_) return;
    fitting_ = true;
    auto* container = static_cast<QWidget*>(parent());
    for (int round = 0; round < 3 && FitOnce(container); ++round) {
    }
    fitting_ = false;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != parent()) return false;
    switch (event->type()) {
      case QEvent::Show:
      case QEvent::LayoutRequest:
      case QEvent::FontChange:
      case QEvent::StyleChange:
        Fit();
        break;
      default:
        break;
    }
    return false;
  }

 private:
  bool fitting_ = false;
};

CaptionFitter* FitterOf(QWidget* container) {
  return static_cast<CaptionFitter*>(container->findChild<QObject*>(
      QString::fromLatin1(CaptionFitter::kName), Qt::FindDirectChildrenOnly));
}

}  // namespace

void KeepCaptionsWhole(QWidget* container, bool growWindow) {
  if (!container || FitterOf(container)) return;
  container->setProperty(kGrowsWindow, growWindow);
  container->setProperty(kDesignedSize, container->size());
  container->installEventFilter(new CaptionFitter(container));
}

void FitCaptionsNow(QWidget* container) {
  if (CaptionFitter* f = container ? FitterOf(container) : nullptr) f->Fit();
}

}  // namespace platform
