// Picking: objects under a point of a map written by the sample writer, the nearest vertex or
// segment, the crossing test against a plain 32-bit transcription, and the extent of a map.
#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "view/map_pick.h"
#include "view_test_util.h"

using namespace viewtest;

namespace {

constexpr uint8_t kDrawn = TMapObject::kInView | TMapObject::kPassesLevel;

// The crossing count written out literally in 32-bit ints: only for coordinates small enough
// that nothing overflows. Closed rings only.
int LiteralInPolygon(int px, int py, int n, const TMapPoint* v) {
  if (n == 0) return 0;
  int f = n - 1;
  while (f > 0 && v[f - 1].y == v[f].y) f--;
  if (f == 0) return 0;
  int falls = v[f].y < v[f - 1].y;
  int crossings = 0;
  for (f = 1; f < n; f++) {
    int x1 = v[f - 1].x, y1 = v[f - 1].y, x2 = v[f].x, y2 = v[f].y;
    if (y1 == y2) {
      if (py == y1 && px >= std::min(x1, x2) && px <= std::max(x1, x2)) return 1;
      continue;
    }
    int down = y2 < y1;
    int xa = down ? x2 : x1, ya = down ? y2 : y1, xb = down ? x1 : x2, yb = down ? y1 : y2;
    int lo = ya, hi = yb;
    if (down && falls) hi--;
    if (!down && !falls) lo++;
    falls = down;
    if (py >= lo && py <= hi) {
      int cx = xa + (xb - xa) * (py - ya) / (yb - ya);
      if (px == cx) return 1;
      if (px < cx) crossings++;
    }
  }
  return crossings & 1;
}

// A closed ring of 3-40 vertices in +-range, y drawn from few values so horizontal edges and
// repeated levels are common.
std::vector<TMapPoint> RandomRing(std::mt19937& rng, int range) {
  int n = std::uniform_int_distribution<int>(3, 40)(rng);
  std::uniform_int_distribution<int> coord(-range, range);
  std::uniform_int_distribution<int> level(-6, 6);
  std::vector<TMapPoint> ring;
  for (int i = 0; i < n; i++) {
    int y = (rng() % 2) ? level(rng) * (range / 6) : coord(rng);
    ring.push_back({coord(rng), y});
  }
  ring.push_back(ring[0]);
  return ring;
}

// Horizontal distance from (px, py) to every edge spanning py, in exact doubles.
bool FarFromEdges(double px, double py, const std::vector<TMapPoint>& r, double margin) {
  for (size_t i = 0; i + 1 < r.size(); i++) {
    double x1 = r[i].x, y1 = r[i].y, x2 = r[i + 1].x, y2 = r[i + 1].y;
    if (py < std::min(y1, y2) - margin || py > std::max(y1, y2) + margin) continue;
    if (y1 == y2) return false;
    double cx = x1 + (x2 - x1) * (py - y1) / (y2 - y1);
    if (std::fabs(px - cx) <= margin) return false;
    if (std::fabs(py - y1) <= margin || std::fabs(py - y2) <= margin) return false;
  }
  return true;
}

}  // namespace

TEST(PointInPolygon, EqualsThe32BitCrossingCountOnSmallRings) {
  std::mt19937 rng(24);
  int inside = 0;
  for (int k = 0; k < 20000; k++) {
    std::vector<TMapPoint> ring = RandomRing(rng, 1000);
    for (int j = 0; j < 5; j++) {
      int px = int(rng() % 2201) - 1100, py = int(rng() % 2201) - 1100;
      if (j == 0) py = ring[rng() % ring.size()].y;  // level with a vertex
      int want = LiteralInPolygon(px, py, int(ring.size()), ring.data());
      ASSERT_EQ(PointInPolygon(px, py, int32_t(ring.size()), ring.data()), want)
          << "ring " << k << " point " << px << "," << py;
      inside += want;
    }
  }
  EXPECT_GT(inside, 10000);  // both answers occur often
}

