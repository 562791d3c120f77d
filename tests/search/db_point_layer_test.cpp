// The database point layer: rows of "Global" written by the ndb writer, drawn into the recording
// DC with its fixed-advance font (so every rectangle is exact) and once on the rasterizer for
// pixels.
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <numbers>

#include "platform/gdi/recording_dc.h"
#include "platform/win.h"
#include "search/db_point_layer.h"
#include "search/db_table.h"
#include "search_files.h"
#include "tests/support/golden_png.h"
#include "tools/sampledata/ndb_writer.h"
#include "view/map_view.h"

using namespace searchtest;
using sample::NdbCell;
using sample::NdbColumn;
using sample::NdbSpec;

namespace {

constexpr double kPi = std::numbers::pi;

// A linear screen over the geodetic plane: 240 x 294 pixels, 1e-5 rad a pixel, the centre at
// (centreLat, centreLon); longitudes are taken by whole turns nearest the centre. `fail` makes
// every conversion answer false.
struct Screen {
  static inline double centreLat = 0.97, centreLon = 0.66, radPerPx = 1e-5;
  static inline bool fail = false;
  static bool ToScreen(double lat, double lon, int32_t* x, int32_t* y) {
    if (fail) return false;
    double dl = std::remainder(lon - centreLon, 2 * kPi);
    *x = int32_t(std::lround(120 + dl / radPerPx));
    *y = int32_t(std::lround(147 - (lat - centreLat) / radPerPx));
    return true;
  }
  static bool ToGeo(int32_t x, int32_t y, double* lat, double* lon) {
    if (fail) return false;
    *lat = centreLat + (147 - y) * radPerPx;
    *lon = std::remainder(centreLon + (x - 120) * radPerPx, 2 * kPi);  // -pi .. pi
    return true;
  }
  static void Reset() {
    centreLat = 0.97;
    centreLon = 0.66;
    radPerPx = 1e-5;
    fail = false;
  }
};

NdbCell I(int64_t v) { return NdbCell(v); }
NdbCell D(double v) { return NdbCell(v); }
NdbCell T(const std::string& v) { return NdbCell(v); }

NdbSpec Global(uint8_t priorityType = sample::kNdbShort, uint8_t xyType = sample::kNdbDouble) {
  NdbSpec s;
  s.columns = {{"Priority", priorityType}, {"Name", sample::kNdbText}, {"X", xyType}, {"Y", xyType}};
  return s;
}

// Latitude and longitude of screen pixel (x, y).
double LatAt(int y) { return Screen::centreLat + (147 - y) * Screen::radPerPx; }
double LonAt(int x) { return Screen::centreLon + (x - 120) * Screen::radPerPx; }

class DbLayerTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    Screen::Reset();
  }
  void TearDown() override {
    if (dc) DeleteDC(dc);
    SetDbLayerFactory(nullptr);
    DeviceTest::TearDown();
  }
  int Load(const NdbSpec& plan) {
    PutFile("\\DB\\Global.ndb", sample::BuildNdb(plan));
    return layer.Load("\\DB\\Global.ndb");
  }
  // Prepares the full screen and draws into a recording DC (6 px a character).
  const std::vector<vplat::RecordedCall>& Draw(bool pixels = false) {
    if (!dc) dc = vplat::CreateRecordingDC({240, 320, pixels, pixels ? 0 : 6});
    vplat::ClearRecordedCalls(dc);
    layer.PrepareView(0, 0, 240, 294);
    layer.Draw(dc);
    return *vplat::RecordedCalls(dc);
  }
  static std::vector<const vplat::RecordedCall*> Named(const std::vector<vplat::RecordedCall>& calls,
                                                       const char* name) {
    std::vector<const vplat::RecordedCall*> out;
    for (const auto& c : calls)
      if (c.name == name) out.push_back(&c);
    return out;
  }

  TDbPointLayer layer{Screen::ToScreen, Screen::ToGeo};
  HDC dc = nullptr;
};

}  // namespace

