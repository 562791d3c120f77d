// The construction-tools panel over the started program on the demo device, driven by the pen
// and the keys: a method chosen in the picker, picks on the map, a length typed, the side tap
// and Finish; the map file and the work log read back afterwards. Each state is saved as a PNG
// under test-artifacts/edit/.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <thread>
#include <string>

#include "app/auto_actions.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "edit/method_picker.h"
#include "edit/tool_panel.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "platform/sys/winsys.h"
#include "settings/settings_dialog.h"
#include "tests/app/startup_fixture.h"
#include "tests/support/tool_panel_taps.h"
#include "gps/gps_port.h"
#include "tools/sampledata/demo_device.h"
#include "tests/support/gps_lines.h"
#include "tools/sampledata/fake_receiver.h"
#include "view/map_view.h"
#include "view/point_lists.h"

namespace {

using tool_taps::TapButton;
using tool_taps::TapPanel;

std::string Shot(const std::string& name) {
  const std::string dir = std::string(VORNA_BINARY_DIR) + "/test-artifacts/edit";
  std::filesystem::create_directories(dir);
  const std::string path = dir + "/" + name + ".png";
  EXPECT_TRUE(harness::SaveScreen(path)) << path;
  return path;
}

class ToolPanelE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
    work = g_MapView.GetVectorMapCount() - 1;
    ASSERT_GE(work, 0);
    ASSERT_EQ(g_UserLayer.Attach(g_MapView.WorkingMapHost(), work), 1);
    map = g_MapView.GetVectorMap(work);
    for (int i = 1; i < map->count && pointCode == 0; ++i)
      if ((map->GetObjectCode(uint16_t(i)) & 7) == 1) pointCode = map->GetObjectCode(uint16_t(i));
    if (pointCode == 0) pointCode = (1 << 3) | 1;
    cx = (map->extXMin + map->extXMax) / 2;
    cy = (map->extYMin + map->extYMax) / 2;
    SYSTEMTIME t{};
    t.wYear = 2026, t.wMonth = 5, t.wDay = 6, t.wHour = 7, t.wMinute = 8, t.wSecond = 9;
    ASSERT_TRUE(SetSystemTime(&t));
  }
  void TearDown() override {
    g_UserLayer.Close();
    DestroyWindow(main);
    harness::Stop();
  }
  uint16_t AddPoint(int32_t x, int32_t y, const char* cls, const char* name) {
    const int32_t i = map->AddPointObject(pointCode, x, y, 0);
    EXPECT_GT(i, 0);
    map->SetStrAttr(uint16_t(i), 10, cls);
    map->SetStrAttr(uint16_t(i), 9, name);
    return uint16_t(i);
  }
  // Shows the map around (cx, cy) so that the constructions lie well inside the view.
  void ShowAround(double metres) {
    double x, y;
    map->MapToPlane(cx, cy, &x, &y);
    g_MapView.ShowRect(x - metres, y - metres, x + metres, y + metres);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
  }
  POINT ScreenOf(int32_t x, int32_t y) const {
    int32_t sx, sy;
    map->MapToScreen(x, y, &sx, &sy);
    POINT p{sx, sy};
    ClientToScreen(main, &p);
    return p;
  }
  void TapMap(int32_t x, int32_t y) {
    const POINT p = ScreenOf(x, y);
    harness::Tap(p.x, p.y);
  }
  // Chooses `method` through the method tile and the picker.
  void PickMethod(int method, const char* shot = nullptr) {
    harness::OnDialog(TMethodPicker::kTemplate, [method, shot](HWND dialog) {
      harness::PumpUntilIdle();
      if (shot) Shot(shot);
      POINT p{4 + 44 * (method % 5) + 21, 4 + 44 * (method / 5) + 21};
      ClientToScreen(dialog, &p);
      harness::Tap(p.x, p.y);
    });
    TapPanel(20, 20);
  }
  static std::string Log(const char* mapPath) {
    return startup_test::ReadHostFile(harness::HostPath(
        std::wstring(mapPath, mapPath + std::strlen(mapPath) - 4) + L".gtl"));
  }

  HWND main = nullptr;
  int work = -1;
  TMdmMap* map = nullptr;
  uint16_t pointCode = 0;
  int32_t cx = 0, cy = 0;
};

