// The drawn controls of the forms: a rectangle with a fill and a border, and a
// straight line. Both are painted on their window's surface and take no input.
#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

// A colour as the engine gives it: 0x00BBGGRR, red in the low byte.
QColor ColorFromBGR(uint32_t bgr);

class ShapeControl : public QWidget {
 public:
  explicit ShapeControl(QWidget* parent);

  // 0 solid, 1 transparent (the look of a new shape: no fill).
  int FillStyle() const { return fillStyle_; }
  void SetFillStyle(int style);
  // 0 transparent (no border), 1 solid (a new shape has one).
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);
  // 0x00BBGGRR; a new shape's is black.
  uint32_t FillColor() const { return fillColor_; }
  void SetFillColor(uint32_t bgr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int fillStyle_ = 1;
  int borderStyle_ = 1;
  uint32_t fillColor_ = 0;
};

// A line between two points given in twips within the parent's client area.
class LineControl : public QWidget {
 public:
  LineControl(QWidget* parent, int x1, int y1, int x2, int y2, uint32_t bgr = 0,
              int widthPixels = 1);

  // 0 transparent (not drawn), 1 solid.
  int BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int style);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPoint from_;
  QPoint to_;
  uint32_t color_;
  int penWidth_;
  int borderStyle_ = 1;
};
