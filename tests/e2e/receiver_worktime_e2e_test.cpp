// A field day's record on the demo device: a point constructed with the tools panel, then a
// receiver recording in geodesy mode against the fake GREIS receiver on its pseudo-terminal,
// started and stopped by the geodesy command. The working map's work log holds the
// construction under TOOLS and the recording's start, end and log name under WORKTIME.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <cstring>
#include <regex>
#include <string>
#include <thread>

#include "tests/support/wait_until.h"
#include "app/commands.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ini_file.h"
#include "edit/method_picker.h"
#include "edit/tool_panel.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "maps/mdm_map.h"
#include "maps/user_layer.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tests/app/startup_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/fake_greis.h"
#include "view/map_view.h"

namespace {

bool WaitFor(const std::function<bool()>& ready, int ms = test_wait::kDefaultMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!ready()) {
    if (std::chrono::steady_clock::now() > end) return false;
    harness::PumpUntilIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class ReceiverWorkTimeE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
    const int work = g_MapView.GetVectorMapCount() - 1;
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
    if (g_GpsPort.IsOpen()) StopNavigationMode(1);
    g_UserLayer.Close();
    DestroyWindow(main);
    harness::Stop();
  }
  void AddPoint(int32_t x, int32_t y, const char* cls, const char* name) {
    const int32_t i = map->AddPointObject(pointCode, x, y, 0);
    ASSERT_GT(i, 0);
    map->SetStrAttr(uint16_t(i), 10, cls);
    map->SetStrAttr(uint16_t(i), 9, name);
  }
  void Tap(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    harness::Tap(p.x, p.y);
  }
  void TapMap(int32_t x, int32_t y) {
    int32_t sx, sy;
    map->MapToScreen(x, y, &sx, &sy);
    Tap(main, sx, sy);
  }
  // The point 10 m off the line from A to B, as the operator builds it: the method from the
  // picker, the two picks, the length typed, the side tapped, Finish.
  void ConstructPoint() {
    const double unit = map->UnitMetres();
    ASSERT_GT(unit, 0);
    const int32_t d = int32_t(20 / unit), l = int32_t(10 / unit);
    AddPoint(cx, cy - d, "a", "A");
    AddPoint(cx, cy + d, "b", "B");
    double x, y;
    map->MapToPlane(cx, cy, &x, &y);
    g_MapView.ShowRect(x - 60, y - 60, x + 60, y + 60);
    InvalidateMainView(1);
    harness::PumpUntilIdle();
    SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);
    harness::PumpUntilIdle();
    ASSERT_TRUE(g_ToolPanel.IsShown());
    harness::OnDialog(TMethodPicker::kTemplate, [](HWND dialog) {
      harness::PumpUntilIdle();
      POINT p{4 + 44 + 21, 4 + 21};  // method 1, the second tile of the first row
      ClientToScreen(dialog, &p);
      harness::Tap(p.x, p.y);
    });
    Tap(g_ToolPanel.window, 20, 20);
    ASSERT_EQ(g_ToolPanel.method, 1);
    TapMap(cx, cy - d);
    TapMap(cx, cy + d);
    RECT edit{};
    GetWindowRect(GetDlgItem(g_ToolPanel.window, TToolPanel::kLength1), &edit);
    harness::Tap((edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2);
    harness::Type(L"10");
    TapMap(cx + l + l / 5, cy + d + l / 10);
    const TSoftButton& finish = g_ToolPanel.ButtonAt(TToolPanel::kFinish);
    Tap(g_ToolPanel.window, (finish.left + finish.right) / 2, (finish.top + finish.bottom) / 2);
    harness::PumpUntilIdle();
    SendMessageW(main, WM_COMMAND, kCmdToolsPanel, 0);  // hide
    harness::PumpUntilIdle();
  }
  std::string WorkLog() const {
    const std::string path(map->path, std::strlen(map->path) - 4);
    return startup_test::ReadHostFile(harness::HostPath(std::wstring(path.begin(), path.end()) + L".gtl"));
  }

  HWND main = nullptr;
  TMdmMap* map = nullptr;
  uint16_t pointCode = 0;
  int32_t cx = 0, cy = 0;
};

TEST_F(ReceiverWorkTimeE2e, ARecordingStoppedLeavesItsWorkTimeBesideTheConstructions) {
  ConstructPoint();
  const std::string tools = "[TOOLS]\nPOINT_2DA\ttools_260506070809\ta_A\tb_B\t10.000000\t90\n";
  ASSERT_EQ(WorkLog(), tools);

  // Geodesy mode on the fake receiver; no log is being recorded, so the plain question comes.
  sample::FakeGreis receiver;
  ASSERT_TRUE(receiver.Open());
  receiver.SetCurrentLog("", 0);
  setenv("VORNA_COM1", receiver.SlavePath().c_str(), 1);
  g_Ini.SetInt("GPSTYPE", 1);
  g_Ini.SetString("GPSCOMNUM_JAVAD", "COM1:");
  g_Ini.SetInt("GPSCOMBR_JAVAD", 115200);
  harness::ClearMessageBoxes();
  harness::AnswerMessageBox(L"", IDOK);
  // On a loaded machine a poll of the geodesy bar may miss its reply: the link is taken again.
  harness::AnswerMessageBox(g_Lang.GetText(lang_id::kMsgNoGPSLinkRetConf), IDYES);
  SendMessageW(main, WM_COMMAND, kCmdGeodesy, 0);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_GpsPort.IsOpen());
  ASSERT_TRUE(WaitFor([&] { return receiver.Logging() && !receiver.CreatedLog().empty(); }));
  const std::string log = receiver.CreatedLog();
  EXPECT_STREQ(g_GreisReceiver.logName, log.c_str());
  EXPECT_EQ(log, "log0506_070809");  // the local time of the device's clock

  // The stop asks with the log's name, closes the log and notes its work time.
  SendMessageW(main, WM_COMMAND, kCmdGeodesy, 0);
  harness::PumpUntilIdle();
  EXPECT_FALSE(g_GpsPort.IsOpen());
  EXPECT_TRUE(receiver.WaitTranscript("dm,/cur/log\n", test_wait::kDefaultMs));
  EXPECT_TRUE(WaitFor([&] { return !receiver.Logging(); }));
  const std::wstring asked = harness::MessageBoxes().back().text;
  EXPECT_NE(asked.find(std::wstring(log.begin(), log.end())), std::wstring::npos);

  const std::string text = WorkLog();
  ASSERT_EQ(text.rfind(tools, 0), 0u) << text;
  const std::regex worktime(
      "\\[WORKTIME\\]\n2026-05-06 07:08:(0[89]|1[0-9])\t2026-05-06 07:08:(0[89]|[1-5][0-9])\t" +
      log + "\n");
  EXPECT_TRUE(std::regex_match(text.substr(tools.size()), worktime)) << text;
}

}  // namespace
