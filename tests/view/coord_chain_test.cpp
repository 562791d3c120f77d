// Scale table, conversions, zooms and fits, the zone choice and following the GPS.
#include <climits>
#include <cmath>

#include "geodesy/gauss_kruger.h"
#include "view_test_util.h"

using namespace viewtest;

TEST(Scales, TableSteps) {
  EXPECT_EQ(NearestScale(175, 0), 250);  // a tie goes up
  EXPECT_EQ(NearestScale(174, 0), 100);
  EXPECT_EQ(NearestScale(100, 1), 100);
  EXPECT_EQ(NearestScale(99, 0), 100);
  EXPECT_EQ(NearestScale(20000000, 0), 10000000);
  EXPECT_EQ(NearestScale(7500, 0), 7500);
  EXPECT_EQ(NearestScale(7500, 1), 10000);
  EXPECT_EQ(NearestScale(INT32_MIN, 0), 100);
  EXPECT_EQ(NextScale(10000000), 10000000);
  EXPECT_EQ(PrevScale(100), 100);
  EXPECT_EQ(NextScale(3000), -1);
  EXPECT_EQ(PrevScale(7500), 5000);
}

class ChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    v.devicePixelsPerMetre = 4000.0;
    v.viewRect = {0, 0, 240, 294};
  }
  TMapView v;
};

TEST_F(ChainTest, ZoomStepsAndFreeScales) {
  v.SetScale(100);
  v.ZoomIn();
  EXPECT_EQ(v.scale, 100);
  v.SetScale(10000000);
  v.ZoomOut();
  EXPECT_EQ(v.scale, 10000000);
  v.SetScale(3000);
  v.ZoomIn();
  EXPECT_EQ(v.scale, 2000);
  v.SetScale(3000);
  v.ZoomOut();
  EXPECT_EQ(v.scale, 2000);  // the nearest step, not the next one
  EXPECT_DOUBLE_EQ(v.pixelsPerMetre, 2.0);
}

TEST_F(ChainTest, PixelScaleFloorAndSnap) {
  v.SetPixelScale(4000.0 / 37.5);  // denominator 37
  EXPECT_EQ(v.scale, 100);
  EXPECT_DOUBLE_EQ(v.pixelsPerMetre, 40.0);
  v.SnapPixelScale(4000.0 / 6000.0);
  EXPECT_EQ(v.scale, 5000);
  // k' = 0 and NaN give no undefined conversion.
  v.SetPixelScale(0.0);
  EXPECT_EQ(v.scale, INT32_MAX);
  v.SnapPixelScale(std::nan(""));
  EXPECT_EQ(v.scale, 100);
}

TEST_F(ChainTest, PlaneToScreenAndBack) {
  v.originX = 6170000;
  v.originY = 7407000;
  v.pixelsPerMetre = 3.9;
  int32_t x, y;
  v.PlaneToScreen(6170000, 7407000, &x, &y, 1);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 294);
  v.PlaneToScreen(6170001, 7407000, &x, &y, 1);
  EXPECT_EQ(y, 294 - 3);
  double X, Y;
  v.ScreenToPlane(0, 294, &X, &Y, 1);
  EXPECT_DOUBLE_EQ(X, 6170000);
  EXPECT_DOUBLE_EQ(Y, 7407000);
  // Far plane points saturate instead of wrapping.
  v.PlaneToScreen(6170000, 7407000 + 1e12, &x, &y, 1);
  EXPECT_EQ(x, INT32_MAX);
  v.PlaneToScreen(6170000 - 1e12, 7407000 - 1e12, &x, &y, 1);
  EXPECT_EQ(x, INT32_MIN);
  EXPECT_EQ(y, INT32_MAX);
  v.PlaneToScreen(std::nan(""), 7407000, &x, &y, 1);
  EXPECT_EQ(y, 294);
}

