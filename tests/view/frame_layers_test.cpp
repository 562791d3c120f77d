// Frames of the render fixture: preparing the maps, the layers, grid, scale bar, GPS marker.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "base/lang.h"
#include "maps/mdm_map.h"
#include "platform/gdi/recording_dc.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "tools/sampledata/render_fixture.h"
#include "view/frame_draw.h"
#include "view/map_view.h"
#include "view/render_state.h"

namespace {

const char kMapPath[] = "\\Vorna\\render.mdm";

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    ASSERT_TRUE(sample::WriteRenderFixture(harness::Root(), kMapPath, sample::RenderMap()));
    g_Lang.Add(100064, "Msg_Km", L"km");
    g_Lang.Add(100065, "Msg_m", L"m");
    view = std::make_unique<TMapView>();
    ASSERT_EQ(view->LoadStartupResources("\\Vorna\\", nullptr), 0);
    view->ReadScreenResolution(nullptr);
    InstallMapDrawing(*view);
  }
  void TearDown() override {
    view.reset();
    harness::Stop();
  }
  // The fixture map fitted into the 240 x 294 map area (1:2000).
  TMdmMap* OpenFixture() {
    if (view->AddVectorMap(kMapPath, 1) != 0) return nullptr;
    PrepareFrame(*view, 0, 0, 240, 294);
    return view->GetVectorMap(0);
  }
  // A fixed scale with the plane point (x, y) at the bottom-left corner.
  void SetScaleAt(int32_t scale, double x, double y) {
    view->viewInitialised = 1;
    view->scale = scale;
    view->pixelsPerMetre = view->devicePixelsPerMetre / scale;
    view->originX = x;
    view->originY = y;
    view->viewRect = {0, 0, 240, 294};
  }
  std::unique_ptr<TMapView> view;
};

struct Recorder {
  HDC dc;
  Recorder() { dc = vplat::CreateRecordingDC(); }
  ~Recorder() { DeleteDC(dc); }
  std::vector<vplat::RecordedCall> Calls(const std::string& name) const {
    std::vector<vplat::RecordedCall> out;
    for (const auto& c : *vplat::RecordedCalls(dc))
      if (c.name == name) out.push_back(c);
    return out;
  }
  std::vector<std::wstring> Texts() const {
    std::vector<std::wstring> out;
    for (const auto& c : Calls("ExtTextOutW")) out.push_back(c.text);
    return out;
  }
  void Clear() {
    RECT r{0, 0, 240, 320};
    FillRect(dc, &r, HBRUSH(GetStockObject(WHITE_BRUSH)));
    vplat::ClearRecordedCalls(dc);
  }
};

}  // namespace

