// The GPS bar, the navigation-target overlay and the sight rings in the running program: a walk
// on the fake receiver, the link watchdog, the go-to and track buttons, the rings over the demo
// town.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "demo_window_fixture.h"
#include "edit/object_type_dialog.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/nav_points_dialog.h"
#include "gps/sight_rule.h"
#include "maps/user_layer.h"
#include "tests/support/gps_lines.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

using demo_window::DemoWindow;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

std::wstring Text(int id) {
  wchar_t text[512] = L"";
  GetDlgItemTextW(g_GpsBar.window, id, text, 512);
  return text;
}

// The centre of a control of the bar, in screen pixels.
POINT ControlCentre(int id) {
  RECT r;
  GetWindowRect(GetDlgItem(g_GpsBar.window, id), &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// The status text's background: a pixel at its left edge, where the centred text never reaches.
COLORREF StatusBackground() {
  RECT r;
  GetWindowRect(GetDlgItem(g_GpsBar.window, TGpsBar::kStatusText), &r);
  return harness::ScreenPixel(r.left + 1, r.top + 1);
}

// A tap on a button of the bar (its client rectangle is in the bar's client coordinates).
void TapButton(const TSoftButton& b) {
  POINT p{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  ClientToScreen(g_GpsBar.window, &p);
  harness::Tap(p.x, p.y);
}

int BarHeight() {
  RECT r;
  GetWindowRect(g_GpsBar.window, &r);
  return r.bottom - r.top;
}

std::string Png(const char* name) { return std::string(VORNA_BINARY_DIR) + "/" + name; }

class GpsBarRun : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    ASSERT_TRUE(fake.Open());
    test_gps::UseFakeNmeaOnCom1(fake);
    g_Ini.SetInt("GPSGO", 0);
    g_Ini.SetInt("NaviSaveLog", 0);
    walk = sample::DemoTownWalk(6);
  }
  // Navigation ends with the case, as the program ends it: a port left open would keep the fix
  // timer of a window that is gone, and a case after it in the same process would run without.
  void TearDown() override {
    if (g_GpsPort.IsOpen()) StopNavigationMode(1);
    fake.HangUp();
    DemoWindow::TearDown();
  }
  // Navigation on the fake receiver, without a working map.
  void Start() {
    harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
    Command(kCmdNavigation);
    harness::PumpUntilIdle();
    ASSERT_TRUE(g_GpsPort.IsOpen());
  }
  // One epoch of the walk written and every line of it read (real time), then one tick of the
  // fix timer. Waiting for all the lines, not only the position, matters twice: the bar shows the
  // epoch once its satellite cycle has ended, and the link watchdog counts silence from the last
  // line the reader stamped.
  void Epoch(size_t i) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(walk[i])));
    GpsFix fix{};
    g_GpsPort.GetEpochFix(&fix);
    ASSERT_EQ(fix.status, 'A');
    ASSERT_NEAR(fix.latitude, walk[i].latDeg * M_PI / 180, 1e-7);
    harness::Advance(500);
  }
  // The speed text of an epoch: knots as sent, km/h as shown.
  std::wstring SpeedOf(size_t i) const {
    wchar_t text[32];
    std::swprintf(text, 32, L"V:%.1f", std::round(walk[i].speedKnots * 10) / 10 * 1.852);
    return text;
  }

  sample::FakeReceiver fake;
  std::vector<sample::WalkEpoch> walk;
};

