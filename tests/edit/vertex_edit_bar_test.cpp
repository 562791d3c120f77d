// The vertex-editing bar on the device: its buttons pressed with the pen, holds and taps on the
// map in input mode 13, and what the working map holds afterwards.
#include "edit/vertex_edit_bar.h"

#include "map_tools_fixture.h"

namespace edittest {
namespace {

using Bar = MapToolsTest;
using V = std::vector<int>;

TEST_F(Bar, ButtonsChooseTheModeAndTheInputMode) {
  ShowBar(kLine);
  EXPECT_EQ(g_MapView.showVertices, 1);
  EXPECT_EQ(g_MapView.currentVertex, -1);
  EXPECT_TRUE(g_UserLayer.IsPinned());
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 24);
  PressMode(2);
  EXPECT_EQ(g_VertexEditBar.mode, 2);
  EXPECT_EQ(GetInputMode(), input_mode::kVertexEdit);
  g_MapView.currentVertex = 3;
  PressMode(1);  // one group: the move button comes up
  EXPECT_EQ(g_VertexEditBar.mode, 1);
  EXPECT_FALSE(g_VertexEditBar.buttons[1].IsDown());
  EXPECT_EQ(g_MapView.currentVertex, -1);
  PressMode(1);  // released: no mode, input mode 1
  EXPECT_EQ(g_VertexEditBar.mode, 0);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  g_VertexEditBar.Show(0);
  EXPECT_EQ(g_MapView.showVertices, 0);
  EXPECT_EQ(g_VertexEditBar.GetHeight(), 0);
  EXPECT_FALSE(g_UserLayer.IsPinned());
}

TEST_F(Bar, DeleteTakesAHoldThenATapOnThatVertex) {
  ShowBar(kLine);
  PressMode(1);
  TapAt(Screen(5000, 3000));
  EXPECT_EQ(Vertices(kLine).size(), 5u);
  EXPECT_TRUE(host.centres.empty());
  Hold(Screen(5000, 3000));
  EXPECT_EQ(g_MapView.currentVertex, 2);
  EXPECT_EQ(g_UserLayer.saved, 1u);
  TapAt(Screen(5000, 3000));
  EXPECT_EQ(Xs(Vertices(kLine)), (V{5000, 1000, 5000, 2000, 5000, 4000, 5000, 5000}));
  EXPECT_EQ(g_MapView.currentVertex, -1);
  EXPECT_EQ(g_UserLayer.saved, 0u);
  TapAt(POINT{150, 270});  // no vertex near: the ordinary tap
  ASSERT_EQ(host.centres.size(), 1u);
  EXPECT_EQ(host.centres[0].x, 150);

  // The first corner of the closed square: the ring stays closed on the next corner.
  TObjectRef square;
  square.map = work;
  square.object = kSquare;
  g_VertexEditBar.SetObject(square);
  Hold(Screen(7000, 1000));
  EXPECT_EQ(g_MapView.currentVertex, 0);  // not the closing vertex on the same spot
  TapAt(Screen(7000, 1000));
  EXPECT_EQ(Xs(Vertices(kSquare)), (V{7000, 3000, 8000, 3000, 8000, 1000, 7000, 3000}));
  // Three corners are the least: refused, the pick cleared.
  Hold(Screen(8000, 3000));
  TapAt(Screen(8000, 3000));
  EXPECT_EQ(Vertices(kSquare).size(), 4u);
  EXPECT_EQ(g_MapView.currentVertex, -1);

  // A point's second corner: both corners become the first.
  TObjectRef point = square;
  point.object = kTwoCorner;
  g_VertexEditBar.SetObject(point);
  Hold(Screen(3000, 2600));
  EXPECT_EQ(g_MapView.currentVertex, 1);
  TapAt(Screen(3000, 2600));
  TMapPoint a{}, b{};
  map->GetObjectBounds(kTwoCorner, &a, &b);
  EXPECT_EQ((V{a.x, a.y, b.x, b.y}), (V{3000, 2000, 3000, 2000}));
}

TEST_F(Bar, MoveInsertsOnAnEdgeAndTapsMoveThePickedVertex) {
  ShowBar(kLine);
  PressMode(2);
  TapAt(POINT{150, 270});  // nothing picked: centre
  EXPECT_EQ(host.centres.size(), 1u);
  // Over 10 px from both vertices, 3 px from the edge between them.
  Hold(POINT{30, 197});
  EXPECT_EQ(g_MapView.currentVertex, 1);
  Pts v = Vertices(kLine);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[1].x, 5000);
  EXPECT_NEAR(v[1].y, 1500, 50);
  TapAt(POINT{30, 184});
  TapAt(POINT{32, 184});
  v = Vertices(kLine);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_NEAR(v[1].x, 5500, 50);
  EXPECT_NEAR(v[1].y, 1600, 50);
  EXPECT_EQ(g_MapView.currentVertex, 1);
  EXPECT_EQ(Xs(Pts(v.begin() + 2, v.end())), (V{5000, 2000, 5000, 3000, 5000, 4000, 5000, 5000}));
  EXPECT_EQ(g_UserLayer.saved, 0u);
}