TEST(PointInPolygon, ScaledRingsNearTheInt32LimitsGiveTheSameAnswer) {
  std::mt19937 rng(7);
  int compared = 0;
  for (int k = 0; k < 20000; k++) {
    std::vector<TMapPoint> small = RandomRing(rng, 1000);
    const int64_t shiftX = (k % 2) ? (1 << 30) : -(1 << 30), shiftY = (k % 3) ? (1 << 30) : -(1 << 30);
    std::vector<TMapPoint> big;
    for (TMapPoint p : small) big.push_back({int32_t(p.x * (1 << 20) + shiftX), int32_t(p.y * (1 << 20) + shiftY)});
    for (int j = 0; j < 3; j++) {
      int px = int(rng() % 2001) - 1000, py = int(rng() % 2001) - 1000;
      // The big point sits half a small unit up and right: off every vertex level.
      const int64_t bx = int64_t(px) * (1 << 20) + (1 << 19) + shiftX;
      const int64_t by = int64_t(py) * (1 << 20) + (1 << 19) + shiftY;
      if (!FarFromEdges(double(bx), double(by), big, double(1 << 19) + 2)) continue;
      // The same place in small units is (px + 0.5, py + 0.5): the literal count at doubled
      // coordinates answers for it exactly.
      std::vector<TMapPoint> twice;
      for (TMapPoint p : small) twice.push_back({p.x * 2, p.y * 2});
      int want = LiteralInPolygon(2 * px + 1, 2 * py + 1, int(twice.size()), twice.data());
      ASSERT_EQ(PointInPolygon(int32_t(bx), int32_t(by), int32_t(big.size()), big.data()), want)
          << "ring " << k;
      compared++;
    }
  }
  EXPECT_GT(compared, 20000);
}

TEST(PointInPolygon, ExtremeSquareOpenRingsAndBoundaries) {
  const int32_t M = std::numeric_limits<int32_t>::max();
  const TMapPoint square[5] = {{-M, -M}, {M, -M}, {M, M}, {-M, M}, {-M, -M}};
  EXPECT_EQ(PointInPolygon(0, 0, 5, square), 1);
  EXPECT_EQ(PointInPolygon(M - 1, 5, 5, square), 1);
  EXPECT_EQ(PointInPolygon(M, 5, 5, square), 1);  // on the edge
  EXPECT_EQ(PointInPolygon(std::numeric_limits<int32_t>::min(), 5, 5, square), 0);
  // The same square without its closing vertex: the closing edge is added.
  EXPECT_EQ(PointInPolygon(0, 0, 4, square), 1);
  EXPECT_EQ(PointInPolygon(-M, 0, 4, square), 1);  // on the added edge
  const TMapPoint tri[4] = {{0, 0}, {10, 0}, {0, 10}, {0, 0}};
  EXPECT_EQ(PointInPolygon(5, 0, 4, tri), 1);   // on a horizontal edge
  EXPECT_EQ(PointInPolygon(5, 5, 4, tri), 1);   // on the slanted edge
  EXPECT_EQ(PointInPolygon(6, 5, 4, tri), 0);
  for (int n = 1; n <= 2; n++) EXPECT_EQ(PointInPolygon(2, 2, n, tri), 0) << n;
  EXPECT_EQ(PointInPolygon(2, 2, 3, tri), 1);  // the open triangle, closed
  // A diamond: the level of its left and right vertices passes straight through; counted once.
  const TMapPoint diamond[5] = {{0, -10}, {10, 0}, {0, 10}, {-10, 0}, {0, -10}};
  EXPECT_EQ(PointInPolygon(0, 0, 5, diamond), 1);
  EXPECT_EQ(PointInPolygon(-20, 0, 5, diamond), 0);
  EXPECT_EQ(PointInPolygon(0, 0, 0, nullptr), 0);
  const TMapPoint flat[3] = {{0, 0}, {10, 0}, {0, 0}};
  EXPECT_EQ(PointInPolygon(5, 0, 3, flat), 0);  // no edge that changes y
}

TEST(NearestPointOnPolyline, LongSegmentsKeepTheirPrecision) {
  const TMapPoint seg[2] = {{-1000000000, 0}, {1000000000, 0}};
  int32_t s = -1;
  TMapPoint foot{};
  EXPECT_NEAR(NearestPointOnPolyline(5, 10, 2, seg, &s, &foot), 10.0, 1e-6);
  EXPECT_EQ(s, 0);
  EXPECT_EQ(foot.x, 5);
  EXPECT_EQ(foot.y, 0);
  // Beyond an end: the end itself.
  EXPECT_NEAR(NearestPointOnPolyline(1000000003, 4, 2, seg, &s, &foot), 5.0, 1e-9);
  EXPECT_EQ(foot.x, 1000000000);
  // The first of two equally near segments wins; fewer than two vertices write nothing.
  const TMapPoint vee[3] = {{0, 0}, {10, 0}, {20, 0}};
  EXPECT_DOUBLE_EQ(NearestPointOnPolyline(10, 3, 3, vee, &s, &foot), 3.0);
  EXPECT_EQ(s, 0);
  s = 77;
  EXPECT_EQ(NearestPointOnPolyline(0, 0, 1, vee, &s, &foot), -1.0);
  EXPECT_EQ(s, 77);
  const TMapPoint same[3] = {{5, 5}, {5, 5}, {5, 5}};
  EXPECT_DOUBLE_EQ(NearestPointOnPolyline(8, 9, 3, same, &s, &foot), 5.0);
  EXPECT_DOUBLE_EQ(PointDistance({-2147483647, 0}, {2147483647, 0}), 4294967294.0);
}

