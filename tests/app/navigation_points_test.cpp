// The point commands of navigation mode with the point dialog: a GPS point taken by a hardware
// key on a live fix, its attributes and its direction point, Cancel taking it back, a point set
// by a tap, and the point code written back when the program ends.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "tests/support/wait_until.h"
#include "app/commands.h"
#include "app/input.h"
#include "app/navigation.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "demo_window_fixture.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/point_properties.h"
#include "maps/mdm_map.h"
#include "maps/object_library.h"
#include "maps/user_layer.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/fake_greis.h"
#include "tests/support/gps_lines.h"
#include "tools/sampledata/fake_receiver.h"

namespace {

using D = TPointPropertiesDialog;

class NavigationPoints : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    // The demo project with its last map as the working map, made afresh over a whole zone
    // band in centimetres so that the walk stays inside it.
    startup_test::WriteHostFile(harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj"),
                                sample::DemoProjectText() + "\nW");
    ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Demo.mpj", &g_UserLayer, 0), 0);
    ASSERT_TRUE(g_UserLayer.open);
    double cx, cy;
    PlaneAt(Centre(), &cx, &cy);
    ASSERT_EQ(g_UserLayer.CreateMap(10000, -2, cx, cy, g_MapView.zone), 1);
    map = g_UserLayer.map;
    TObjectLibrary* library = g_UserLayer.GetLibrary();
    ASSERT_NE(library, nullptr);
    for (int i = 0; i < library->styles.Count(); ++i) {
      const uint16_t code = library->styles.Entry(i)->code;
      if ((code & 7) != 1) continue;
      (first ? second : first) = code;
      if (second) break;
    }
    ASSERT_NE(second, 0);
    g_Ini.SetInt("GPSDefCodePoint", first);
    g_Ini.SetInt("GPSDefCode", 1201);
    g_Ini.SetInt("NaviVector", 0);
    g_Ini.SetInt("NaviPtDelta", 0);
  }
  // Starts navigation on a fake receiver and waits for the first valid fix of the walk.
  void StartWithFix() {
    ASSERT_TRUE(fake.Open());
    test_gps::UseFakeNmeaOnCom1(fake);
    Command(kCmdNavigation);
    harness::PumpUntilIdle();
    ASSERT_TRUE(g_GpsPort.IsOpen());
    const auto walk = sample::DemoTownWalk(1);
    ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, sample::EpochSentences(walk[0])));
    harness::Advance(500);
    ASSERT_EQ(g_MapView.gpsState, 1);
  }
  void TearDown() override {
    if (g_GpsPort.IsOpen()) StopNavigationMode(1);
    fake.HangUp();
    DemoWindow::TearDown();
  }
  std::string Attr(uint16_t index, uint16_t tag) {
    char text[256] = "";
    return map->GetStrAttr(index, tag, text, sizeof text) ? text : "<none>";
  }

  TMdmMap* map = nullptr;
  uint16_t first = 0, second = 0;  // two point codes of the library
  sample::FakeReceiver fake;
};

TEST_F(NavigationPoints, AKeyTakesAGpsPointWithItsAttributesAndTheChosenTypeGoesOn) {
  StartWithFix();
  g_DefaultPointName = "P9";
  const int32_t before = map->count;
  const uint16_t chosen = second;
  harness::OnDialog(D::kTemplate, [chosen](HWND d) {
    g_PointPropertiesDialog.types.FindRow(chosen);
    SendMessageW(d, WM_COMMAND, D::kOk, 0);
  });
  RunButtonAction(w, button_action::kGpsPoint, 0xC3);
  EXPECT_EQ(g_PointKey, 0xC3);
  ASSERT_EQ(map->count, before + 1);
  const uint16_t index = uint16_t(before);
  EXPECT_EQ(map->GetObjectCode(index), second);
  EXPECT_EQ(g_UserLayer.pointCode, second);
  EXPECT_EQ(Attr(index, 9), "P10");
  EXPECT_EQ(Attr(index, 99), "P10");
  EXPECT_EQ(Attr(index, 10), "15.06.06");
  EXPECT_EQ(Attr(index, 11), "10:00:00");
  TMapPoint corner{};
  map->GetObjectBounds(index, &corner, nullptr);
  int32_t gx = 0, gy = 0;
  map->PlaneToMap(g_MapView.gpsX, g_MapView.gpsY, &gx, &gy);
  EXPECT_EQ(corner.x, gx);
  EXPECT_EQ(corner.y, gy);
  EXPECT_EQ(g_UserLayer.saved, 0u);

  // The program ends: the connection stops without asking, the map is saved and the code
  // written back.
  DestroyWindow(w);
  w = nullptr;
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_EQ(g_UserLayer.saved, 1u);
  const std::string ini = startup_test::ReadHostFile(startup_test::IniHostPath());
  EXPECT_NE(ini.find("GPSDefCodePoint=" + std::to_string(second) + "\n"), std::string::npos);
}

