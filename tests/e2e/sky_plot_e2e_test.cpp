// The sky plot and the almanac time bar in the program on the demo device, with the demo
// almanac loaded at start-up and the clock on its date: the command-bar button shows both, a pen
// drag on the slider moves the predictions, the graph button opens the visibility graph, the
// base option adds the mask ring. Screenshots land in the build folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/winmain.h"
#include "base/ini_file.h"
#include "geodesy/gauss_kruger.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/sat_graph.h"
#include "gps/sky_plot.h"
#include "platform/harness.h"
#include "tests/app/startup_fixture.h"
#include "settings/settings_dialog.h"
#include "tools/sampledata/demo_device.h"
#include "tools/sampledata/jps_writer.h"
#include "view/map_view.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

void Save(const char* name) {
  EXPECT_TRUE(harness::SaveScreen(std::string(VORNA_BINARY_DIR) + "/" + name)) << name;
}

POINT BarButtonCentre(int index) {
  RECT button{};
  EXPECT_TRUE(SendMessageW(g_MenuBar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button)));
  POINT p{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  ClientToScreen(g_MenuBar, &p);
  return p;
}

// Where the plot puts a record on the screen for the map area `r`.
POINT ScreenOf(const TSkySatellite& s, const RECT& r) {
  const int r0 = std::min(r.right - r.left, r.bottom - r.top) / 2 - 8;
  const double radius = r0 * (90.0 - s.elevation) / 90.0, a = s.azimuth * kPi / 180 - kPi / 2;
  return POINT{(r.left + r.right) / 2 + int(radius * std::cos(a)),
               (r.top + r.bottom) / 2 + int(radius * std::sin(a))};
}

// The program started on the demo device with the clock on the demo almanac's date, 10:00 UTC:
// the almanac is loaded at start-up.
void StartOnTheAlmanacsMorning(HWND* w) {
  harness::Start();
  ASSERT_EQ(sample::WriteDemoDevice(harness::Root()), "");
  SYSTEMTIME morning{};
  morning.wYear = 2013, morning.wMonth = 12, morning.wDay = 26, morning.wHour = 10;
  SetSystemTime(&morning);
  startup_test::PlentyOfMemory();
  harness::AnswerMessageBox(L"", IDOK);
  *w = startup_test::MakeMainWindow("");
  ASSERT_NE(*w, nullptr);
  ASSERT_TRUE(g_Almanac.IsLoaded());
}