namespace {

// A map in metres (one unit = 1 m) over a 10 km frame, objects from the writer, loaded through
// the view so that geometry is read; every object is then marked drawable.
class PickTest : public ViewTest {
 protected:
  TMdmMap* Open(std::vector<sample::MdmObject> objects, const char* name = "\\Maps\\p.mdm") {
    sample::MdmSpec s = MapAt(6180000, 7400000);
    s.unitExponent = 3;
    s.objects = std::move(objects);
    WriteMap(name, s);
    int i = view->AddVectorMap(name, 1);
    EXPECT_GE(i, 0);
    if (i < 0) return nullptr;
    EXPECT_EQ(view->LoadVectorMapObjects(i), 0);
    view->vectorMaps[size_t(i)].inScale = 1;
    view->InitViewFromExtent();
    view->UpdateLayers(1);
    TMdmMap* m = view->GetVectorMap(i);
    view->PrepareMap(m, view->viewRect);
    // Every object counts as drawn, whatever the level of detail chose, and has its geometry.
    for (int32_t k = 1; k < m->count; k++) m->objects[k].flags |= kDrawn;
    EXPECT_EQ(m->LoadVisibleObjects(), 0);
    return m;
  }
  // Picks at a plane point given in map units of the 1 m map.
  std::vector<int> At(TMdmMap* m, double ux, double uy, double t, int kind = 0, int cap = 50) {
    double x = 6180000 + ux, y = 7400000 + uy;
    std::vector<uint16_t> out(size_t(std::max(cap, 1)));
    int n = FindMapObjectsAt(*m, &x, &y, 0, out.data(), cap, t, kind);
    return std::vector<int>(out.begin(), out.begin() + n);
  }
};

using V = std::vector<int>;

}  // namespace

TEST_F(PickTest, EachKindIsPickedByItsOwnDistance) {
  TMdmMap* m = Open({sample::MdmShape(18, {{1000, 1000}, {3000, 1000}}),
                     sample::MdmShape(27, {{4000, 4000}, {4000, 8000}, {8000, 8000}, {8000, 4000}, {4000, 4000}}),
                     sample::MdmShape(36, {{1000, 7000}, {2000, 7000}}),
                     sample::MdmShape(36, {{1000, 9000}}),
                     sample::MdmPoint(9, 3000, 3000)});
  ASSERT_NE(m, nullptr);
  for (int i = 1; i <= 4; i++) ASSERT_NE(m->objects[i].vertices, nullptr) << i;
  m->nominalScale = 10000;
  m->pixelScale = 0.06;  // symbol scale 10000 * 0.06 / 1 / 1000 = 0.6
  EXPECT_EQ(At(m, 2000, 1010, 10), V{1});
  EXPECT_EQ(At(m, 2000, 1011, 10), V{});
  EXPECT_EQ(At(m, 3007, 1006, 10), V{1});  // beyond the end: distance to it, sqrt(85)
  EXPECT_EQ(At(m, 6000, 6000, 10), V{2});  // far inside the area: distance 0
  EXPECT_EQ(At(m, 3991, 6000, 10), V{2});
  EXPECT_EQ(At(m, 3989, 6000, 10), V{});
  EXPECT_EQ(At(m, 1500, 7020, 10), V{3});  // a text up to twice the tolerance
  EXPECT_EQ(At(m, 1500, 7021, 10), V{});
  EXPECT_EQ(At(m, 1012, 9016, 10), V{4});  // a one-vertex text: 20 / 2
  EXPECT_EQ(At(m, 3006, 3008, 10), V{5});
  m->pixelScale = 0.05;  // symbol scale exactly 0.5: points cannot be picked
  EXPECT_EQ(At(m, 3000, 3000, 10), V{});
  // Kind filters, zero and non-finite tolerances, capacity 0.
  m->pixelScale = 0.06;
  EXPECT_EQ(At(m, 6000, 6000, 10, 3), V{2});
  EXPECT_EQ(At(m, 6000, 6000, 10, 2), V{});
  for (int k : {5, 6, 7, 255}) EXPECT_EQ(At(m, 6000, 6000, 10, k), V{}) << k;
  EXPECT_EQ(At(m, 6000, 6000, 0), V{2});  // d = 0 <= t = 0
  EXPECT_EQ(At(m, 6000, 6000, std::nan("")), V{});
  EXPECT_EQ(At(m, 6000, 6000, std::numeric_limits<double>::infinity()), V{});
  EXPECT_EQ(At(m, 6000, 6000, 10, 0, 0), V{});
  // Objects not marked drawable are not candidates.
  m->objects[2].flags &= uint8_t(~TMapObject::kPassesLevel);
  EXPECT_EQ(At(m, 6000, 6000, 10), V{});
}

