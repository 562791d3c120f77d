// The sky plot: its records from the receiver's table and the almanac's predictions, the base
// point's state 2, when it asks for a repaint, and its picture read back from the screen.
#include <cmath>

#include "geodesy/gauss_kruger.h"
#include "sky_fixture.h"

namespace {

using skytest::kPi;
using skytest::SkyTest;
using skytest::Utc;

// The ten satellites of the demo epoch's GSV cycle: PRN, elevation, azimuth, SNR (0: none).
const int kInView[10][4] = {{2, 45, 120, 42}, {5, 30, 60, 38},  {9, 70, 300, 45}, {12, 12, 200, 31},
                            {15, 55, 10, 44}, {18, 25, 250, 35}, {21, 40, 170, 40}, {25, 8, 90, 29},
                            {27, 5, 330, 0},  {30, 3, 45, 0}};

bool Complete(const GpsFix& f) { return f.satellitesComplete == 1 && f.status == 'A'; }

void ExpectInView(TSkyPlot& plot) {
  for (const auto& s : kInView) {
    const TSkySatellite* r = plot.Find(s[0]);
    ASSERT_NE(r, nullptr) << s[0];
    EXPECT_EQ(r->elevation, s[1]);
    EXPECT_EQ(r->azimuth, s[2]);
    EXPECT_EQ(r->snr, s[3]);
    EXPECT_EQ(r->state, s[3] ? 1 : 0) << s[0];
  }
}

TEST_F(SkyTest, ReceiverTableAloneAndWithTheAlmanac) {
  ASSERT_TRUE(Feed(DemoEpoch(), Complete));
  UpdateSkyPlot(&g_GpsPort, nullptr);
  EXPECT_EQ(g_SkyPlot.Count(), 10);
  ExpectInView(g_SkyPlot);

  // With the almanac: the receiver's satellites as it reports them, each other PRN as the almanac
  // predicts it for the fix's time and place, none twice.
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  const GpsFix fix = Fix();
  const auto expected = Predict(fix.utc, fix.latitude * 180 / kPi, fix.longitude * 180 / kPi,
                                fix.altitude);
  ExpectInView(g_SkyPlot);
  int predicted = 0;
  for (int prn = 0; prn <= 32; ++prn) {
    bool inView = false;
    for (const auto& s : kInView) inView |= s[0] == prn;
    if (inView || !expected[size_t(prn)].above) continue;
    ++predicted;
    const TSkySatellite* r = g_SkyPlot.Find(prn);
    ASSERT_NE(r, nullptr) << prn;
    EXPECT_EQ(r->state, 0);
    EXPECT_EQ(r->elevation, expected[size_t(prn)].elevation);
    EXPECT_EQ(r->azimuth, expected[size_t(prn)].azimuth);
  }
  EXPECT_GT(predicted, 2);
  EXPECT_EQ(g_SkyPlot.Count(), 10 + predicted);

  // A table that is not complete, without an almanac: the plot keeps what it has.
  const int before = g_SkyPlot.Count();
  g_GpsPort.ResetSatellitesComplete();
  ASSERT_EQ(Fix().satellitesComplete, 0);
  UpdateSkyPlot(&g_GpsPort, nullptr);
  EXPECT_EQ(g_SkyPlot.Count(), before);
}

TEST_F(SkyTest, WithoutAValidFixThePlaceIsTheBarsTheLastFixsOrTheMapCentre) {
  g_AlmanacBar.latitude = 55.0 * kPi / 180;
  g_AlmanacBar.longitude = 37.0 * kPi / 180;
  // Port closed: the bar's time as well.
  g_AlmanacBar.time = Utc(2013, 12, 26, 12, 30, 0);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  auto expected = Predict(g_AlmanacBar.time, 55.0, 37.0, 0);
  int n = 0;
  for (int prn = 0; prn <= 32; ++prn) {
    if (!expected[size_t(prn)].above) continue;
    ++n;
    ASSERT_NE(g_SkyPlot.Find(prn), nullptr);
    EXPECT_EQ(g_SkyPlot.Find(prn)->azimuth, expected[size_t(prn)].azimuth);
  }
  EXPECT_GT(n, 3);
  EXPECT_EQ(g_SkyPlot.Count(), n);
  // Dates the almanac refuses, or two days after its reference time: no predictions.
  for (const SYSTEMTIME& t : {Utc(2013, 13, 26, 10, 0, 0), Utc(2013, 0, 26, 10, 0, 0),
                              Utc(0, 12, 26, 10, 0, 0), Utc(2013, 12, 28, 17, 0, 0)}) {
    g_AlmanacBar.time = t;
    UpdateSkyPlot(&g_GpsPort, &g_Almanac);
    EXPECT_EQ(g_SkyPlot.Count(), 0) << t.wYear << "-" << t.wMonth << " " << t.wHour;
  }

  // Port open without a valid fix yet, in a run whose bar was never shown (its place 0 N 0 E):
  // the system time at the map view's centre, the demo town.
  g_AlmanacBar.latitude = g_AlmanacBar.longitude = 0;
  const std::string noFix = sample::NmeaLine("GPRMC,101500.00,V,,,,,,,261213,,,N");
  ASSERT_TRUE(Feed({noFix}, [](const GpsFix& f) { return f.status == 'V'; }));
  const auto expectAt = [&](double lat, double lon, const char* where) {
    UpdateSkyPlot(&g_GpsPort, &g_Almanac);
    SYSTEMTIME now{};
    GetSystemTime(&now);
    const auto predicted = Predict(now, lat, lon, 0);
    int above = 0;
    for (int prn = 0; prn <= 32; ++prn) {
      const TSkySatellite* r = g_SkyPlot.Find(prn);
      above += predicted[size_t(prn)].above;
      ASSERT_EQ(r != nullptr, predicted[size_t(prn)].above) << where << " " << prn;
      if (r) {
        EXPECT_EQ(r->elevation, predicted[size_t(prn)].elevation) << where << " " << prn;
        EXPECT_EQ(r->azimuth, predicted[size_t(prn)].azimuth) << where << " " << prn;
      }
    }
    EXPECT_GT(above, 3) << where;
  };
  expectAt(skytest::kTownLat, skytest::kTownLon, "before the first fix");

  // A valid fix far from the view's centre, then the fix lost: the last fix's place.
  g_GpsPort.Close();
  sample::WalkEpoch far{};
  far.latDeg = -33.9;
  far.lonDeg = 151.2;
  far.hour = 10;
  far.day = 26, far.month = 12, far.year = 13;
  ASSERT_TRUE(Feed(sample::EpochSentences(far), [](const GpsFix& f) { return f.status == 'A'; }));
  const GpsFix last = Fix();
  ASSERT_NEAR(last.latitude * 180 / kPi, -33.9, 1e-4);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  g_GpsPort.Close();
  ASSERT_TRUE(Feed({noFix}, [](const GpsFix& f) { return f.status == 'V'; }));
  expectAt(last.latitude * 180 / kPi, last.longitude * 180 / kPi, "after the fix was lost");
}

TEST_F(SkyTest, BasePointMarksUsedSatellitesItSeesAboveTheMask) {
  ASSERT_TRUE(Feed(DemoEpoch(), Complete));
  const double baseLat = 55.70, baseLon = 37.50, baseH = 180;
  double x = 0, y = 0;
  ASSERT_TRUE(GeoToGk(baseLat * kPi / 180, baseLon * kPi / 180, x, y));
  const auto atBase = Predict(Fix().utc, baseLat, baseLon, baseH);
  // The highest of the used satellites as the base sees it.
  int best = -1;
  for (const auto& s : kInView)
    if (s[3] && atBase[size_t(s[0])].above &&
        (best < 0 || atBase[size_t(s[0])].elevation > atBase[size_t(best)].elevation))
      best = s[0];
  ASSERT_GE(best, 0);
  const int e = atBase[size_t(best)].elevation;

  g_SkyPlot.SetOption(1);
  g_SkyPlot.SetBase(x, y, baseH, e);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(g_SkyPlot.Find(best)->state, 2);
  EXPECT_EQ(GetSkyPlotBaseCount(), 1);
  // The plot switched off still counts for the GPS bar while the base option is on.
  g_SkyPlot.SetEnabled(0);
  g_SkyPlot.SetBase(x, y, baseH, e + 1);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(g_SkyPlot.Find(best)->state, 1);
  EXPECT_EQ(GetSkyPlotBaseCount(), 0);
  // A base point no zone holds is skipped.
  g_SkyPlot.SetBase(0, 0, 0, 0);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(GetSkyPlotBaseCount(), 0);
  for (int i = 0; i < g_SkyPlot.Count(); ++i) EXPECT_NE(g_SkyPlot.At(i).state, 2);
}

TEST_F(SkyTest, OnlyMovesStatesAndCountsAskForARepaint) {
  TSkyPlot plot;
  TSkySatellite s;
  s.prn = 4, s.state = 1, s.elevation = 30, s.azimuth = 200, s.snr = 40;
  plot.Add(s);
  plot.dirty = 0;
  plot.Clear();
  s.snr = 20;  // a new signal-to-noise ratio alone
  plot.Add(s);
  EXPECT_EQ(plot.dirty, 0);
  plot.Clear();
  s.state = 2;
  plot.Add(s);
  EXPECT_EQ(plot.dirty, 1);
  plot.dirty = 0;
  plot.Clear();
  s.azimuth = 201;
  plot.Add(s);
  EXPECT_EQ(plot.dirty, 1);

  // Through the update: a first fill asks, the same again does not, a changed count does.
  g_AlmanacBar.time = Utc(2013, 12, 26, 12, 0, 0);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(host.redraws, 1);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(host.redraws, 1);
  g_AlmanacBar.time = Utc(2013, 12, 28, 20, 0, 0);  // two days after the reference: none left
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(g_SkyPlot.Count(), 0);
  EXPECT_EQ(host.redraws, 2);
  // Neither enabled nor the base option: nothing at all.
  g_SkyPlot.SetEnabled(0);
  g_AlmanacBar.time = Utc(2013, 12, 26, 12, 0, 0);
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
  EXPECT_EQ(g_SkyPlot.Count(), 0);
}

// ---- the picture ----

class SkyDrawing : public SkyTest {
 protected:
  void SetUp() override {
    SkyTest::SetUp();
    dc = GetDC(owner);
    Paint(RGB(0, 0, 255));
  }
  void TearDown() override {
    ReleaseDC(owner, dc);
    SkyTest::TearDown();
  }
  void Paint(COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    RECT all{0, 0, 240, 320};
    FillRect(dc, &all, b);
    DeleteObject(b);
  }
  void Show(const RECT& r) {
    g_SkyPlot.Draw(dc, r);
    g_SkyPlot.Blit(dc);
  }
  void Add(int prn, int state, int elevation, int azimuth) {
    g_SkyPlot.Add({uint8_t(prn), uint8_t(state), uint8_t(elevation), uint16_t(azimuth), 0});
  }
  COLORREF At(int x, int y) { return GetPixel(dc, x, y); }
  HDC dc = nullptr;
};

const COLORREF kAxis = RGB(150, 150, 105), kBlue = RGB(0, 0, 255);

TEST_F(SkyDrawing, RingsAxesAndSatellitesWhereTheFormulasPutThem) {
  Add(7, 1, 90, 0);    // the zenith: the centre
  Add(8, 0, 0, 90);    // the horizon, east
  Add(11, 2, 0, 0);    // the horizon, north
  Add(3, 1, 30, 225);  // south-west
  Show(RECT{0, 0, 240, 294});
  const int cx = 120, cy = 147, r0 = 112;  // min(240, 294) / 2 - 8
  for (int elevation : {0, 20, 40, 60, 80})
    EXPECT_EQ(At(cx - r0 * (90 - elevation) / 90, cy + 1), kAxis) << elevation;
  EXPECT_EQ(At(5, cy), kAxis);    // the horizontal axis runs from edge to edge
  EXPECT_EQ(At(cx, 290), kAxis);  // and the vertical one
  EXPECT_EQ(At(30, 30), kBlue);   // the map shows through everywhere else
  EXPECT_EQ(At(cx + 7, cy), RGB(255, 100, 100));
  EXPECT_EQ(At(cx + r0 + 7, cy), RGB(220, 220, 220));
  EXPECT_EQ(At(cx + 7, cy - r0), RGB(100, 255, 100));
  const double a = 225 * kPi / 180 - kPi / 2, r = r0 * 60 / 90.0;
  const int sx = cx + int(r * std::cos(a)), sy = cy + int(r * std::sin(a));
  EXPECT_EQ(At(sx + 7, sy), RGB(255, 100, 100));
  // The PRN inside its circle, and the circle's black outline.
  int ink = 0;
  for (int y = sy - 6; y <= sy + 6; ++y)
    for (int x = sx - 5; x <= sx + 5; ++x) {
      const COLORREF c = At(x, y);
      ink += GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
    }
  EXPECT_GT(ink, 3);
  EXPECT_EQ(At(sx + 10, sy), RGB(0, 0, 0));
}

TEST_F(SkyDrawing, TheMaskRingIsDashedAndOnlyWithTheBaseOption) {
  auto ringPixels = [&](int radius, int* red, int* other) {
    *red = *other = 0;
    for (int k = 0; k < 720; ++k) {
      const double a = k * kPi / 360;
      const COLORREF c = At(120 + int(std::lround(radius * std::cos(a))),
                            147 + int(std::lround(radius * std::sin(a))));
      (c == RGB(255, 100, 100) ? *red : *other) += 1;
    }
  };
  g_SkyPlot.SetBase(0, 0, 0, 30);
  Show(RECT{0, 0, 240, 294});
  int red = 0, other = 0;
  ringPixels(112 * 60 / 90, &red, &other);
  EXPECT_EQ(red, 0);  // the base option is off
  g_SkyPlot.SetOption(1);
  Show(RECT{0, 0, 240, 294});
  ringPixels(112 * 60 / 90, &red, &other);
  EXPECT_GT(red, 360);
  EXPECT_GT(other, 120);  // the gaps
  // Masks past the zenith and below the horizon are drawn where the formula puts them.
  g_SkyPlot.SetBase(0, 0, 0, 95);
  Show(RECT{0, 0, 240, 294});
  ringPixels(6, &red, &other);
  EXPECT_GT(red, 0);
  g_SkyPlot.SetBase(0, 0, 0, -5);
  Show(RECT{0, 0, 240, 294});
  ringPixels(112 * 95 / 90, &red, &other);
  EXPECT_GT(red, 360);
}

TEST_F(SkyDrawing, SmallAndOversizedRectangles) {
  Add(5, 1, 45, 45);
  for (const RECT& r : {RECT{50, 50, 50, 50}, RECT{50, 50, 60, 60}}) {
    Show(r);
    for (int y = 40; y < 70; ++y)
      for (int x = 40; x < 70; ++x) ASSERT_EQ(At(x, y), kBlue);
  }
  Show(RECT{-100, -100, 400, 500});
  EXPECT_EQ(g_SkyPlot.drawn.left, 0);
  EXPECT_EQ(g_SkyPlot.drawn.bottom, 320);
  EXPECT_EQ(At(120 - 112, 161), kAxis);  // centre (120, 160), R0 112
  // Switched off: nothing drawn or copied.
  Paint(kBlue);
  g_SkyPlot.SetEnabled(0);
  Show(RECT{0, 0, 240, 294});
  EXPECT_EQ(At(120, 147), kBlue);
}

}  // namespace
