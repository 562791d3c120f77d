// Pen input by mode, the arrow keys and the hardware-button actions on the demo device.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/auto_actions.h"
#include "base/idle_clock.h"
#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "demo_window_fixture.h"
#include "gps/geodesy_bar.h"
#include "gps/gps_bar.h"

namespace {

using demo_window::DemoWindow;

constexpr double kPixelMetres = 1.5;  // a pixel's worth of plane metres at 1:10 000, roughly

TEST_F(DemoWindow, TapCentresTheViewOnTheTappedPointAndStopsFollowing) {
  Command(41108);
  harness::PumpUntilIdle();
  g_MapView.followGps = 1;
  double wantX, wantY;
  PlaneAt(POINT{60, 80}, &wantX, &wantY);
  harness::Tap(60, 80);
  harness::PumpUntilIdle();
  double x, y;
  PlaneAt(Centre(), &x, &y);
  EXPECT_NEAR(x, wantX, kPixelMetres);
  EXPECT_NEAR(y, wantY, kPixelMetres);
  EXPECT_EQ(g_MapView.followGps, 0);
  EXPECT_EQ(g_MapView.GetScale(), 10000);
}

TEST_F(DemoWindow, ArrowKeysMoveTheViewByHalfItsSize) {
  Command(41108);
  harness::PumpUntilIdle();
  const RECT v = g_MapView.viewRect;
  const double k = g_MapView.pixelsPerMetre;
  double x0, y0, x, y;
  PlaneAt(Centre(), &x0, &y0);
  harness::Key(VK_RIGHT);
  harness::PumpUntilIdle();
  PlaneAt(Centre(), &x, &y);
  EXPECT_NEAR(y - y0, (v.right - v.left) / 2 / k, 1.0 / k) << "easting grows to the right";
  EXPECT_NEAR(x, x0, 1e-6);
  harness::Key(VK_UP);
  harness::PumpUntilIdle();
  PlaneAt(Centre(), &x0, &y0);
  EXPECT_NEAR(x0 - x, (v.bottom - v.top) / 2 / k, 1.0 / k) << "northing grows upwards";
  harness::Key('A');  // no arrow: nothing moves
  harness::PumpUntilIdle();
  PlaneAt(Centre(), &x, &y);
  EXPECT_EQ(x, x0);
  EXPECT_EQ(y, y0);
}

TEST_F(DemoWindow, EditingModesGiveWayOnlyToTheNormalMode) {
  SetInputMode(13);
  SetInputMode(4);
  EXPECT_EQ(GetInputMode(), 13);
  SetInputMode(2);
  EXPECT_EQ(GetInputMode(), 13);
  SetInputMode(1);
  EXPECT_EQ(GetInputMode(), 1);
  SetInputMode(0);
  SetInputMode(17);
  EXPECT_EQ(GetInputMode(), 1);
  // Mode 3 ends the ruler, which leaves mode 1.
  SetInputMode(3);
  EXPECT_EQ(GetInputMode(), 1);
}

TEST(ZoomFrame, KeepsTheAreaAspectWhicheverSideTheDragGoes) {
  const RECT area{0, 20, 240, 340};  // 3 : 4, ka = 4/3
  // Steep drag: y stays, x follows.
  RECT r = ZoomFrameRect(area, POINT{100, 100}, POINT{110, 180});
  EXPECT_EQ(r.bottom - r.top, 80);
  EXPECT_EQ(r.right - r.left, 60);
  // Flat drag up and left: x stays, y follows, and the rectangle is normalised.
  r = ZoomFrameRect(area, POINT{100, 100}, POINT{40, 95});
  EXPECT_EQ((RECT{40, 20, 100, 100}.left), r.left);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(r.bottom, 100);
  // Exactly along the ratio both branches give one frame.
  r = ZoomFrameRect(area, POINT{0, 0}, POINT{30, 40});
  EXPECT_EQ(r.right, 30);
  EXPECT_EQ(r.bottom, 40);
  // A purely vertical or horizontal stroke still gives a frame of the area's ratio, opened to
  // the right and down; a stroke up or left keeps its own direction on its axis.
  r = ZoomFrameRect(area, POINT{5, 5}, POINT{5, 85});
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 65);
  EXPECT_EQ(r.bottom, 85);
  r = ZoomFrameRect(area, POINT{100, 100}, POINT{40, 100});
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.bottom, 180);
  r = ZoomFrameRect(area, POINT{100, 100}, POINT{100, 20});
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 160);
  // An empty area keeps the end as it is.
  r = ZoomFrameRect(RECT{0, 0, 0, 0}, POINT{5, 5}, POINT{9, 50});
  EXPECT_EQ(r.right, 9);
  r = ZoomFrameRect(RECT{0, 0, 30, -5}, POINT{5, 5}, POINT{9, 50});
  EXPECT_EQ(r.bottom, 50);
}