TEST_F(PickTest, ResultsComeInIndexOrderUpToTheCapacityAndOnlyInsideTheFrame) {
  // Three lines, the last nearest to the tap.
  TMdmMap* m = Open({sample::MdmShape(18, {{0, 5008}, {10000, 5008}}),
                     sample::MdmShape(18, {{0, 4995}, {10000, 4995}}),
                     sample::MdmShape(18, {{0, 5001}, {10000, 5001}})});
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(At(m, 5000, 5000, 10), (V{1, 2, 3}));
  EXPECT_EQ(At(m, 5000, 5000, 10, 0, 1), V{1});
  EXPECT_EQ(At(m, 5000, 5000, 10, 0, 2), (V{1, 2}));
  // The frame's border is inside; beyond it nothing is found even within the tolerance.
  EXPECT_EQ(At(m, 0, 5000, 10), (V{1, 2, 3}));
  EXPECT_EQ(At(m, 10000, 5001, 10), (V{1, 2, 3}));
  EXPECT_EQ(At(m, -1, 5000, 10), V{});
  EXPECT_EQ(At(m, 10001, 5000, 10), V{});
  EXPECT_EQ(At(m, std::nan(""), 5000, 10), V{});
}

TEST_F(PickTest, DegenerateObjectsNeverCrashAndRarelyMatch) {
  const int32_t M = std::numeric_limits<int32_t>::max();
  TMdmMap* m = Open({sample::MdmShape(18, {{100, 100}, {6000, 100}}),
                     sample::MdmShape(18, {{300, 300}}),                   // one vertex
                     sample::MdmShape(27, {{500, 500}, {6500, 6500}, {6500, 500}, {500, 6500}}),  // crossing, open
                     sample::MdmShape(18, {{2000, 9000}, {9000, 9000}}),
                     sample::MdmShape(27, {{3000, 3000}, {9000, 3000}, {3000, 9000}, {3000, 3000}}),
                     sample::MdmShape(18, {{7000, 9500}, {7000, 9500}})});
  ASSERT_NE(m, nullptr);
  // In memory: vertices and box at the int32 limit, an area whose vertices are gone.
  TMapObject& far = m->objects[4];
  ASSERT_EQ(far.vertexCount, 2);
  far.vertices[0] = {M, M};
  far.vertices[1] = {M - 10, M};
  far.box[0] = M - 10;
  far.box[1] = far.box[2] = far.box[3] = M;
  m->objects[5].vertexCount = 0;
  std::swap(m->objects[1].box[0], m->objects[1].box[2]);  // min > max (the file loader refuses it)
  EXPECT_EQ(At(m, 150, 100, 10), V{});
  EXPECT_EQ(At(m, 303, 304, 10), V{2});
  EXPECT_EQ(At(m, 3500, 3490, 10), V{3});  // 7 off a crossing edge
  EXPECT_EQ(At(m, 3500, 3300, 10), V{});    // between the crossing edges: outside
  EXPECT_EQ(At(m, 1000, 3500, 10), V{3});   // inside the lobe the closing edge makes
  EXPECT_EQ(At(m, 7004, 9503, 10), V{6});
  // The far-off object is beyond 1e9 units, the emptied one has nothing to measure.
  EXPECT_EQ(At(m, 5000, 5000, 1e9), (V{1, 2, 3, 6}));
}

