#include "frmMap.h"

#include <QCloseEvent>
#include <QPushButton>

#include "MakeFormControl.h"
#include "SetUpFixedForm.h"
#include "Shapes.h"
#include "frmOutput.h"
#include "platform/Forms.h"
#include "platform/Placement.h"
#include "platform/Twips.h"

namespace {

// Left, top, width, height of each block's rectangle: cells of 600 twips,
// each shape 15 twips larger than its cells so that neighbours share edges.
constexpr int kShapeRects[frmMap::kShapes][4] = {
    {600, 240, 615, 615},    {1200, 240, 615, 615},   {600, 840, 615, 615},
    {1200, 840, 615, 615},   {1800, 240, 1215, 1215}, {600, 1440, 615, 1215},
    {1200, 2040, 615, 615},  {1200, 1440, 615, 615},  {1800, 2040, 615, 615},
    {1800, 1440, 1215, 615}, {2400, 2040, 615, 615}};

}  // namespace

frmMap::frmMap() : QWidget(platform::MainWindow(), Qt::Dialog) {
  SetUpFixedForm(this, "frmMap", QStringLiteral("Map"), 3630, 3435);
  // Shown with the output report at the end of a run: beside it, not under it.
  platform::PlaceWhenFirstShown(this, [this] {
    frmOutput* report = frmOutput::Instance();
    report->PlaceOnOwner();
    platform::PlaceBeside(this, report);
  });

  shpOut = MakeFormControl<ShapeControl>(this, "shpOut", 600, 240, 2415, 2415);

  for (int i = 0; i < kShapes; ++i) {
    auto* s = new ShapeControl(this);
    s->setObjectName(QStringLiteral("shpBB%1").arg(i));
    platform::PlaceTwips(s, kShapeRects[i][0], kShapeRects[i][1], kShapeRects[i][2],
                         kShapeRects[i][3]);
    shpBB[static_cast<size_t>(i)] = s;
  }

  // The outline stays whole over the coloured shapes.
  shpOut->raise();

  // Drawn over the shapes: the left edge of shape 10, which has no border of
  // its own once the map is coloured.
  Line1 = new LineControl(this, 2400, 2040, 2400, 2640);
  Line1->setObjectName(QStringLiteral("Line1"));

  cmdClose = MakeFormControl<QPushButton>(this, "cmdClose", QStringLiteral("&Close"), 1200, 2880,
                                          1215, 375);
  connect(cmdClose, &QPushButton::clicked, this, &frmMap::cmdClose_Click);
}

ShapeControl* frmMap::Shape(int index) const {
  if (index < 0 || index >= kShapes) return nullptr;
  return shpBB[static_cast<size_t>(index)];
}

// Hidden, not unloaded: the colours stay until the next drawing.
void frmMap::cmdClose_Click() { hide(); }

// Closed from the title bar the window goes, colours and all; the next
// drawing creates it afresh.
void frmMap::closeEvent(QCloseEvent* event) {
  event->accept();
  Unload();
}