TEST_F(DemoWindow, ShortZoomFrameStrokeCentresAndALongerOneZooms) {
  Command(41108);
  harness::PumpUntilIdle();
  SetInputMode(2);
  harness::Drag(100, 100, 110, 103);
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), 2);
  EXPECT_EQ(g_MapView.GetScale(), 10000);

  CheckBarButton(40016, 1);
  harness::Drag(100, 100, 111, 103);
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), 1);
  EXPECT_LT(g_MapView.GetScale(), 10000);
  EXPECT_FALSE(IsBarButtonChecked(40016));
}

TEST_F(DemoWindow, PenMoveWithoutTheButtonOnlyFollowsThePoint) {
  SetInputMode(2);
  g_DragStart = POINT{10, 10};
  harness::PumpUntilIdle();
  const COLORREF before = harness::ScreenPixel(50, 60);
  SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(100, 120));
  EXPECT_EQ(g_DragLast.x, 100);
  EXPECT_EQ(g_DragLast.y, 120);
  EXPECT_EQ(harness::ScreenPixel(50, 60), before);
  EXPECT_EQ(g_DragStart.x, 10);
}

TEST_F(DemoWindow, HotKeysRunTheirButtonActions) {
  const uint32_t resets = g_IdleClock.resets;
  SendMessageW(w, WM_HOTKEY, 0, 0);  // id 0: ignored, even by the idle clock
  EXPECT_EQ(g_IdleClock.resets, resets);
  // A key the button table does not hold runs no action, yet counts as input.
  const int32_t scale = g_MapView.GetScale();
  const int follow = g_MapView.followGps, mode = GetInputMode();
  SendMessageW(w, WM_HOTKEY, 0xCF, 0);
  EXPECT_EQ(g_IdleClock.resets, resets + 1);
  EXPECT_EQ(g_MapView.GetScale(), scale);
  EXPECT_EQ(g_MapView.followGps, follow);
  EXPECT_EQ(GetInputMode(), mode);
  EXPECT_TRUE(IsWindow(w));

  Command(41108);
  harness::PumpUntilIdle();
  RunButtonAction(w, 1, 0xC1);
  EXPECT_EQ(g_MapView.GetScale(), 7500);
  RunButtonAction(w, 2, 0xC1);
  EXPECT_EQ(g_MapView.GetScale(), 10000);

  g_MapView.followGps = 0;
  RunButtonAction(w, 3, 0xC1);
  EXPECT_EQ(g_MapView.followGps, 1);

  const int log = g_Ini.GetInt("NaviSaveLog");
  RunButtonAction(w, 4, 0xC1);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), log ? 0 : 1);
  EXPECT_EQ(g_NaviSaveLog, log ? 0 : 1);

  RunButtonAction(w, 6, 0xC2);  // point on the map: mode 5 and back
  EXPECT_EQ(GetInputMode(), 5);
  harness::Tap(50, 50);
  harness::PumpUntilIdle();
  EXPECT_EQ(GetInputMode(), 1);

  // Outside a geodesy log the three occupation actions only beep (their effect in a log is
  // walked with the receiver in tests/e2e).
  g_GeodesyBar.SetMode(2);
  vplat::ClearRecordedBeeps();
  for (int action : {13, 14, 15}) RunButtonAction(w, action, 0xC3);
  EXPECT_EQ(g_GeodesyBar.GetMode(), 2);
  EXPECT_TRUE(g_GeodesyBar.IsButtonDown(TGeodesyBar::kAutoButton));
  EXPECT_EQ(vplat::RecordedBeeps(), (std::vector<UINT>{MB_OK, MB_OK, MB_OK}));

  EXPECT_EQ(GetLockTargetWindow(), w);
  RunButtonAction(w, 11, 0xC4);
  EXPECT_FALSE(IsWindow(w));
  w = nullptr;
}

}  // namespace