TEST_F(DbLayerTest, TheDemoTownTableLoadsAndOpenErrorsComeBack) {
  for (auto& [name, plan] : sample::DemoTownTables())
    if (name == "Global") {
      ASSERT_EQ(Load(plan), 0);
    }
  ASSERT_EQ(layer.items.size(), 3u);
  EXPECT_EQ(layer.items[0].name, L"Vorna");
  EXPECT_EQ(layer.items[1].name, L"Little Vorna");
  EXPECT_EQ(layer.items[2].priority, 3);
  EXPECT_EQ(layer.lowest, 1);
  EXPECT_EQ(layer.highest, 3);
  EXPECT_NEAR(layer.items[0].x, (55.74 + 0.01) * kPi / 180, 1e-12);
  // A missing file: the table set's open error; the items held stay.
  EXPECT_EQ(layer.Load("\\DB\\Nothing.ndb"), kDbNotOpened);
  EXPECT_EQ(layer.items.size(), 3u);
  layer.FreeItems();
  EXPECT_TRUE(layer.items.empty());
  // A table without "Y": nothing loaded, success.
  NdbSpec noY;
  noY.columns = {{"Priority", sample::kNdbShort}, {"Name", sample::kNdbText}, {"X", sample::kNdbDouble}};
  noY.rows = {{I(1), T("A"), D(0.9)}};
  EXPECT_EQ(Load(noY), 0);
  EXPECT_TRUE(layer.items.empty());
  EXPECT_EQ(Load(Global()), 0);  // no rows
  EXPECT_TRUE(layer.items.empty());
}

TEST_F(DbLayerTest, CellsOfEveryTypeAreReadAsNumbersAndBadRowsSkipped) {
  NdbSpec s = Global(sample::kNdbDouble, sample::kNdbDouble);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  s.rows = {{D(258.7), T("wraps to 2"), D(0.9), D(0.6)},
            {D(-1.0), T("minus one"), D(0.9), D(0.6)},
            {D(nan), T("no priority"), D(0.9), D(0.6)},
            {D(1), T("nan x"), D(nan), D(0.6)},
            {D(1), T("inf y"), D(0.9), D(-inf)},
            {D(1), T(""), D(2.0), D(0.6)},  // beyond the pole: loaded, never converts
            {D(1), T(std::string(255, 'n')), D(0.9), D(0.6)},
            {D(1), T("\xC2\xEE\xF0\xED\xE0"), D(0.9), D(0.6)}};
  ASSERT_EQ(Load(s), 0);
  ASSERT_EQ(layer.items.size(), 5u);
  EXPECT_EQ(layer.items[0].priority, 2);
  EXPECT_EQ(layer.items[1].priority, 255);
  EXPECT_EQ(layer.items[2].name, L"");
  EXPECT_EQ(layer.items[3].name.size(), 255u);
  EXPECT_EQ(layer.items[4].name, L"\u0412\u043E\u0440\u043D\u0430");  // code page 1251
  // Byte priority, Float and Long coordinates load; a Text X does not.
  NdbSpec f = Global(sample::kNdbByte, sample::kNdbFloat);
  f.rows = {{I(4), T("float"), D(0.5), D(0.25)}};
  ASSERT_EQ(Load(f), 0);
  ASSERT_EQ(layer.items.size(), 1u);
  EXPECT_EQ(layer.items[0].x, 0.5);
  NdbSpec l = Global(sample::kNdbLong, sample::kNdbLong);
  l.rows = {{I(300), T("long"), I(1), I(0)}};
  ASSERT_EQ(Load(l), 0);
  ASSERT_EQ(layer.items.size(), 1u);
  EXPECT_EQ(layer.items[0].priority, 44);
  NdbSpec t = Global(sample::kNdbText, sample::kNdbText);
  t.rows = {{T("1"), T("text"), T("0.9"), T("0.6")}};
  ASSERT_EQ(Load(t), 0);
  EXPECT_TRUE(layer.items.empty());
  // A file cut inside its last row: that row's cells hold no value and it is skipped.
  NdbSpec cut = Global();
  cut.rows = {{I(1), T("whole"), D(0.9), D(0.6)}, {I(1), T("cut"), D(0.9), D(0.6)}};
  sample::Bytes image = sample::BuildNdb(cut);
  image.resize(image.size() - 4);
  PutFile("\\DB\\Cut.ndb", image);
  ASSERT_EQ(layer.Load("\\DB\\Cut.ndb"), 0);
  ASSERT_EQ(layer.items.size(), 1u);
  EXPECT_EQ(layer.items[0].name, L"whole");
}

