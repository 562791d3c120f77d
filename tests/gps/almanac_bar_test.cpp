// The almanac time bar (slider, pickers, place, graph button) and the satellite visibility graph
// (counts, mask text, tap, OK and cancel), driven through their controls and messages.
#include <cmath>
#include <cstring>
#include <numeric>

#include "base/ini_file.h"
#include "gps/sat_graph.h"
#include "sky_fixture.h"

namespace {

using skytest::kPi;
using skytest::SkyTest;
using skytest::Utc;

class BarTest : public SkyTest {
 protected:
  void SetUp() override {
    SkyTest::SetUp();
    ASSERT_NE(g_AlmanacBar.Create(owner, nullptr), nullptr);
    g_AlmanacBar.Place(294);
  }
  HWND Item(int id) const { return GetDlgItem(g_AlmanacBar.window, id); }
  int Slider() const { return int(SendMessageW(Item(TAlmanacBar::kSlider), TBM_GETPOS, 0, 0)); }
  // The user moves the slider to `position` (the message carries it; the bar asks the slider).
  void MoveSlider(int position) {
    SendMessageW(Item(TAlmanacBar::kSlider), TBM_SETPOS, TRUE, position);
    SendMessageW(g_AlmanacBar.window, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 LPARAM(Item(TAlmanacBar::kSlider)));
  }
  // The user sets the date picker to `t` and the control reports it.
  void PickDate(const SYSTEMTIME& t) {
    SendMessageW(Item(TAlmanacBar::kDatePicker), DTM_SETSYSTEMTIME, GDT_VALID, LPARAM(&t));
    NMDATETIMECHANGE nm{};
    nm.nmhdr.hwndFrom = Item(TAlmanacBar::kDatePicker);
    nm.nmhdr.idFrom = TAlmanacBar::kDatePicker;
    nm.nmhdr.code = DTN_DATETIMECHANGE;
    nm.st = t;
    SendMessageW(g_AlmanacBar.window, WM_NOTIFY, TAlmanacBar::kDatePicker, LPARAM(&nm));
  }
  SYSTEMTIME Picker(int id) const {
    SYSTEMTIME t{};
    SendMessageW(Item(id), DTM_GETSYSTEMTIME, 0, LPARAM(&t));
    return t;
  }
  static void ExpectTime(const SYSTEMTIME& t, int y, int mo, int d, int h, int mi, int s) {
    EXPECT_EQ(t.wYear, y);
    EXPECT_EQ(t.wMonth, mo);
    EXPECT_EQ(t.wDay, d);
    EXPECT_EQ(t.wHour, h);
    EXPECT_EQ(t.wMinute, mi);
    EXPECT_EQ(t.wSecond, s);
  }
};

TEST_F(BarTest, SliderStepsAreTenMinutesOverTwoDaysFromTheAlmanacDate) {
  g_AlmanacBar.Show(1);
  EXPECT_EQ(g_AlmanacBar.GetHeight(), 48);
  ExpectTime(g_AlmanacBar.baseDate, 2013, 12, 26, 0, 0, 0);
  EXPECT_EQ(Slider(), 60);  // the virtual clock's 10:00 UTC
  ExpectTime(g_AlmanacBar.time, 2013, 12, 26, 10, 0, 0);
  EXPECT_GT(g_SkyPlot.Count(), 3);  // showing refills the plot with predictions

  MoveSlider(6);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 26, 1, 0, 0);
  ExpectTime(Picker(TAlmanacBar::kDatePicker), 2013, 12, 26, 1, 0, 0);
  ExpectTime(Picker(TAlmanacBar::kTimePicker), 2013, 12, 26, 1, 0, 0);
  MoveSlider(288);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 28, 0, 0, 0);
  MoveSlider(5000);  // clamped by the slider
  EXPECT_EQ(Slider(), 288);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 28, 0, 0, 0);
  MoveSlider(-3);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 26, 0, 0, 0);
  // The keys move it too, a step of 10 minutes.
  SetFocus(Item(TAlmanacBar::kSlider));
  harness::Key(VK_RIGHT);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 26, 0, 10, 0);

  // Showing again takes the current time, clamped to the two days.
  const SYSTEMTIME later = Utc(2014, 2, 1, 8, 0, 0), earlier = Utc(2013, 12, 1, 8, 0, 0);
  SetSystemTime(&later);
  g_AlmanacBar.Show(1);
  EXPECT_EQ(Slider(), 288);
  SetSystemTime(&earlier);
  g_AlmanacBar.Show(1);
  EXPECT_EQ(Slider(), 0);

  g_AlmanacBar.Show(0);
  EXPECT_EQ(g_AlmanacBar.GetHeight(), 0);
  EXPECT_EQ(host.fullRedraws, 1);
  g_AlmanacBar.Show(0);  // already hidden: no second redraw
  EXPECT_EQ(host.fullRedraws, 1);
}

