// The GPS bar's texts and point names, the navigation-target overlay's guidance and caption, and
// the sight rings' list.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

#include "base/lang.h"
#include "gps/goto_overlay.h"
#include "gps/gps_bar.h"
#include "gps/nmea.h"
#include "gps/sight_rule.h"
#include "platform/harness.h"
#include "view/map_view.h"

namespace {

constexpr double kKnot = 1.852;  // km/h

GpsFix Fix(char status, int used, float pdop, double altitude, double speedKmh) {
  GpsFix fix{};
  fix.status = status;
  fix.satellitesUsed = used;
  fix.pdop = pdop;
  fix.altitude = altitude;
  fix.speed = speedKmh;
  return fix;
}

TEST(GpsBarText, StatusSpeedAndNameFollowTheModeAndTheFix) {
  using namespace gps_bar_text;
  const GpsFix good = Fix('A', 7, 2.5f, 545.43, 22.4 * kKnot);
  EXPECT_EQ(Status(good, 0, -1), L"S:7");
  EXPECT_EQ(Status(good, 0, 3), L"S:7:3");  // the sky plot shown, 3 seen from the base
  EXPECT_EQ(Status(good, 1, -1), L"P:2.5");
  EXPECT_EQ(Status(good, 2, -1), L"545.4");
  EXPECT_EQ(Speed(good), L"V:41.5");
  // No PDOP (-1 without RMC), exactly 0, or no number: dashes in modes 1 and 2.
  for (float pdop : {-1.0f, 0.0f, std::nanf("")}) {
    const GpsFix f = Fix('A', 4, pdop, 100, 0);
    EXPECT_EQ(Status(f, 1, -1), L"P:--") << pdop;
    EXPECT_EQ(Status(f, 2, -1), L"--") << pdop;
  }
  EXPECT_EQ(Status(Fix('A', 4, 1.5f, std::nan(""), 0), 2, -1), L"--");
  // Without a valid status, or with a speed that is no number, no speed.
  EXPECT_EQ(Speed(Fix('V', 0, -1, 0, 12)), L"V:--");
  EXPECT_EQ(Speed(Fix('X', 0, -1, 0, 12)), L"V:--");
  EXPECT_EQ(Speed(Fix('A', 0, -1, 0, std::nan(""))), L"V:--");
  const std::wstring huge = Speed(Fix('A', 0, 1, 0, 1e300));
  EXPECT_EQ(huge.substr(0, 3), L"V:1");
  EXPECT_EQ(huge.size(), 2u + 301u + 2u);  // 301 digits, ".0"
  EXPECT_EQ(Name(""), L"--");
  EXPECT_EQ(Name("0"), L"--");
  EXPECT_EQ(Name("P12"), L"P12");
  EXPECT_EQ(Name(std::string(300, 'a')), std::wstring(255, L'a'));
}

TEST(AdvancePointName, StepsTheTrailingNumberAndNeverBelowZero) {
  struct Case {
    const char* before;
    int step;
    const char* after;
  } const cases[] = {
      {"P9", 1, "P10"},          {"P10", -1, "P9"},       {"P0", -1, "P0"},
      {"A1234567890", 1, "A1234567891"},                  {"0", 1, "1"},
      {"P009", 1, "P010"},       {"P010", -1, "P009"},    {"", 1, "1"},
      {"P", 1, "P1"},            {"P", -1, "P"},          {"", -1, ""},
      {"0", -1, ""},             {"P99999999999", 1, "P100000000000"},
  };
  for (const Case& c : cases) {
    g_DefaultPointName = c.before;
    AdvancePointName(c.step);
    EXPECT_EQ(g_DefaultPointName, c.after) << c.before << " " << c.step;
  }
  // The step back after an added point gives the name it had.
  g_DefaultPointName = "P9";
  AdvancePointName(1);
  AdvancePointName(-1);
  EXPECT_EQ(g_DefaultPointName, "P9");
  // A long name still steps.
  g_DefaultPointName = std::string(300, 'n') + "9";
  AdvancePointName(1);
  EXPECT_EQ(g_DefaultPointName, std::string(300, 'n') + "10");
}

class FakeRoute final : public IRouteService {
 public:
  int IsBound() override { return bound; }
  int Compute(double, double, double, double) override {
    ++computed;
    return builds;
  }
  void Clear() override { ++cleared; }
  int bound = 0, builds = 0, computed = 0, cleared = 0;
};

// A view 240 x 320 at 1 pixel a metre: the screen's bottom-left corner is plane (kX0, kY0).
constexpr double kX0 = 6170000, kY0 = 7407000;
void PlainView(TMapView& view) {
  view.viewRect = RECT{0, 0, 240, 320};
  view.pixelsPerMetre = 1;
  view.originX = kX0;
  view.originY = kY0;
  view.gpsState = 0;
}

std::wstring Caption(const TGotoOverlay& overlay) {
  wchar_t text[160];
  overlay.FormatCaption(text, 160);
  return text;
}

// The target's bearing from the position, relative to the course, whole degrees 0-359: computed
// from the compass bearing of the target (X north, Y east).
int ExpectedBearing(double x, double y, double tx, double ty, double course) {
  double b = std::atan2(ty - y, tx - x) * 180 / M_PI;
  return int(std::floor(b - course + 720.0)) % 360;
}

class Overlay : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadLanguage();  // the built-in texts, the units among them
    PlainView(view);
    overlay.Attach(&view, nullptr, &route);
  }
  // A target `north` metres north and `east` metres east of the position (kX0, kY0).
  void Guide(double north, double east, double speed, double course) {
    view.gpsState = 1;
    view.gpsX = kX0;
    view.gpsY = kY0;
    overlay.SetTarget(kX0 + north, kY0 + east);
    overlay.UpdatePosition(kX0, kY0, speed, course);
  }
  TMapView view;
  FakeRoute route;
  TGotoOverlay overlay{};
};