TEST_F(DbLayerTest, RadiiByPriorityAndLowerValuesDrawnFirst) {
  NdbSpec s = Global();
  // Four points spread over the screen, listed highest priority first.
  s.rows = {{I(4), T("d"), D(LatAt(250)), D(LonAt(180))},
            {I(3), T("c"), D(LatAt(200)), D(LonAt(40))},
            {I(2), T("b"), D(LatAt(120)), D(LonAt(180))},
            {I(1), T("a"), D(LatAt(60)), D(LonAt(40))}};
  ASSERT_EQ(Load(s), 0);
  EXPECT_EQ(layer.Radius(1), 5);
  EXPECT_EQ(layer.Radius(2), 4);
  EXPECT_EQ(layer.Radius(3), 3);
  EXPECT_EQ(layer.Radius(4), 2);
  const auto& calls = Draw();
  auto texts = Named(calls, "ExtTextOutW");
  auto circles = Named(calls, "Ellipse");
  ASSERT_EQ(texts.size(), 4u);
  ASSERT_EQ(circles.size(), 4u);
  const wchar_t* order[4] = {L"a", L"b", L"c", L"d"};
  const int radius[4] = {5, 4, 3, 2};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(texts[size_t(i)]->text, order[i]);
    EXPECT_EQ(circles[size_t(i)]->args[2] - circles[size_t(i)]->args[0], 2 * radius[i]) << i;
  }
  // Point "a" at (40, 60), r = 5, a 6 x 13 name: the label is (6 + 3) x (13 + 1) and goes to
  // position 1 at distance r + 2 = 7: (47, 60 - 14 - 7); text 2 pixels in.
  auto frames = Named(calls, "Rectangle");
  ASSERT_EQ(frames.size(), 4u);
  EXPECT_EQ(circles[0]->args, (std::vector<int64_t>{35, 55, 45, 65}));
  EXPECT_EQ(frames[0]->args, (std::vector<int64_t>{47, 39, 56, 53}));
  EXPECT_EQ(texts[0]->args[0], 49);
  EXPECT_EQ(texts[0]->args[1], 39);
  const TDbPointItem& a = layer.items[3];
  EXPECT_EQ(a.label.left, 47);
  EXPECT_EQ(a.label.bottom, 53);
  // The taken rectangle is the label grown by 2 (r + 2) = 14.
  ASSERT_GE(layer.occupancy.Count(), 1);
  EXPECT_EQ(layer.occupancy.Taken(0).left, 47 - 14);
  EXPECT_EQ(layer.occupancy.Taken(0).bottom, 53 + 14);
  // Pen, brush, font and text state as asked.
  EXPECT_EQ(circles[0]->pen.color, RGB(255, 0, 0));
  EXPECT_EQ(circles[0]->brush.color, RGB(255, 255, 0));
  EXPECT_EQ(texts[0]->font.height, 13);
  EXPECT_EQ(texts[0]->font.face, L"Arial");
  EXPECT_EQ(texts[0]->textColor, RGB(0, 0, 0));
  EXPECT_EQ(texts[0]->bkMode, TRANSPARENT);
}

TEST_F(DbLayerTest, OnePriorityLevelAndTheExtremeValues) {
  NdbSpec s = Global();
  s.rows = {{I(7), T("x"), D(LatAt(100)), D(LonAt(100))}, {I(7), T("y"), D(LatAt(200)), D(LonAt(60))}};
  ASSERT_EQ(Load(s), 0);
  EXPECT_EQ(layer.Radius(7), 5);
  auto circles = Named(Draw(), "Ellipse");
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_EQ(circles[0]->args[2] - circles[0]->args[0], 10);
  // Priorities 0 and 255: both levels are drawn and the level loop ends.
  s.rows = {{I(255), T("hi"), D(LatAt(100)), D(LonAt(100))}, {I(0), T("lo"), D(LatAt(200)), D(LonAt(60))}};
  ASSERT_EQ(Load(s), 0);
  auto texts = Named(Draw(), "ExtTextOutW");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0]->text, L"lo");
  EXPECT_EQ(texts[1]->text, L"hi");
}

TEST_F(DbLayerTest, FullScreensStopLevelsAndUnplaceableLabelsDrawNothing) {
  NdbSpec s = Global();
  // A label wider than the screen: neither its circle nor its frame is drawn.
  s.rows = {{I(1), T(std::string(60, 'W')), D(LatAt(100)), D(LonAt(100))}};
  // 10,000 points on one spot, then a later level elsewhere.
  for (int i = 0; i < 10000; i++) s.rows.push_back({I(2), T("same"), D(LatAt(150)), D(LonAt(120))});
  ASSERT_EQ(Load(s), 0);
  auto calls = Draw();
  EXPECT_EQ(Named(calls, "Ellipse").size(), 1u);  // one label at the spot, the rest find no room
  EXPECT_EQ(Named(calls, "Rectangle").size(), 1u);
  // Labels that cover more than a fifth of the screen after level 1 keep level 2 off it.
  NdbSpec full = Global();
  for (int i = 0; i < 12; i++)
    full.rows.push_back({I(1), T("abcdefghij"), D(LatAt(40 + 20 * (i % 6))), D(LonAt(20 + 110 * (i / 6)))});
  full.rows.push_back({I(2), T("late"), D(LatAt(270)), D(LonAt(120))});
  ASSERT_EQ(Load(full), 0);
  calls = Draw();
  EXPECT_GT(5 * layer.occupancy.OccupiedArea(), layer.occupancy.Area());
  for (const auto* t : Named(calls, "ExtTextOutW")) EXPECT_NE(t->text, L"late");
}