TEST_F(GpsBarRun, TheTextsFollowTheWalkAndATapOnTheStatusCyclesIt) {
  Start();
  ASSERT_TRUE(IsWindowVisible(g_GpsBar.window));
  EXPECT_EQ(g_GpsBar.GetHeight(), TGpsBar::kHeight);
  Epoch(0);
  // GSA gives PDOP 1.8, GGA altitude 152.3; eight satellites of the GSV cycle have a signal.
  EXPECT_EQ(Text(TGpsBar::kStatusText), L"S:8");
  EXPECT_EQ(Text(TGpsBar::kSpeedText), SpeedOf(0));
  EXPECT_EQ(Text(TGpsBar::kNameText), L"--");
  const COLORREF normal = StatusBackground();
  EXPECT_NE(normal, kRed);
  EXPECT_NE(normal, kYellow);
  ASSERT_TRUE(harness::SaveScreen(Png("gps_bar_valid.png")));

  const POINT status = ControlCentre(TGpsBar::kStatusText);
  const wchar_t* expected[] = {L"P:1.8", L"152.3", L"S:8"};
  for (const wchar_t* text : expected) {
    harness::Tap(status.x, status.y);
    EXPECT_EQ(Text(TGpsBar::kStatusText), text);
  }
  EXPECT_EQ(g_GpsBar.mode, 0);

  g_DefaultPointName = "K7";
  Epoch(1);
  EXPECT_EQ(Text(TGpsBar::kNameText), L"K7");
  EXPECT_EQ(Text(TGpsBar::kSpeedText), SpeedOf(1));

  // No valid fix: red. A receiver that loses its fix still sends the whole epoch, its satellite
  // cycle last.
  ASSERT_TRUE(test_gps::WriteAndWaitRead(
      fake, {sample::NmeaLine("GPRMC,100010.00,V,,,,,,,150606,,,N"),
             sample::NmeaLine("GPGSV,1,1,02,27,05,330,,30,03,045,")}));
  harness::Advance(500);
  EXPECT_EQ(g_MapView.gpsState, 2);
  EXPECT_EQ(Text(TGpsBar::kSpeedText), L"V:--");
  EXPECT_EQ(StatusBackground(), kRed);
  ASSERT_TRUE(harness::SaveScreen(Png("gps_bar_no_fix.png")));
  Epoch(2);
  EXPECT_EQ(StatusBackground(), normal);
}

TEST_F(GpsBarRun, ASilentLinkTurnsTheStatusYellowUntilTheNextLine) {
  Start();
  Epoch(0);
  g_GpsBar.SetValues(5, 0);
  harness::Advance(4500);  // with the epoch's own tick, 5 s of silence: not yet
  EXPECT_EQ(g_GpsBar.stale, 0);
  harness::Advance(1000);  // 6 s
  EXPECT_EQ(g_GpsBar.stale, 1);
  EXPECT_EQ(StatusBackground(), kYellow);
  ASSERT_TRUE(harness::SaveScreen(Png("gps_bar_stale.png")));
  Epoch(1);
  EXPECT_EQ(g_GpsBar.stale, 0);
  EXPECT_NE(StatusBackground(), kYellow);
  EXPECT_TRUE(harness::MessageBoxes().empty());  // no reconnect time: never a question
}

TEST_F(GpsBarRun, AReconnectDeclinedStopsNavigationAfterOneQuestion) {
  Start();
  Epoch(0);
  g_GpsBar.SetValues(0, 10);
  harness::ClearMessageBoxes();
  const std::wstring question = g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf);
  int ticksWhileAsked = 0;
  harness::AnswerMessageBoxAfter(
      question,
      [&] {
        // The user thinks for 10 s: the fix timer fires 20 times meanwhile.
        for (int i = 0; i < 20; ++i) {
          harness::Advance(500);
          ++ticksWhileAsked;
        }
      },
      IDNO);
  harness::Advance(9500);  // with the epoch's tick, exactly 10 s: not yet
  EXPECT_TRUE(harness::MessageBoxes().empty());
  harness::Advance(1000);
  EXPECT_EQ(ticksWhileAsked, 20);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);  // one question, not one a tick
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_FALSE(IsWindowVisible(g_GpsBar.window));
  EXPECT_EQ(g_GpsBar.GetHeight(), 0);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 0);
  // Declined, the flag stays until the bar is shown again: nothing more is read or asked.
  EXPECT_EQ(g_GpsBar.busy, 1);
  harness::Advance(2000);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  g_GpsBar.Show(1);
  EXPECT_EQ(g_GpsBar.busy, 0);
}

TEST_F(GpsBarRun, AReconnectAcceptedReadsTheReceiverOnItsNewLine) {
  Start();
  Epoch(0);
  g_GpsBar.SetValues(0, 10);
  harness::AnswerMessageBoxAfter(
      g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf),
      [&] {
        // The receiver comes back on a fresh pseudo-terminal.
        ASSERT_TRUE(fake.Reopen());
        setenv("VORNA_COM1", fake.SlavePath().c_str(), 1);
      },
      IDYES);
  harness::Advance(10500);  // 11 s of silence
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(g_GpsBar.busy, 0);
  Epoch(3);
  EXPECT_EQ(g_MapView.gpsState, 1);
  EXPECT_EQ(Text(TGpsBar::kSpeedText), SpeedOf(3));
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
}

