// What navigation mode records, walked on the demo device as a surveyor works: the fake NMEA
// receiver (and a fake echo sounder) on pseudo-terminals, the buttons tapped, the clock virtual.
// A receiver that falls silent leaves no fix to record, a silent sounder no depth, the Stop&Go
// keys do nothing outside a survey, and the sky plot gives up the receiver's satellites when
// navigation stops.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/input.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "base/button_table.h"
#include "base/ini_file.h"
#include "edit/tool_panel.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/echo_sounder.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "gps/sky_plot.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "tests/app/demo_window_fixture.h"
#include "tests/support/gps_lines.h"
#include "tests/support/tool_panel_taps.h"
#include "tests/support/wait_until.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/fake_receiver.h"
#include "view/map_view.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr int kPointDialog = 122;
// Buttons of the command bar, in their order on it.
constexpr int kNavigationButton = 1, kSkyPlotButton = 4;
constexpr uint16_t kDepthAttribute = 1007;

void TapGpsBarButton(const TSoftButton& b) {
  POINT p{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  ClientToScreen(g_GpsBar.window, &p);
  harness::Tap(p.x, p.y);
}

std::wstring BarText(int id) {
  wchar_t text[64] = L"";
  GetDlgItemTextW(g_GpsBar.window, id, text, 64);
  return text;
}

// The status text's background, at its left edge where the centred text never reaches.
COLORREF StatusBackground() {
  RECT r;
  GetWindowRect(GetDlgItem(g_GpsBar.window, TGpsBar::kStatusText), &r);
  return harness::ScreenPixel(r.left + 1, r.top + 1);
}

class NavigationRecords : public demo_window::DemoWindow {
 protected:
  void SetUp() override {
    DemoWindow::SetUp();
    startup_test::WriteHostFile(harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj"),
                                sample::DemoProjectText() + "\nW");
    ASSERT_EQ(g_MapView.OpenProject("\\Vorna\\Maps\\Demo.mpj", &g_UserLayer, 0), 0);
    // A fresh working map whose frame (a zone band) holds the walk.
    double cx, cy;
    PlaneAt(Centre(), &cx, &cy);
    ASSERT_EQ(g_UserLayer.CreateMap(10000, -2, cx, cy, g_MapView.zone), 1);
    map = g_UserLayer.map;
    ASSERT_TRUE(gps.Open());
    test_gps::UseFakeNmeaOnCom1(gps);
    g_Ini.SetInt("GPSGO", 1);
    g_Ini.SetInt("NaviSaveLog", 1);
    g_Ini.SetInt("GPSDefCode", 1201);
    g_Ini.SetInt("ECHOACTIVE", 0);
    walk = sample::DemoTownWalk(8);
    vplat::ClearRecordedBeeps();
  }
  void TearDown() override {
    if (g_GpsPort.IsOpen()) StopNavigationMode(1);
    gps.HangUp();
    echo.HangUp();
    DemoWindow::TearDown();
  }
  void StartNavigation() {
    demo_window::TapCommandBarButton(kNavigationButton);
    ASSERT_TRUE(g_GpsPort.IsOpen());
    ASSERT_TRUE(IsWindowVisible(g_GpsBar.window));
  }
  // Epoch `i` of the walk written and every line of it read, then `ms` of the clock.
  void Epoch(size_t i, unsigned ms = 500) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(gps, sample::EpochSentences(walk[i])));
    harness::Advance(ms);
  }
  // The objects of `code` added to the working map from index `from` on.
  int Objects(uint16_t code, int32_t from) const {
    int n = 0;
    for (int32_t i = from; i < map->count; ++i) n += map->GetObjectCode(uint16_t(i)) == code;
    return n;
  }

  sample::FakeReceiver gps, echo;
  std::vector<sample::WalkEpoch> walk;
  TMdmMap* map = nullptr;
};

