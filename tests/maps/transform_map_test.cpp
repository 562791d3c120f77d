// Map units, plane metres and screen pixels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "geodesy/gauss_kruger.h"
#include "maps/mdm_map.h"
#include "mdm_test_util.h"

using mdmtest::MakeMemoryMap;

TEST(TransformMap, UnitProductsAreExactPowersOfTen) {
  TMdmMap map;
  MakeMemoryMap(map, 1, 6180000, 7400000, 6190000, 7410000);
  double x, y;
  map.MapToPlane(10000001, 0, &x, &y);
  EXPECT_EQ(x, 6180000.0 + 100000.01);  // a float product gave 100000.0078125
  EXPECT_EQ(map.UnitMetres(), 0.01);
}

TEST(TransformMap, PlaneRoundTripsKeepEveryUnit) {
  // Frames in zone 7 and in zone 32, at every unit exponent a header can hold.
  const double frames[][4] = {{6180000, 7400000, 6190000, 7410000},
                              {5500000, 32300000, 5600000, 32700000}};
  const int32_t samples[] = {1, 7, 99, 101, 12345, 999999, 3333333, 29999999};
  for (const auto& f : frames) {
    for (int e = 0; e <= 7; e++) {
      TMdmMap map;
      MakeMemoryMap(map, e, f[0], f[1], f[2], f[3]);
      for (int32_t v : samples) {
        double px, py;
        map.MapToPlane(v, v / 3 + 1, &px, &py);
        int32_t bx, by;
        map.PlaneToMap(px, py, &bx, &by);
        EXPECT_EQ(bx, v) << "e=" << e << " frame y " << f[1];
        EXPECT_EQ(by, v / 3 + 1) << "e=" << e << " frame y " << f[1];
      }
    }
  }
}

