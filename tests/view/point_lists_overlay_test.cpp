// The point and mark lists, and the overlays drawn over a frame: highlights, markers and the
// calibration points of the active raster map.
#include <gtest/gtest.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "platform/gdi/recording_dc.h"
#include "platform/harness.h"
#include "platform/win.h"
#include "view/map_view.h"
#include "view/point_lists.h"
#include "view/render_state.h"

namespace {

// A raster map whose pixels are screen pixels shifted by (1000, 2000).
class ShiftedRaster : public TRasterMap {
 public:
  int Open(const char*, const double*) override { return 0; }
  int Activate() override { return 0; }
  void Deactivate() override {}
  void SetViewTransform(const RECT&, double, double, double) override {}
  void SetOutputSystem(uint8_t) override {}
  void GetExtent(double out[6]) const override {
    for (int i = 0; i < 6; ++i) out[i] = 0;
  }
  void PlaneToScreen(double, double, int32_t* sx, int32_t* sy) const override { *sx = *sy = 0; }
  void ScreenToPlane(int32_t, int32_t, double* x, double* y) const override { *x = *y = 0; }
  void PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const override {
    *sx = px - 1000;
    *sy = py - 2000;
  }
  void LoadVisibleTiles(const RECT&, int32_t) override {}
  void Draw(HDC) override {}
};

struct Overlay : ::testing::Test {
  void SetUp() override {
    harness::Start();
    view = std::make_unique<TMapView>();
    view->viewRect = {0, 0, 240, 294};
    view->pixelsPerMetre = 1.0;
    view->originX = 1000;
    view->originY = 5000;
    dc = vplat::CreateRecordingDC();
  }
  void TearDown() override {
    DeleteDC(dc);
    view.reset();
    harness::Stop();
  }
  std::vector<vplat::RecordedCall> Named(const std::string& name) const {
    std::vector<vplat::RecordedCall> out;
    for (const auto& c : *vplat::RecordedCalls(dc))
      if (c.name == name) out.push_back(c);
    return out;
  }
  std::unique_ptr<TMapView> view;
  HDC dc = nullptr;
};

}  // namespace

TEST(PointLists, AtFallsBackAndAppendCounts) {
  TPointList points;
  EXPECT_EQ(points.Count(), 0);
  const TListPoint* d = points.At(0);
  EXPECT_EQ(d->x, 0.0);
  EXPECT_EQ(d->px, 0);
  EXPECT_EQ(points.At(-1), d);  // the zeroed default while empty
  for (int i = 0; i < 3; ++i) EXPECT_EQ(points.Append(TListPoint{double(i + 1), 0, 0, i, i}), i);
  EXPECT_EQ(points.At(-1)->x, 1.0);  // unsigned test: point 0
  EXPECT_EQ(points.At(3)->x, 1.0);
  EXPECT_EQ(points.At(2)->x, 3.0);
  points.Clear();
  EXPECT_EQ(points.Count(), 0);
  EXPECT_EQ(points.At(1)->x, 0.0);

  TMarkList marks;
  EXPECT_EQ(marks.Append(TMarker{5, 6, 7}), 0);
  EXPECT_EQ(marks.At(-5)->z, 7.0);
}

TEST_F(Overlay, MarkerOperations) {
  TMarker got;
  EXPECT_EQ(GetCurrentMark(*view, &got), 0);
  AddMark(*view, TMarker{1, 2, 0});
  AddMark(*view, TMarker{3, 4, 0});
  EXPECT_EQ(view->currentMark, 1);
  ASSERT_EQ(GetCurrentMark(*view, &got), 1);
  EXPECT_EQ(got.x, 3.0);
  ClearMarks(*view);
  EXPECT_EQ(view->currentMark, 0);
  EXPECT_EQ(GetCurrentMark(*view, &got), 0);
  AddMark(*view, TMarker{9, 9, 0});
  EXPECT_EQ(view->currentMark, 0);  // the new marker is current
  SetMark(*view, TMarker{7, 7, 0});
  EXPECT_EQ(ViewLists(*view).marks.Count(), 1);
  ASSERT_EQ(GetCurrentMark(*view, &got), 1);
  EXPECT_EQ(got.x, 7.0);
}

TEST_F(Overlay, MarkersAreYellowCrossesWithACircle) {
  SetMark(*view, TMarker{1100, 5050, 0});  // screen (50, 194)
  SetBkMode(dc, OPAQUE);
  EXPECT_EQ(DrawHighlights(*view, dc), 0);
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  auto arms = Named("Polyline");
  ASSERT_EQ(arms.size(), 4u);
  EXPECT_EQ(arms[0].points[0].x, 42);
  EXPECT_EQ(arms[0].points[1].x, 48);
  EXPECT_EQ(arms[0].points[0].y, 194);
  EXPECT_EQ(arms[0].pen.style, PS_DASH);
  EXPECT_EQ(arms[0].pen.width, 1);
  EXPECT_EQ(arms[0].pen.color, RGB(255, 255, 0));
  EXPECT_EQ(arms[0].bkMode, TRANSPARENT);
  auto circle = Named("Ellipse");
  ASSERT_EQ(circle.size(), 1u);
  EXPECT_EQ(circle[0].args, (std::vector<int64_t>{42, 186, 58, 202}));
  EXPECT_EQ(circle[0].pen.width, 3);
  EXPECT_EQ(circle[0].brush.style, BS_NULL);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
}