TEST_F(NavigationRecords, AReceiverFallenSilentLeavesNoFixAndItsNextSentenceBringsItBack) {
  StartNavigation();
  Epoch(0);
  ASSERT_EQ(g_MapView.gpsState, 1);
  const COLORREF normal = StatusBackground();
  ASSERT_NE(normal, kRed);

  // The cable comes out. 3 s after its last sentence the fix is still current...
  harness::Advance(2500);
  EXPECT_EQ(g_MapView.gpsState, 1);
  // ... and 0.4 s later, before the next tick, no longer: no point goes to the old position,
  // neither from the bar's button nor from the key.
  harness::Advance(400);
  const int32_t objects = map->count;
  TapGpsBarButton(g_GpsBar.addPointButton);
  RunButtonAction(w, button_action::kGpsPoint, 0xC5);
  EXPECT_EQ(map->count, objects);
  for (int id : harness::DialogsOpened()) EXPECT_NE(id, kPointDialog);
  // The next tick shows it: the marker and the bar say "no fix".
  harness::Advance(100);
  EXPECT_EQ(g_MapView.gpsState, 2);
  EXPECT_EQ(BarText(TGpsBar::kSpeedText), L"V:--");
  EXPECT_EQ(StatusBackground(), kRed);

  // The receiver is back: its next sentence makes the fix current again.
  Epoch(1);
  EXPECT_EQ(g_MapView.gpsState, 1);
  EXPECT_NE(BarText(TGpsBar::kSpeedText), L"V:--");
  EXPECT_EQ(StatusBackground(), normal);
}

TEST_F(NavigationRecords, ASilentSounderRecordsNoDepthAndTheBarSaysSo) {
  ASSERT_TRUE(echo.Open());
  const uint16_t code = g_UserLayer.NewPointCode();
  test_gps::UseFakeSounderOnCom3(echo, code);
  StartNavigation();
  ASSERT_TRUE(g_EchoSounder.IsOpen());
  const int32_t from = map->count;

  // Four seconds of fixes and not one depth: no depth point, and a row of the bar says why.
  for (size_t i = 0; i < 4; ++i) Epoch(i, 1000);
  EXPECT_EQ(Objects(code, from), 0);
  EXPECT_EQ(g_GpsBar.echoRow, 1);
  EXPECT_EQ(g_GpsBar.GetHeight(), TGpsBar::kHeight + TGpsBar::kRowHeight);
  RECT bar;
  GetWindowRect(g_GpsBar.window, &bar);
  EXPECT_EQ(harness::ScreenPixel(bar.right - 3, bar.bottom - 3), kRed);
  ASSERT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/gps_bar_echo_silent.png"));

  // One depth: one point, with that depth, and the row goes.
  ASSERT_TRUE(echo.Write("$SDDBT,12.3,f,3.7,M,2.0,F*30\r\n"));
  ASSERT_TRUE(test_wait::Until([] { return g_EchoSounder.GetDepthsRead() == 1; }));
  Epoch(4, 1000);
  ASSERT_EQ(Objects(code, from), 1);
  float depth = 0;
  for (int32_t i = from; i < map->count; ++i) {
    if (map->GetObjectCode(uint16_t(i)) == code) {
      ASSERT_TRUE(map->GetIntAttr(uint16_t(i), kDepthAttribute, &depth));
    }
  }
  EXPECT_EQ(depth, 3.7f);
  EXPECT_EQ(g_GpsBar.echoRow, 0);
  EXPECT_EQ(g_GpsBar.GetHeight(), TGpsBar::kHeight);

  // Silent again: its last depth is not recorded a second time.
  Epoch(5, 1000);
  Epoch(6, 1000);
  EXPECT_EQ(Objects(code, from), 1);
}