TEST_F(NavigationPoints, CancelTakesThePointBackAndPutsTheNameBack) {
  StartWithFix();
  harness::OnDialog(D::kTemplate,
                    [](HWND d) { SendMessageW(d, WM_COMMAND, D::kCancel, 0); });
  for (const char* name : {"P", "", "P9"}) {
    g_DefaultPointName = name;
    const int32_t before = map->count;
    EXPECT_EQ(AddPointAtGpsPosition(), 0);
    EXPECT_EQ(g_DefaultPointName, name);
    ASSERT_EQ(map->count, before + 1);
    EXPECT_EQ(map->GetObjectCode(uint16_t(before)), 0);
  }
  EXPECT_EQ(g_UserLayer.pointCode, first);
}

TEST_F(NavigationPoints, TheDistanceOfOkLeftGivesTheDirectionPointAlongTheCourse) {
  StartWithFix();
  g_Ini.SetInt("NaviPtDelta", 1);
  harness::OnDialog(D::kTemplate, [](HWND d) {
    SetDlgItemTextW(d, D::kEditDistance, L"10");
    SendMessageW(d, WM_COMMAND, D::kOkLeft, 0);
  });
  GpsFix fix{};
  g_GpsPort.GetFix(&fix);
  const int32_t before = map->count;
  ASSERT_EQ(AddPointAtGpsPosition(), 1);
  const uint16_t index = uint16_t(before);
  TMapPoint a{}, b{};
  map->GetObjectBounds(index, &a, &b);
  // 10 m along the course turned a quarter left, in centimetres, computed here apart.
  const double angle = std::fmod(std::floor(fix.course) + 360.0, 360.0) * M_PI / 180.0 - M_PI / 2;
  EXPECT_NEAR(b.x - a.x, std::cos(angle) * 1000.0, 1.0);
  EXPECT_NEAR(b.y - a.y, std::sin(angle) * 1000.0, 1.0);
}

TEST_F(NavigationPoints, ATapInPointModeSetsAPointThereWithoutHeightOrTime) {
  g_UserLayer.pointCode = first;
  harness::OnDialog(D::kTemplate, [](HWND d) { SendMessageW(d, WM_COMMAND, D::kOk, 0); });
  const int32_t before = map->count;
  const POINT c = Centre();
  double px, py;
  PlaneAt(c, &px, &py);
  SetInputModeDirect(input_mode::kNavigationPoint);
  EXPECT_EQ(SetNavigationPointAt(c.x, c.y), 1);
  ASSERT_EQ(map->count, before + 1);
  const uint16_t index = uint16_t(before);
  TMapPoint corner{};
  map->GetObjectBounds(index, &corner, nullptr);
  int32_t mx = 0, my = 0;
  map->PlaneToMap(px, py, &mx, &my);
  EXPECT_EQ(corner.x, mx);
  EXPECT_EQ(corner.y, my);
  float h = 0;
  EXPECT_EQ(map->GetIntAttr(index, 4, &h), 0);
  EXPECT_EQ(Attr(index, 11), "<none>");
}