TEST_F(Overlay, HighlightsNamingMissingMapsAreKeptButNotDrawn) {
  TObjectRef ref;
  ref.map = 3;
  ref.object = 7;
  EXPECT_EQ(view->AddHighlight(ref), 0);
  ref.map = -1;
  view->AddHighlight(ref);
  EXPECT_EQ(view->GetHighlightCount(), 2);
  DrawHighlights(*view, dc);
  for (const auto& c : *vplat::RecordedCalls(dc)) EXPECT_EQ(c.name, "SetBkMode");
}

TEST_F(Overlay, CalibrationPointsFromThePlaneOrFromTheirPixels) {
  SetRasterMapFactory([]() -> TRasterMap* { return new ShiftedRaster; });
  view->rasterMaps.push_back(std::make_unique<ShiftedRaster>());
  view->activeRaster = 0;
  TPointList& cal = ViewLists(*view).calibrationPoints;
  const int32_t unset = TListPoint::kPixelUnset;
  cal.Append(TListPoint{0.0, 0.0, 0, 1100, 2100});     // not on the plane yet
  cal.Append(TListPoint{1100, 5020, 0, 1030, 2040});    // screen (20, 194); pixel (30, 40)
  cal.Append(TListPoint{1150, 5060, 0, 1050, unset});   // pixel y not set
  view->currentCalibrationPoint = 1;

  view->vectorShown = 1;
  DrawHighlights(*view, dc);
  auto circles = Named("Ellipse");
  ASSERT_EQ(circles.size(), 2u);  // the (0, 0) point is skipped
  EXPECT_EQ(circles[0].args, (std::vector<int64_t>{11, 185, 30, 204}));
  EXPECT_EQ(circles[0].pen.width, 4);
  EXPECT_EQ(circles[0].pen.color, RGB(255, 255, 0));  // current
  EXPECT_EQ(circles[1].pen.width, 3);
  EXPECT_EQ(circles[1].pen.color, RGB(255, 0, 0));
  auto pixels = Named("SetPixel");
  ASSERT_EQ(pixels.size(), 2u);
  EXPECT_EQ(pixels[0].args[0], 20);
  EXPECT_EQ(pixels[0].args[1], 194);

  vplat::ClearRecordedCalls(dc);
  view->vectorShown = 0;
  DrawHighlights(*view, dc);
  circles = Named("Ellipse");
  ASSERT_EQ(circles.size(), 2u);  // the point without pixel y is skipped
  EXPECT_EQ(circles[0].args[0], 100 - 9);  // (0, 0) drawn from its pixel (100, 100)
  EXPECT_EQ(circles[1].args[0], 30 - 9);

  // Without an active raster map nothing of this is drawn.
  vplat::ClearRecordedCalls(dc);
  view->activeRaster = -1;
  DrawHighlights(*view, dc);
  EXPECT_TRUE(Named("Ellipse").empty());
  SetRasterMapFactory(nullptr);
}

// A view or a map made again where an old one stood starts empty: its lists and drawing state
// are its own, not entries of a table keyed by the address.
TEST(ViewState, ARebuiltViewAndMapAtTheSameAddressStartEmpty) {
  harness::Start();
  alignas(TMapView) unsigned char viewRoom[sizeof(TMapView)];
  auto* view = new (viewRoom) TMapView;
  AddMark(*view, TMarker{1, 2, 0});
  ViewLists(*view).calibrationPoints.Append(TListPoint{3, 4, 0, 5, 6});
  view->~TMapView();
  view = new (viewRoom) TMapView;
  EXPECT_EQ(ViewLists(*view).marks.Count(), 0);
  EXPECT_EQ(ViewLists(*view).calibrationPoints.Count(), 0);
  TMarker got;
  EXPECT_EQ(GetCurrentMark(*view, &got), 0);
  view->~TMapView();

  alignas(TMdmMap) unsigned char mapRoom[sizeof(TMdmMap)];
  auto* map = new (mapRoom) TMdmMap;
  MapDrawState(map) = TMapDrawState{2.5f, 0, 1};
  map->~TMdmMap();
  map = new (mapRoom) TMdmMap;
  EXPECT_EQ(MapDrawState(map).symbolScale, 0.0f);
  EXPECT_EQ(MapDrawState(map).fill, 1);
  EXPECT_EQ(MapDrawState(map).marking, 0);
  map->~TMdmMap();
  harness::Stop();
}