// A fresh device: no track type and no depth type were ever chosen. The walk's track and its
// depth points take the working map's first line and point types, not code 0, which is no
// object: the next save would drop the whole walk and every depth.
TEST_F(NavigationRecords, AFreshDeviceRecordsItsTrackAndDepthsAsLiveObjects) {
  g_Ini.SetInt("GPSDefCode", 0);
  ASSERT_TRUE(echo.Open());
  test_gps::UseFakeSounderOnCom3(echo, 0);
  StartNavigation();
  ASSERT_TRUE(g_EchoSounder.IsOpen());
  ASSERT_EQ(g_UserLayer.recording, 1);
  const int32_t from = map->count;
  ASSERT_TRUE(echo.WriteSentence("SDDBT,12.3,f,3.7,M,2.0,F"));
  ASSERT_TRUE(test_wait::Until([] { return g_EchoSounder.GetDepthsRead() == 1; }));
  for (size_t i = 0; i < 3; ++i) Epoch(i, 1000);

  const uint16_t track = map->GetObjectCode(uint16_t(map->recordedObject));
  EXPECT_NE(track, 0);
  EXPECT_EQ(int(track & 7), int(mdm::kKindLine));
  int depths = 0;
  for (int32_t i = from; i < map->count; ++i) {
    float depth = -1;
    if (!map->GetIntAttr(uint16_t(i), kDepthAttribute, &depth)) continue;
    ++depths;
    const uint16_t code = map->GetObjectCode(uint16_t(i));
    EXPECT_NE(code, 0);
    EXPECT_EQ(int(code & 7), int(mdm::kKindPoint));
    EXPECT_EQ(depth, 3.7f);
  }
  EXPECT_EQ(depths, 1);

  // Stopping saves the working map: the walk and its depth are in the file.
  StopNavigationMode(1);
  TMdmMap disk;
  ASSERT_EQ(disk.OpenHeader(map->path), 0);
  ASSERT_EQ(disk.Load(), 0);
  disk.loadAll = 1;
  disk.LoadVisibleObjects();
  int lines = 0, points = 0;
  for (int32_t i = 1; i < disk.count; ++i) {
    const uint16_t code = disk.GetObjectCode(uint16_t(i));
    float depth = -1;
    lines += code == track;
    points += (code & 7) == mdm::kKindPoint && disk.GetIntAttr(uint16_t(i), kDepthAttribute, &depth);
  }
  EXPECT_EQ(lines, 1);
  EXPECT_EQ(points, 1);
}

// The sounder loses the bottom and sends its sentence with every depth field empty, once a
// second: that is no depth, so no point of 0 m is added, and the bar says it is silent.
TEST_F(NavigationRecords, ASounderThatLostTheBottomRecordsNoZeroDepths) {
  ASSERT_TRUE(echo.Open());
  const uint16_t code = g_UserLayer.NewPointCode();
  test_gps::UseFakeSounderOnCom3(echo, code);
  StartNavigation();
  ASSERT_TRUE(g_EchoSounder.IsOpen());
  const int32_t from = map->count;
  auto depths = [&] {
    std::vector<float> found;
    for (int32_t i = from; i < map->count; ++i) {
      float depth = -1;
      if (map->GetObjectCode(uint16_t(i)) == code &&
          map->GetIntAttr(uint16_t(i), kDepthAttribute, &depth))
        found.push_back(depth);
    }
    return found;
  };

  ASSERT_TRUE(echo.WriteSentence("SDDBT,12.3,f,3.7,M,2.0,F"));
  ASSERT_TRUE(test_wait::Until([] { return g_EchoSounder.GetDepthsRead() == 1; }));
  Epoch(0, 1000);
  ASSERT_EQ(depths(), std::vector<float>{3.7f});
  // Four seconds of empty depths beside good fixes: each line is read, none is a depth.
  for (size_t i = 1; i <= 4; ++i) {
    const uint64_t before = g_EchoSounder.GetLinesRead();
    ASSERT_TRUE(echo.WriteSentence("SDDBT,,f,,M,,F"));
    ASSERT_TRUE(test_wait::Until([&] { return g_EchoSounder.GetLinesRead() == before + 1; }));
    Epoch(i, 1000);
  }
  EXPECT_EQ(g_EchoSounder.GetDepthsRead(), 1u);
  EXPECT_EQ(depths(), std::vector<float>{3.7f});
  EXPECT_EQ(g_GpsBar.echoRow, 1) << "more than 3 s without a depth";
}

// The receiver loses every satellite and says so with a satellite cycle of none: the bar's count
// goes to 0 with the fix, rather than keeping the last cycle's eight.
TEST_F(NavigationRecords, NoSatelliteInViewEmptiesTheCount) {
  StartNavigation();
  Epoch(0);
  ASSERT_EQ(BarText(TGpsBar::kStatusText), L"S:8");
  for (const char* body : {"GPRMC,100001,V,,,,,,,150606,,", "GPGSA,A,1,,,,,,,,,,,,,,,",
                           "GPGSV,1,1,00"}) {
    ASSERT_TRUE(test_gps::WriteAndWaitRead(gps, {sample::NmeaLine(body)})) << body;
  }
  harness::Advance(500);
  EXPECT_EQ(g_MapView.gpsState, 2);
  EXPECT_EQ(BarText(TGpsBar::kStatusText), L"S:0");
  GpsFix fix{};
  g_GpsPort.GetFix(&fix);
  EXPECT_EQ(fix.satellitesComplete, 1);
  for (const SatelliteSlot& s : fix.satellites) EXPECT_EQ(s.inView, 0);
}

