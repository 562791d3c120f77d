// The automatic actions after idle time and the autosave timer on the demo device, driven by the
// virtual clock; settings are written by each test as a user's file would hold them.
#include <gtest/gtest.h>

#include "app/auto_actions.h"
#include "app/commands.h"
#include "app/input.h"
#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "demo_window_fixture.h"
#include "edit/selection_panel.h"
#include "edit/tool_panel.h"
#include "gps/gps_bar.h"
#include "gps/gps_port.h"
#include "maps/user_layer.h"

namespace {

using demo_window::DemoWindow;

class AutoActions : public DemoWindow {
 protected:
  void Settings(const std::vector<std::pair<const char*, const char*>>& keys) {
    for (const auto& [k, v] : keys) g_Ini.SetString(k, v);
    g_AutoActions.LoadSettings();
  }
  std::vector<int> Listed() {
    std::vector<int> out;
    for (const auto& a : g_AutoActions.actions) out.push_back(a.command);
    return out;
  }
};

}  // namespace

TEST_F(AutoActions, OnlyEnabledActionsWithAPositiveTimeoutAreListed) {
  Settings({{"AutoGTools", "1"}, {"AutoGTools_T", "0"},
            {"AutoInfo", "1"},
            {"AutoRule", "1"}, {"AutoRule_T", "-5"},
            {"AutoNaviTr", "0"}, {"AutoNaviTr_T", "10"}});
  EXPECT_TRUE(Listed().empty());
  Settings({{"AutoGTools_T", "2147483647"}, {"AutoInfo_T", "abc"}, {"AutoRule_T", "7"},
            {"AutoNaviTr", "3"}});
  EXPECT_EQ(Listed(), (std::vector<int>{1337, 3004, 3006}));
  EXPECT_EQ(g_AutoActions.actions[0].timeout, 2147483647);
}

TEST_F(AutoActions, PortTimeoutsGoToTheGpsBarZeroWhenOffOrNegative) {
  Settings({{"AutoChPortW", "1"}, {"AutoChPortW_T", "45"}, {"AutoChPortE", "0"},
            {"AutoChPortE_T", "90"}});
  EXPECT_EQ(g_GpsBar.warningSeconds, 45);
  EXPECT_EQ(g_GpsBar.stopSeconds, 0);
  Settings({{"AutoChPortW_T", "-3"}, {"AutoChPortE", "1"}});
  EXPECT_EQ(g_GpsBar.warningSeconds, 0);
  EXPECT_EQ(g_GpsBar.stopSeconds, 90);
}

TEST_F(AutoActions, RulerEndsOneSecondAfterItsTimeoutOncePerIdlePeriod) {
  Settings({{"AutoRule", "1"}, {"AutoRule_T", "5"}});
  g_IdleClock.ResetIdleClock();
  ToggleRulerMode(1);
  ASSERT_EQ(GetInputMode(), input_mode::kRuler);
  harness::Advance(5000);  // idle exactly 5 s at the ticks so far
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  harness::Advance(1000);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);

  // Still idle: the action is done and does not run again.
  ToggleRulerMode(1);
  harness::Advance(10000);
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  // New input starts a new period (a tap in mode 4 sets a ruler point, and only WM_COMMAND and
  // pen-down count there).
  SendMessageW(w, WM_COMMAND, 0, 0);
  harness::Advance(5000);
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  harness::Advance(2000);
  EXPECT_EQ(GetInputMode(), input_mode::kNormal);
}

TEST_F(AutoActions, RulerActionLeavesTheEditingModesAlone) {
  Settings({{"AutoRule", "1"}, {"AutoRule_T", "1"}});
  SetInputModeDirect(input_mode::kVertexEdit);
  harness::Advance(5000);
  EXPECT_EQ(GetInputMode(), input_mode::kVertexEdit);
}

TEST_F(AutoActions, SelectionPanelIsHiddenInModeOne) {
  Settings({{"AutoInfo", "1"}, {"AutoInfo_T", "3"}});
  g_SelectionPanel.Show(1);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_SelectionPanel.IsEditing(), 1);
  g_IdleClock.ResetIdleClock();
  harness::Advance(3000);
  EXPECT_EQ(g_SelectionPanel.IsEditing(), 1);
  harness::Advance(1500);
  EXPECT_EQ(g_SelectionPanel.IsEditing(), 0);
  EXPECT_FALSE(IsWindowVisible(g_SelectionPanel.window));
}