// The demo project with its last map as the working map, a point object added at `north`
// metres north of the view centre; its place is where dialog 124 would read it.
class GotoTarget : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    startup_test::WriteHostFile(harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj"),
                                sample::DemoProjectText() + "\nW");
    ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Demo.mpj", &g_UserLayer, 0), 0);
    ASSERT_TRUE(g_UserLayer.open);
    // Shown as navigation shows it: the map area is laid out again below it.
    g_GpsBar.Show(1);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
  }
  int AddPoint(double north, double* x, double* y) {
    double cx, cy;
    PlaneAt(Centre(), &cx, &cy);
    const int32_t index = g_UserLayer.AddObject(g_UserLayer.trackCode ? g_UserLayer.trackCode : 1201,
                                                cx + north, cy, nullptr);
    double box[3];
    g_UserLayer.GetObjectBox(uint16_t(index), box);
    *x = box[0];
    *y = box[1];
    return index;
  }
  // The go-to button pressed, as its pen-down leaves it, and the dialog's answer applied.
  void Choose(int result, int chosen) {
    g_GpsBar.gotoButton.SetState(TSoftButton::kDown, true);
    g_GpsBar.ApplyPointsChoice(result, chosen);
    harness::PumpUntilIdle();
  }
};

TEST_F(GotoTarget, GoingToAPointSetsTheTargetAndTheCaptionRow) {
  double tx, ty;
  const int index = AddPoint(300, &tx, &ty);
  ASSERT_GT(index, 0);
  // A fix 1500 m south of the point, standing still, heading north.
  g_MapView.SetGpsState(1);
  g_MapView.gpsX = tx - 1500;
  g_MapView.gpsY = ty;
  Choose(TNavPointsDialog::kNavigateTo, index);
  EXPECT_EQ(g_GotoOverlay.active, 1);
  EXPECT_TRUE(g_GpsBar.gotoButton.IsDown());
  EXPECT_EQ(BarHeight(), TGpsBar::kHeightWithCaption);
  EXPECT_EQ(g_GpsBar.captionRow, 1);
  wchar_t caption[160];
  g_GotoOverlay.FormatCaption(caption, 160);
  EXPECT_STREQ(caption, L"Dist:1.5 км| T:0 min| A:0\u00B0R");
  // The caption row: yellow letters on blue below the buttons.
  RECT bar;
  GetWindowRect(g_GpsBar.window, &bar);
  int yellow = 0, blue = 0;
  for (int y = bar.top + 26; y < bar.bottom - 1; ++y)
    for (int x = bar.left + 1; x < bar.left + 200; ++x) {
      const COLORREF c = harness::ScreenPixel(x, y);
      yellow += c == kYellow;
      blue += c == RGB(0, 0, 255);
    }
  EXPECT_GT(yellow, 100);
  EXPECT_GT(blue, 1000);
  ASSERT_TRUE(harness::SaveScreen(Png("gps_bar_caption.png")));

  // The button released: no target, one row again.
  TapButton(g_GpsBar.gotoButton);
  EXPECT_FALSE(g_GpsBar.gotoButton.IsDown());
  EXPECT_EQ(g_GotoOverlay.active, 0);
  EXPECT_EQ(BarHeight(), TGpsBar::kHeight);
}

TEST_F(GotoTarget, OtherAnswersReleaseTheButtonAndAMissingPointGivesNoTarget) {
  double tx, ty;
  const int index = AddPoint(200, &tx, &ty);
  // 1: shown on the map, centred there.
  Choose(TNavPointsDialog::kShowOnMap, index);
  EXPECT_FALSE(g_GpsBar.gotoButton.IsDown());
  EXPECT_EQ(g_GotoOverlay.active, 0);
  double cx, cy;
  PlaneAt(Centre(), &cx, &cy);
  EXPECT_NEAR(cx, tx, 2 / g_MapView.pixelsPerMetre);
  EXPECT_NEAR(cy, ty, 2 / g_MapView.pixelsPerMetre);
  for (int result : {int(TNavPointsDialog::kNothing), int(TNavPointsDialog::kPointEdited), 0}) {
    Choose(result, index);
    EXPECT_FALSE(g_GpsBar.gotoButton.IsDown()) << result;
    EXPECT_EQ(g_GotoOverlay.active, 0) << result;
  }
  // No point, or one deleted meanwhile: nothing to go to, the button does not stay down.
  Choose(TNavPointsDialog::kNavigateTo, -1);
  EXPECT_FALSE(g_GpsBar.gotoButton.IsDown());
  EXPECT_EQ(g_GotoOverlay.active, 0);
  ASSERT_EQ(g_UserLayer.DeleteObject(uint16_t(index)), 1);
  Choose(TNavPointsDialog::kNavigateTo, index);
  EXPECT_FALSE(g_GpsBar.gotoButton.IsDown());
  EXPECT_EQ(g_GotoOverlay.active, 0);
  EXPECT_EQ(BarHeight(), TGpsBar::kHeight);
}

