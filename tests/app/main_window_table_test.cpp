// The main window as start-up leaves it: the table, the command bar, the panels, the layout and
// full screen, and the small handlers.
#include <gtest/gtest.h>

#include <set>

#include "app/auto_actions.h"
#include "base/idle_clock.h"
#include "app/menu_opener.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "edit/selection_panel.h"
#include "gps/gps_bar.h"
#include "gps/sight_rule.h"
#include "startup_fixture.h"
#include "view/map_view.h"

namespace {

using namespace startup_test;

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    PlentyOfMemory();
    SeedPalette();
    WriteHostFile(IniHostPath(), kSeedIni);
  }
  void TearDown() override { harness::Stop(); }
  HWND Make() {
    HWND w = MakeMainWindow();
    EXPECT_NE(w, nullptr);
    return w;
  }
};

TEST_F(MainWindow, TableRoutesEachMessageToOneHandler) {
  int count = 0;
  const TMessageEntry* t = GetMainMessageTable(&count);
  ASSERT_EQ(count, 15);
  std::set<UINT> messages;
  for (int i = 0; i < count; ++i) {
    EXPECT_NE(t[i].handler, nullptr) << i;
    EXPECT_TRUE(messages.insert(t[i].message).second) << "listed twice, so never reached: " << i;
  }

  // Through the window: the handlers' own effects show that each message reaches its handler.
  HWND w = Make();
  harness::ClearMessageBoxes();
  uint32_t resets = g_IdleClock.resets;
  SendMessageW(w, WM_HOTKEY, 0xC1, 0);
  EXPECT_EQ(g_IdleClock.resets, ++resets);
  SendMessageW(w, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(g_IdleClock.resets, ++resets);
  SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
  EXPECT_EQ(g_IdleClock.resets, ++resets);
  SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(101, 101));  // pen moves keep the idle clock
  SendMessageW(w, WM_USER + 77, 0, 0);                     // in no table: the default handling
  EXPECT_EQ(g_IdleClock.resets, resets);
  SendMessageW(w, WM_BOUNDS_ERROR, 14, 0);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  SendMessageW(w, WM_COMMAND, 41108, 0);
  EXPECT_EQ(g_MapView.GetScale(), 10000);
}

TEST_F(MainWindow, StartedWindowCommandBarPanelsAndView) {
  HWND w = Make();
  EXPECT_EQ(FindWindowW(L"Vorna", nullptr), w);
  wchar_t title[32];
  GetWindowTextW(w, title, 32);
  EXPECT_STREQ(title, L"Selmik");
  EXPECT_TRUE(IsWindowVisible(w));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right - r.left, 240);
  EXPECT_EQ(r.bottom - r.top, 320);

  ASSERT_NE(g_MenuBar, nullptr);
  GetWindowRect(g_MenuBar, &r);
  EXPECT_EQ(r.top, 320 - 26);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_EQ(SendMessageW(g_MenuBar, TB_BUTTONCOUNT, 0, 0), 13);
  HMENU scales = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, 40009));
  ASSERT_NE(scales, nullptr);
  ASSERT_EQ(GetMenuItemCount(scales), 22);
  EXPECT_EQ(GetMenuItemID(scales, 0), 40214u);
  for (int i = 1; i < 22; ++i) EXPECT_EQ(GetMenuItemID(scales, i), UINT(41122 - i)) << i;
  HMENU maps = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, 40211));
  ASSERT_NE(maps, nullptr);
  EXPECT_EQ(GetMenuItemID(maps, 0), 41023u);
  EXPECT_EQ(GetMenuItemID(maps, 6), 40209u);
  HMENU file = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, 40002));
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuItemID(file, GetMenuItemCount(file) - 1), 40005u);

  // Seven panels, all hidden, none with id 1.
  int panels = 0;
  for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    ++panels;
    EXPECT_FALSE(IsWindowVisible(c));
    EXPECT_NE(GetDlgCtrlID(c), 1);
  }
  EXPECT_EQ(panels, 7);

  EXPECT_EQ(g_MapView.viewRect.left, 0);
  EXPECT_EQ(g_MapView.viewRect.top, 0);
  EXPECT_EQ(g_MapView.viewRect.right, 240);
  EXPECT_EQ(g_MapView.viewRect.bottom, 294);
  EXPECT_TRUE(IsMainMenuItemChecked(40211, 41023));
  EXPECT_FALSE(IsMainMenuItemChecked(40211, 41021));
  EXPECT_FALSE(IsMainMenuItemChecked(40211, 41024));
  EXPECT_TRUE(IsMainMenuItemChecked(40211, 40207));  // both kinds of map shown
  EXPECT_EQ(g_MapView.dbPointsMode, 1);
  EXPECT_EQ(g_FullRedraw, 0);
}