TEST_F(ChainTest, WithoutTransformNothingMovesOrDivides) {
  double X = 1, Y = 1;
  v.ScreenToPlane(10, 10, &X, &Y, 0);
  EXPECT_EQ(X, 0.0);
  EXPECT_EQ(Y, 0.0);
  v.originX = 5;
  v.MoveView(0, 0, 1);
  EXPECT_EQ(v.originX, 5.0);
  // Extent with X1 = X2: k stays 0 and the view uninitialised.
  v.extent[3] = v.extent[0];
  v.InitViewFromExtent();
  EXPECT_EQ(v.pixelsPerMetre, 0.0);
  EXPECT_EQ(v.viewInitialised, 0);
  // No map: all-zero extents, nothing to zoom to.
  v.ZoomToAll();
  EXPECT_EQ(v.scale, 0);
}

TEST_F(ChainTest, FitCenterAndMove) {
  v.InitViewFromExtent();  // the default 2 km square: 240 px over 2000 m -> 1:33333 -> 1:30000
  ASSERT_EQ(v.viewInitialised, 1);
  EXPECT_EQ(v.scale, 30000);
  EXPECT_EQ(v.originX, 6170000.0);
  EXPECT_EQ(v.originY, 7407000.0);
  EXPECT_EQ(v.layersReset, 1);

  const double tol = 1.0 / v.pixelsPerMetre;  // one pixel
  v.CenterOn(6171234, 7408765, 1);
  double X, Y;
  v.GetCenter(&X, &Y, 1);
  EXPECT_NEAR(X, 6171234, tol);
  EXPECT_NEAR(Y, 7408765, tol);
  // A point far beyond the int32 screen range is still centred exactly.
  v.CenterOn(6171234 + 2e10, 7408765, 1);
  v.GetCenter(&X, &Y, 1);
  EXPECT_NEAR(X, 6171234 + 2e10, tol);

  v.CenterOn(6171000, 7408000, 1);
  double oy = v.originY;
  v.MoveView(120 + 12, 147, 0);  // 12 px east of the centre becomes the centre
  EXPECT_NEAR(v.originY - oy, 12 / v.pixelsPerMetre, 1e-6);

  // Zoom frame: half the view height gives twice the pixels per metre, a free scale.
  v.SetScale(30000);
  v.ZoomToScreenRect(60, 73, 180, 220);
  EXPECT_NEAR(v.scale, 15000, 1);
  // A zero-height frame floors at 1:100.
  v.ZoomToScreenRect(10, 10, 20, 10);
  EXPECT_EQ(v.scale, 100);
}

TEST_F(ChainTest, EnsureVisibleMovesOnlyForOutsidePoints) {
  v.InitViewFromExtent();
  double X, Y;
  v.GetCenter(&X, &Y, 1);
  EXPECT_EQ(v.EnsureVisible(X, Y), 0);
  EXPECT_EQ(v.EnsureVisible(X + 50000, Y), 1);
  double X2, Y2;
  v.GetCenter(&X2, &Y2, 1);
  EXPECT_NEAR(X2, X + 50000, 1.0 / v.pixelsPerMetre);
}

class GpsTest : public ChainTest {
 protected:
  void SetUp() override {
    ChainTest::SetUp();
    v.zone = 7;
    v.pixelsPerMetre = 1.0;
    v.scale = 4000;
    v.GeoToPlane(lat, lon, &X, &Y);
    v.followGps = 1;
  }
  // The marker at screen (px + 0.5, 147.5) before the fix arrives.
  void PlaceMarkerAt(int px) {
    v.originY = Y - (px + 0.5);
    v.originX = X - 147.5;
  }
  const double lat = 0.97, lon = 39.0 / 180.0 * M_PI;
  double X = 0, Y = 0;
};

TEST_F(GpsTest, MarkerInsideTheMarginKeepsTheView) {
  PlaceMarkerAt(50);
  double ox = v.originX;
  int changed = 0;
  RECT r{};
  double gx, gy;
  EXPECT_EQ(v.UpdateGpsPosition(lat, lon, 90.0, 120.0, &changed, &r, &gx, &gy), 1);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(v.originX, ox);
  EXPECT_EQ(r.right - r.left, 36);  // the box around the old marker
  EXPECT_DOUBLE_EQ(gx, X);
  EXPECT_EQ(v.gpsCourse, 90.0);
  // Moved less than the stillness angle: nothing changes, not even the course.
  EXPECT_EQ(v.UpdateGpsPosition(lat + 1e-7, lon - 1e-7, 180.0, 0, &changed, &r, &gx, &gy), 0);
  EXPECT_EQ(v.gpsCourse, 90.0);
}

