// The demo map window: its fixed drawing of the demo's blocks, the colouring
// operations the engine uses, Close and the title bar's close box.
#include <QImage>
#include <QPushButton>
#include <QTest>

#include "Shapes.h"
#include "frmMap.h"
#include "windows_fixture.h"

namespace {

// Shape number by grid cell (row, column).
constexpr int kGrid[4][4] = {{0, 1, 4, 4}, {2, 3, 4, 4}, {5, 7, 9, 9}, {5, 6, 8, 10}};

QColor PixelAt(QWidget* w, QPoint p) { return QColor(w->grab().toImage().pixel(p)); }

}  // namespace

class TestFrmMap : public QObject {
  Q_OBJECT

 private slots:
  void init() { wintest::StartFresh(); }
  void cleanup() { wintest::StopAll(); }

  void designShowsOutlinedBlocksOnTheGrid() {
    frmMap* map = frmMap::Instance();
    QVERIFY(!map->isVisible());
    // Every cell's centre lies in exactly the shape the grid gives it.
    const QRect out = map->shpOut->geometry();
    const int cell = out.width() / 4;
    for (int row = 0; row < 4; ++row) {
      for (int col = 0; col < 4; ++col) {
        const QPoint centre(out.left() + col * cell + cell / 2, out.top() + row * cell + cell / 2);
        std::vector<int> hits;
        for (int i = 0; i < frmMap::kShapes; ++i)
          if (map->shpBB[size_t(i)]->geometry().contains(centre)) hits.push_back(i);
        QCOMPARE(hits, std::vector<int>{kGrid[row][col]});
      }
    }
    // Neighbours share an edge: shape 0 ends where shape 1 begins.
    QCOMPARE(map->shpBB[0]->geometry().right(), map->shpBB[1]->geometry().left());
    // A new shape is an outline: no fill, a solid border, black fill colour.
    QCOMPARE(map->shpBB[3]->FillStyle(), int(qel::kFillTransparent));
    QCOMPARE(map->shpBB[3]->BorderStyle(), int(qel::kBorderSolid));
    QCOMPARE(map->shpBB[3]->FillColor(), 0u);
    // Line1 runs down the left edge of shape 10.
    QCOMPARE(map->Line1->geometry().topLeft(), map->shpBB[10]->geometry().topLeft());
  }

  void engineOperationsColourAndShowTheMap() {
    qel::WindowOps& ops = qel::Windows();
    for (int shape : {9, 10, -1, 11, 500}) {  // shapes the map lacks are passed over
      ops.SetMapShapeFillStyle(shape, qel::kFillSolid);
      ops.SetMapShapeFillColor(shape, 0x0000FF);  // red
    }
    ops.SetMapShapeBorderStyle(10, qel::kBorderTransparent);
    ops.SetMapShapeBorderStyle(11, qel::kBorderTransparent);
    ops.SetMapLineBorderStyle(qel::kBorderSolid);
    QVERIFY(!frmMap::Instance()->isVisible());
    ops.RefreshMap();
    ops.ShowMap();
    ops.FocusMapClose();
    frmMap* map = frmMap::Instance();
    QVERIFY(map->isVisible());
    QCOMPARE(map->shpBB[0]->FillStyle(), int(qel::kFillTransparent));  // not -1 clamped

    const QRect s10 = map->shpBB[10]->geometry();
    QCOMPARE(PixelAt(map, map->shpBB[9]->geometry().center()), QColor(255, 0, 0));
    QCOMPARE(PixelAt(map, s10.center()), QColor(255, 0, 0));
    // Shape 10 has no border of its own: its top edge is red; Line1 draws its
    // left edge and the study area's outline its right edge, both in black.
    QCOMPARE(PixelAt(map, QPoint(s10.center().x(), s10.top())), QColor(255, 0, 0));
    QCOMPARE(PixelAt(map, QPoint(s10.left(), s10.center().y())), QColor(0, 0, 0));
    QCOMPARE(PixelAt(map, QPoint(s10.right(), s10.center().y())), QColor(0, 0, 0));
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