TEST_F(FrameTest, PrepareFitsLoadsAndDrawsEveryKind) {
  TMdmMap* map = OpenFixture();
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(view->scale, 2000);
  EXPECT_EQ(view->transformsValid, 1);
  EXPECT_EQ(view->vectorMaps[0].inScale, 1);
  EXPECT_NE(map->loaded, 0u);
  Recorder r;
  EXPECT_EQ(DrawLayers(*view, r.dc), 0);
  EXPECT_NEAR(MapDrawState(map).symbolScale, 4.53f, 0.01f);
  // The meadow with its pond is one bridged ring (both clipped rings plus four bridge points).
  auto polygons = r.Calls("Polygon");
  ASSERT_FALSE(polygons.empty());
  EXPECT_GE(polygons[0].points.size(), 14u);
  EXPECT_EQ(polygons[0].pen.style, PS_NULL);
  EXPECT_EQ(polygons[0].brush.color, COLORREF(0x90EE90));
  EXPECT_FALSE(r.Calls("Rectangle").empty());  // squares
  EXPECT_FALSE(r.Calls("Ellipse").empty());    // circles
  const auto texts = r.Texts();
  auto has = [&](const std::wstring& t) {
    for (const auto& s : texts)
      if (s == t) return true;
    return false;
  };
  EXPECT_TRUE(has(L"Upper"));
  EXPECT_TRUE(has(L"Lower"));
  EXPECT_TRUE(has(L"A"));
  EXPECT_TRUE(has(L"20 m"));  // the scale bar: 1 cm of screen is 20 m at 1:2000
  // Every pen and brush made was put back: the DC holds its stock objects again.
  EXPECT_EQ(GetCurrentObject(r.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(r.dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetBkMode(r.dc), OPAQUE);
}

TEST_F(FrameTest, ScaleBarTextLengthAndRow) {
  struct Case {
    int32_t scale;
    const wchar_t* text;
    int length;
  };
  // 4528.3 pixels a metre: 1 cm is 45 px. 1:250 gives 2.5 m, shown as 2 m over 36 px.
  const Case cases[] = {{100000, L"1 km", 45}, {7500, L"75 m", 45}, {250, L"2 m", 36}};
  for (const Case& c : cases) {
    SetScaleAt(c.scale, 6170000, 7408000);
    Recorder r;
    r.Clear();
    DrawScaleBar(*view, r.dc);
    ASSERT_EQ(r.Texts().size(), 1u) << c.scale;
    EXPECT_EQ(r.Texts()[0], c.text);
    // The bar: a 2-px black run on row B - 5 = 294 - 8, from R - 5 - L to R - 5.
    const int row = 294 - 3 - 5, right = 240 - 5;
    EXPECT_EQ(GetPixel(r.dc, right - c.length + 3, row), RGB(0, 0, 0)) << c.scale;
    EXPECT_EQ(GetPixel(r.dc, right - 3, row), RGB(0, 0, 0)) << c.scale;
    EXPECT_EQ(GetPixel(r.dc, right - c.length - 4, row), RGB(255, 255, 255)) << c.scale;
    const auto lines = r.Calls("Polyline");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points[1].x - lines[0].points[0].x, -c.length);
    EXPECT_EQ(GetBkMode(r.dc), OPAQUE);  // restored
  }
  view->pixelsPerMetre = 0;
  Recorder r;
  DrawScaleBar(*view, r.dc);
  EXPECT_TRUE(vplat::RecordedCalls(r.dc)->empty());
}

TEST_F(FrameTest, GridStepsAndLabels) {
  SetScaleAt(9999, 6171000, 7408000);
  Recorder r;
  DrawGrid(*view, r.dc);
  auto labels = r.Texts();
  ASSERT_FALSE(labels.empty());
  EXPECT_EQ(labels[0], L"61710");  // 100 m steps
  EXPECT_EQ(GetBkMode(r.dc), OPAQUE);

  SetScaleAt(10000, 6171000, 7408000);
  Recorder r2;
  DrawGrid(*view, r2.dc);
  EXPECT_EQ(r2.Texts()[0], L"6171");  // 1000 m steps
  // Northings first, then eastings turned to read downwards.
  auto calls = r2.Calls("ExtTextOutW");
  EXPECT_EQ(calls.front().font.escapement, 0);
  EXPECT_EQ(calls.back().font.escapement, 2700);
  EXPECT_EQ(calls.back().font.face, L"Microsoft Sans Serif");

  SetScaleAt(10000000, 6171000, 7408000);
  Recorder r3;
  DrawGrid(*view, r3.dc);
  EXPECT_EQ(r3.Texts()[0], L"6");  // 1000 km steps

  // Below zero the first line is the multiple toward zero (-200 from -250, not -300).
  SetScaleAt(2000, -250, -250);
  Recorder r4;
  DrawGrid(*view, r4.dc);
  auto lines = r4.Calls("Polyline");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0].points[0].y, 294 - 113);  // 50 m above the bottom at 2.264 px/m
  EXPECT_EQ(r4.Texts()[0], L"-2");
}