TEST_F(ToolPanelE2e, PointAtADistanceFromThePickerToTheMapFileAndTheLog) {
  // The working map is in centimetres: A and B 40 m apart along the easting.
  const double unit = map->UnitMetres();
  ASSERT_GT(unit, 0);
  const int32_t d = int32_t(20 / unit), l = int32_t(10 / unit);
  AddPoint(cx, cy - d, "a", "A");
  AddPoint(cx, cy + d, "b", "B");
  ShowAround(60);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_ToolPanel.IsShown());
  PickMethod(1, "tool_picker");
  ASSERT_EQ(g_ToolPanel.method, 1);
  TapMap(cx, cy - d);
  TapMap(cx, cy + d);
  ASSERT_EQ(g_ToolPanel.picks.size(), 2u);
  RECT edit{};
  GetWindowRect(GetDlgItem(g_ToolPanel.window, TToolPanel::kLength1), &edit);
  harness::Tap((edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2);
  harness::Type(L"10");
  // The side tap near the point 10 m north of B: the +90 candidate.
  TapMap(cx + l + l / 5, cy + d + l / 10);
  TMarker mark{};
  EXPECT_EQ(GetCurrentMark(g_MapView, &mark), 1);
  Shot("tool_method1_preview");
  TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);  // hide
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_ToolPanel.IsShown());
  EXPECT_EQ(g_Ini.GetInt("GTMethod"), 1);
  std::string length;
  ASSERT_TRUE(g_Ini.GetString("GTMP2DALen", length));
  EXPECT_EQ(length, "10");

  const std::string path = map->path;
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader(path.c_str()), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  int found = 0;
  for (int i = 1; i < reread.count; ++i) {
    TMapPoint c{};
    reread.GetObjectBounds(uint16_t(i), &c, nullptr);
    found += reread.GetObjectCode(uint16_t(i)) != 0 && c.x == cx + l && c.y == cy + d;
  }
  EXPECT_EQ(found, 1);
  EXPECT_EQ(Log(path.c_str()), "[TOOLS]\nPOINT_2DA\ttools_260506070809\ta_A\tb_B\t10.000000\t90\n");
}

// While the panel takes the map's taps (mode 12) neither the navigation page's "Указать на карте"
// (the offset drag) nor the almanac page's "Указать" (the base point) is offered: the map could
// not take the tap they wait for. A press even so leaves the dialog open until the user's
// Cancel, and the panel keeps its mode.
TEST_F(ToolPanelE2e, ThePicksOnTheMapAreNotOfferedWhileThePanelDraws) {
  g_Ini.SetInt("AlmBase", 1);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  PickMethod(1);
  ASSERT_EQ(GetInputMode(), input_mode::kToolPanel);
  const struct {
    int tab, button;
  } picks[] = {{settings_tab::kNavigation, 2339}, {settings_tab::kAlmanac, 2386}};
  for (const auto& p : picks) {
    bool offered = true, stayed = false;
    harness::OnDialog(108, [&](HWND d) {
      const HWND page = TSettingsDialog::Page(p.tab);
      ASSERT_NE(page, nullptr);
      const HWND pick = GetDlgItem(page, p.button);
      offered = IsWindowEnabled(pick) != 0;
      RECT rc{};
      GetWindowRect(pick, &rc);
      harness::Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
      SendMessageW(page, WM_COMMAND, MAKEWPARAM(p.button, BN_CLICKED), LPARAM(pick));  // even so
      harness::PumpUntilIdle();
      stayed = TSettingsDialog::Dialog() == d;
      SendMessageW(d, WM_COMMAND, 4, 0);  // Cancel
    });
    EXPECT_EQ(ShowSettingsDialog(main, p.tab), 4) << p.button;
    harness::PumpUntilIdle();
    EXPECT_FALSE(offered) << p.button;
    EXPECT_TRUE(stayed) << p.button;
    EXPECT_EQ(GetInputMode(), input_mode::kToolPanel) << p.button;
    EXPECT_TRUE(g_ToolPanel.IsShown()) << p.button;
  }
}