// A new object of the construction tools is stamped with the time of the fix it was made at:
// not "00:00:00" before the first fix, nor the last fix's time once the receiver fell silent.
TEST_F(NavigationRecords, ANewObjectGetsOnlyAMeasuredFixTime) {
  StartNavigation();
  // The tools make a new point object; its fix time, or "" without one.
  auto stamp = [&] {
    SendMessageW(w, WM_COMMAND, kCmdToolsPanel, 0);
    harness::PumpUntilIdle();
    EXPECT_TRUE(g_ToolPanel.IsShown());
    tool_taps::TapButton(TToolPanel::kKindPoint);  // a new point object
    char text[64] = "";
    TNewObjectBuilder& b = g_ToolPanel.builder;
    const bool has = b.HasObject() && b.map->GetStrAttr(uint16_t(b.PendingIndex()), 12, text);
    SendMessageW(w, WM_COMMAND, kCmdToolsPanel, 0);
    harness::PumpUntilIdle();
    return has ? std::string(text) : std::string();
  };
  EXPECT_EQ(stamp(), "") << "before the first fix";
  Epoch(0);
  char expected[32];
  std::snprintf(expected, sizeof expected, "%02i:%02i:%02i", walk[0].hour, walk[0].minute,
                walk[0].second);
  EXPECT_EQ(stamp(), expected);
  harness::Advance(TGpsPort::kFixStaleMs + 500);
  EXPECT_EQ(stamp(), "") << "the receiver is silent";
}

TEST_F(NavigationRecords, TheStopAndGoKeysOnlyBeepOutsideASurvey) {
  // Keys 0xC4 to 0xC6 run the three Stop&Go actions.
  for (int k = 0; k < 3; ++k) {
    g_ButtonTable.AddKey(0xC4 + k);
    g_ButtonTable.SetEntry(0xC4 + k, button_action::kOccupyStatic + k, 0, 0);
  }
  const std::string state = harness::HostPath(L"\\Vorna\\Vorna.gbackup");
  auto pressAll = [] {
    for (int n = 4; n <= 6; ++n) harness::HardwareButton(n);
  };

  // Nothing running: no occupation in the working map, no receiver state written.
  int32_t objects = map->count;
  pressAll();
  EXPECT_EQ(map->count, objects);
  EXPECT_FALSE(std::filesystem::exists(state));
  EXPECT_EQ(vplat::RecordedBeeps(), (std::vector<UINT>{MB_OK, MB_OK, MB_OK}));

  // Plain navigation recording its track: the keys neither cut it nor begin anything.
  StartNavigation();
  ASSERT_EQ(g_UserLayer.recording, 1u);
  const uint16_t track = g_UserLayer.current;
  Epoch(0);
  objects = map->count;
  pressAll();
  Epoch(1);
  EXPECT_EQ(g_UserLayer.recording, 1u);
  EXPECT_EQ(g_UserLayer.current, track);
  EXPECT_EQ(g_UserLayer.trackCode, 1201);
  EXPECT_EQ(map->count, objects);
  EXPECT_FALSE(std::filesystem::exists(state));
  EXPECT_EQ(vplat::RecordedBeeps().size(), 6u);
}

TEST_F(NavigationRecords, TheSkyPlotGivesUpTheReceiversSatellitesWhenNavigationStops) {
  ASSERT_TRUE(g_Almanac.IsLoaded());
  demo_window::TapCommandBarButton(kSkyPlotButton);
  ASSERT_EQ(g_SkyPlot.IsEnabled(), 1);
  ASSERT_GT(g_AlmanacBar.GetHeight(), 0);
  auto used = [] {
    int n = 0;
    for (int i = 0; i < g_SkyPlot.Count(); ++i) n += g_SkyPlot.At(i).state != 0;
    return n;
  };

  StartNavigation();
  EXPECT_EQ(g_AlmanacBar.GetHeight(), 0) << "the receiver drives the plot; the bar's time is not used";
  Epoch(0);
  EXPECT_EQ(used(), 8);  // the satellites of the epoch with a signal

  demo_window::TapCommandBarButton(kNavigationButton);
  ASSERT_FALSE(g_GpsPort.IsOpen());
  EXPECT_GT(g_AlmanacBar.GetHeight(), 0) << "the almanac bar is back";
  EXPECT_EQ(used(), 0);
  EXPECT_TRUE(IsBarButtonChecked(kCmdAlmanacBar));
}

}  // namespace
