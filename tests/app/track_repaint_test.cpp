// The repaint of a GPS tick: the recorded track is drawn a tail at a time into the track buffer,
// and the screen after many such ticks must be the picture a full redraw makes of the same state.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/main_window.h"
#include "app/navigation.h"
#include "app/track_buffer.h"
#include "demo_window_fixture.h"
#include "geodesy/gauss_kruger.h"
#include "gps/gps_port.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"

namespace {

using demo_window::DemoWindow;

// The pixels that differ, and the first of them as "x,y".
std::string Differences(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
  int count = 0;
  std::string first;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && count++ == 0) first = std::to_string(i % 240) + "," + std::to_string(i / 240);
  return count ? std::to_string(count) + " pixels, first at " + first : "";
}

class TrackRepaint : public DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    if (HasFatalFailure()) return;
    startup_test::WriteHostFile(harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj"),
                                sample::DemoProjectText() + "\nW");
    ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Demo.mpj", &g_UserLayer, 0), 0);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
    // At 1:2,000 a metre is about two pixels: the walk below spans much of the view.
    g_MapView.SetScale(2000);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
    PlaneAt(Centre(), &cx, &cy);
    ASSERT_EQ(g_UserLayer.CreateMap(10000, -2, cx, cy, g_MapView.zone), 1);
    g_MapView.UpdateLayers(0);  // the new map gets the view's transform, as the dialog does it
    // The working map of the demo project is shown up to 1:25,000 only; a full redraw at the
    // demo's scale would leave it out, while the repaint of a tick draws it all the same.
    for (TVectorMapSlot& slot : g_MapView.vectorMaps)
      if (slot.map->IsWorkingMap()) slot.maxScale = 0;
    g_MapView.followGps = 0;
    g_MapView.centreOnGps = 0;
    g_UserLayer.trackCode = 1201;
    g_UserLayer.cut = 0;
  }
  void TearDown() override {
    g_UserLayer.recording = 0;
    g_UserLayer.saved = 1;
    DemoWindow::TearDown();
  }
  // One tick at the plane point, as the fix timer makes it, and its repaint.
  void Tick(double x, double y) {
    double lat = 0, lon = 0;
    ASSERT_TRUE(GkToGeo(x, y, lat, lon));
    GpsFix fix{};
    fix.status = 'A';
    fix.course = 90;
    fix.latitude = lat;
    fix.longitude = lon;
    ApplyValidFix(w, fix);
    UpdateWindow(w);
  }
  void ExpectSameAsFullRedraw() {
    const std::vector<COLORREF> ticked = demo_window::ScreenPixels();
    InvalidateMainView(1);
    harness::PumpUntilIdle();
    EXPECT_EQ(Differences(ticked, demo_window::ScreenPixels()), "");
  }
  double cx = 0, cy = 0;  // plane metres of the view's centre
};

TEST_F(TrackRepaint, TicksOfAWidePenTrackPaintWhatAFullRedrawPaints) {
  // A point of the working map lies above the track: where the tail runs near it the tick
  // must draw the map whole, or the track would cover the point.
  const double pointX = cx - 45, pointY = cy;
  ASSERT_GT(g_UserLayer.AddObject(g_UserLayer.NewPointCode(), pointX, pointY, nullptr), 0);
  g_UserLayer.BeginObject();
  TMapObject& track = g_UserLayer.map->objects[g_UserLayer.current];
  // A solid pen 3 pixels wide: round-capped segments whose joins overlap.
  track.flags |= TMapObject::kStyleCached;
  const uint8_t style[7] = {0, 3, 4, 0, 0, 0, 0};
  std::copy(style, style + 7, track.style);
  InvalidateMainView(1);
  harness::PumpUntilIdle();

  const int quickBefore = g_TrackBuffer.quickPaints;
  // Laps of a circle of 25 m in 2 m steps pile the track up under the marker; every 40th tick
  // strides out over the point and back; every 13th of the first 300 finds the window already
  // waiting for a repaint.
  constexpr int kTicks = 400;
  for (int i = 0; i < kTicks; ++i) {
    // (Not near the end: the repaint it causes draws the whole map and would hide a fault.)
    if (i % 13 == 0 && i < 300) InvalidateMainView(0);
    const double a = i * 2.0 / 25.0;
    if (i % 40 == 20)
      Tick(pointX, pointY);
    else
      Tick(cx + 25 * std::cos(a), cy + 25 * std::sin(a));
    if (HasFatalFailure()) return;
  }
  // The last tick strides 45 m away: its tail reaches far out of the marker's rectangle.
  Tick(cx, cy + 45);
  ASSERT_GT(g_UserLayer.map->GetVertexCount(g_UserLayer.current), kTicks / 2);
  // Most ticks took the quick way, or the comparison would prove nothing.
  EXPECT_GT(g_TrackBuffer.quickPaints - quickBefore, kTicks / 3);
  ExpectSameAsFullRedraw();
}

TEST_F(TrackRepaint, DashedTrackIsDrawnWholeEveryTick) {
  g_UserLayer.BeginObject();
  TMapObject& track = g_UserLayer.map->objects[g_UserLayer.current];
  track.flags |= TMapObject::kStyleCached;
  const uint8_t style[7] = {2, 1, 4, 0, 0, 0, 0};  // two dash pairs: a dashed pen
  std::copy(style, style + 7, track.style);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  const int quickBefore = g_TrackBuffer.quickPaints;
  for (int i = 0; i < 60; ++i) {
    Tick(cx + 1.0 * i, cy + 0.5 * i);
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(g_TrackBuffer.quickPaints, quickBefore);
  ExpectSameAsFullRedraw();
}

// The demo's working map is shown up to 1:25,000 only: at 1:30,000 a full redraw leaves it out,
// and so must every tick's repaint, or the track would come and go with the kind of repaint.
TEST_F(TrackRepaint, AWorkingMapOutOfItsScaleRangeStaysOutOnEveryTick) {
  for (TVectorMapSlot& slot : g_MapView.vectorMaps)
    if (slot.map->IsWorkingMap()) slot.maxScale = 25000;
  g_MapView.SetScale(30000);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  g_UserLayer.BeginObject();
  for (int i = 0; i < 40; ++i) {
    Tick(cx + 20.0 * i, cy + 10.0 * i);
    if (HasFatalFailure()) return;
  }
  ASSERT_GT(g_UserLayer.map->GetVertexCount(g_UserLayer.current), 10);
  ExpectSameAsFullRedraw();
}

}  // namespace
