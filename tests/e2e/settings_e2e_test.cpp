// The settings dialog over the started program on the demo device, by pen and keys: every tab
// changed once through its control (each page saved as a PNG under test-artifacts/settings/),
// Apply and Cancel against the file on disk, a new language that reopens the dialog in its own
// texts, the almanac base picked on the map, the hardware keys taken back by the main window,
// and the live values from a fake receiver.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/navigation.h"
#include "app/winmain.h"
#include "base/button_table.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "gps/almanac.h"
#include "gps/gps_port.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "settings/settings_dialog.h"
#include "tests/app/startup_fixture.h"
#include "tests/settings/settings_fixture.h"
#include "tools/sampledata/demo_device.h"
#include "tests/support/gps_lines.h"
#include "tools/sampledata/fake_receiver.h"
#include "view/map_view.h"

namespace {

void Shot(const std::string& name) {
  harness::PumpUntilIdle();  // every pending paint first
  const std::string dir = std::string(VORNA_BINARY_DIR) + "/test-artifacts/settings";
  std::filesystem::create_directories(dir);
  EXPECT_TRUE(harness::SaveScreen(dir + "/" + name + ".png")) << name;
}

void TapControl(HWND window, int id) {
  RECT rc{};
  GetWindowRect(GetDlgItem(window, id), &rc);
  harness::Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

// Taps a check box on its box, at its left end.
void TapCheck(HWND page, int id) {
  RECT rc{};
  GetWindowRect(GetDlgItem(page, id), &rc);
  harness::Tap(rc.left + 6, (rc.top + rc.bottom) / 2);
}

void Pick(HWND page, int id, int index) {
  settingstest::PickItem(page, id, index);
  harness::PumpUntilIdle();
}

// Taps the tab in the strip, scrolling the strip with its right arrow until the tab shows.
void TapTab(HWND dialog, int tab) {
  HWND tabs = GetDlgItem(dialog, 2093);
  RECT client{};
  GetClientRect(tabs, &client);
  for (int i = 0; i < 12; ++i) {
    RECT r{};
    SendMessageW(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (r.left >= 0 && r.right <= client.right - 28) {
      ClientToScreen(tabs, &p);
      harness::Tap(p.x, p.y);
      return;
    }
    POINT arrow{r.left < 0 ? client.right - 21 : client.right - 7, 10};
    ClientToScreen(tabs, &arrow);
    harness::Tap(arrow.x, arrow.y);
  }
}

using settingstest::CurrentTab;
using settingstest::TabText;

std::string Value(const char* key) {
  std::string v;
  return g_Ini.GetString(key, v) ? v : "<none>";
}

bool BackupExists() {
  return std::filesystem::exists(harness::HostPath(L"\\Vorna\\Vorna.ini") + ".bak");
}

class SettingsE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
    startup_test::WriteHostFile(harness::Root() + "/Vorna/English.lng",
                                "[Lang]\nDlgSet_Navi=Navi\nDlgSet_Lang=Language\nDlgSet_Alm=Almanac\n"
                                "DlgSet_Ports=Ports\n");
    startup_test::PlentyOfMemory();
    harness::AnswerMessageBox(L"", IDOK);
    main = startup_test::MakeMainWindow("");
    ASSERT_NE(main, nullptr);
    harness::PumpUntilIdle();
  }
  void TearDown() override {
    DestroyWindow(main);
    harness::Stop();
  }
  // Every page window made by the last dialog, to check they are gone after it.
  void NotePages() {
    for (int t = 0; t < kSettingsPageCount; ++t)
      if (HWND p = TSettingsDialog::Page(t)) pages.push_back(p);
  }
  void ExpectClosedClean() {
    EXPECT_EQ(TSettingsDialog::Dialog(), nullptr);
    for (HWND p : pages) EXPECT_FALSE(IsWindow(p));
    EXPECT_FALSE(BackupExists());
  }
  // Navigation mode on a plain NMEA receiver at COM5:, the fake one.
  static void StartNavigationOn(sample::FakeReceiver& fake) {
    ASSERT_TRUE(fake.Open());
    setenv("VORNA_COM5", fake.SlavePath().c_str(), 1);
    g_Ini.SetInt("GPSTYPE", 0);
    g_Ini.SetString("GPSCOMNUM_NMEA", "COM5:");
    g_Ini.SetInt("GPSCOMBR_NMEA", 4800);
    StartNavigationMode(0, 0);
    ASSERT_TRUE(g_GpsPort.IsOpen());
  }
  HWND main = nullptr;
  std::vector<HWND> pages;
};

TEST_F(SettingsE2e, EveryTabChangedOnceThenApplyAndCancelAgainstTheFile) {
  const char* shots[kSettingsPageCount] = {"0_navigation", "1_geodesy", "2_ports",
                                           "3_buttons",    "4_map",     "5_general",
                                           "6_almanac",    "7_language", "8_auto"};
  int openings = 0, firstTab = -1, reopenedTab = -1;
  std::wstring reopenedText;
  std::string fileAtApply;
  harness::OnDialog(108, [&](HWND d) {
    ++openings;
    if (openings == 1) {
      firstTab = CurrentTab(d);
      // The language last: the Apply on its tab reopens the dialog there.
      for (int tab : {0, 1, 2, 3, 4, 5, 6, 8, 7}) {
        if (tab) TapTab(d, tab);
        EXPECT_EQ(CurrentTab(d), tab);
        HWND page = TSettingsDialog::Page(tab);
        ASSERT_NE(page, nullptr);
        switch (tab) {
          case 0: TapCheck(page, 2342); break;  // turn point signs
          case 1: Pick(page, 2322, 3); break;   // antenna
          case 2: Pick(page, 1040, 5); break;   // GPS port COM6:
          case 3:
            TapControl(page, 2084);
            harness::HardwareButton(5);  // captured: key 0xC5
            Pick(page, 2092, 1);         // zoom in
            break;
          case 4: TapCheck(page, 2330); break;  // marking
          case 5: TapCheck(page, 2103); break;  // save the project
          case 6: TapCheck(page, 2147); break;  // no almanac at start
          case 7: Pick(page, 1213, 1); break;   // English, after the built-in language
          case 8: TapCheck(page, 1337); break;  // close the tools
        }
        harness::PumpUntilIdle();
        Shot(shots[tab]);
      }
      NotePages();
      TapControl(d, 8);  // Apply: a new language reopens the dialog
      return;
    }
    reopenedTab = CurrentTab(d);
    reopenedText = TabText(d, 7);
    fileAtApply = startup_test::ReadHostFile(startup_test::IniHostPath());
    Shot("reopened_language");
    TapTab(d, 4);
    TapCheck(TSettingsDialog::Page(4), 2431);  // grid, not applied
    NotePages();
    TapControl(d, 4);  // Cancel
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  EXPECT_EQ(openings, 2);
  EXPECT_EQ(firstTab, 0);
  EXPECT_EQ(reopenedTab, 7);
  EXPECT_EQ(reopenedText, L"Language");
  for (const char* line : {"NaviRotPt=1\n", "GeoAntType=JPSREGANT_DD_E\n", "GPSCOMNUM_NMEA=COM6:\n",
                           "ButtCode", "MapViewMarking=1\n", "AlmAutoLoad=0\n", "LangFile=English\n",
                           "AutoGTools=1\n"})
    EXPECT_NE(fileAtApply.find(line), std::string::npos) << line;
  // Cancel: the file and the store are back at the Apply.
  EXPECT_EQ(startup_test::ReadHostFile(startup_test::IniHostPath()), fileAtApply);
  EXPECT_NE(Value("MapViewGrid"), "1");
  EXPECT_EQ(Value("MapViewMarking"), "1");
  ExpectClosedClean();

  // The main window took the hardware keys back: the captured key zooms the map.
  SendMessageW(main, WM_ACTIVATE, WA_ACTIVE, 0);
  const int32_t before = g_MapView.GetScale();
  harness::HardwareButton(5);
  EXPECT_NE(g_MapView.GetScale(), before);
}

TEST_F(SettingsE2e, AModeFifteenTapOpensTheAlmanacTabAndPickSetsTheModeAgain) {
  SetInputMode(input_mode::kAlmanacBase);
  int tab = -1;
  std::wstring x;
  harness::OnDialog(108, [&](HWND d) {
    tab = CurrentTab(d);
    HWND page = TSettingsDialog::Page(6);
    wchar_t text[64] = {};
    GetDlgItemTextW(page, 2149, text, 64);
    x = text;
    Shot("almanac_from_map");
    TapCheck(page, 2148);  // the base on: its buttons come alive
    NotePages();
    TapControl(page, 2386);
  });
  harness::Tap(120, 150);
  EXPECT_EQ(tab, 6);
  const std::string stored = Value("AlmBaseX");
  EXPECT_NE(stored, "<none>");
  EXPECT_EQ(x, std::wstring(stored.begin(), stored.end()));
  EXPECT_EQ(GetInputMode(), input_mode::kAlmanacBase);
  EXPECT_EQ(Value("AlmBase"), "1");
  EXPECT_NE(startup_test::ReadHostFile(startup_test::IniHostPath()).find("AlmBase=1\n"), std::string::npos);
  ExpectClosedClean();
}

TEST_F(SettingsE2e, TheNavigationTabShowsTheLiveFixOfTheRunningPort) {
  sample::FakeReceiver fake;
  ASSERT_NO_FATAL_FAILURE(StartNavigationOn(fake));
  ASSERT_TRUE(test_gps::WriteAndWaitRead(
      fake, {sample::NmeaLine("GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")}));
  GpsFix fix{};
  g_GpsPort.GetFix(&fix);
  ASSERT_EQ(fix.status, 'A');
  std::wstring before, after;
  harness::OnDialog(108, [&](HWND d) {
    HWND page = TSettingsDialog::Page(0);
    SetDlgItemTextW(page, 2112, L"");
    wchar_t text[32] = {};
    GetDlgItemTextW(page, 2112, text, 32);
    before = text;
    harness::Advance(600);  // the 500 ms GPS timer refreshes the current tab
    GetDlgItemTextW(page, 2112, text, 32);
    after = text;
    Shot("navigation_live");
    TapControl(d, IDOK);
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  StopNavigationMode(1);
  EXPECT_EQ(before, L"");
  EXPECT_EQ(after, L"41.5");
}

// Navigation on a fake receiver that stands still. An offset typed on the navigation page takes
// effect at the next fix, though the receiver has not moved; and "Запретить выключение КПК",
// unchecked on the general page (which stops the keep-awake at once), comes back with Cancel.
TEST_F(SettingsE2e, OffsetAndKeepAwakeReachTheRunningNavigationAsTheDialogEnds) {
  sample::FakeReceiver fake;
  g_Ini.SetInt("GPSDISABLEAUTOSUSPEND", 1);
  g_Ini.SetInt("GPSOffsActive", 0);
  ASSERT_NO_FATAL_FAILURE(StartNavigationOn(fake));
  ASSERT_NE(g_GpsPort.GetKeepAwakeTimerId(), 0u);
  const std::vector<std::string> still = {
      sample::NmeaLine("GPRMC,123519,A,4807.038,N,01131.000,E,000.0,084.4,230394,003.1,W")};
  ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, still));
  harness::Advance(500);
  ASSERT_EQ(g_MapView.gpsState, 1);
  const double x0 = g_MapView.gpsX, y0 = g_MapView.gpsY;

  harness::OnDialog(108, [&](HWND d) {
    HWND page = TSettingsDialog::Page(0);
    TapCheck(page, 2100);  // the offset on
    TapControl(page, 2045);
    SendDlgItemMessageW(page, 2045, EM_SETSEL, 0, -1);
    harness::Type(L"100");
    TapControl(d, IDOK);
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  ASSERT_EQ(Value("GPSOffsX"), "100");
  ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, still));
  harness::Advance(500);
  EXPECT_DOUBLE_EQ(g_MapView.gpsX, x0 + 100);
  EXPECT_DOUBLE_EQ(g_MapView.gpsY, y0);

  bool stoppedAtTheTap = false;
  harness::OnDialog(108, [&](HWND d) {
    TapTab(d, 5);
    TapCheck(TSettingsDialog::Page(5), 2104);
    stoppedAtTheTap = g_GpsPort.GetKeepAwakeTimerId() == 0;
    NotePages();
    TapControl(d, 4);  // Cancel
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  EXPECT_TRUE(stoppedAtTheTap);
  EXPECT_EQ(Value("GPSDISABLEAUTOSUSPEND"), "1");
  EXPECT_NE(g_GpsPort.GetKeepAwakeTimerId(), 0u);
  ExpectClosedClean();
  StopNavigationMode(1);
  EXPECT_EQ(g_GpsPort.GetKeepAwakeTimerId(), 0u);
  fake.HangUp();
}

// Types a text into an edit of a page as the pen and the input panel do: a tap gives it the
// focus, the text replaces what it held.
void TypeInto(HWND page, int id, const wchar_t* text) {
  TapControl(page, id);
  SetWindowTextW(GetDlgItem(page, id), text);
  harness::PumpUntilIdle();
}

std::wstring EditText(HWND page, int id) {
  wchar_t text[300] = {};
  GetDlgItemTextW(page, id, text, 300);
  return text;
}

TEST_F(SettingsE2e, AFileWithoutAnAlmanacLoadsNothingAndTheDemoAlmanacStays) {
  ASSERT_TRUE(g_Almanac.IsLoaded());  // the demo almanac, loaded at start
  startup_test::WriteHostFile(harness::Root() + "/Vorna/GPS/Empty.jps", "");
  std::wstring periodBefore, periods[2], files[2];
  harness::ClearMessageBoxes();
  harness::OnDialog(108, [&](HWND d) {
    TapTab(d, 6);
    HWND page = TSettingsDialog::Page(6);
    periodBefore = EditText(page, 2152);
    const wchar_t* names[2] = {L"\\Vorna\\GPS\\Empty.jps", L"\\Vorna\\Maps\\Streets.mvw"};
    for (int k = 0; k < 2; ++k) {
      TypeInto(page, 1032, names[k]);
      TapControl(page, 2336);
      periods[k] = EditText(page, 2152);
      files[k] = EditText(page, 1032);
    }
    NotePages();
    TapControl(d, IDOK);
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  EXPECT_EQ(periodBefore, L"2013.12.26 - 2013.12.27");
  ASSERT_EQ(harness::MessageBoxes().size(), 2u);
  for (int k = 0; k < 2; ++k) {
    EXPECT_EQ(harness::MessageBoxes()[size_t(k)].text, L"Альманах не загружен.") << k;
    EXPECT_EQ(periods[k], periodBefore) << k;
    EXPECT_EQ(files[k], L"\\Vorna\\GPS\\Demo.jps") << k;
  }
  // The demo almanac still predicts, and is still the one for the next start.
  ASSERT_TRUE(g_Almanac.IsLoaded());
  SYSTEMTIME noon{};
  noon.wYear = 2013, noon.wMonth = 12, noon.wDay = 26, noon.wHour = 12;
  g_Almanac.SetObserver(noon, 55.75, 37.61, 0);
  int above = 0;
  for (int prn = 1; prn <= 32; ++prn) {
    uint8_t el;
    int16_t az;
    above += g_Almanac.GetSatellite(prn, &el, &az);
  }
  EXPECT_GE(above, 6);
  EXPECT_EQ(Value("AlmFile"), "\\Vorna\\GPS\\Demo.jps");
  EXPECT_NE(startup_test::ReadHostFile(startup_test::IniHostPath()).find("AlmFile=\\Vorna\\GPS\\Demo.jps\n"),
            std::string::npos);
  ExpectClosedClean();
}

TEST_F(SettingsE2e, CurrentPositionWithoutAFixKeepsTheTypedBaseAndSaysSo) {
  g_Ini.SetInt("AlmBase", 1);
  sample::FakeReceiver fake;
  ASSERT_NO_FATAL_FAILURE(StartNavigationOn(fake));
  ASSERT_TRUE(test_gps::WriteAndWaitRead(fake, {sample::NmeaLine("GPRMC,123519,V,,,,,,,230394,,,N")}));
  harness::Advance(600);  // the GPS timer takes the fix: none
  ASSERT_NE(g_MapView.gpsState, 1);
  harness::ClearMessageBoxes();
  std::wstring typed[3], withFix[3];
  const int ids[3] = {2149, 1036, 1041};
  harness::OnDialog(108, [&](HWND d) {
    TapTab(d, 6);
    HWND page = TSettingsDialog::Page(6);
    const wchar_t* values[3] = {L"6180123", L"7400456", L"150"};
    for (int k = 0; k < 3; ++k) TypeInto(page, ids[k], values[k]);
    TapControl(page, 2150);
    for (int k = 0; k < 3; ++k) typed[k] = EditText(page, ids[k]);
    // A valid fix taken by the timer: the button now takes the position.
    test_gps::WriteAndWaitRead(
        fake, {sample::NmeaLine("GPRMC,123520,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W")});
    harness::Advance(600);
    TapControl(page, 2150);
    for (int k = 0; k < 3; ++k) withFix[k] = EditText(page, ids[k]);
    NotePages();
    TapControl(d, 4);
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  StopNavigationMode(1);
  EXPECT_EQ(typed[0], L"6180123");
  EXPECT_EQ(typed[1], L"7400456");
  EXPECT_EQ(typed[2], L"150");
  ASSERT_GE(harness::MessageBoxes().size(), 1u);
  EXPECT_EQ(harness::MessageBoxes()[0].text, L"Нет текущих координат GPS.");
  EXPECT_EQ(withFix[0], std::to_wstring(int(g_MapView.gpsX)));
  EXPECT_EQ(withFix[1], std::to_wstring(int(g_MapView.gpsY)));
  ExpectClosedClean();
}

// The Almanac tab's first edit takes the focus and raises the input panel over the pages; when
// the next tab takes it down, OK, Cancel and Apply are there again, pixel for pixel as at the
// opening, on whichever tab.
TEST_F(SettingsE2e, TheButtonRowIsDrawnAgainWhenTheInputPanelGoesDown) {
  auto row = [] {
    std::vector<COLORREF> pixels;
    for (int y = 296; y < 318; ++y)
      for (int x = 0; x < 240; ++x) pixels.push_back(harness::ScreenPixel(x, y));
    return pixels;
  };
  std::vector<COLORREF> opening, afterAlmanac[2];
  bool raised = false;
  harness::OnDialog(108, [&](HWND d) {
    harness::PumpUntilIdle();
    opening = row();
    TapTab(d, 6);
    harness::PumpUntilIdle();
    raised = SipIsShown();
    const int tabs[2] = {5, 0};
    for (int k = 0; k < 2; ++k) {
      TapTab(d, tabs[k]);
      harness::PumpUntilIdle();
      afterAlmanac[k] = row();
      if (k == 0) Shot("buttons_after_almanac");
      if (k == 0) TapTab(d, 6);
    }
    NotePages();
    TapControl(d, 4);
  });
  SendMessageW(main, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  EXPECT_TRUE(raised);
  ASSERT_EQ(opening.size(), 240u * 22u);
  int dark = 0;
  for (COLORREF c : opening) dark += c == RGB(0, 0, 0);
  EXPECT_GT(dark, 200) << "OK and Cancel are written in black";
  for (int k = 0; k < 2; ++k) EXPECT_TRUE(afterAlmanac[k] == opening) << k;
  ExpectClosedClean();
}

}  // namespace
