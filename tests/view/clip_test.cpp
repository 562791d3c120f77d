// Segment and polygon clipping, polyline runs drawn through a recording device context, the
// keyhole bridge for holes, and the metric routines.
#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <utility>
#include <vector>

#include "platform/gdi/recording_dc.h"
#include "platform/win.h"
#include "view/clip.h"

namespace {

class ClipTest : public ::testing::Test {
 protected:
  void SetUp() override { SetClipWindow(0, 0, 240, 294); }
};

std::vector<std::vector<POINT>> PolylineCalls(HDC dc) {
  std::vector<std::vector<POINT>> out;
  for (const auto& c : *vplat::RecordedCalls(dc))
    if (c.name == "Polyline") out.push_back(c.points);
  return out;
}

bool Same(const POINT& a, int x, int y) { return a.x == x && a.y == y; }

// Every point of a clipped ring lies in the view rectangle.
void ExpectInside(const std::vector<POINT>& pts, int n) {
  for (int i = 0; i < n; i++) {
    EXPECT_GE(pts[size_t(i)].x, 0);
    EXPECT_LE(pts[size_t(i)].x, 240);
    EXPECT_GE(pts[size_t(i)].y, 0);
    EXPECT_LE(pts[size_t(i)].y, 294);
  }
}

}  // namespace

TEST_F(ClipTest, SegmentsOnTheGrownBorderAndOfZeroLength) {
  // The grown rectangle is -10 .. 250 by -10 .. 304; its border counts as inside.
  int32_t x1 = -10, y1 = -10, x2 = -10, y2 = 304;
  EXPECT_EQ(ClipSegment(x1, y1, x2, y2), 1);
  EXPECT_EQ(x1, -10);
  EXPECT_EQ(y2, 304);
  int32_t a = 5, b = 5, c = 5, d = 5;
  EXPECT_EQ(ClipSegment(a, b, c, d), 1);
  a = c = -11;
  b = d = 5;
  EXPECT_EQ(ClipSegment(a, b, c, d), 0);
  EXPECT_EQ(a, -11);  // left unchanged
}

TEST_F(ClipTest, SegmentClippedKeepsItsDirection) {
  int32_t x1 = 100, y1 = 100, x2 = 1000, y2 = 100;
  ASSERT_EQ(ClipSegment(x1, y1, x2, y2), 1);
  EXPECT_EQ(x1, 100);
  EXPECT_EQ(x2, 250);
  x1 = 1000, y1 = 100, x2 = 100, y2 = 100;
  ASSERT_EQ(ClipSegment(x1, y1, x2, y2), 1);
  EXPECT_EQ(x1, 250);
  EXPECT_EQ(x2, 100);
}

TEST_F(ClipTest, SegmentsFromTheInt32EdgesClipExactly) {
  // A diagonal through the whole int32 plane crosses the view corner to corner.
  int32_t x1 = INT32_MIN, y1 = INT32_MIN, x2 = INT32_MAX, y2 = INT32_MAX;
  ASSERT_EQ(ClipSegment(x1, y1, x2, y2), 1);
  EXPECT_EQ(x1, -10);
  EXPECT_EQ(y1, -10);
  EXPECT_EQ(x2, 250);
  EXPECT_EQ(y2, 250);
  // A horizontal line from -1e9 to +1e9 at y 50.
  x1 = -1000000000, y1 = 50, x2 = 1000000000, y2 = 50;
  ASSERT_EQ(ClipSegment(x1, y1, x2, y2), 1);
  EXPECT_EQ(x1, -10);
  EXPECT_EQ(x2, 250);
  EXPECT_EQ(y1, 50);
  EXPECT_EQ(y2, 50);
  // Passing beside the window: invisible.
  x1 = -2000000000, y1 = 0, x2 = 0, y2 = -2000000000;
  EXPECT_EQ(ClipSegment(x1, y1, x2, y2), 0);
}

