// The demo map: the outline of the demo's study area and its eleven blocks on
// a 4 by 4 grid, which a run over the demo data set colours by tract.
#pragma once

#include <QWidget>
#include <array>

#include "FormInstance.h"

class QPushButton;
class ShapeControl;
class LineControl;

class frmMap : public QWidget, public FormInstance<frmMap> {
  Q_OBJECT

 public:
  static constexpr int kShapes = 11;

  ShapeControl* shpOut = nullptr;
  std::array<ShapeControl*, kShapes> shpBB{};
  LineControl* Line1 = nullptr;
  QPushButton* cmdClose = nullptr;

  // The shape of an index, or nullptr when the map has no such shape.
  ShapeControl* Shape(int index) const;

  void cmdClose_Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class FormInstance<frmMap>;
  frmMap();
};
