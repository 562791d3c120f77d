// A tap and hold on the map selects the objects under the pen through the view's picking.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/winmain.h"
#include "demo_window_fixture.h"
#include "app/main_window.h"
#include "edit/selection_panel.h"
#include "search/db_point_layer.h"

namespace {

using demo_window::DemoWindow;

TEST_F(DemoWindow, TapAndHoldSelectsTheObjectsUnderThePen) {
  // A vertex of a line or area that the first frame drew, on the screen.
  int mapIndex = -1, object = -1;
  int32_t sx = 0, sy = 0;
  const uint8_t drawn = TMapObject::kInView | TMapObject::kPassesLevel;
  const RECT& v = g_MapView.viewRect;
  for (int i = 0; i < g_MapView.GetVectorMapCount() && mapIndex < 0; i++) {
    TMdmMap* m = g_MapView.GetVectorMap(i);
    if (!g_MapView.GetVectorSlot(i)->inScale) continue;
    for (int32_t k = 1; k < m->count && mapIndex < 0; k++) {
      const TMapObject& o = m->objects[k];
      if ((o.flags & drawn) != drawn || (o.kind != 2 && o.kind != 3) || !o.vertices) continue;
      m->MapToScreen(o.vertices[0].x, o.vertices[0].y, &sx, &sy);
      if (sx > v.left + 12 && sx < v.right - 12 && sy > v.top + 12 && sy < v.bottom - 12) {
        mapIndex = i;
        object = k;
      }
    }
  }
  ASSERT_GE(mapIndex, 0) << "the demo maps show no line or area";
  harness::PenDown(sx, sy);
  harness::PenUp(sx, sy);
  harness::PumpUntilIdle();
  const std::vector<TObjectRef>& got = g_SelectionPanel.selection;
  ASSERT_FALSE(got.empty());
  EXPECT_LE(got.size(), 50u);
  EXPECT_TRUE(std::any_of(got.begin(), got.end(), [&](const TObjectRef& r) {
    return r.map == mapIndex && r.object == object;
  }));
  // Map by map, and within a map in object order.
  for (size_t i = 1; i < got.size(); i++)
    EXPECT_TRUE(got[i - 1].map < got[i].map ||
                (got[i - 1].map == got[i].map && got[i - 1].object < got[i].object));
  // The same answer as the view's own picking with 50 references and 10 pixels.
  TObjectRef refs[50];
  int n = g_MapView.FindObjectsAt(-1, sx, sy, refs, 50, 10, 0);
  ASSERT_EQ(size_t(n), got.size());
}

}  // namespace

namespace {

TEST_F(DemoWindow, StartUpLoadsTheDatabasePointsAndAnEmptyProjectShowsThem) {
  // Start-up installed the layer's factory before opening the address database, and display
  // mode 1 (the demo setting) loaded the demo town's "Global" table.
  auto* db = dynamic_cast<TDbPointLayer*>(g_MapView.dbLayer.get());
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(db->items.size(), 3u);
  EXPECT_EQ(db->occupancy.Count(), 0);  // maps are open: mode 1 hides the points
  g_MapView.CloseAllMaps();
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  int inView = 0;
  for (const TDbPointItem& it : db->items) inView += it.inView;
  EXPECT_GT(inView, 0);
  EXPECT_GT(db->occupancy.Count(), 0);  // labels were placed on the frame
  harness::SaveScreen(VORNA_BINARY_DIR "/startup_db_points.png");
  // A placed label is on the screen: its frame red, its inside yellow.
  for (const TDbPointItem& it : db->items) {
    if (!it.inView || it.label.right <= it.label.left) continue;
    POINT frame{it.label.left, (it.label.top + it.label.bottom) / 2};
    ClientToScreen(w, &frame);
    EXPECT_EQ(harness::ScreenPixel(frame.x, frame.y), RGB(255, 0, 0));
    EXPECT_EQ(harness::ScreenPixel(frame.x + 1, frame.y - 5), RGB(255, 255, 0));
    break;
  }
}

}  // namespace