TEST_F(BarTest, PickersSetTheTimeAndTheSliderFollowsClamped) {
  g_AlmanacBar.Show(1);
  const int before = g_AlmanacBar.updates;
  // The user steps the date picker's day up with the arrow key: one day, one update.
  SetFocus(Item(TAlmanacBar::kDatePicker));
  harness::Key(VK_UP);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 27, 10, 0, 0);
  EXPECT_EQ(Slider(), 204);
  EXPECT_EQ(g_AlmanacBar.updates, before + 1);

  PickDate(Utc(2013, 12, 20, 0, 0, 0));  // before the base
  EXPECT_EQ(Slider(), 0);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 20, 10, 0, 0);  // the pickers' time stays
  PickDate(Utc(2031, 1, 1, 0, 0, 0));
  EXPECT_EQ(Slider(), 288);
  ExpectTime(g_AlmanacBar.time, 2031, 1, 1, 10, 0, 0);
  // Setting the pickers from the program is no change of the user's.
  const int now = g_AlmanacBar.updates;
  g_AlmanacBar.SetPickers();
  EXPECT_EQ(g_AlmanacBar.updates, now);
}

TEST_F(BarTest, WithoutAnAlmanacThePickersAreOffAndTheSliderChangesNothing) {
  EXPECT_EQ(g_Almanac.Load("\\missing.jps"), 0);
  g_AlmanacBar.Show(1);
  EXPECT_FALSE(IsWindowEnabled(Item(TAlmanacBar::kDatePicker)));
  EXPECT_FALSE(IsWindowEnabled(Item(TAlmanacBar::kTimePicker)));
  const SYSTEMTIME was = g_AlmanacBar.time;
  MoveSlider(100);
  EXPECT_EQ(std::memcmp(&was, &g_AlmanacBar.time, sizeof was), 0);
  EXPECT_EQ(g_SkyPlot.Count(), 0);
}

TEST_F(BarTest, AnAlmanacWithoutADateCountsFromToday) {
  sample::Bytes file;
  for (const sample::YumaAlmanac& a : sample::DemoConstellation())
    sample::Append(file, sample::JpsAlmanac(a));
  LoadAlmanac(file);
  const SYSTEMTIME day = Utc(2014, 3, 10, 9, 41, 0);
  SetSystemTime(&day);
  g_AlmanacBar.Show(1);
  ExpectTime(g_AlmanacBar.baseDate, 2014, 3, 10, 0, 0, 0);
  EXPECT_EQ(Slider(), 58);
}

TEST_F(BarTest, ThePlaceIsTheMapCentreAndStaysWithoutAMap) {
  ASSERT_TRUE(Feed(DemoEpoch(), [](const GpsFix& f) { return f.satellitesComplete == 1; }));
  g_AlmanacBar.Show(1);
  EXPECT_NEAR(g_AlmanacBar.latitude * 180 / kPi, skytest::kTownLat, 1e-5);
  EXPECT_NEAR(g_AlmanacBar.longitude * 180 / kPi, skytest::kTownLon, 1e-5);
  EXPECT_EQ(Fix().satellitesComplete, 1);  // the port is open: the receiver's table stays
  g_GpsPort.Close();
  g_MapView.zone = 255;  // no map has given the view a zone
  g_AlmanacBar.latitude = 0.5;
  g_AlmanacBar.Update();
  EXPECT_EQ(g_AlmanacBar.latitude, 0.5);
  EXPECT_EQ(Fix().satellitesComplete, 0);  // closed: the almanac drives the plot
}