// The units are the language's: a file that names them changes the caption.
TEST_F(Overlay, TheCaptionsUnitsComeFromTheLanguage) {
  g_Lang.Clear();
  g_Lang.Add(100064, "Msg_Km", L"km");
  g_Lang.Add(100065, "Msg_m", L"m");
  Guide(1500, 0, 0, 0);
  EXPECT_EQ(Caption(overlay), L"Dist:1.5 km| T:0 min| A:0\u00B0R");
  Guide(800, 0, 0, 0);
  EXPECT_EQ(Caption(overlay), L"Dist:800 m| T:0 min| A:0\u00B0R");
}

TEST_F(Overlay, CaptionsOfTheGuidanceEdgeCases) {
  Guide(1500, 0, 0, 0);
  EXPECT_EQ(Caption(overlay), L"Dist:1.5 км| T:0 min| A:0\u00B0R");
  Guide(0, -800, 0, 0);  // due west, course north
  EXPECT_EQ(overlay.bearing, 270);
  EXPECT_EQ(Caption(overlay), L"Dist:800 м| T:0 min| A:90\u00B0L");
  Guide(2000, 0, 0, 0);
  EXPECT_EQ(Caption(overlay), L"Dist:2 км| T:0 min| A:0\u00B0R");
  Guide(1000, 0, 0, 0);
  EXPECT_EQ(Caption(overlay), L"Dist:1000 м| T:0 min| A:0\u00B0R");
  Guide(999.5, 0, 0, 0);
  EXPECT_EQ(Caption(overlay), L"Dist:999.5 м| T:0 min| A:0\u00B0R");
  Guide(0, 0, 0, 0);  // standing on the target
  EXPECT_EQ(overlay.distance, 0);
  EXPECT_EQ(Caption(overlay).substr(0, 11), L"Dist:0 м| T");
  Guide(1.0e7, 0, 10, 0);  // 10,000 km
  EXPECT_EQ(Caption(overlay), L"Dist:10000 км| T:60000 min| A:0\u00B0R");
}