TEST_F(ClipTest, PolylineRunsAndCalls) {
  HDC dc = vplat::CreateRecordingDC({240, 320, false, 0});
  ASSERT_NE(dc, nullptr);
  // Wholly outside: no call, result 1.
  POINT out[] = {{-100, -100}, {-50, -200}, {-300, -20}};
  EXPECT_EQ(DrawClippedPolyline(dc, out, 3), 1);
  EXPECT_TRUE(PolylineCalls(dc).empty());

  // In, out over the top, back in: exit and re-entry are joined, one run.
  vplat::ClearRecordedCalls(dc);
  POINT zig[] = {{100, 100}, {100, -100}, {120, 100}};
  DrawClippedPolyline(dc, zig, 3);
  auto calls = PolylineCalls(dc);
  ASSERT_EQ(calls.size(), 1u);
  ASSERT_EQ(calls[0].size(), 4u);
  EXPECT_TRUE(Same(calls[0][0], 100, 100));
  EXPECT_TRUE(Same(calls[0][1], 100, -10));
  EXPECT_TRUE(Same(calls[0][2], 109, -10));
  EXPECT_TRUE(Same(calls[0][3], 120, 100));

  // Crossing twice with an invisible segment between: two calls.
  vplat::ClearRecordedCalls(dc);
  POINT twice[] = {{100, 100}, {100, -100}, {150, -100}, {150, 100}};
  DrawClippedPolyline(dc, twice, 4);
  calls = PolylineCalls(dc);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].size(), 2u);
  EXPECT_EQ(calls[1].size(), 2u);
  EXPECT_TRUE(Same(calls[1][0], 150, -10));

  // Repeated vertices give no duplicate points.
  vplat::ClearRecordedCalls(dc);
  POINT dup[] = {{10, 10}, {10, 10}, {20, 20}, {20, 20}};
  DrawClippedPolyline(dc, dup, 4);
  calls = PolylineCalls(dc);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].size(), 2u);

  // Vertices at +-1e9 and the int32 ends.
  vplat::ClearRecordedCalls(dc);
  POINT far[] = {{-1000000000, 147}, {1000000000, 147}, {INT32_MAX, INT32_MAX}, {120, 294}};
  DrawClippedPolyline(dc, far, 4);
  calls = PolylineCalls(dc);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_TRUE(Same(calls[0][0], -10, 147));
  EXPECT_TRUE(Same(calls[0][1], 250, 147));
  for (const POINT& p : calls[1]) {
    EXPECT_GE(p.x, -10);
    EXPECT_LE(p.x, 250);
    EXPECT_GE(p.y, -10);
    EXPECT_LE(p.y, 304);
  }
  EXPECT_TRUE(Same(calls[1].back(), 120, 294));
  DeleteDC(dc);
}

TEST_F(ClipTest, DrawClippedLineDrawsOnlyTheVisiblePart) {
  HDC dc = vplat::CreateRecordingDC({240, 320, false, 0});
  EXPECT_EQ(DrawClippedLine(dc, -500, -500, -400, -400), 0);
  EXPECT_EQ(DrawClippedLine(dc, -100, 50, 100, 50), 1);
  auto calls = PolylineCalls(dc);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_TRUE(Same(calls[0][0], -10, 50));
  DeleteDC(dc);
}

// A ring inside the view (on its edges too) is not clipped pass by pass; it must still come out
// exactly as the four passes give it, start and order included (a hole's bridge depends on both).
TEST_F(ClipTest, RingInsideTheViewComesOutAsTheFourPassesGiveIt) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 300; ++trial) {
    const int count = 3 + int(rng() % 13);
    std::vector<POINT> ring;
    for (int i = 0; i < count; ++i) {
      const LONG x = rng() % 4 == 0 ? (rng() % 2 ? 0 : 240) : LONG(rng() % 241);
      const LONG y = rng() % 4 == 0 ? (rng() % 2 ? 0 : 294) : LONG(rng() % 295);
      ring.push_back({x, y});
    }
    std::vector<POINT> a = ring, b, scratch = ring, out;
    int n = count;
    for (int edge = 0; edge < 4; ++edge) {
      n = ClipPolygonEdge(edge, n, a.data(), b);
      std::swap(a, b);
    }
    ASSERT_EQ(ClipPolygonToView(count, scratch, out), n + 1) << trial;
    for (int i = 0; i < n; ++i) ASSERT_TRUE(Same(out[size_t(i)], a[size_t(i)].x, a[size_t(i)].y)) << trial;
    EXPECT_TRUE(Same(out[size_t(n)], a[0].x, a[0].y));
  }
}