TEST_F(AutoActions, FollowingResumesOnlyWhileThePortIsOpen) {
  Settings({{"AutoNaviTr", "1"}, {"AutoNaviTr_T", "1"}});
  g_MapView.followGps = 0;
  harness::Advance(4000);
  EXPECT_EQ(g_MapView.followGps, 0) << "port closed";

  // The demo receiver's NMEA output replayed as the port's source.
  g_GpsPort.SetSourceType(TGpsPort::kPaced);
  g_GpsPort.Open(
      w, L"\\Vorna\\GPS\\Demo.nmea", 4800, [](HWND, UINT, UINT_PTR, DWORD) {},
      [](LPVOID port) -> DWORD { return static_cast<TGpsPort*>(port)->ReadLoop(); }, FALSE);
  ASSERT_TRUE(g_GpsPort.IsOpen());
  SendMessageW(w, WM_COMMAND, 0, 0);  // new input: a new idle period
  harness::Advance(1000);
  EXPECT_EQ(g_MapView.followGps, 0);
  harness::Advance(2000);  // past the first tick more than a second after the input
  EXPECT_EQ(g_MapView.followGps, 1);
  g_GpsPort.Close();
}

TEST_F(AutoActions, ResetSourcesOfTheMainWindow) {
  auto resetBy = [&](auto input) {
    harness::Advance(1500);
    const uint32_t before = g_IdleClock.lastInput;
    input();
    harness::PumpUntilIdle();
    return g_IdleClock.lastInput != before;
  };
  EXPECT_FALSE(resetBy([] { harness::PenMove(120, 150); }));
  EXPECT_FALSE(resetBy([] { harness::Key(VK_RIGHT); }));
  EXPECT_TRUE(resetBy([] { harness::PenDown(120, 150); }));
  EXPECT_TRUE(resetBy([] { harness::PenUp(120, 150); }));
  EXPECT_TRUE(resetBy([&] { SendMessageW(w, WM_HOTKEY, 0xC1, 0); }));
  EXPECT_FALSE(resetBy([&] { SendMessageW(w, WM_HOTKEY, 0, 0); }));
  EXPECT_TRUE(resetBy([&] { SendMessageW(w, WM_CANCELMODE, 0, 0); }));
  EXPECT_TRUE(resetBy([&] { SendMessageW(w, WM_COMMAND, 0, 0); }));
}

TEST_F(AutoActions, NoTickActsBeforeStartUpOrAfterDestruction) {
  Settings({{"AutoRule", "1"}, {"AutoRule_T", "1"}, {"WMAutoSave", "1"}, {"WMAutoSaveTime", "1"}});
  ApplyAutoSaveSettings();
  EXPECT_EQ(AutoSaveIntervalMs(), 60000u);
  DestroyWindow(w);
  EXPECT_EQ(AutoSaveIntervalMs(), 0u);
  EXPECT_FALSE(g_AutoActions.IsRunning());
  SetInputModeDirect(input_mode::kRuler);
  harness::Advance(5000);
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  EXPECT_EQ(AutoSaveNow(), 0);
  EXPECT_EQ(ToggleScreenLock(nullptr), 0);
}

// ---- autosave ----

namespace {

// The demo device with its last map ("Demo") marked as the working map in the project.
class AutoSave : public AutoActions {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    const std::string project = harness::HostPath(L"\\Vorna\\Maps\\Demo.mpj");
    startup_test::WriteHostFile(project, startup_test::ReadHostFile(project) + "\nW\n");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    w = startup_test::MakeMainWindow("");
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(g_UserLayer.open);
  }
  // Marks the working map changed and tells when a save has written it.
  void Modify() { g_UserLayer.SetModified(); }
  bool Saved() const { return g_UserLayer.saved != 0; }
};

}  // namespace

TEST_F(AutoSave, ModifiedMapIsWrittenEachIntervalAndReapplyingKeepsThePhase) {
  Settings({{"WMAutoSave", "1"}, {"WMAutoSaveTime", "2"}});
  ApplyAutoSaveSettings();
  EXPECT_EQ(AutoSaveIntervalMs(), 120000u);
  Modify();
  harness::Advance(60000);
  ApplyAutoSaveSettings();  // the same interval: the running timer and its phase are kept
  harness::Advance(59999);
  EXPECT_FALSE(Saved());
  harness::Advance(1);
  EXPECT_TRUE(Saved());

  // A new time restarts the timer from now.
  Modify();
  harness::Advance(30000);
  g_Ini.SetInt("WMAutoSaveTime", 3);
  ApplyAutoSaveSettings();
  harness::Advance(179999);
  EXPECT_FALSE(Saved());
  harness::Advance(1);
  EXPECT_TRUE(Saved());

  // Off: no more saves.
  g_Ini.SetInt("WMAutoSave", 0);
  ApplyAutoSaveSettings();
  EXPECT_EQ(AutoSaveIntervalMs(), 0u);
  Modify();
  harness::Advance(400000);
  EXPECT_FALSE(Saved());
}