// The Russian keyboard types "10,5": the point is built 10.5 m from B and the log says 10.5, as
// the edit shows. A length the edit shows with a unit after it is no number: Finish beeps and
// builds nothing, the picks and the pending object stay for the user to mend the length.
TEST_F(ToolPanelE2e, ALengthTypedWithADecimalCommaIsBuiltAndLoggedAsShown) {
  const double unit = map->UnitMetres();
  ASSERT_GT(unit, 0);
  const int32_t d = int32_t(20 / unit), l = int32_t(std::lround(10.5 / unit));
  AddPoint(cx, cy - d, "a", "A");
  AddPoint(cx, cy + d, "b", "B");
  ShowAround(60);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  PickMethod(1);
  TapMap(cx, cy - d);
  TapMap(cx, cy + d);
  ASSERT_EQ(g_ToolPanel.picks.size(), 2u);
  const HWND length = GetDlgItem(g_ToolPanel.window, TToolPanel::kLength1);
  RECT edit{};
  GetWindowRect(length, &edit);
  harness::Tap((edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2);
  SetWindowTextW(length, L"");
  harness::Type(L"10,5 m");
  TapMap(cx + l + l / 5, cy + d + l / 10);
  TMarker mark{};
  EXPECT_EQ(GetCurrentMark(g_MapView, &mark), 0) << "no preview at a length that is no number";
  vplat::ClearRecordedBeeps();
  TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  EXPECT_EQ(vplat::RecordedBeeps().size(), 1u);
  EXPECT_EQ(g_ToolPanel.picks.size(), 2u) << "the picks wait for the mended length";

  harness::Tap((edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2);
  harness::Key(VK_END);
  harness::Key(VK_BACK);
  harness::Key(VK_BACK);
  harness::PumpUntilIdle();
  wchar_t shown[32] = {};
  GetWindowTextW(length, shown, 32);
  ASSERT_STREQ(shown, L"10,5");
  TapMap(cx + l + l / 5, cy + d + l / 10);
  EXPECT_EQ(GetCurrentMark(g_MapView, &mark), 1);
  TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);  // hide
  harness::PumpUntilIdle();

  const std::string path = map->path;
  TMdmMap reread;
  ASSERT_EQ(reread.OpenHeader(path.c_str()), kMdmOk);
  ASSERT_EQ(reread.Load(), kMdmOk);
  int found = 0;
  for (int i = 1; i < reread.count; ++i) {
    TMapPoint c{};
    reread.GetObjectBounds(uint16_t(i), &c, nullptr);
    found += reread.GetObjectCode(uint16_t(i)) != 0 && std::abs(c.x - (cx + l)) <= 1 && c.y == cy + d;
  }
  EXPECT_EQ(found, 1) << "at 10.5 m, not 10";
  EXPECT_EQ(Log(path.c_str()), "[TOOLS]\nPOINT_2DA\ttools_260506070809\ta_A\tb_B\t10.500000\t90\n");
}

// "Закрывать инструменты" after 5 s: the user ponders the method picker for 8 s. The panel stays
// under its own picker, the pick sets its method and mode with the panel there to take the taps;
// the time-out counts again from the picker's close.
TEST_F(ToolPanelE2e, TheToolsStayWhileTheirMethodPickerIsOpen) {
  g_Ini.SetInt("AutoGTools", 1);
  g_Ini.SetInt("AutoGTools_T", 5);
  g_AutoActions.LoadSettings();
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_ToolPanel.IsShown());
  bool shownUnderPicker = false;
  harness::OnDialog(TMethodPicker::kTemplate, [&](HWND dialog) {
    harness::Advance(8000);
    shownUnderPicker = g_ToolPanel.IsShown();
    POINT p{4 + 44 * 1 + 21, 4 + 21};  // method 1's tile
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
  });
  tool_taps::TapPanel(20, 20);
  harness::PumpUntilIdle();
  EXPECT_TRUE(shownUnderPicker);
  EXPECT_TRUE(g_ToolPanel.IsShown());
  EXPECT_EQ(g_ToolPanel.method, 1);
  EXPECT_EQ(GetInputMode(), input_mode::kToolPanel);
  // Left alone on the map, the panel goes as set.
  harness::Advance(8000);
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_ToolPanel.IsShown());
}