TEST_F(FrameTest, GpsArrowPointsUpWithoutFixAndAlongTheCourseWithOne) {
  SetScaleAt(2000, 6170000, 7408000);
  view->gpsX = 6170000 + 150 / view->pixelsPerMetre;  // 150 px above the bottom
  view->gpsY = 7408000 + 100 / view->pixelsPerMetre;  // 100 px from the left
  const int px = 100, py = 294 - 150;
  view->gpsCourse = 90;  // east

  view->gpsState = 0;
  Recorder r0;
  DrawGpsPosition(*view, r0.dc);
  EXPECT_TRUE(vplat::RecordedCalls(r0.dc)->empty());

  view->gpsState = 2;
  Recorder r;
  r.Clear();
  DrawGpsPosition(*view, r.dc);
  const COLORREF red = RGB(255, 0, 0);
  EXPECT_EQ(GetPixel(r.dc, px, py + 4), red);
  EXPECT_NE(GetPixel(r.dc, px + 6, py - 6), red);
  auto q = r.Calls("ExtTextOutW");
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0].text, L"?");
  EXPECT_EQ(q[0].args[0], px - 5);
  EXPECT_EQ(q[0].args[1], py - 13);
  EXPECT_EQ(q[0].textColor, RGB(120, 120, 120));
  EXPECT_EQ(q[0].font.height, 28);
  EXPECT_EQ(q[0].font.weight, 800);

  view->gpsState = 1;
  Recorder r1;
  r1.Clear();
  DrawGpsPosition(*view, r1.dc);
  auto poly = r1.Calls("Polygon");
  ASSERT_EQ(poly.size(), 1u);
  EXPECT_EQ(poly[0].points[0].x, px + 9);  // the tip turned to the east
  EXPECT_EQ(poly[0].points[0].y, py);
  EXPECT_EQ(GetPixel(r1.dc, px - 3, py), red);
  EXPECT_NE(GetPixel(r1.dc, px, py - 7), red);
  EXPECT_TRUE(r1.Calls("ExtTextOutW").empty());

  EXPECT_EQ(RotateArrowPoint(0, -9, 0.0).y, -9);
  const POINT turned = RotateArrowPoint(0, -9, 3.14159265358979);
  EXPECT_EQ(turned.x, 0);
  EXPECT_EQ(turned.y, 9);
}

TEST_F(FrameTest, MapsOutOfScaleAreNeitherLoadedNorDrawnAndAreFreedLater) {
  TMdmMap* map = OpenFixture();
  ASSERT_NE(map, nullptr);
  ASSERT_NE(map->loaded, 0u);
  view->vectorMaps[0].minScale = 5000;  // 1:2000 is now below its range
  PrepareFrame(*view, 0, 0, 240, 294);
  EXPECT_EQ(view->vectorMaps[0].inScale, 0);
  EXPECT_EQ(map->loaded, 0u);
  Recorder r;
  DrawLayers(*view, r.dc);
  EXPECT_TRUE(r.Calls("Polygon").empty());
}

TEST_F(FrameTest, AMapThatCannotLoadKeepsItsFrameIsToldOnceAndLoadsWhenItsFileChanges) {
  ASSERT_EQ(view->AddVectorMap(kMapPath, 1), 0);
  // The header was read; then the file goes (a storage card taken out).
  const std::string host = harness::HostPath(L"\\Vorna\\render.mdm");
  ASSERT_EQ(std::rename(host.c_str(), (host + ".away").c_str()), 0);
  PrepareFrame(*view, 0, 0, 240, 294);
  TMdmMap* map = view->GetVectorMap(0);
  EXPECT_EQ(map->loaded, 0u);
  EXPECT_NE(map->HeaderFrame(0), 0.0);
  EXPECT_NE(map->HeaderFrame(4), 0.0);
  PrepareFrame(*view, 0, 0, 240, 294);  // still in view, still unreadable: no second message
  EXPECT_EQ(view->vectorMaps[0].inScale, 1);
  ASSERT_EQ(harness::MessageBoxes().size(), 1u);
  EXPECT_NE(harness::MessageBoxes()[0].text.find(L"\\Vorna\\render.mdm"), std::wstring::npos);
  // Back again: the next frame reads it.
  ASSERT_EQ(std::rename((host + ".away").c_str(), host.c_str()), 0);
  PrepareFrame(*view, 0, 0, 240, 294);
  EXPECT_NE(map->loaded, 0u);
  EXPECT_EQ(harness::MessageBoxes().size(), 1u);
}

TEST_F(FrameTest, OnlyTopAndBottomChangesInvalidateTheTransforms) {
  ASSERT_NE(OpenFixture(), nullptr);
  PrepareFrame(*view, 0, 0, 200, 294);
  EXPECT_EQ(view->transformsValid, 1);
  view->transformsValid = 1;
  // A new bottom: the maps get the transform again before the frame ends.
  view->layersReset = 0;
  PrepareFrame(*view, 0, 20, 200, 294);
  EXPECT_EQ(view->viewRect.top, 20);
  EXPECT_EQ(view->transformsValid, 1);
  EXPECT_EQ(view->GetVectorMap(0)->viewTop, 20);
}