TEST_F(BarTest, GraphButtonOpensTheGraphAndThePickersTakeItsTime) {
  g_AlmanacBar.Show(1);
  const int before = g_AlmanacBar.updates;
  const size_t opened = harness::DialogsOpened().size();
  RECT bar{};
  GetWindowRect(g_AlmanacBar.window, &bar);
  int tapX = 0;
  harness::OnDialog(TSatGraph::kTemplate, [&](HWND dialog) {
    POINT p{24 + 105, 150};  // hour 24 of the plot area
    tapX = p.x;
    ClientToScreen(dialog, &p);
    harness::Tap(p.x, p.y);
    SendMessageW(dialog, WM_COMMAND, 4, 0);
  });
  harness::Tap(bar.left + 227, bar.top + 12);
  ASSERT_EQ(harness::DialogsOpened().size(), opened + 1);
  // base + (x - 24) / (210 / 48) / 24 day: 24 hours.
  ASSERT_EQ(tapX, 129);
  ExpectTime(g_AlmanacBar.time, 2013, 12, 27, 0, 0, 0);
  ExpectTime(Picker(TAlmanacBar::kTimePicker), 2013, 12, 27, 0, 0, 0);
  EXPECT_EQ(Slider(), 144);
  EXPECT_EQ(g_AlmanacBar.updates, before + 1);
  EXPECT_GE(host.redraws, 1);
  // A pen lifted off the button opens nothing.
  harness::PenDown(bar.left + 227, bar.top + 12);
  harness::PenUp(bar.left + 100, bar.top + 12);
  EXPECT_EQ(harness::DialogsOpened().size(), opened + 1);
}

// ---- the graph ----

TEST(SatGraphMask, TextsThatAreNoNumberCountFromZero) {
  EXPECT_EQ(ParseSatGraphMask(L""), 0);
  EXPECT_EQ(ParseSatGraphMask(L"abc"), 0);
  EXPECT_EQ(ParseSatGraphMask(L"nan"), 0);
  EXPECT_EQ(ParseSatGraphMask(L"inf"), 0);
  EXPECT_EQ(ParseSatGraphMask(L"1e400"), 0);
  EXPECT_EQ(ParseSatGraphMask(L" 12.5"), 12.5);
  EXPECT_EQ(ParseSatGraphMask(L"+7"), 7);
  EXPECT_EQ(ParseSatGraphMask(L"12,5"), 12.5);  // the Russian keyboard's decimal comma
  EXPECT_EQ(ParseSatGraphMask(L"12x"), 0);       // never 12: the text is no number
  EXPECT_EQ(ParseSatGraphMask(L"-5"), -5);
  // Only the first 255 characters count: 255 digits, then one that would overflow.
  EXPECT_TRUE(std::isfinite(ParseSatGraphMask(std::wstring(255, L'9') + std::wstring(60, L'9'))));
  EXPECT_EQ(ParseSatGraphMask(std::wstring(254, L' ') + L"7" + L"9"), 7);
}

TEST_F(SkyTest, GraphCountsAreTheAlmanacsHourByHour) {
  // An almanac of 20 satellites with PRN 5 damaged (no orbit from an eccentricity of 1.5).
  sample::Bytes file = sample::JpsDate(2013, 12, 26);
  for (sample::YumaAlmanac a : sample::DemoConstellation()) {
    if (a.prn > 20) continue;
    if (a.prn == 5) a.eccentricity = 1.5;
    sample::Append(file, sample::JpsAlmanac(a));
  }
  LoadAlmanac(file);
  g_AlmanacBar.baseDate = Utc(2013, 12, 26, 0, 0, 0);
  g_AlmanacBar.latitude = 55.75 * kPi / 180;
  g_AlmanacBar.longitude = 37.61 * kPi / 180;
  auto direct = [](int hour, double mask) {
    g_Almanac.SetObserver(Utc(2013, 12, 26 + hour / 24, hour % 24, 0, 0), 55.75, 37.61, 0);
    int n = 0;
    for (int prn = 0; prn <= 32; ++prn) {
      uint8_t el = 0;
      int16_t az = 0;
      EXPECT_FALSE(prn == 5 && g_Almanac.GetSatellite(prn, &el, &az));
      if (g_Almanac.GetSatellite(prn, &el, &az) && el > mask) ++n;
    }
    return n;
  };
  g_SatGraph.Compute(L"10");
  int total = 0;
  for (int h = 0; h < 48; ++h) {
    EXPECT_EQ(g_SatGraph.counts[h], direct(h, 10)) << h;
    total += g_SatGraph.counts[h];
  }
  EXPECT_GT(total, 20);
  EXPECT_GT(g_SatGraph.counts[17] + g_SatGraph.counts[40], 0);  // after the reference time, 16:38:24
  EXPECT_EQ(g_SatGraph.series.Count(), 48);
  EXPECT_DOUBLE_EQ(g_SatGraph.series.xScale, 210.0 / 48);
  EXPECT_EQ(g_SatGraph.series.Point(7).y, g_SatGraph.counts[7]);
  // Only a pen strictly inside the plot area sets the time.
  for (POINT p : {POINT{24, 150}, POINT{234, 150}, POINT{100, 55}, POINT{100, 270}, POINT{5, 5}})
    EXPECT_FALSE(g_SatGraph.OnPenDown(p.x, p.y)) << p.x << "," << p.y;
  EXPECT_TRUE(g_SatGraph.OnPenDown(25, 150));
  // Texts that are no number count above 0 degrees.
  for (const wchar_t* text : {L"abc", L"nan", L""}) {
    g_SatGraph.Compute(text);
    for (int h = 0; h < 48; ++h) EXPECT_EQ(g_SatGraph.counts[h], direct(h, 0)) << h;
  }
  // No almanac: nothing anywhere.
  g_Almanac.Load("\\missing.jps");
  g_SatGraph.Compute(L"0");
  for (int h = 0; h < 48; ++h) EXPECT_EQ(g_SatGraph.counts[h], 0);
}