TEST_F(PickTest, NearestVertexSegmentAndKind) {
  TMdmMap* m = Open({sample::MdmShape(18, {{1000, 1000}, {3000, 1000}, {3000, 3000}}),
                     sample::MdmPoint(9, 5000, 5000),
                     sample::MdmShape(18, {{1000, 1200}, {3000, 1200}}),
                     sample::MdmShape(18, {{4000, 4000}})});
  ASSERT_NE(m, nullptr);
  // The editing tools' screen tests: at 1 pixel a unit with no hooks, screen = map units.
  m->SetTransformHook(nullptr, nullptr);
  m->rotSin = 0;
  m->rotCos = 1;
  // Find the screen point of map unit (2900, 1005) through the map's own transform.
  int32_t sx, sy;
  m->MapToScreen(2990, 1010, &sx, &sy);
  TMapPoint back;
  m->ScreenToMap(sx, sy, &back.x, &back.y);
  const double px = m->pixelScale;
  ASSERT_GT(px, 0);
  const double d = PointDistance(back, {3000, 1000});
  EXPECT_EQ(HitPointObject(*m, sx, sy, 1, px * d + 0.01), 1);
  EXPECT_EQ(HitPointObject(*m, sx, sy, 1, px * d * 0.5), -1);
  EXPECT_EQ(HitPointObject(*m, sx, sy, 99, 1e9), -1);
  EXPECT_EQ(HitPointObject(*m, sx, sy, -1, 1e9), -1);
  EXPECT_EQ(HitPointObject(*m, sx, sy, 0, 1e9), -1);  // the placeholder
  EXPECT_EQ(HitPointObject(*m, sx, sy, 2, 1e9), 1);   // a point's corners are equal: 1
  TMapPoint foot{};
  const int seg = FindNearestVertex(*m, sx, sy, 1, 1e9, &foot);
  EXPECT_TRUE(seg == 0 || seg == 1);
  EXPECT_EQ(FindNearestVertex(*m, sx, sy, 2, 1e9, &foot), -1);  // a point has no polyline
  EXPECT_EQ(FindNearestVertex(*m, sx, sy, 4, 1e9, &foot), -1);  // one vertex: no segment
  // The nearest line to a plane point among those whose first corner is near enough.
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1150, 5000), 3);
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1050, 5000), 1);
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1050, 1), kNoObject);
  EXPECT_EQ(FindNearestObjectOfKind(*m, 3, 6180000 + 2000, 7400000 + 1050, 5000), kNoObject);
  // The limit holds for the distance to the line, not to its first box corner: (2000, 1050) is
  // 1001 units from line 1's corner (1000, 1000) and 50 from the line itself.
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1050, 500), 1);
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1050, 50), 1);
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1050, 49.9), kNoObject);
  EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + 2000, 7400000 + 1050, std::nan("")), kNoObject);
}

TEST_F(PickTest, ExtentTakesBothCornersOfShapesAndTheFirstOfPoints) {
  sample::MdmObject point = sample::MdmPoint(9, 500, 600);
  point.box[2] = 9900;  // its direction corner, not a place
  point.box[3] = 9900;
  TMdmMap* m = Open({sample::MdmShape(18, {{100, 100}, {9000, 9000}}), point});
  ASSERT_NE(m, nullptr);
  double e[6];
  GetMapExtent(*m, e);
  EXPECT_DOUBLE_EQ(e[0], 6180100);
  EXPECT_DOUBLE_EQ(e[1], 7400100);
  EXPECT_DOUBLE_EQ(e[3], 6189000);
  EXPECT_DOUBLE_EQ(e[4], 7409000);
  EXPECT_EQ(e[2], 0);
  EXPECT_EQ(e[5], 0);
  double all[6];
  view->GetExtents(all);  // zoom to all uses the same extent
  for (int k = 0; k < 6; k++) EXPECT_DOUBLE_EQ(all[k], e[k]) << k;
  // No qualifying object: a box value of 0, a code 0.
  m->objects[1].box[0] = 0;
  m->objects[2].code = 0;
  GetMapExtent(*m, e);
  for (double v : e) EXPECT_EQ(v, 0);
}