TEST(TransformMap, PlaneToMapNeverGoesNegative) {
  TMdmMap map;
  MakeMemoryMap(map, 3, 6180000, 7400000, 6190000, 7410000);
  int32_t x, y;
  map.PlaneToMap(6179000, 7399999.5, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  map.PlaneToMap(std::nan(""), 1e30, &x, &y);  // saturates, never undefined
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, INT32_MAX);

  TMdmMap none;  // no header: unit 0
  none.PlaneToMap(6185000, 7405000, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
  TMapViewDesc view = {0, 0, 240, 300, 6180000, 7400000, 0.5, nullptr, nullptr};
  none.SetViewTransform(view);
  EXPECT_EQ(none.viewBottom, 0);
  EXPECT_EQ(none.pixelScale, 0.0);
  int32_t sx, sy;
  none.ScreenToMap(10, 10, &sx, &sy);
  EXPECT_EQ(sx, 0);
  EXPECT_EQ(sy, 0);
}

TEST(TransformMap, ScreenAndMapAreInversesInTheMapsOwnZone) {
  TMdmMap map;
  MakeMemoryMap(map, 3, 6180000, 7400000, 6190000, 7410000);
  // 2 pixels a metre; plane (6181000, 7402000) at the bottom left.
  TMapViewDesc view = {0, 0, 240, 300, 6181000, 7402000, 2.0, nullptr, nullptr};
  map.SetViewTransform(view);
  EXPECT_EQ(map.rotSin, 0.0);
  int32_t sx, sy;
  map.MapToScreen(1050, 2060, &sx, &sy);
  EXPECT_EQ(sx, 120);
  EXPECT_EQ(sy, 200);
  int32_t x, y;
  map.ScreenToMap(sx, sy, &x, &y);
  EXPECT_EQ(x, 1050);
  EXPECT_EQ(y, 2060);
  TMapPoint p = map.ScreenToMapPt({0, 300});
  EXPECT_EQ(p.x, 1000);
  EXPECT_EQ(p.y, 2000);
}

TEST(TransformMap, AnotherOutputZoneRotatesTheMap) {
  TMdmMap map;
  MakeMemoryMap(map, 3, 6180000, 7400000, 6190000, 7410000);
  map.SetOutputZone(8);
  EXPECT_NE(map.rotSin, 0.0);
  EXPECT_NEAR(map.rotSin * map.rotSin + map.rotCos * map.rotCos, 1.0, 1e-12);
  double x2, y2;
  ASSERT_TRUE(GkReprojectToZone(6180000, 7400000, 7, 8, x2, y2));
  EXPECT_EQ(map.outFrame[0], x2);
  EXPECT_EQ(map.outFrame[1], y2);
  double box[6];
  map.ConvertFrame(box);
  EXPECT_LE(box[0], map.outFrame[0]);
  EXPECT_GE(box[3], map.outFrame[3]);
  EXPECT_GT(box[1], 8000000);
  // Back in its own zone the rotation goes.
  map.SetOutputZone(7);
  EXPECT_EQ(map.rotSin, 0.0);
  EXPECT_EQ(map.outFrame[4], 7410000);
}

TEST(TransformMap, RotationRoundTrip) {
  int32_t x = 1000, y = 0;
  RotateScalePoint(&x, &y, 0.6, 0.8);
  EXPECT_EQ(x, 800);
  EXPECT_EQ(y, -600);
  RotateScalePoint(&x, &y, -0.6, 0.8);
  EXPECT_EQ(x, 1000);
  EXPECT_EQ(y, 0);
}

namespace {
int32_t g_hookCalls = 0;
void ToScreen(double px, double py, int32_t* sx, int32_t* sy) {
  g_hookCalls++;
  *sx = int32_t(py - 7400000);
  *sy = int32_t(px - 6180000);
}
void ToPlane(int32_t sx, int32_t sy, double* px, double* py) {
  g_hookCalls++;
  *px = 6180000 + sy;
  *py = 7400000 + sx;
}
}  // namespace

TEST(TransformMap, HooksReplaceTheLinearStep) {
  TMdmMap map;
  MakeMemoryMap(map, 3, 6180000, 7400000, 6190000, 7410000);
  map.SetTransformHook(ToScreen, ToPlane);
  int32_t sx, sy, x, y;
  map.MapToScreen(30, 40, &sx, &sy);
  EXPECT_EQ(sx, 40);
  EXPECT_EQ(sy, 30);
  map.ScreenToMap(40, 30, &x, &y);
  EXPECT_EQ(x, 30);
  EXPECT_EQ(y, 40);
  EXPECT_EQ(g_hookCalls, 2);
}

TEST(TransformMap, NominalScaleFollowsTheViewScale) {
  TMdmMap map;
  mdm::PutU32(map.header + mdm::kOffScale, 25000);
  TScalePair pairs[] = {{100000, 10000}, {500000, 50000}};
  map.SelectNominalScale(50000);  // no pairs yet: unchanged
  EXPECT_EQ(map.nominalScale, 0u);
  ASSERT_TRUE(map.SetScalePairs(pairs, 2));
  map.SelectNominalScale(50000);
  EXPECT_EQ(map.nominalScale, 10000u);
  map.SelectNominalScale(100000);
  EXPECT_EQ(map.nominalScale, 10000u);
  map.SelectNominalScale(200000);
  EXPECT_EQ(map.nominalScale, 50000u);
  map.SelectNominalScale(1000000);
  EXPECT_EQ(map.nominalScale, 25000u);
}

namespace {

constexpr double kDeg = 3.14159265358979323846 / 180.0;

// A plane point of the ground (degrees) in the zone of central meridian `meridian`, worked out
// from the degrees alone (one datum, as the maps' planes are).
void Ground(double latDeg, double lonDeg, double meridian, double* x, double* y) {
  ASSERT_TRUE(GeoToGkSameDatum(latDeg * kDeg, lonDeg * kDeg, *x, *y, meridian));
}

}  // namespace

// A working map made by the program in zone 7 (centimetres, its origin on the equator) shown in a
// zone-6 view over the town at 55.75 N 37.62 E, from a street's scale to a country's: every
// ground point draws within a pixel of where the view puts that ground, a tap anywhere gives the
// map units of the ground under it, and the plane points of the view enter and leave the map on
// their ground. (Turned about the frame origin, the town lay 103 km off.)
TEST(TransformMap, AMapOfAnotherZoneLiesOnItsGroundAtEveryScale) {
  TMdmMap map;
  MakeMemoryMap(map, 1, 0, 6500000, 9000000, 8500000);
  ASSERT_EQ(map.zone, 7);
  const double lat0 = 55.75, lon0 = 37.62;
  auto units = [&](double latDeg, double lonDeg, int32_t* ux, int32_t* uy) {
    double x, y;
    Ground(latDeg, lonDeg, 39, &x, &y);
    *ux = int32_t(std::lround(x / 0.01));
    *uy = int32_t(std::lround((y - 6500000) / 0.01));
  };
  // Zone 6 is the neighbour; zone 9 lies so far off that at small scales the view's corners
  // stray from a fit about its centre and each vertex is converted.
  for (uint8_t zone : {6, 9}) {
    map.SetOutputZone(zone);
    const double meridian = 6.0 * zone - 3;
    for (double scale : {500.0, 10000.0, 100000.0, 1000000.0, 5000000.0, 10000000.0}) {
      const double k = 3780.0 / scale;  // pixels per metre
      double cx, cy;
      Ground(lat0, lon0, meridian, &cx, &cy);
      const TMapViewDesc view = {0, 0, 240, 294, cx - 147 / k, cy - 120 / k, k, nullptr, nullptr};
      map.SetViewTransform(view);
      // Ground points spread over the view, out to its corners.
      const double reach = 0.48 * 294 / k / 111000.0;  // degrees of latitude
      for (int i = -2; i <= 2; ++i) {
        for (int j = -2; j <= 2; ++j) {
          const double lat = lat0 + reach * i / 2,
                       lon = lon0 + reach * j / 2 / std::cos(lat0 * kDeg);
          int32_t ux, uy;
          units(lat, lon, &ux, &uy);
          double vx, vy;
          Ground(lat, lon, meridian, &vx, &vy);
          const double sx = (vy - view.originY) * k, sy = 294 - (vx - view.originX) * k;
          int32_t gx, gy;
          map.MapToScreen(ux, uy, &gx, &gy);
          // Within a pixel of the pixel that holds the ground.
          EXPECT_NEAR(gx, std::trunc(sx), 1.0) << zone << " 1:" << scale << " " << i << "," << j;
          EXPECT_NEAR(gy, std::trunc(sy), 1.0) << zone << " 1:" << scale << " " << i << "," << j;

          double px, py;
          map.MapToViewPlane(ux, uy, &px, &py);
          EXPECT_NEAR(px, vx, 0.02);
          EXPECT_NEAR(py, vy, 0.02);
          int32_t bx, by;
          map.ViewPlaneToMap(vx, vy, &bx, &by);
          EXPECT_NEAR(bx, ux, 2);
          EXPECT_NEAR(by, uy, 2);

          // The pen at a whole pixel: the ground of that pixel, worked out through the degrees
          // (there and back over the datum shift, 2 mm at most; at 1:10,000,000 the view reaches
          // beyond zone 6, where an easting's prefix no longer names its zone).
          const int32_t tx = int32_t(std::lround(sx)), ty = int32_t(std::lround(sy));
          double tlat, tlon, ox, oy;
          ASSERT_TRUE(GkToGeo((294.0 - ty) / k + view.originX, tx / k + view.originY, tlat, tlon,
                              meridian));
          ASSERT_TRUE(GeoToGk(tlat, tlon, ox, oy, 39));
          int32_t mx, my;
          map.ScreenToMap(tx, ty, &mx, &my);
          EXPECT_NEAR(mx, ox / 0.01, 3) << "1:" << scale;
          EXPECT_NEAR(my, (oy - 6500000) / 0.01, 3) << "1:" << scale;
        }
      }
      // Labels and symbols turn by the grids' angle at the town: the convergence of 37.62 E in
      // zone 6 less that in zone 7, about (4.62 + 1.38) sin 55.75 = 4.96 degrees.
      if (zone == 6) {
        EXPECT_NEAR(std::fabs(std::atan2(map.rotSin, map.rotCos)) / kDeg, 4.96, 0.05) << scale;
      }
    }
  }
  // Back in its own zone the map is linear again and unturned.
  map.SetOutputZone(7);
  EXPECT_FALSE(map.ShownInAnotherZone());
  EXPECT_EQ(map.rotSin, 0.0);
}

// A line that leaves the view reaches its far vertex on its ground too: a fit about the view's
// centre holds over the view only, and a power line's next vertex 60 km off lay 16 m (6 pixels
// at 1:10,000) from its ground.
TEST(TransformMap, AVertexFarOutsideTheViewOfAnotherZoneLiesOnItsGround) {
  TMdmMap map;
  MakeMemoryMap(map, 1, 0, 6500000, 9000000, 8500000);
  map.SetOutputZone(6);
  const double lat0 = 55.75, lon0 = 37.62, k = 3780.0 / 10000;
  double cx, cy;
  Ground(lat0, lon0, 33, &cx, &cy);
  const TMapViewDesc view = {0, 0, 240, 294, cx - 147 / k, cy - 120 / k, k, nullptr, nullptr};
  map.SetViewTransform(view);
  for (double km : {2.0, 20.0, 60.0}) {
    for (int dir = 0; dir < 4; ++dir) {
      const double dLat = (dir == 0 ? 1 : dir == 1 ? -1 : 0) * km / 111.2;
      const double dLon = (dir == 2 ? 1 : dir == 3 ? -1 : 0) * km / 111.2 / std::cos(lat0 * kDeg);
      double mx, my, vx, vy;
      Ground(lat0 + dLat, lon0 + dLon, 39, &mx, &my);
      Ground(lat0 + dLat, lon0 + dLon, 33, &vx, &vy);
      int32_t gx, gy;
      map.MapToScreen(int32_t(std::lround(mx / 0.01)), int32_t(std::lround((my - 6500000) / 0.01)),
                      &gx, &gy);
      EXPECT_NEAR(gx, std::trunc((vy - view.originY) * k), 1.0) << km << " km, " << dir;
      EXPECT_NEAR(gy, std::trunc(294 - (vx - view.originX) * k), 1.0) << km << " km, " << dir;
    }
  }
}