TEST(SkyPlotE2e, TheAlmanacButtonShowsThePlotAndTheBarMovesIt) {
  HWND w = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartOnTheAlmanacsMorning(&w));

  // The fifth button of the command bar.
  const POINT button = BarButtonCentre(4);
  harness::Tap(button.x, button.y);
  EXPECT_EQ(g_SkyPlot.IsEnabled(), 1);
  EXPECT_GT(g_SkyPlot.Count(), 3);
  ASSERT_TRUE(IsBarButtonChecked(kCmdAlmanacBar));
  ASSERT_EQ(g_AlmanacBar.GetHeight(), 48);
  const RECT view = g_MapView.viewRect;
  EXPECT_EQ(view.bottom, 320 - 26 - 48);  // the map area ends above the bar
  RECT bar{};
  GetWindowRect(g_AlmanacBar.window, &bar);
  EXPECT_EQ(bar.bottom, 320 - 26);
  const int count = g_SkyPlot.Count();
  for (int i = 0; i < count; ++i) {
    const POINT p = ScreenOf(g_SkyPlot.At(i), view);
    if (p.y < view.top + 12 || p.y > view.bottom - 12) continue;
    EXPECT_EQ(harness::ScreenPixel(p.x + 7, p.y), RGB(220, 220, 220)) << int(g_SkyPlot.At(i).prn);
  }
  Save("sky_plot_predictions.png");

  // A pen drag on the slider's thumb to the right: later predictions.
  const HWND slider = GetDlgItem(g_AlmanacBar.window, TAlmanacBar::kSlider);
  RECT track{};
  GetWindowRect(slider, &track);
  const int before = int(SendMessageW(slider, TBM_GETPOS, 0, 0));
  ASSERT_EQ(before, 60);
  const int thumbX = track.left + 6 + 60 * (track.right - track.left - 22) / 288 + 5;
  const int y = (track.top + track.bottom) / 2;
  const TSkySatellite first = g_SkyPlot.At(0);
  harness::Drag(thumbX, y, thumbX + 20, y);
  const int after = int(SendMessageW(slider, TBM_GETPOS, 0, 0));
  EXPECT_GT(after, before + 10);
  EXPECT_EQ(g_AlmanacBar.time.wHour * 6 + g_AlmanacBar.time.wMinute / 10, after);
  const TSkySatellite* moved = g_SkyPlot.Find(first.prn);
  EXPECT_TRUE(!moved || moved->elevation != first.elevation || moved->azimuth != first.azimuth);
  harness::PumpUntilIdle();
  Save("sky_plot_bar_moved.png");

  // The graph button: the graph of dialog 326, a tap at hour 12, OK.
  bool graphShown = false;
  harness::OnDialog(TSatGraph::kTemplate, [&](HWND dialog) {
    harness::PumpUntilIdle();
    Save("sky_plot_graph.png");
    graphShown = true;
    POINT p{24 + int(12 * 210.0 / 48) + 1, 120};
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  harness::Tap(bar.left + 227, bar.top + 12);
  EXPECT_TRUE(graphShown);
  EXPECT_EQ(g_AlmanacBar.time.wHour, 12);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 72);
  harness::PumpUntilIdle();

  // The base option at the town's middle with a mask of 20 degrees: the dashed ring.
  double x = 0, yy = 0;
  ASSERT_TRUE(GeoToGk(55.745 * kPi / 180, 37.607 * kPi / 180, x, yy));
  g_Ini.SetInt("AlmBase", 1);
  g_Ini.SetFloat("AlmBaseX", x);
  g_Ini.SetFloat("AlmBaseY", yy);
  g_Ini.SetString("AlmBaseHMask", "20");
  ApplyViewSettings();
  InvalidateMainView(1);
  harness::PumpUntilIdle();
  EXPECT_EQ(g_SkyPlot.mask, 20);
  const int r0 = std::min(view.right - view.left, view.bottom - view.top) / 2 - 8;
  const int ring = int(r0 * float(70.0) / 90.0);
  int red = 0;
  for (int k = 0; k < 360; ++k) {
    const double a = k * kPi / 180;
    red += harness::ScreenPixel((view.left + view.right) / 2 + int(std::lround(ring * std::cos(a))),
                                (view.top + view.bottom) / 2 + int(std::lround(ring * std::sin(a)))) ==
           RGB(255, 100, 100);
  }
  EXPECT_GT(red, 100);
  Save("sky_plot_base_ring.png");

  // Off again: the bar goes and the map is drawn without the plot.
  harness::Tap(button.x, button.y);
  EXPECT_FALSE(IsBarButtonChecked(kCmdAlmanacBar));
  EXPECT_EQ(g_AlmanacBar.GetHeight(), 0);
  EXPECT_EQ(g_SkyPlot.IsEnabled(), 0);
  harness::PumpUntilIdle();
  EXPECT_EQ(g_MapView.viewRect.bottom, 320 - 26);
  DestroyWindow(w);
  harness::Stop();
}