TEST_F(AutoSave, ZeroNegativeOrTextMinutesSaveEveryMinuteHugeOnesAreCapped) {
  for (const char* minutes : {"0", "-1", "abc"}) {
    g_Ini.SetString("WMAutoSave", "1");
    g_Ini.SetString("WMAutoSaveTime", minutes);
    ApplyAutoSaveSettings();
    EXPECT_EQ(AutoSaveIntervalMs(), 60000u) << minutes;
  }
  Modify();
  harness::Advance(59999);
  EXPECT_FALSE(Saved());
  harness::Advance(1);
  EXPECT_TRUE(Saved());
  g_Ini.SetString("WMAutoSaveTime", "2147483647");
  ApplyAutoSaveSettings();
  EXPECT_EQ(AutoSaveIntervalMs(), 2147483647u);
  g_Ini.Clear();
  g_Ini.SetString("WMAutoSaveTime", "5");
  ApplyAutoSaveSettings();
  EXPECT_EQ(AutoSaveIntervalMs(), 0u) << "WMAutoSave missing: off";
}

TEST_F(AutoActions, ToolsPanelIsHiddenAndItsButtonReleased) {
  Settings({{"AutoGTools", "1"}, {"AutoGTools_T", "2"}});
  CheckBarButton(kCmdToolsPanel, 1);  // as the command bar's tap leaves it
  g_ToolPanel.Show(1);
  harness::PumpUntilIdle();
  ASSERT_TRUE(g_ToolPanel.IsShown());
  g_IdleClock.ResetIdleClock();
  harness::Advance(2000);
  EXPECT_TRUE(g_ToolPanel.IsShown());
  harness::Advance(1500);
  EXPECT_FALSE(g_ToolPanel.IsShown());
  EXPECT_EQ(IsBarButtonChecked(kCmdToolsPanel), 0);
}


TEST(AutoActionsBeforeStartUp, NothingRunsAndNoLockIsTaken) {
  harness::Start();
  g_Ini.SetInt("WMAutoSave", 1);
  g_Ini.SetInt("WMAutoSaveTime", 1);
  g_Ini.SetInt("AutoRule", 1);
  g_Ini.SetInt("AutoRule_T", 1);
  g_AutoActions.LoadSettings();
  ApplyAutoSaveSettings();
  SetInputModeDirect(input_mode::kRuler);
  harness::Advance(120000);
  g_AutoActions.OnTimer();
  EXPECT_EQ(GetInputMode(), input_mode::kRuler);
  EXPECT_EQ(AutoSaveNow(), 0);
  EXPECT_EQ(ToggleScreenLock(nullptr), 0);
  EXPECT_EQ(ScreenLockWindow(), nullptr);
  DisarmAutoSave();
  harness::Stop();
}

// An autosave that falls due while a dialog is open waits for the dialog's close (the project
// editor may be removing the map, the form storing into it), then runs at the next idle tick;
// the tools panel, due to hide meanwhile, stays under the dialog too.
TEST_F(AutoSave, AnAutosaveDueUnderAnOpenWindowRunsAtItsClose) {
  Settings({{"WMAutoSave", "1"}, {"WMAutoSaveTime", "1"}, {"AutoGTools", "1"}, {"AutoGTools_T", "2"}});
  ApplyAutoSaveSettings();
  g_ToolPanel.Show(1);
  harness::PumpUntilIdle();
  Modify();
  static const DLGTEMPLATEW kOther = {DLGTEMPLATE_MAGIC, 9702, WS_POPUP | WS_VISIBLE, 0, L"Other",
                                      nullptr, 0, 20, 40, 200, 120, nullptr, 0};
  bool savedInside = true, panelInside = false;
  harness::OnDialog(9702, [&](HWND other) {
    harness::Advance(61000);
    savedInside = Saved();
    panelInside = g_ToolPanel.IsShown();
    EndDialog(other, IDOK);
  });
  DialogBoxIndirectParamW(nullptr, &kOther, w,
                          [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; },
                          0);
  EXPECT_FALSE(savedInside);
  EXPECT_TRUE(panelInside);
  EXPECT_FALSE(Saved());
  harness::Advance(1000);
  EXPECT_TRUE(Saved()) << "the save owed runs at the first tick after the close";
  EXPECT_TRUE(g_ToolPanel.IsShown()) << "the panel's time-out counts from the close";
}