TEST_F(ClipTest, PolygonInsideSurroundingAndOutside) {
  std::vector<POINT> scratch = {{10, 10}, {100, 10}, {50, 80}}, out;
  ASSERT_EQ(ClipPolygonToView(3, scratch, out), 4);
  EXPECT_TRUE(Same(out[0], 100, 10));  // starts with the second vertex
  EXPECT_TRUE(Same(out[1], 50, 80));
  EXPECT_TRUE(Same(out[2], 10, 10));
  EXPECT_TRUE(Same(out[3], 100, 10));

  scratch = {{-1000, -1000}, {1000, -1000}, {1000, 1000}, {-1000, 1000}};
  int n = ClipPolygonToView(4, scratch, out);
  ASSERT_EQ(n, 5);
  std::vector<std::pair<int, int>> corners;
  for (int i = 0; i < 4; i++) corners.push_back({out[size_t(i)].x, out[size_t(i)].y});
  std::sort(corners.begin(), corners.end());
  EXPECT_EQ(corners, (std::vector<std::pair<int, int>>{{0, 0}, {0, 294}, {240, 0}, {240, 294}}));
  EXPECT_TRUE(Same(out[4], out[0].x, out[0].y));

  scratch = {{-100, -100}, {-50, -100}, {-50, -50}};
  EXPECT_EQ(ClipPolygonToView(3, scratch, out), 1);
  std::vector<POINT> two = {{1, 1}, {2, 2}};
  EXPECT_EQ(ClipPolygonToView(2, two, out), -1);
}

TEST_F(ClipTest, PolygonsAtTheInt32EdgesAndNearOneBillion) {
  std::vector<POINT> scratch = {{INT32_MIN, INT32_MIN},
                                {INT32_MAX, INT32_MIN},
                                {INT32_MAX, INT32_MAX},
                                {INT32_MIN, INT32_MAX}},
                     out;
  ASSERT_EQ(ClipPolygonToView(4, scratch, out), 5);
  ExpectInside(out, 5);
  // A triangle with one vertex far out on the right: the cut lies on x = 240 at the right y.
  scratch = {{100, 100}, {1000000000, 100}, {100, 200}};
  int n = ClipPolygonToView(3, scratch, out);
  ASSERT_EQ(n, 5);
  ExpectInside(out, n);
  bool foundTop = false, foundSlant = false;
  for (int i = 0; i < n; i++) {
    foundTop |= Same(out[size_t(i)], 240, 100);
    foundSlant |= out[size_t(i)].x == 240 && out[size_t(i)].y == 199;  // 100 + 100 (1 - 140/1e9)
  }
  EXPECT_TRUE(foundTop);
  EXPECT_TRUE(foundSlant);
}

TEST_F(ClipTest, ConcaveCombGrowsInEveryPass) {
  // A comb whose teeth cross every side of the view: each pass adds points, so the output
  // needs more room than the input at every step.
  std::vector<POINT> comb;
  const int teeth = 40;
  for (int t = 0; t < teeth; t++) {
    int x = -50 + t * 9;
    comb.push_back({x, -400});
    comb.push_back({x + 4, 700});
  }
  comb.push_back({400, 700});
  comb.push_back({400, -500});
  comb.push_back({-300, -500});
  std::vector<POINT> scratch = comb, out;
  int n = ClipPolygonToView(int(comb.size()), scratch, out);
  ASSERT_GT(n, int(comb.size()));
  ExpectInside(out, n);
  EXPECT_TRUE(Same(out[size_t(n - 1)], out[0].x, out[0].y));
}