TEST_F(Bar, RedrawReplacesTheStretchBetweenTwoHolds) {
  ShowBar(kLine);
  PressMode(3);
  Hold(Screen(5000, 2000));
  EXPECT_EQ(g_MapView.currentVertex, 1);
  TapAt(Screen(5500, 2500));
  const uint16_t sketch = g_VertexEditBar.sketch;
  ASSERT_NE(sketch, 0);
  TapAt(Screen(5500, 3500));
  EXPECT_EQ(map->GetVertexCount(sketch), 3);
  Hold(POINT{150, 270});  // neither vertex nor edge: the sketch waits
  EXPECT_EQ(g_VertexEditBar.sketch, sketch);
  EXPECT_EQ(Vertices(kLine).size(), 5u);
  Hold(Screen(5000, 4000));
  EXPECT_EQ(Xs(Vertices(kLine)), (V{5000, 1000, 5000, 2000, 5500, 2500, 5500, 3500, 5000, 4000,
                                    5000, 4000, 5000, 5000}));
  EXPECT_EQ(g_VertexEditBar.sketch, 0);
  EXPECT_EQ(map->GetObjectCode(sketch), 0);
  EXPECT_EQ(g_MapView.currentVertex, -1);
}

TEST_F(Bar, ExtendPicksOnlyAnEndAndAddsTheSketchThere) {
  ShowBar(kLine);
  PressMode(4);
  Hold(Screen(5000, 3000));
  EXPECT_EQ(g_MapView.currentVertex, -1);
  TapAt(Screen(5000, 3000));
  EXPECT_EQ(host.centres.size(), 1u);
  EXPECT_EQ(g_VertexEditBar.sketch, 0);

  Hold(Screen(5000, 5000));
  EXPECT_EQ(g_MapView.currentVertex, 4);
  TapAt(Screen(6000, 6000));
  TapAt(Screen(6000, 7000));
  Hold(POINT{150, 270});
  EXPECT_EQ(Xs(Vertices(kLine)), (V{5000, 1000, 5000, 2000, 5000, 3000, 5000, 4000, 5000, 5000,
                                    6000, 6000, 6000, 7000}));
  Hold(Screen(5000, 1000));
  EXPECT_EQ(g_MapView.currentVertex, 0);
  TapAt(Screen(4000, 1000));
  Hold(POINT{150, 270});
  const Pts v = Vertices(kLine);
  ASSERT_EQ(v.size(), 8u);
  EXPECT_EQ((V{v[0].x, v[0].y, v[1].x, v[1].y}), (V{4000, 1000, 5000, 1000}));
}

TEST_F(Bar, ASketchEndsWithItsObjectItsModeAndTheBar) {
  ShowBar(kLine);
  PressMode(3);
  Hold(Screen(5000, 2000));
  TapAt(Screen(5500, 2500));
  const uint16_t first = g_VertexEditBar.sketch;
  ASSERT_NE(first, 0);
  TObjectRef square;
  square.map = work;
  square.object = kSquare;
  g_VertexEditBar.SetObject(square);
  EXPECT_EQ(g_VertexEditBar.sketch, 0);
  EXPECT_EQ(map->GetObjectCode(first), 0);
  EXPECT_EQ(g_MapView.currentVertex, -1);

  Hold(Screen(7000, 3000));
  TapAt(Screen(7500, 3500));
  const uint16_t second = g_VertexEditBar.sketch;
  ASSERT_NE(second, 0);
  PressMode(4);
  EXPECT_EQ(map->GetObjectCode(second), 0);
  EXPECT_EQ(g_VertexEditBar.sketch, 0);

  Hold(Screen(8000, 1000));  // a corner in mode 4 that is neither end of the ring
  EXPECT_EQ(g_MapView.currentVertex, -1);
  Hold(Screen(7000, 1000));
  TapAt(Screen(6500, 500));
  const uint16_t third = g_VertexEditBar.sketch;
  ASSERT_NE(third, 0);
  g_VertexEditBar.Show(0);
  EXPECT_EQ(map->GetObjectCode(third), 0);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  EXPECT_EQ(g_UserLayer.saved, 1u);  // saved on leaving
  EXPECT_EQ(Vertices(kSquare).size(), 5u);
}