TEST_F(ToolPanelE2e, RectangleAlongALineAndThePanelInEveryMethod) {
  const double unit = map->UnitMetres();
  const int32_t d = int32_t(20 / unit);
  const int32_t line = map->AddObject(uint16_t((1 << 3) | 2), 2);
  ASSERT_GT(line, 0);
  TPointBuf v;
  ASSERT_TRUE(v.Alloc(2));
  v.points[0] = {cx - d, cy - 2 * d};
  v.points[1] = {cx - d, cy + 2 * d};
  v.count = 2;
  ASSERT_TRUE(map->SetObjectVertices(uint16_t(line), &v));
  map->SetStrAttr(uint16_t(line), 10, "l");
  map->SetStrAttr(uint16_t(line), 9, "L");
  AddPoint(cx - d, cy - d, "p", "1");
  AddPoint(cx - d, cy + d, "p", "2");
  AddPoint(cx, cy, "w", "W");
  ShowAround(60);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  for (int m = 0; m < TToolPanel::kMethods; ++m) {
    g_ToolPanel.SelectMethod(m);
    harness::PumpUntilIdle();
    Shot("tool_panel_method" + std::to_string(m));
  }
  PickMethod(8);
  ASSERT_EQ(g_ToolPanel.method, 8);
  TapMap(cx - d, cy - 3 * d / 2);  // the line, away from its points
  TapMap(cx - d, cy - d);
  TapMap(cx - d, cy + d);
  TapMap(cx, cy);
  ASSERT_EQ(g_ToolPanel.picks.size(), 4u);
  Shot("tool_method8_preview");
  const uint16_t area = g_ToolPanel.builder.PendingIndex();
  TapButton(TToolPanel::kFinish);
  harness::PumpUntilIdle();
  ASSERT_EQ(map->GetVertexCount(area), 5);
  const TMapObject* o = map->GetObjectRecord(area);
  // The side between the points moved 20 m towards W.
  EXPECT_EQ(o->vertices[2].x, cx);
  EXPECT_EQ(o->vertices[2].y, cy + d);
  EXPECT_EQ(Log(map->path), "[TOOLS]\nRECT_CP3\ttools_260506070809\tl_L\tp_1\tp_2\tw_W\n");
  // Method 0 with the option: a square corner; Discard leaves nothing behind.
  g_ToolPanel.SelectMethod(0);
  TapButton(TToolPanel::kKindLine);
  TapButton(TToolPanel::kOption);
  const int before = map->count;
  TapMap(cx + d, cy - d);
  TapMap(cx + d, cy + d);
  TapMap(cx + 2 * d, cy + d + 3);
  ASSERT_EQ(g_ToolPanel.vertices.size(), 3u);
  // The taps are whole pixels; the third vertex stands square to the segment they give.
  const TMapPoint a = g_ToolPanel.vertices[0], b = g_ToolPanel.vertices[1], c = g_ToolPanel.vertices[2];
  const double dot = double(b.x - a.x) * (c.x - b.x) + double(b.y - a.y) * (c.y - b.y);
  EXPECT_LT(std::fabs(dot) / (std::hypot(b.x - a.x, b.y - a.y) * std::hypot(c.x - b.x, c.y - b.y)), 1e-3);
  Shot("tool_method0_option");
  const uint16_t drawn = g_ToolPanel.builder.PendingIndex();
  TapButton(TToolPanel::kDiscard);
  EXPECT_EQ(map->GetObjectCode(drawn), 0);
  EXPECT_GE(map->count, before);
}

// New objects carry the time of the receiver's latest fix (attribute 12) while the port is open,
// from the fake receiver on its pseudo-terminal; none once it is closed.
TEST_F(ToolPanelE2e, NewObjectsCarryTheFixTimeOnlyWhileThePortIsOpen) {
  sample::FakeReceiver fake;
  ASSERT_TRUE(fake.Open());
  test_gps::UseFakeNmeaOnCom1(fake);
  harness::OnDialog(313, [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, 2341, 0); });
  SendMessageW(main, WM_COMMAND, kCmdNavigation, 0);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  const auto walk = sample::DemoTownWalk(1);
  std::string expected;
  const std::vector<std::string> lines = sample::EpochSentences(walk[0]);
  for (const std::string& line : lines) {
    // The time field of the RMC sentence, hhmmss, as the attribute shows it.
    if (line.find("RMC,") != std::string::npos) {
      const std::string t = line.substr(line.find(',') + 1, 6);
      expected = t.substr(0, 2) + ":" + t.substr(2, 2) + ":" + t.substr(4, 2);
    }
  }
  ASSERT_EQ(expected.size(), 8u);
  ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, lines));
  GpsFix fix{};
  g_GpsPort.GetFix(&fix);
  ASSERT_EQ(fix.status, 'A');
  g_Ini.SetInt("GTMethod", 7);
  SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_ToolPanel.builder.HasObject());
  char text[256] = {};
  ASSERT_TRUE(map->GetStrAttr(g_ToolPanel.builder.PendingIndex(), 12, text));
  EXPECT_EQ(std::string(text), expected);
  SendMessageW(main, WM_COMMAND, kCmdNavigation, 0);
  harness::PumpUntilIdle();
  ASSERT_FALSE(g_GpsPort.IsOpen());
  TapButton(TToolPanel::kDiscard);
  ASSERT_TRUE(g_ToolPanel.builder.HasObject());
  EXPECT_FALSE(map->GetStrAttr(g_ToolPanel.builder.PendingIndex(), 12, text));
  fake.HangUp();
  unsetenv("VORNA_COM1");
}

}  // namespace