TEST_F(Overlay, BearingAndMinutesFollowSpeedAndCourse) {
  // Speed 30 km/h, course 90, target 1500 m north: 3 minutes, the target 90 to the left.
  Guide(1500, 0, 30, 90);
  EXPECT_EQ(Caption(overlay), L"Dist:1.5 км| T:3 min| A:90\u00B0L");
  // Behind the walker: target south, heading 359.9.
  Guide(-400, 0, 5, 359.9);
  EXPECT_EQ(overlay.bearing, 180);
  EXPECT_EQ(Caption(overlay).substr(Caption(overlay).size() - 7), L"A:180\u00B0R");
  // Course 720 is course 0; a course that is no number counts as 0.
  Guide(-300, 300, 5, 720);
  EXPECT_EQ(overlay.bearing, ExpectedBearing(0, 0, -300, 300, 0));
  Guide(-300, 300, 5, std::nan(""));
  EXPECT_EQ(overlay.bearing, 135);
  // A tiny speed saturates the minutes instead of overflowing.
  Guide(1500, 0, 1e-9, 0);
  EXPECT_NE(Caption(overlay).find(L"T:2147483647 min"), std::wstring::npos);
  // Off-axis targets against a bearing computed from the compass direction.
  for (double course : {0.0, 33.3, 181.0, 359.0, -45.0}) {
    for (auto [n, e] : {std::pair{120.0, 50.0}, {-70.0, 3.0}, {-1.0, -900.0}, {5.0, -5.0}}) {
      Guide(n, e, 12, course);
      EXPECT_EQ(overlay.bearing, ExpectedBearing(0, 0, n, e, course)) << n << " " << e << " "
                                                                      << course;
      EXPECT_NEAR(overlay.distance, std::hypot(n, e), 1e-6);
    }
  }
}

TEST_F(Overlay, TargetStartsFromTheFixOrTheViewCentreAndShowsAtOnce) {
  view.gpsState = 1;
  view.gpsX = kX0 + 10;
  view.gpsY = kY0 + 20;
  overlay.SetTarget(kX0 + 10 + 600, kY0 + 20);
  EXPECT_EQ(overlay.startX, kX0 + 10);
  EXPECT_EQ(overlay.startY, kY0 + 20);
  EXPECT_DOUBLE_EQ(overlay.distance, 600);
  EXPECT_EQ(Caption(overlay), L"Dist:600 м| T:0 min| A:0\u00B0R");
  // Without a fix: the plane point under the view's centre (120, 160) at 1 pixel a metre.
  view.gpsState = 2;
  overlay.SetTarget(kX0, kY0);
  EXPECT_DOUBLE_EQ(overlay.startX, kX0 + 160);
  EXPECT_DOUBLE_EQ(overlay.startY, kY0 + 120);
  EXPECT_EQ(route.computed, 0);  // no road graph: no route asked for
  overlay.Clear();
  EXPECT_EQ(overlay.active, 0);
  EXPECT_EQ(Caption(overlay), L"");
  // Inactive, a fix changes nothing.
  overlay.UpdatePosition(0, 0, 10, 10);
  EXPECT_EQ(overlay.currentX, kX0 + 160);
}

TEST_F(Overlay, ARouteReplacesTheStraightLine) {
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 240, 320);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 240, 320};
  FillRect(dc, &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
  auto yellowPixels = [&] {
    int n = 0;
    for (int y = 0; y < 320; ++y)
      for (int x = 0; x < 240; ++x) n += GetPixel(dc, x, y) == RGB(255, 255, 0);
    return n;
  };
  // From the centre (120, 160) to 100 m north (120, 60): a solid 2-pixel line.
  overlay.SetTarget(kX0 + 260, kY0 + 120);
  overlay.Draw(dc);
  EXPECT_EQ(GetPixel(dc, 120, 110), RGB(255, 255, 0));
  EXPECT_GE(yellowPixels(), 190);
  FillRect(dc, &all, HBRUSH(GetStockObject(BLACK_BRUSH)));
  route.bound = 1;
  route.builds = 1;
  overlay.SetTarget(kX0 + 260, kY0 + 120);
  EXPECT_EQ(route.computed, 1);
  EXPECT_EQ(overlay.routed, 1);
  overlay.Draw(dc);
  EXPECT_EQ(yellowPixels(), 0);
  overlay.Clear();
  EXPECT_EQ(route.cleared, 1);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
}

struct RingCase {
  const char* list;
  std::vector<SightRing> rings;
};