TEST_F(Bar, ForeignDeletedAndOutsideEditsChangeNothing) {
  ShowBar(1, foreign);
  PressMode(1);
  Hold(Screen(5000, 6000));
  TapAt(Screen(5000, 6000));
  EXPECT_EQ(g_MapView.GetVectorMap(foreign)->GetVertexCount(1), 2);
  EXPECT_EQ(g_UserLayer.saved, 1u);
  PressMode(3);
  Hold(Screen(5000, 6000));
  TapAt(Screen(5500, 6500));
  EXPECT_EQ(g_VertexEditBar.sketch, 0);  // no sketch line in a foreign map

  TObjectRef line;
  line.map = work;
  line.object = kLine;
  g_VertexEditBar.SetObject(line);
  PressMode(2);
  Hold(Screen(5000, 5000));
  ASSERT_EQ(g_MapView.currentVertex, 4);
  notices().clear();
  TapAt(POINT{230, 194});  // beyond the map's extent
  EXPECT_EQ(Xs(Vertices(kLine)),
            (V{5000, 1000, 5000, 2000, 5000, 3000, 5000, 4000, 5000, 5000}));
  EXPECT_EQ(notices(), std::vector<unsigned>{16});
  EXPECT_EQ(g_UserLayer.saved, 1u);

  TObjectRef point = line;
  point.object = kTwoCorner;
  g_VertexEditBar.SetObject(point);
  Hold(Screen(3000, 2600));
  ASSERT_EQ(g_MapView.currentVertex, 1);
  notices().clear();
  TapAt(POINT{230, 234});
  TMapPoint a{}, b{};
  map->GetObjectBounds(kTwoCorner, &a, &b);
  EXPECT_EQ((V{a.x, a.y, b.x, b.y}), (V{3000, 2000, 3000, 2600}));
  EXPECT_EQ(notices(), std::vector<unsigned>{14});

  // A point in the stretch and extension modes, and taps at the ends of the pixel range.
  PressMode(3);
  Hold(Screen(3000, 2000));
  TapAt(Screen(3500, 2500));
  EXPECT_EQ(g_VertexEditBar.sketch, 0);
  for (int m = 1; m <= 4; ++m) {
    g_VertexEditBar.mode = m;
    g_MapView.currentVertex = 0;
    g_VertexEditBar.OnMapMouse(host.main, INT32_MAX, INT32_MIN, WM_LBUTTONDOWN);
    g_VertexEditBar.OnMapMouse(host.main, INT32_MIN, INT32_MAX, WM_LBUTTONDOWN);
  }
  g_VertexEditBar.Show(0);  // a sketch begun by those taps goes with the bar
  map->GetObjectBounds(kTwoCorner, &a, &b);
  EXPECT_EQ((V{a.x, a.y, b.x, b.y}), (V{3000, 2000, 3000, 2600}));
  for (int32_t i = kOpenArea + 1; i < map->count; ++i) {
    EXPECT_EQ(map->GetObjectCode(uint16_t(i)), 0) << i;
  }
  g_VertexEditBar.Show(1);

  // The object deleted under the bar: holds find nothing, taps centre.
  map->DeleteObject(kLine);
  TPointBuf again;  // a deleted record takes no vertices either
  again.Alloc(2);
  again.points[0] = {5000, 1000};
  again.points[1] = {5000, 2000};
  again.count = 2;
  EXPECT_EQ(map->ReplaceObjectVertices(kLine, &again), 0);
  EXPECT_EQ(map->GetVertexCount(kLine), 0);
  g_VertexEditBar.SetObject(line);
  PressMode(2);
  Hold(Screen(5000, 3000));
  EXPECT_EQ(g_MapView.currentVertex, -1);
  host.centres.clear();
  TapAt(Screen(5000, 3000));
  EXPECT_EQ(host.centres.size(), 1u);
  EXPECT_EQ(g_UserLayer.saved, 1u);
}

}  // namespace
}  // namespace edittest
