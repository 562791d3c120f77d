// The frame the main window draws of the working map against the frame the next start draws of
// the same file. A walk recorded on a slow machine runs longer before navigation stops, so its
// track grows past every other object of the map; the houses of the working map must then be
// the same before the exit as after the restart, whatever the track's length.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/demo_window_fixture.h"
#include "tools/sampledata/demo_town.h"
#include "view/map_view.h"
#include "view/prepare_view.h"

namespace {

class WorkingMapFrame : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(DemoWindow::SetUp());
    harness::PumpUntilIdle();
    work = g_MapView.GetVectorMapCount() - 1;
    ASSERT_GE(work, 0);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_MapView.GetVectorMap(work);
    ASSERT_NE(std::string(map->path).find("Demo.mdm"), std::string::npos) << map->path;
  }
  void TearDown() override {
    g_UserLayer.Close();
    DemoWindow::TearDown();
  }

  // The track of a walk once round the town centre at `half` town units out (about 450 m a
  // unit), one fix every hundredth of a unit: the longer the walk, the wider its round.
  void RecordWalk(double half) {
    g_UserLayer.trackCode = sample::kTownFootpath;
    g_UserLayer.recording = 1;
    ASSERT_GT(g_UserLayer.BeginObject(), 0);
    const double corners[][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int side = 0; side < 4; ++side)
      for (int step = 0; step < 100; ++step) {
        const double t = step / 100.0;
        const double u = corners[side][0] + (corners[side + 1][0] - corners[side][0]) * t;
        const double v = corners[side][1] + (corners[side + 1][1] - corners[side][1]) * t;
        double x, y;
        sample::TownToPlane(2.0 + half * u, 2.0 + half * v, &x, &y);
        ASSERT_EQ(g_UserLayer.AddPoint(x, y), 1);
      }
    g_UserLayer.EndObject();
    g_UserLayer.recording = 0;
  }

  // A full frame of the main window at 1:10 000 on the town centre, as after a tap or a panel.
  void FullFrame() {
    double x, y;
    sample::TownToPlane(2.0, 2.0, &x, &y);
    g_MapView.SetScale(10000);
    g_MapView.CenterOn(x, y, 0);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
  }

  // Which objects pass the level of detail when the saved file is loaded again, as the next
  // start loads it, for the frame the main window has just drawn.
  std::vector<bool> PassingAtNextStart() {
    TMdmMap fresh;
    EXPECT_EQ(fresh.OpenHeader(map->path), 0);
    EXPECT_EQ(fresh.Load(), 0);
    fresh.ComputeObjectLevels();
    fresh.pixelScale = map->pixelScale;
    const RECT& view = g_MapView.viewRect;
    ApplyLevelOfDetail(fresh, view.top, view.bottom);
    std::vector<bool> passing;
    for (int32_t i = 0; i < fresh.count; ++i)
      passing.push_back((fresh.objects[i].flags & TMapObject::kPassesLevel) != 0);
    return passing;
  }

  std::vector<bool> PassingNow() const {
    std::vector<bool> passing;
    for (int32_t i = 0; i < map->count; ++i)
      passing.push_back((map->objects[i].flags & TMapObject::kPassesLevel) != 0);
    return passing;
  }

  int work = -1;
  TMdmMap* map = nullptr;
};

// Short and long walks, one after another: the long ones are the slow machine's (more fixes
// before navigation stops).
// After each, the working map saved as navigation's end saves it, a full frame shows exactly the
// objects a fresh load of that file shows, and a frame drawn again shows the same.
TEST_F(WorkingMapFrame, AfterAWalkOfAnyLengthTheFrameShowsWhatTheNextStartShows) {
  // The track outgrows the map's largest object (a street name of some 150 m) and ranks the
  // houses anew at every size: the bytes of the levels fall differently for each.
  for (int tenths = 4; tenths <= 16; ++tenths) {
    SCOPED_TRACE("half size " + std::to_string(tenths) + " tenths");
    ASSERT_NO_FATAL_FAILURE(RecordWalk(tenths / 10.0));
    ASSERT_EQ(g_UserLayer.Save(0), 0);
    FullFrame();
    const std::vector<bool> now = PassingNow();
    const std::vector<bool> next = PassingAtNextStart();
    ASSERT_EQ(now.size(), next.size());
    int differ = 0, shown = 0;
    for (size_t i = 0; i < now.size(); ++i) {
      differ += now[i] != next[i];
      shown += now[i];
    }
    EXPECT_EQ(differ, 0) << "objects drawn differently from the next start";
    EXPECT_GT(shown, 100) << "the houses are drawn at 1:10 000";
    const std::vector<COLORREF> first = demo_window::ScreenPixels();
    FullFrame();
    EXPECT_EQ(demo_window::ScreenPixels(), first) << "the same view drew another frame";
  }
}

}  // namespace