TEST_F(SkyTest, GraphLabelsStopAtFourteenWhileTheLineGoesOn) {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, 240, 294);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 240, 294};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  TGraphSeries& s = g_SatGraph.series;
  const POINT data[3] = {{0, 2}, {1, 20}, {2, 2}};
  s.SetData(data, 3, RGB(255, 0, 0));
  s.xScale = 210.0 / 48, s.yScale = 15.0;
  EXPECT_EQ(s.Map(1, 20).y, 270 - 300);
  g_SatGraph.Paint(dc);
  auto inkIn = [&](int l, int t, int r, int b) {
    int n = 0;
    for (int y = t; y < b; ++y)
      for (int x = l; x < r; ++x) n += GetPixel(dc, x, y) != RGB(255, 255, 255);
    return n;
  };
  EXPECT_GT(inkIn(0, 270 - 14 * 15 - 7, 19, 270 - 14 * 15 + 7), 0);  // "14"
  EXPECT_EQ(inkIn(0, 270 - 15 * 15 - 7, 19, 270 - 15 * 15 + 7), 0);  // no "15"
  // The line runs up to the plot area's top and no further.
  EXPECT_GT(inkIn(26, 55, 32, 60), 0);
  EXPECT_EQ(inkIn(26, 40, 32, 55), 0);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

TEST_F(BarTest, GraphOkStoresTheMaskAndCancelDoesNot) {
  g_AlmanacBar.Show(1);
  g_Ini.SetString("SatGraphHMask", "5");
  std::wstring shown;
  harness::OnDialog(TSatGraph::kTemplate, [&](HWND dialog) {
    wchar_t text[64] = {};
    GetDlgItemTextW(dialog, TSatGraph::kMaskEdit, text, 64);
    shown = text;
    SetDlgItemTextW(dialog, TSatGraph::kMaskEdit, L"12");
    SendMessageW(dialog, WM_COMMAND, 4, 0);
  });
  g_SatGraph.Open(g_AlmanacBar.window, owner);
  EXPECT_EQ(shown, L"5");
  std::string stored;
  g_Ini.GetString("SatGraphHMask", stored);
  EXPECT_EQ(stored, "5");
  harness::OnDialog(TSatGraph::kTemplate, [&](HWND dialog) {
    const int withFive = std::accumulate(g_SatGraph.counts, g_SatGraph.counts + 48, 0);
    SetDlgItemTextW(dialog, TSatGraph::kMaskEdit, L"12");
    SendMessageW(dialog, WM_COMMAND, TSatGraph::kRefresh, 0);
    EXPECT_LT(std::accumulate(g_SatGraph.counts, g_SatGraph.counts + 48, 0), withFive);
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  g_SatGraph.Open(g_AlmanacBar.window, owner);
  g_Ini.GetString("SatGraphHMask", stored);
  EXPECT_EQ(stored, "12");
}

}  // namespace