TEST_F(GotoTarget, TheButtonAsksTheDialogAtTheViewCentre) {
  double cx, cy;
  PlaneAt(Centre(), &cx, &cy);
  TapButton(g_GpsBar.gotoButton);
  EXPECT_NEAR(g_NavPointsDialog.centreX, cx, 2 / g_MapView.pixelsPerMetre);
  EXPECT_NEAR(g_NavPointsDialog.centreY, cy, 2 / g_MapView.pixelsPerMetre);
  // The dialog chose nothing: the button is up again.
  EXPECT_FALSE(g_GpsBar.gotoButton.IsDown());
  EXPECT_EQ(g_GotoOverlay.active, 0);
}

TEST_F(GotoTarget, TheTrackButtonBeginsAnObjectOfTheChosenType) {
  // A line type (kind 2) that the library lacks: the dialog lists the library's line types.
  const uint16_t unknown = uint16_t((30 << 3) | 2);
  g_Ini.SetInt("GPSDefCode", unknown);
  uint16_t picked = 0;
  harness::OnDialog(TObjectTypeDialog::kTemplate, [&](HWND d) {
    // The last type of the working map's library.
    const int rows = g_ObjectTypeDialog.types.RowCount();
    if (const TOwnerDrawRow* row = rows > 0 ? g_ObjectTypeDialog.types.Row(rows - 1) : nullptr) {
      picked = uint16_t(row->data);
      g_ObjectTypeDialog.types.FindRow(row->data);
    }
    PostMessageW(d, WM_COMMAND, IDOK, 0);
  });
  const int32_t before = g_UserLayer.map->count;
  TapButton(g_GpsBar.trackButton);
  ASSERT_NE(picked, 0);
  ASSERT_NE(picked, unknown);
  EXPECT_EQ(g_UserLayer.map->count, before + 1);
  EXPECT_EQ(g_UserLayer.recording, 1u);
  EXPECT_EQ(g_UserLayer.GetObjectCode(uint16_t(before)), picked);
  EXPECT_EQ(g_Ini.GetInt("GPSDefCode"), picked);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), 1);
  EXPECT_EQ(g_NaviSaveLog, 1);
  EXPECT_FALSE(g_GpsBar.trackButton.IsDown());  // a push button
}

TEST_F(DemoWindow, WithoutAWorkingMapTheTrackButtonAsksNothing) {
  ASSERT_FALSE(g_UserLayer.open);
  g_Ini.SetInt("GPSDefCode", 77);
  g_Ini.SetInt("NaviSaveLog", 0);
  g_GpsBar.Show(1);
  harness::PumpUntilIdle();
  TapButton(g_GpsBar.trackButton);
  for (int id : harness::DialogsOpened()) EXPECT_NE(id, TObjectTypeDialog::kTemplate);
  EXPECT_EQ(g_Ini.GetInt("GPSDefCode"), 77);
  EXPECT_EQ(g_Ini.GetInt("NaviSaveLog"), 0);
}

TEST_F(DemoWindow, TheBarsToggleButtonsSetFollowAndTheInputMode) {
  g_GpsBar.Show(1);
  harness::PumpUntilIdle();
  TapButton(g_GpsBar.followButton);
  EXPECT_EQ(GetGpsFollow(), 1);
  TapButton(g_GpsBar.followButton);
  EXPECT_EQ(GetGpsFollow(), 0);
  TapButton(g_GpsBar.pointOnMapButton);
  EXPECT_EQ(GetInputMode(), input_mode::kNavigationPoint);
  EXPECT_TRUE(g_GpsBar.pointOnMapButton.IsDown());
  TapButton(g_GpsBar.pointOnMapButton);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  // The hardware button's action presses the same button.
  RunButtonAction(w, 6, 0xC3);
  EXPECT_EQ(GetInputMode(), input_mode::kNavigationPoint);
  EXPECT_TRUE(g_GpsBar.pointOnMapButton.IsDown());
  SetInputMode(input_mode::kNormal);
  EXPECT_FALSE(g_GpsBar.pointOnMapButton.IsDown());
}

