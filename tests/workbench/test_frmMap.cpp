// The demo map window: its fixed drawing of the demo's blocks, the colouring
// operations the engine uses, Close and the title bar's close box.
#include <QImage>
#include <QPushButton>
#include <QTest>

#include "Shapes.h"
#include "frmMap.h"
#include "windows_fixture.h"

namespace {

// Shape number by grid cell (row, column): shapes 4 and 9 span two columns,
// 4 and 5 two rows.
constexpr int kGrid[4][4] = {{0, 1, 4, 4}, {2, 3, 4, 4}, {5, 7, 9, 9}, {5, 6, 8, 10}};

QRgb PixelAt(QWidget* w, QPoint p) { return w->grab().toImage().pixel(p); }

QPoint CentreOf(QWidget* w) { return w->geometry().center(); }

}  // namespace

class TestFrmMap : public QObject {
  Q_OBJECT

 private slots:
  void init() { wintest::StartFresh(); }
  void cleanup() { wintest::StopAll(); }

  void designShowsOutlinedBlocksOnTheGrid() {
    frmMap* map = frmMap::Instance();
    QCOMPARE(map->windowTitle(), QStringLiteral("Map"));
    QVERIFY(!map->isVisible());
    QCOMPARE(map->cmdClose->text(), QStringLiteral("&Close"));

    // Every cell's centre lies in exactly the shape the grid gives it, and the
    // shapes together cover the outline.
    const QRect out = map->shpOut->geometry();
    const int cell = out.width() / 4;
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) {
        const QPoint centre(out.left() + col * cell + cell / 2, out.top() + row * cell + cell / 2);
        int hits = 0;
        int found = -1;
        for (int i = 0; i < frmMap::kShapes; ++i) {
          if (map->shpBB[i]->geometry().contains(centre)) {
            ++hits;
            found = i;
          }
        }
        QCOMPARE(hits, 1);
        QCOMPARE(found, kGrid[row][col]);
      }
    }
    // Neighbours share an edge: shape 0 ends where shape 1 begins.
    QCOMPARE(map->shpBB[0]->geometry().right(), map->shpBB[1]->geometry().left());
    // A new shape is an outline: no fill, a solid border, black fill colour.
    QCOMPARE(map->shpBB[3]->FillStyle(), int(qel::kFillTransparent));
    QCOMPARE(map->shpBB[3]->BorderStyle(), int(qel::kBorderSolid));
    QCOMPARE(map->shpBB[3]->FillColor(), 0u);
    // Line1 runs down the left edge of shape 10.
    QCOMPARE(map->Line1->geometry().left(), map->shpBB[10]->geometry().left());
    QCOMPARE(map->Line1->geometry().top(), map->shpBB[10]->geometry().top());
  }

  void engineOperationsColourAndShowTheMap() {
    qel::WindowOps& ops = qel::Windows();
    ops.SetMapShapeFillStyle(9, qel::kFillSolid);
    ops.SetMapShapeFillColor(9, 0x0000FF);  // red
    ops.SetMapShapeFillStyle(10, qel::kFillSolid);
    ops.SetMapShapeFillColor(10, 0x0000FF);
    ops.SetMapShapeBorderStyle(10, qel::kBorderTransparent);
    ops.SetMapLineBorderStyle(qel::kBorderSolid);
    QVERIFY(!frmMap::Instance()->isVisible());
    ops.RefreshMap();
    ops.ShowMap();
    ops.FocusMapClose();
    frmMap* map = frmMap::Instance();
    QVERIFY(map->isVisible());
    QVERIFY(map->cmdClose->hasFocus() || QApplication::focusWidget() == nullptr);

    QCOMPARE(QColor(PixelAt(map, CentreOf(map->shpBB[9]))), QColor(255, 0, 0));
    QCOMPARE(QColor(PixelAt(map, CentreOf(map->shpBB[10]))), QColor(255, 0, 0));
    // Shape 10 has no border of its own: its top edge is red; Line1 draws its
    // left edge and the study area's outline its right edge, both in black.
    const QRect s10 = map->shpBB[10]->geometry();
    QCOMPARE(QColor(PixelAt(map, QPoint(s10.center().x(), s10.top()))), QColor(255, 0, 0));
    QCOMPARE(QColor(PixelAt(map, QPoint(s10.left(), s10.center().y()))), QColor(0, 0, 0));
    QCOMPARE(QColor(PixelAt(map, QPoint(s10.right(), s10.center().y()))), QColor(0, 0, 0));
  }

  void shapesTheMapDoesNotHaveArePassedOver() {
    qel::WindowOps& ops = qel::Windows();
    for (int shape : {-1, 11, 12, 500}) {
      ops.SetMapShapeFillStyle(shape, qel::kFillSolid);
      ops.SetMapShapeBorderStyle(shape, qel::kBorderTransparent);
      ops.SetMapShapeFillColor(shape, 0xFF0000);
    }
    frmMap* map = frmMap::Instance();
    for (int i = 0; i < frmMap::kShapes; ++i) {
      QCOMPARE(map->shpBB[i]->FillStyle(), int(qel::kFillTransparent));
      QCOMPARE(map->shpBB[i]->FillColor(), 0u);
    }
    QVERIFY(map->Shape(11) == nullptr);
    QVERIFY(map->Shape(-1) == nullptr);
  }

  void closeHidesWithColoursAndTitleBarUnloads() {
    qel::WindowOps& ops = qel::Windows();
    ops.SetMapShapeFillColor(2, 0x00FF00);
    ops.ShowMap();
    frmMap* map = frmMap::Instance();
    map->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(map));
    // Alt+C presses "&Close" (the button animates its press first).
    QTest::keyClick(map->cmdClose, Qt::Key_C, Qt::AltModifier);
    QTRY_VERIFY(!map->isVisible());
    QVERIFY(frmMap::IsLoaded());
    ops.ShowMap();
    QCOMPARE(frmMap::Instance(), map);
    QVERIFY(map->isVisible());
    QCOMPARE(map->shpBB[2]->FillColor(), 0x00FF00u);

    // Closed from its title bar it goes, colours and all.
    map->close();
    QVERIFY(!frmMap::IsLoaded());
    QCOMPARE(frmMap::Instance()->shpBB[2]->FillColor(), 0u);
  }

};

QTEST_MAIN(TestFrmMap)
#include "test_frmMap.moc"