// The bar's point-on-map button, a point set by a tap (the button stays down, the mode is back to
// normal), then navigation off: the button goes up and the next tap on the map centres it, as in
// the normal mode; it does not set another point.
TEST_F(NavigationPoints, AfterAPointOnTheMapNavigationOffLeavesTheNormalMode) {
  ASSERT_NO_FATAL_FAILURE(StartWithFix());
  g_UserLayer.pointCode = first;
  harness::OnDialog(D::kTemplate, [](HWND d) { SendMessageW(d, WM_COMMAND, D::kOk, 0); });
  const TSoftButton& button = g_GpsBar.pointOnMapButton;
  POINT p{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ClientToScreen(g_GpsBar.window, &p);
  harness::Tap(p.x, p.y);
  ASSERT_EQ(GetInputMode(), input_mode::kNavigationPoint);
  const int32_t before = map->count;
  const POINT c = Centre();
  harness::Tap(c.x + 20, c.y + 20);
  ASSERT_EQ(map->count, before + 1);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  ASSERT_EQ(StopNavigationMode(1), 1);
  harness::PumpUntilIdle();  // the map takes the room of the bar
  EXPECT_FALSE(g_GpsBar.pointOnMapButton.IsDown());
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
  const size_t dialogs = harness::DialogsOpened().size();
  double wantX, wantY;
  PlaneAt(POINT{c.x + 20, c.y + 20}, &wantX, &wantY);
  harness::Tap(c.x + 20, c.y + 20);
  EXPECT_EQ(harness::DialogsOpened().size(), dialogs) << "a tap set another point";
  double x, y;
  PlaneAt(Centre(), &x, &y);
  EXPECT_NEAR(x, wantX, 1.0 / g_MapView.pixelsPerMetre);
  EXPECT_NEAR(y, wantY, 1.0 / g_MapView.pixelsPerMetre);
}

TEST_F(NavigationPoints, OutsideTheMapNothingIsAddedAndAClosedMapIsLeftAlone) {
  // A tap outside the working map's extent: no object, the header list as it was, no dialog.
  const std::vector<uint8_t> header(map->headerList, map->headerList + map->HeaderListLength());
  const int32_t before = map->count;
  g_DefaultPointName = "P1";
  double px, py;
  PlaneAt(Centre(), &px, &py);
  g_UserLayer.pointCode = first;
  // West of the frame: map units are never negative, the point lands on the origin's edge.
  const int32_t outside = g_UserLayer.AddObject(first, px, py - 3.0e6, nullptr);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(map->count, before);
  EXPECT_EQ(std::vector<uint8_t>(map->headerList, map->headerList + map->HeaderListLength()),
            header);
  EXPECT_EQ(g_DefaultPointName, "P1");

  // The working map closed while the dialog is up: Cancel then deletes nothing of it.
  harness::OnDialog(D::kTemplate, [](HWND d) {
    g_UserLayer.Close();
    SendMessageW(d, WM_COMMAND, D::kCancel, 0);
  });
  const POINT c = Centre();
  EXPECT_EQ(SetNavigationPointAt(c.x, c.y), 0);
  ASSERT_EQ(map->count, before + 1);
  EXPECT_NE(map->GetObjectCode(uint16_t(before)), 0);
}

TEST_F(NavigationPoints, TheNavigationButtonInGeodesyModeAsksAndRestartsInNavigationMode) {
  sample::FakeGreis receiver;
  ASSERT_TRUE(receiver.Open());
  receiver.SetElevationMask("12.5");
  // A log left recording from a break: the start offers to resume it or begin a new one. (On a
  // loaded machine the log query can time out, and the plain start question comes instead;
  // either way the start goes on.)
  receiver.SetCurrentLog("rover01", 4096);
  harness::OnDialog(kStartGpsDialog, [&](HWND d) { SendMessageW(d, WM_COMMAND, kStartGpsNew, 0); });
  setenv("VORNA_COM1", receiver.SlavePath().c_str(), 1);
  g_Ini.SetInt("GPSTYPE", 1);
  g_Ini.SetString("GPSCOMNUM_JAVAD", "COM1:");
  g_Ini.SetInt("GPSCOMBR_JAVAD", 115200);
  harness::AnswerMessageBox(L"", IDOK);
  // On a loaded machine a poll of the geodesy bar may miss its reply: the link is taken again.
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDYES);
  Command(kCmdGeodesy);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_EQ(IsGeodesyConnection(), 1);
  EXPECT_TRUE(receiver.WaitTranscript("print,/par/pos/elm\n", test_wait::kDefaultMs));
  harness::ClearMessageBoxes();
  // Cancel keeps geodesy mode running.
  harness::AnswerMessageBox(L"", IDCANCEL);
  Command(kCmdNavigation);
  EXPECT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsGeodesyConnection(), 1);
  harness::AnswerMessageBox(L"", IDOK);
  Command(kCmdNavigation);
  harness::PumpUntilIdle();
  ASSERT_GE(harness::MessageBoxes().size(), 1u);
  // The question names the receiver's log in place of its "%s".
  const std::wstring asked = harness::MessageBoxes().back().text;
  EXPECT_EQ(asked.rfind(L"Выключить режим геодезии? (Файл: ", 0), 0u) << asked.size();
  EXPECT_EQ(asked.find(L"%s"), std::wstring::npos);
  EXPECT_TRUE(g_GpsPort.IsOpen());
  EXPECT_EQ(IsGeodesyConnection(), 0);
  EXPECT_EQ(IsBarButtonChecked(kCmdNavigation), 1);
  EXPECT_EQ(IsBarButtonChecked(kCmdGeodesy), 0);
}

}  // namespace
