#include "Shapes.h"

#include <QPainter>
#include <algorithm>

#include "platform/Twips.h"

QColor ColorFromBGR(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

ShapeControl::ShapeControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeControl::SetFillStyle(int style) {
  fillStyle_ = style;
  update();
}

void ShapeControl::SetBorderStyle(int style) {
  borderStyle_ = style;
  update();
}

void ShapeControl::SetFillColor(uint32_t bgr) {
  fillColor_ = bgr & 0xFFFFFF;
  update();
}

void ShapeControl::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (fillStyle_ == 0) p.fillRect(rect(), ColorFromBGR(fillColor_));
  if (borderStyle_ != 0) {
    // The border lies inside the shape's bounds, one pixel wide, so shapes
    // that overlap by one pixel share an edge.
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
}

LineControl::LineControl(QWidget* parent, int x1, int y1, int x2, int y2, uint32_t bgr,
                         int widthPixels)
    : QWidget(parent), color_(bgr), penWidth_(std::max(1, widthPixels)) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  const QPoint a(platform::TwipsToPixelsX(x1), platform::TwipsToPixelsY(y1));
  const QPoint b(platform::TwipsToPixelsX(x2), platform::TwipsToPixelsY(y2));
  const QRect box = QRect(a, b).normalized().adjusted(0, 0, penWidth_, penWidth_);
  setGeometry(box);
  from_ = a - box.topLeft();
  to_ = b - box.topLeft();
}

void LineControl::SetBorderStyle(int style) {
  borderStyle_ = style;
  update();
}

void LineControl::paintEvent(QPaintEvent*) {
  if (borderStyle_ == 0) return;
  QPainter p(this);
  p.setPen(QPen(ColorFromBGR(color_), penWidth_, Qt::SolidLine, Qt::FlatCap));
  // A pen wider than one pixel grows down and right of the line, as the
  // platform draws its lines "inside solid".
  const QPointF shift(penWidth_ > 1 ? (penWidth_ - 1) / 2.0 : 0.0,
                      penWidth_ > 1 ? (penWidth_ - 1) / 2.0 : 0.0);
  p.drawLine(QPointF(from_) + shift, QPointF(to_) + shift);
}