TEST(SightRings, ListsAndTheirRings) {
  const COLORREF red = 255, green = 65280, blue = 16711680, black = 0;
  std::string sixteen, long250;
  for (int i = 1; i <= 16; ++i) sixteen += std::to_string(i * 10) + ";";
  while (long250.size() < 248) long250 += "7;";
  const RingCase cases[] = {
      {"50;100;200;", {{red, 50}, {green, 100}, {blue, 200}}},
      {"300:65535;", {{65535, 300}}},
      {"0;abc;70;80;", {{blue, 70}, {black, 80}}},  // places kept by the rings not added
      {"", {}},
      {";", {}},
      {";;;;", {}},
      {":65535;", {}},  // the ':' is looked for from the second character
      {"-50;", {}},
      {"99999999999;", {}},
      {"2147483647;", {{red, 2147483647}}},
      {"300:-1;", {{red, 300}}},  // a colour out of range: the place's colour
      {"300:16777216;", {{red, 300}}},
      {"300:abc;", {{black, 300}}},
      {" 40;+60;", {{red, 40}, {green, 60}}},
      {"40;50", {{red, 40}}},  // after the last ';' nothing is read
      {"12.5;", {{red, 12}}},
  };
  TSightRule rule;
  for (const RingCase& c : cases) {
    rule.ParseRings(c.list);
    ASSERT_EQ(rule.rings.size(), c.rings.size()) << c.list;
    for (size_t i = 0; i < c.rings.size(); ++i) {
      EXPECT_EQ(rule.rings[i].radius, c.rings[i].radius) << c.list << " " << i;
      EXPECT_EQ(rule.rings[i].colour, c.rings[i].colour) << c.list << " " << i;
    }
  }
  rule.ParseRings(sixteen.c_str());
  ASSERT_EQ(rule.rings.size(), 15u);
  EXPECT_EQ(rule.rings.back().radius, 150);
  rule.ParseRings(long250.c_str());
  EXPECT_EQ(rule.rings.size(), 15u);
  rule.ParseRings(nullptr);
  EXPECT_TRUE(rule.rings.empty());
}

}  // namespace

namespace {

TEST(GpsBarLink, TimesOffNegativeOrHugeAndAStaleLink) {
  harness::Start();
  harness::Advance(3000);  // the port has had no line for 3 s
  TGpsBar& bar = g_GpsBar;
  bar.SetValues(-5, -5);  // no setting gives these: off
  EXPECT_EQ(bar.CheckLink(), 1);
  EXPECT_EQ(bar.busy, 0);
  EXPECT_EQ(bar.stale, 0);
  bar.SetValues(INT_MAX, 0);  // 68 years: not stale, no overflow
  EXPECT_EQ(bar.CheckLink(), 1);
  EXPECT_EQ(bar.stale, 0);
  bar.SetValues(2, 0);
  EXPECT_EQ(bar.CheckLink(), 1);
  EXPECT_EQ(bar.stale, 1);
  EXPECT_EQ(bar.busy, 0);
  // Hidden, the bar reads nothing and asks nothing.
  bar.SetValues(0, 1);
  bar.UpdateStatus();
  EXPECT_TRUE(harness::MessageBoxes().empty());
  harness::Stop();
}

int g_farCalls = 0;
void FarToScreen(double x, double y, int32_t* sx, int32_t* sy) {
  ++g_farCalls;
  // 1 pixel a metre, saturated at the 32-bit range as the view's conversion is.
  auto sat = [](double v) { return int32_t(std::clamp(v, -2147483648.0, 2147483647.0)); };
  *sx = sat(y - 7407000);
  *sy = sat(320 - (x - 6170000));
}

TEST(SightRings, APositionFarOffScreenDrawsNothingAndReturns) {
  harness::Start();
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 240, 320);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT all{0, 0, 240, 320};
  FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
  TSightRule rule(FarToScreen);
  rule.on = 1;
  rule.ParseRings("50;2000000000;");
  rule.SetPosition(1, 6170000 + 1e12, 7407000 - 1e12, std::nan(""));
  rule.Draw(dc, all);
  EXPECT_EQ(g_farCalls, 2 + 2 * 2);  // the cross line and two boxes
  int ink = 0;
  for (int y = 0; y < 320; ++y)
    for (int x = 0; x < 240; ++x) ink += GetPixel(dc, x, y) != RGB(255, 255, 255);
  EXPECT_EQ(ink, 0);
  // Without a fix, nothing is converted at all.
  rule.SetPosition(0, 0, 0, 0);
  rule.Draw(dc, all);
  EXPECT_EQ(g_farCalls, 6);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  harness::Stop();
}

}  // namespace