// Screen pixels of `colour` within 1.5 pixels of the circle of `radius` pixels round (cx, cy).
int RingPixels(COLORREF colour, double cx, double cy, double radius) {
  int n = 0;
  for (int y = int(cy - radius - 3); y <= int(cy + radius + 3); ++y)
    for (int x = int(cx - radius - 3); x <= int(cx + radius + 3); ++x) {
      if (x < 0 || y < 0 || x >= 240 || y >= 320) continue;
      const double d = std::hypot(x - cx, y - cy);
      if (std::fabs(d - radius) <= 1.5 && harness::ScreenPixel(x, y) == colour) ++n;
    }
  return n;
}

int CountPixels(COLORREF colour) {
  int n = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) n += harness::ScreenPixel(x, y) == colour;
  return n;
}

TEST_F(DemoWindow, RingsAndTheTargetLineOverTheTown) {
  g_MapView.SetPixelScale(0.25);
  const double k = g_MapView.pixelsPerMetre;
  ASSERT_GT(k, 0.2);
  ASSERT_LT(k, 0.3);
  // A ring of r metres round screen x c spans trunc(c + r k) - trunc(c - r k) pixels; with c a
  // quarter past a whole pixel the two ends step in turn, so every width comes. Find the radii
  // of 19 and 20 pixels.
  const RECT& v = g_MapView.viewRect;
  const double sx = 120.25, sy = (v.top + v.bottom) / 2 + 0.5;
  const double y = g_MapView.originY + sx / k;
  const double x = g_MapView.originX + (v.bottom - sy) / k;
  auto width = [&](int r) { return int(std::trunc(sx + r * k)) - int(std::trunc(sx - r * k)); };
  int r19 = 0, r20 = 0;
  for (int r = 1; r < 200 && !(r19 && r20); ++r) {
    if (width(r) == 19 && !r19) r19 = r;
    if (width(r) == 20 && !r20) r20 = r;
  }
  ASSERT_TRUE(r19 && r20);
  const COLORREF cyan = RGB(0, 255, 255), magenta = RGB(255, 0, 255);
  const std::string list = "50;100;200;" + std::to_string(r19) + ":" + std::to_string(cyan) +
                           ";" + std::to_string(r20) + ":" + std::to_string(magenta);
  g_Ini.SetInt("NaviRuleSight", 1);
  g_Ini.SetString("NaviRuleSightList", list.c_str());
  ApplyViewSettings();
  ASSERT_EQ(g_SightRule.rings.size(), 5u);
  g_MapView.SetGpsState(1);
  g_MapView.gpsX = x;
  g_MapView.gpsY = y;
  g_MapView.gpsCourse = 0;
  // A target 600 m north-east: the yellow line from the position, without a route.
  g_GotoOverlay.SetTarget(x + 420, y + 420);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  ASSERT_TRUE(harness::SaveScreen(Png("sight_rings_target.png")));

  const double cx = sx, cy = sy;
  EXPECT_GT(RingPixels(RGB(255, 0, 0), cx, cy, 50 * k), 30);
  EXPECT_GT(RingPixels(RGB(0, 255, 0), cx, cy, 100 * k), 60);
  EXPECT_GT(RingPixels(RGB(0, 0, 255), cx, cy, 200 * k), 120);
  EXPECT_EQ(CountPixels(cyan), 0);  // 19 pixels wide: not drawn
  EXPECT_GT(RingPixels(magenta, cx, cy, r20 * k), 20);
  // The grey line across the course (north): east-west through the position, as long as the
  // largest ring is wide; halfway out between the green and blue rings.
  const COLORREF grey = RGB(100, 100, 100);
  const int reach = int(150 * k);
  // The position's pixel: x truncated, y counted up from the bottom (so a half rounds down
  // the screen).
  const int px = int(cx), py = int(std::ceil(cy));
  EXPECT_EQ(harness::ScreenPixel(px + reach, py), grey);
  EXPECT_EQ(harness::ScreenPixel(px - reach, py), grey);
  // The target line runs north-east (up and right); it is solid at 2 pixels.
  const int along = 60;
  bool line = false;
  for (int dy = -2; dy <= 2; ++dy)
    line = line || harness::ScreenPixel(px + along, py - along + dy) == kYellow;
  EXPECT_TRUE(line);

  // Course 90: the cross line turns north-south.
  g_MapView.gpsCourse = 90;
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  EXPECT_EQ(harness::ScreenPixel(px, py - reach), grey);
  EXPECT_EQ(harness::ScreenPixel(px, py + reach), grey);
  EXPECT_NE(harness::ScreenPixel(px + reach, py), grey);
  // Without a fix no ring is drawn.
  g_MapView.SetGpsState(2);
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  EXPECT_EQ(RingPixels(magenta, cx, cy, r20 * k), 0);
  g_GotoOverlay.Clear();
}

}  // namespace