TEST_F(DbLayerTest, FailedConversionsAndViewsAcrossTheDateLine) {
  NdbSpec s = Global();
  s.rows = {{I(1), T("here"), D(LatAt(100)), D(LonAt(100))}};
  ASSERT_EQ(Load(s), 0);
  EXPECT_EQ(Named(Draw(), "ExtTextOutW").size(), 1u);
  Screen::fail = true;  // neither corners nor the point convert
  auto calls = Draw();
  EXPECT_TRUE(Named(calls, "Ellipse").empty());
  EXPECT_TRUE(Named(calls, "ExtTextOutW").empty());
  EXPECT_EQ(layer.items[0].inView, 0);
  // A view centred on 180 degrees: its corners answer near +pi and near -pi.
  Screen::Reset();
  Screen::centreLon = kPi;
  s.rows = {{I(1), T("east"), D(Screen::centreLat), D(-kPi + 1e-4)},
            {I(1), T("west"), D(LatAt(200)), D(kPi - 5e-4)},
            {I(1), T("far"), D(Screen::centreLat), D(0.0)}};
  ASSERT_EQ(Load(s), 0);
  calls = Draw();
  EXPECT_EQ(layer.items[0].inView, 1);
  EXPECT_EQ(layer.items[1].inView, 1);
  EXPECT_EQ(layer.items[2].inView, 0);
  EXPECT_EQ(Named(calls, "ExtTextOutW").size(), 2u);
}

TEST_F(DbLayerTest, TheViewLoadsOnlyForModesOneAndTwo) {
  for (auto& [name, plan] : sample::DemoTownTables())
    if (name == "Global") {
      PutFile("\\DB\\Global.ndb", sample::BuildNdb(plan));
    }
  SetDbLayerFactory(MakeDbPointLayer);
  TMapView view;
  view.CreateDbLayer("\\DB\\Global.ndb", Screen::ToScreen, Screen::ToGeo);
  auto* db = dynamic_cast<TDbPointLayer*>(view.dbLayer.get());
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(view.SetDbPointsMode(-1), 1);  // stored, counts as 0
  EXPECT_TRUE(db->items.empty());
  EXPECT_EQ(view.SetDbPointsMode(1), 1);
  EXPECT_EQ(db->items.size(), 3u);
  EXPECT_EQ(view.SetDbPointsMode(0), 1);
  EXPECT_TRUE(db->items.empty());
}

TEST_F(DbLayerTest, PixelsOfAPointAndItsLabel) {
  NdbSpec s = Global();
  s.rows = {{I(1), T("Vorna"), D(LatAt(150)), D(LonAt(100))}};
  ASSERT_EQ(Load(s), 0);
  if (!dc) dc = vplat::CreateRecordingDC({240, 320, true, 0});
  RECT all = {0, 0, 240, 320};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);
  DeleteObject(white);
  layer.PrepareView(0, 0, 240, 294);
  layer.Draw(dc);
  std::vector<COLORREF> px(size_t(golden_png::kW) * golden_png::kH);
  for (int y = 0; y < golden_png::kH; y++)
    for (int x = 0; x < golden_png::kW; x++) px[size_t(y) * golden_png::kW + size_t(x)] = GetPixel(dc, x, y);
  {
    auto png = golden_png::EncodePng(px);
    std::ofstream out(VORNA_BINARY_DIR "/db_point_layer.png", std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
  }
  EXPECT_EQ(GetPixel(dc, 100, 150), RGB(255, 255, 0));  // the circle's middle
  EXPECT_EQ(GetPixel(dc, 100, 145), RGB(255, 0, 0));    // its top outline (r = 5)
  const RECT& l = layer.items[0].label;
  EXPECT_EQ(GetPixel(dc, l.left, (l.top + l.bottom) / 2), RGB(255, 0, 0));  // the frame
  EXPECT_EQ(GetPixel(dc, l.left + 1, l.top + 1), RGB(255, 255, 0));        // its fill
  int dark = 0;  // the name's strokes (smoothed: dark, not always pure black)
  for (int y = l.top + 1; y < l.bottom - 1; y++)
    for (int x = l.left + 1; x < l.right - 1; x++) {
      COLORREF c = GetPixel(dc, x, y);
      dark += GetRValue(c) < 128 && GetGValue(c) < 128 && GetBValue(c) < 128;
    }
  EXPECT_GT(dark, 20);
  EXPECT_EQ(GetPixel(dc, 5, 5), RGB(255, 255, 255));
}