TEST_F(PickTest, TheViewPicksScreenPointsMapByMap) {
  TMdmMap* a = Open({sample::MdmShape(27, {{0, 0}, {0, 10000}, {10000, 10000}, {10000, 0}, {0, 0}})},
                    "\\Maps\\a.mdm");
  ASSERT_NE(a, nullptr);
  TMdmMap* b = Open({sample::MdmShape(18, {{0, 0}, {10000, 10000}}),
                     sample::MdmShape(27, {{0, 0}, {0, 10000}, {10000, 10000}, {10000, 0}, {0, 0}})},
                    "\\Maps\\b.mdm");
  ASSERT_NE(b, nullptr);
  for (int i = 0; i < 2; i++) {
    TMdmMap* m = view->GetVectorMap(i);
    view->PrepareMap(m, view->viewRect);
    for (int32_t k = 1; k < m->count; k++) m->objects[k].flags |= kDrawn;
  }
  // The plane centre of the frame on the screen.
  int32_t sx, sy;
  view->PlaneToScreen(6185000, 7405000, &sx, &sy, 1);
  TObjectRef refs[50];
  std::memcpy(refs[0].tag, "TAG", 4);
  int n = view->FindObjectsAt(-1, sx, sy, refs, 50, 10, 0);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(refs[0].map, 0);
  EXPECT_EQ(refs[0].object, 1);
  EXPECT_STREQ(refs[0].tag, "TAG");  // the caller's tag stays
  EXPECT_EQ(refs[1].map, 1);
  EXPECT_EQ(refs[1].object, 1);
  EXPECT_EQ(refs[2].map, 1);
  EXPECT_EQ(refs[2].object, 2);
  EXPECT_EQ(view->FindObjectsAt(-1, sx, sy, refs, 2, 10, 0), 2);
  EXPECT_EQ(view->FindObjectsAt(1, sx, sy, refs, 50, 10, 2), 1);
  EXPECT_EQ(refs[0].object, 1);
  EXPECT_EQ(view->FindObjectsAt(2, sx, sy, refs, 50, 10, 0), 0);
  EXPECT_EQ(view->FindObjectsAt(-2, sx, sy, refs, 50, 10, 0), 0);
  EXPECT_EQ(view->FindObjectsAt(-1, sx, sy, refs, 0, 10, 0), 0);
  EXPECT_EQ(view->FindObjectsAt(-1, sx, sy, refs, 50, std::nan(""), 0), 0);
  EXPECT_EQ(view->FindObjectsAt(-1, INT32_MAX, INT32_MIN, refs, 50, 10, 0), 0);
  view->vectorMaps[0].inScale = 0;
  EXPECT_EQ(view->FindObjectsAt(-1, sx, sy, refs, 50, 10, 0), 2);
  view->pixelsPerMetre = 0;  // no scale yet
  EXPECT_EQ(view->FindObjectsAt(-1, sx, sy, refs, 50, 10, 0), 0);
}

TEST_F(PickTest, NearestLineAgreesWithABruteForceScan) {
  // Random lines over the frame; the nearest by an exact projection in long double.
  std::mt19937 rng(99);
  std::vector<sample::MdmObject> objects;
  for (int i = 0; i < 300; i++) {
    std::vector<std::pair<int32_t, int32_t>> v;
    int32_t x = int32_t(rng() % 9000), y = int32_t(rng() % 9000);
    for (int k = 0; k < 2 + int(rng() % 6); k++)
      v.push_back({x + int32_t(rng() % 800), y + int32_t(rng() % 800)});
    objects.push_back(sample::MdmShape(i % 5 == 0 ? 27 : 18, v));
  }
  TMdmMap* m = Open(objects);
  ASSERT_NE(m, nullptr);
  auto segDist = [](long double px, long double py, TMapPoint a, TMapPoint b) {
    long double dx = b.x - a.x, dy = b.y - a.y, L = dx * dx + dy * dy;
    long double t = L == 0 ? 0 : ((px - a.x) * dx + (py - a.y) * dy) / L;
    t = std::clamp(t, 0.0L, 1.0L);
    return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
  };
  for (int j = 0; j < 200; j++) {
    int32_t px = int32_t(rng() % 10000), py = int32_t(rng() % 10000);
    long double best = 1e30L;
    int want = kNoObject;
    for (int32_t k = 1; k < m->count; k++) {
      const TMapObject& o = m->objects[k];
      if (o.kind != 2) continue;
      for (int32_t s = 0; s + 1 < o.vertexCount; s++) {
        long double d = segDist(px, py, o.vertices[s], o.vertices[s + 1]);
        if (d < best - 1e-6L) {
          best = d;
          want = k;
        }
      }
    }
    EXPECT_EQ(FindNearestObjectOfKind(*m, 2, 6180000 + px, 7400000 + py, INT32_MAX), want) << j;
  }
}