TEST_F(GpsTest, MarkerBeyondTheMarginJumpsAhead) {
  PlaceMarkerAt(49);
  int changed = 0;
  RECT r{};
  double gx, gy;
  ASSERT_EQ(v.UpdateGpsPosition(lat, lon, 90.0, 0, &changed, &r, &gx, &gy), 1);
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(r.right, 240);
  double cx, cy;
  v.GetCenter(&cx, &cy, 1);
  EXPECT_NEAR(cx, X, 1.0);
  EXPECT_NEAR(cy, Y + 50.0, 1.0);  // 50 px ahead along the course (east)
}

TEST_F(GpsTest, OffsetAndZeroScale) {
  v.gpsOffsetX = 10;
  v.gpsOffsetY = -20;
  PlaceMarkerAt(0);
  v.pixelsPerMetre = 0.0;  // no transform: the look-ahead has no length, the view stays
  int changed = 0;
  RECT r{};
  double gx, gy;
  ASSERT_EQ(v.UpdateGpsPosition(lat, lon, 45.0, 0, &changed, &r, &gx, &gy), 1);
  EXPECT_EQ(changed, 0);
  EXPECT_DOUBLE_EQ(gx, X + 10);
  EXPECT_DOUBLE_EQ(gy, Y - 20);
}

TEST_F(GpsTest, FixTheGeodesyCannotPlaceKeepsThePreviousPosition) {
  PlaceMarkerAt(50);
  int changed = 0;
  RECT r{};
  double gx = 0, gy = 0;
  ASSERT_EQ(v.UpdateGpsPosition(lat, lon, 90.0, 120.0, &changed, &r, &gx, &gy), 1);
  const double ox = v.originX, oy = v.originY;
  // 95 degrees north, a NaN and an infinite longitude: no move, nothing changes.
  const double bad[][2] = {{95.0 / 180.0 * M_PI, lon}, {NAN, lon}, {lat, INFINITY}};
  for (const auto& p : bad) {
    double bx = -1, by = -1;
    changed = 0;
    EXPECT_EQ(v.UpdateGpsPosition(p[0], p[1], 180.0, 7.0, &changed, &r, &bx, &by), 0);
    EXPECT_EQ(changed, 0);
    EXPECT_EQ(bx, -1.0);
    EXPECT_EQ(v.gpsX, X);
    EXPECT_EQ(v.gpsY, Y);
    EXPECT_EQ(v.originX, ox);
    EXPECT_EQ(v.originY, oy);
    EXPECT_EQ(v.gpsCourse, 90.0);
    EXPECT_EQ(v.lastFixLatitude, lat);
  }
  // The next good fix moves from where the marker was.
  EXPECT_EQ(v.UpdateGpsPosition(lat + 1e-5, lon, 0.0, 0, &changed, &r, &gx, &gy), 1);
  EXPECT_GT(gx, X + 50.0);
}

TEST(GeoZone, FailedConversionLeavesTheZoneUnset) {
  TMapView v;
  double X = 1, Y = 2;
  EXPECT_FALSE(v.GeoToPlane(95.0 / 180.0 * M_PI, 0.6, &X, &Y));
  EXPECT_FALSE(v.GeoToPlane(0.97, NAN, &X, &Y));
  EXPECT_EQ(v.zone, 255);
  EXPECT_EQ(X, 1.0);
  EXPECT_EQ(Y, 2.0);
  EXPECT_TRUE(v.GeoToPlane(0.97, 45.5 / 180.0 * M_PI, &X, &Y));
  EXPECT_EQ(v.zone, 8);
}

TEST(GeoZone, FirstConversionSetsTheZone) {
  TMapView v;
  double X, Y;
  v.GeoToPlane(0.97, 45.5 / 180.0 * M_PI, &X, &Y);
  EXPECT_EQ(v.zone, 8);
  EXPECT_EQ(GkZoneOfEasting(Y), 8);
  double lat, lon;
  v.PlaneToGeo(X, Y, &lat, &lon);
  EXPECT_NEAR(lat, 0.97, 1e-9);
}