TEST_F(MainWindow, BoundsErrorShowsOneBoxForPointsAndObjects) {
  HWND w = Make();
  harness::ClearMessageBoxes();
  SendMessageW(w, WM_USER + 666, 15, 0);
  EXPECT_TRUE(harness::MessageBoxes().empty());
  SendMessageW(w, WM_USER + 666, 14, 0);
  SendMessageW(w, WM_USER + 666, 16, 0);
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(100084));
  EXPECT_EQ(harness::MessageBoxes()[1].text, g_Lang.GetText(100085));
  EXPECT_TRUE(harness::MessageBoxes()[0].caption.empty());

  // While a box is up, a burst adds none.
  harness::ClearMessageBoxes();
  g_BoundsBoxUp = 1;
  for (int i = 0; i < 100; ++i) EXPECT_EQ(SendMessageW(w, WM_USER + 666, 14, 0), 0);
  g_BoundsBoxUp = 0;
  EXPECT_TRUE(harness::MessageBoxes().empty());
}

TEST_F(MainWindow, LowMemoryWarnsBelowHalfAMegabyteAndRepeatsAfterTheBox) {
  Make();
  harness::ClearMessageBoxes();
  PlentyOfMemory(524288);
  harness::Advance(30000);
  EXPECT_TRUE(harness::MessageBoxes().empty());

  PlentyOfMemory(524287);
  harness::Advance(30000);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, g_Lang.GetText(100083));
  EXPECT_EQ(harness::MessageBoxes()[0].type & MB_ICONMASK, UINT(MB_ICONSTOP));
  EXPECT_TRUE(harness::MessageBoxes()[0].caption.empty());
  harness::Advance(29999);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
  harness::Advance(1);
  EXPECT_EQ(harness::MessageBoxes().size(), 2u);
}

TEST_F(MainWindow, FullScreenOnAndOff) {
  HWND w = Make();
  EXPECT_EQ(SetFullScreen(w, 1), 1);  // every paint already made it full screen
  EXPECT_EQ(SetFullScreen(w, 0), 0);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 26);
  EXPECT_EQ(r.right, 240);
  EXPECT_EQ(r.bottom, 320);
  EXPECT_EQ(SetFullScreen(w, 0), 1);
  // The next paint goes full screen again.
  InvalidateMainView(0);
  harness::PumpUntilIdle();
  GetWindowRect(w, &r);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.bottom, 320);
}

TEST_F(MainWindow, InputPanelChangeAsksForAFullRedraw) {
  HWND w = Make();
  g_MapView.viewRect = RECT{0, 0, 0, 0};
  SHSipPreference(w, SIP_UP);
  harness::PumpUntilIdle();
  InvalidateMainView(0);
  harness::PumpUntilIdle();
  // Only a full redraw lays the map area out again.
  EXPECT_EQ(g_MapView.viewRect.bottom, 294);
  EXPECT_EQ(g_SipWasShown, 1);
}