TEST_F(ClipTest, ZeroHeightViewKeepsNothingOutsideIt) {
  SetClipWindow(0, 100, 240, 100);
  std::vector<POINT> scratch = {{10, 10}, {100, 10}, {50, 80}}, out;
  EXPECT_EQ(ClipPolygonToView(3, scratch, out), 1);
}

TEST(MergeHole, BridgeOrderAndCount) {
  // Ring A: square 0..100 (5 points, closed); hole B: square 40..60 (5 points, closed).
  std::vector<POINT> ring = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
  POINT hole[] = {{40, 40}, {60, 40}, {60, 60}, {40, 60}, {40, 40}};
  // R at the origin: the farthest hole vertex is (60, 60), index 2; nearest ring segment to it
  // is the first of the two at distance 40: segment 1 (100,0)-(100,100), foot (100, 60).
  int n = MergeHoleIntoRing(ring, 5, hole, 5, 0, 0);
  ASSERT_EQ(n, 5 + 5 + 4);
  std::vector<std::pair<int, int>> got;
  for (int i = 0; i < n; i++) got.push_back({ring[size_t(i)].x, ring[size_t(i)].y});
  std::vector<std::pair<int, int>> want = {
      {0, 0},   {100, 0},  {100, 60}, {60, 60}, {60, 40},   {40, 40}, {40, 40},
      {40, 60}, {60, 60},  {100, 60}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
  // A0..As, F, Bh..B0, Bb-1..Bh, F, As..Aa-1 with s = 1, h = 2.
  EXPECT_EQ(got, want);
  std::vector<POINT> empty;
  EXPECT_EQ(MergeHoleIntoRing(ring, 0, hole, 5, 0, 0), 0);
  EXPECT_EQ(MergeHoleIntoRing(ring, n, hole, 0, 0, 0), n);
}

TEST(MergeHole, FarCoordinatesCompareInWideArithmetic) {
  std::vector<POINT> ring = {{-2000000000, -2000000000},
                             {2000000000, -2000000000},
                             {2000000000, 2000000000},
                             {-2000000000, 2000000000},
                             {-2000000000, -2000000000}};
  POINT hole[] = {{-1900000000, 0}, {1900000000, 0}, {0, 1900000000}, {-1900000000, 0}};
  int n = MergeHoleIntoRing(ring, 5, hole, 4, -2000000000, 0);
  ASSERT_EQ(n, 13);
  // The farthest hole vertex from R is (1900000000, 0); the nearest ring side is x = 2e9.
  EXPECT_TRUE(Same(ring[2], 2000000000, 0));
  EXPECT_TRUE(Same(ring[3], 1900000000, 0));
}

TEST(Metric, PointSegmentDistanceAndTriangle) {
  int32_t fx, fy;
  EXPECT_DOUBLE_EQ(PointSegmentDistance(50, 30, 0, 0, 100, 0, &fx, &fy, 0), 30.0);
  EXPECT_EQ(fx, 50);
  EXPECT_EQ(fy, 0);
  EXPECT_NEAR(PointSegmentDistance(30, 50, 0, 0, 0, 100, &fx, &fy, 0), 30.0, 1e-9);
  EXPECT_EQ(fx, 0);
  EXPECT_EQ(fy, 50);
  // Beyond the end: the endpoint and its distance.
  EXPECT_DOUBLE_EQ(PointSegmentDistance(130, 40, 0, 0, 100, 0, &fx, &fy, 0), 50.0);
  EXPECT_EQ(fx, 100);
  EXPECT_EQ(fy, 0);
  // As a line: the perpendicular foot outside the segment.
  EXPECT_NEAR(PointSegmentDistance(130, 40, 0, 0, 100, 0, &fx, &fy, 1), 40.0, 1e-9);
  EXPECT_EQ(fx, 130);
  // A zero-length segment.
  EXPECT_DOUBLE_EQ(PointSegmentDistance(3, 4, 0, 0, 0, 0, &fx, &fy, 0), 5.0);
  EXPECT_EQ(TriangleArea(1, 2, 3), 0.0);
  EXPECT_DOUBLE_EQ(TriangleArea(3, 4, 5), 6.0);
}