// The demo almanac (reference time 2013-12-26 16:38:24) on its two days: the visibility graph
// counts satellites at every one of its 48 hours, and the bar's slider dragged to its right end
// (the second midnight, 31 hours after the reference time) still fills the sky.
TEST(SkyPlotE2e, TheDemoAlmanacShowsSatellitesAtEveryHourOfItsTwoDays) {
  HWND w = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartOnTheAlmanacsMorning(&w));
  const POINT button = BarButtonCentre(4);
  harness::Tap(button.x, button.y);
  ASSERT_EQ(g_AlmanacBar.GetHeight(), 48);
  RECT bar{};
  GetWindowRect(g_AlmanacBar.window, &bar);

  int hours = 0, fewest = 99;
  harness::OnDialog(TSatGraph::kTemplate, [&](HWND dialog) {
    harness::PumpUntilIdle();
    for (int h = 0; h < 48; ++h) {
      hours += g_SatGraph.counts[h] > 0;
      fewest = std::min(fewest, g_SatGraph.counts[h]);
    }
    SendMessageW(dialog, WM_COMMAND, 4, 0);  // its cancel button
  });
  harness::Tap(bar.left + 227, bar.top + 12);
  EXPECT_EQ(hours, 48);
  EXPECT_GE(fewest, 4);

  const HWND slider = GetDlgItem(g_AlmanacBar.window, TAlmanacBar::kSlider);
  RECT track{};
  GetWindowRect(slider, &track);
  const int thumbX = track.left + 6 + 60 * (track.right - track.left - 22) / 288 + 5;
  const int y = (track.top + track.bottom) / 2;
  harness::Drag(thumbX, y, track.right + 20, y);
  harness::PumpUntilIdle();
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 288);
  EXPECT_EQ(g_AlmanacBar.time.wDay, 28);
  EXPECT_GE(g_SkyPlot.Count(), 4);
  Save("sky_plot_second_midnight.png");
  DestroyWindow(w);
  harness::Stop();
}

// A week later the surveyor loads the next almanac on the almanac page while the plot and its
// bar are shown: the bar counts its 48 hours from the new almanac's date at once, and the plot
// shows the new almanac's sky now, without the plot being switched off and on.
TEST(SkyPlotE2e, ANewlyLoadedAlmanacSetsTheShownBarUpFromItsDate) {
  HWND w = nullptr;
  ASSERT_NO_FATAL_FAILURE(StartOnTheAlmanacsMorning(&w));
  const POINT button = BarButtonCentre(4);
  harness::Tap(button.x, button.y);
  ASSERT_EQ(g_AlmanacBar.GetHeight(), 48);
  ASSERT_EQ(g_AlmanacBar.baseDate.wDay, 26);

  // The next week's almanac of the same constellation, recorded on 2 January 2014; the clock
  // on that day, 10:00 UTC.
  sample::Bytes file;
  sample::Append(file, sample::JpsDate(2014, 1, 2));
  for (sample::YumaAlmanac a : sample::DemoConstellation()) {
    a.week += 1;
    sample::Append(file, sample::JpsAlmanac(a));
  }
  ASSERT_TRUE(sample::WriteJps(harness::HostPath(L"\\Vorna\\next.jps"), file));
  SYSTEMTIME later{};
  later.wYear = 2014, later.wMonth = 1, later.wDay = 2, later.wHour = 10;
  SetSystemTime(&later);

  harness::OnDialog(108, [](HWND d) {
    const HWND tabs = GetDlgItem(d, 2093);
    SendMessageW(tabs, TCM_SETCURSEL, 6, 0);
    NMHDR hdr{tabs, 2093, TCN_SELCHANGE};
    SendMessageW(d, WM_NOTIFY, 2093, reinterpret_cast<LPARAM>(&hdr));
    const HWND page = TSettingsDialog::Page(6);
    SetDlgItemTextW(page, 1032, L"\\Vorna\\next.jps");
    SendMessageW(GetDlgItem(page, 2336), BM_CLICK, 0, 0);  // load; the report is answered OK
    SendMessageW(d, WM_COMMAND, 4, 0);
  });
  SendMessageW(w, WM_COMMAND, kCmdSettings, 0);
  harness::PumpUntilIdle();
  ASSERT_EQ(g_Almanac.GetDate().wYear, 2014);

  EXPECT_EQ(g_AlmanacBar.baseDate.wYear, 2014);
  EXPECT_EQ(g_AlmanacBar.baseDate.wMonth, 1);
  EXPECT_EQ(g_AlmanacBar.baseDate.wDay, 2);
  const HWND slider = GetDlgItem(g_AlmanacBar.window, TAlmanacBar::kSlider);
  EXPECT_EQ(SendMessageW(slider, TBM_GETPOS, 0, 0), 60);  // 10:00 of the new base date
  EXPECT_EQ(g_AlmanacBar.time.wDay, 2);
  EXPECT_EQ(g_AlmanacBar.time.wHour, 10);
  EXPECT_GE(g_SkyPlot.Count(), 4) << "the new almanac's sky";
  DestroyWindow(w);
  harness::Stop();
}

}  // namespace