TEST_F(MainWindow, HibernateFreesOnlyAChildWithIdOneAndOnlyWhenInactive) {
  HWND w = Make();
  HWND stranger = CreateWindowExW(0, L"static", L"", WS_CHILD, 0, 0, 10, 10, w,
                                  reinterpret_cast<HMENU>(1), nullptr, nullptr);
  SetActiveWindow(w);
  SendMessageW(w, WM_HIBERNATE, 0, 0);
  EXPECT_TRUE(IsWindow(stranger));
  HWND other = CreateWindowExW(0, L"static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  SetActiveWindow(other);
  SendMessageW(w, WM_HIBERNATE, 0, 0);
  EXPECT_FALSE(IsWindow(stranger));
  EXPECT_TRUE(IsWindow(g_GpsBar.window));
  EXPECT_TRUE(IsWindow(g_SelectionPanel.window));
  SendMessageW(w, WM_HIBERNATE, 0, 0);  // nothing left to free: harmless
}

TEST_F(MainWindow, MenuPopupArmsTheOpenerAndResetsTheIdleClock) {
  HWND w = Make();
  g_MapView.SetScale(5000);
  HMENU scales = reinterpret_cast<HMENU>(SendMessageW(g_MenuBar, SHCMBM_GETSUBMENU, 0, 40009));
  uint32_t resets = g_IdleClock.resets;
  SendMessageW(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(scales), 0);
  EXPECT_EQ(g_IdleClock.resets, resets + 1);
  EXPECT_EQ(g_MenuOpener.armed, 1);
  EXPECT_EQ(GetMenuItemID(scales, g_MenuOpener.itemIndex), 41106u);
  SendMessageW(w, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(g_MenuOpener.armed, 0);
  EXPECT_EQ(g_IdleClock.resets, resets + 2);
  harness::Advance(200);  // the stopped timer does not fire again
  EXPECT_EQ(g_MenuOpener.armed, 0);

  g_MapView.SetScale(100);
  SendMessageW(w, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(scales), 0);
  EXPECT_EQ(g_MenuOpener.itemIndex, 21);  // the last item
}

TEST_F(MainWindow, ScaleMenuChecksTableScalesOnly) {
  Make();
  CheckScaleMenuItem(5000);
  EXPECT_TRUE(IsMainMenuItemChecked(40009, 41106));
  CheckScaleMenuItem(4000);
  for (UINT id = 41101; id <= 41121; ++id) EXPECT_FALSE(IsMainMenuItemChecked(40009, id)) << id;
  EXPECT_EQ(ScaleMenuCommand(4000), 41106u);  // nearest step
}

TEST_F(MainWindow, SightRingListGetsItsSemicolonAndAShortListIsReadToo) {
  // Without the appended ';' the last segment would not be read.
  WriteHostFile(IniHostPath(), "[Ini]\nNaviRuleSight=1\nNaviRuleSightList=50;100:255\n");
  Make();
  EXPECT_EQ(g_SightRule.on, 1);
  ASSERT_EQ(g_SightRule.rings.size(), 2u);
  EXPECT_EQ(g_SightRule.rings[1].radius, 100);
  EXPECT_EQ(g_SightRule.rings[1].colour, 255u);

  g_Ini.SetString("NaviRuleSightList", "5");
  ApplyViewSettings();
  ASSERT_EQ(g_SightRule.rings.size(), 1u);  // one character is one ring
  EXPECT_EQ(g_SightRule.rings[0].radius, 5);
  EXPECT_EQ(g_SightRule.rings[0].colour, 255u);
  g_Ini.SetString("NaviRuleSightList", "");
  ApplyViewSettings();
  EXPECT_TRUE(g_SightRule.rings.empty());  // an emptied list: no rings
  EXPECT_EQ(g_SightRule.on, 1);
  g_Ini.SetString("NaviRuleSightList", "70;");
  ApplyViewSettings();
  ASSERT_EQ(g_SightRule.rings.size(), 1u);  // ends with its ';': none added
  EXPECT_EQ(g_SightRule.rings[0].radius, 70);
  g_Ini.SetString("NaviRuleSightList", std::string(10000, '9').c_str());
  ApplyViewSettings();
  EXPECT_TRUE(g_SightRule.rings.empty());  // beyond 32 bits: no ring

  WriteHostFile(IniHostPath(), "[Ini]\nNaviRuleSight=1\n");
  g_Ini.Load("\\Vorna\\Vorna.ini");
  ApplyViewSettings();
  EXPECT_EQ(g_SightRule.on, 0);  // no list: the rings go off
}

TEST_F(MainWindow, ExitCommandSavesTheSessionAndQuits) {
  HWND w = Make();
  PostMessageW(w, WM_COMMAND, 40005, 0);
  EXPECT_FALSE(harness::PumpUntilIdle());  // WM_QUIT met
  EXPECT_FALSE(IsWindow(w));
  std::string ini = ReadHostFile(IniHostPath());
  EXPECT_EQ(ini.rfind("[Ini]\n", 0), 0u);
  EXPECT_NE(ini.find("\nDBGlobal=DB\\Global.ndb\n"), std::string::npos);
  EXPECT_NE(ini.find("\nDefaultFile=\n"), std::string::npos);
  EXPECT_NE(ini.find("\nGPSDefCodePoint=0\n"), std::string::npos);
  EXPECT_NE(ini.find("\nSearchCityID=0\n"), std::string::npos);
  // The seeded lines come back as they were, duplicates included.
  EXPECT_EQ(ini.rfind(kSeedIni, 0), 0u) << ini;
}

}  // namespace
