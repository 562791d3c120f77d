// The construction geometry over integer points. Expected points are worked out by hand (exact
// arithmetic, truncated toward zero after the base point is added).
#include "edit/construction_geometry.h"

#include "view/map_pick.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using construct::kPi;

namespace {

TMapPoint P(int32_t x, int32_t y) { return {x, y}; }

void ExpectPoint(TMapPoint got, int32_t x, int32_t y) {
  EXPECT_EQ(got.x, x);
  EXPECT_EQ(got.y, y);
}

TEST(ConstructionGeometry, ToUnitSnapsNearIntegersAndRefusesWhatHasNone) {
  int32_t v = 0;
  ASSERT_TRUE(construct::ToUnit(0.29 / 0.01, &v));  // 28.999999999999996
  EXPECT_EQ(v, 29);
  ASSERT_TRUE(construct::ToUnit(-1.8e-15, &v));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(construct::ToUnit(-7.9, &v));
  EXPECT_EQ(v, -7);  // toward zero, not floor
  ASSERT_TRUE(construct::ToUnit(2.7, &v));
  EXPECT_EQ(v, 2);
  ASSERT_TRUE(construct::ToUnit(2147483647.0, &v));
  EXPECT_EQ(v, 2147483647);
  v = 5;
  EXPECT_FALSE(construct::ToUnit(2147483648.0, &v));
  EXPECT_FALSE(construct::ToUnit(-2147483648.0, &v));
  EXPECT_FALSE(construct::ToUnit(std::nan(""), &v));
  EXPECT_FALSE(construct::ToUnit(std::numeric_limits<double>::infinity(), &v));
  EXPECT_EQ(v, 5);
}

TEST(ConstructionGeometry, PointAtAngleAroundTheEndOfASegment) {
  const TMapPoint a = P(0, 0), b = P(100, 0);
  TMapPoint out;
  ASSERT_TRUE(construct::PointAtAngle(a, b, kPi / 2, 10, &out));
  ExpectPoint(out, 100, -10);
  ASSERT_TRUE(construct::PointAtAngle(a, b, kPi, 10, &out));
  ExpectPoint(out, 90, 0);  // the second coordinate is -1.8e-15: toward zero
  ASSERT_TRUE(construct::PointAtAngle(a, b, -kPi / 2, 10, &out));
  ExpectPoint(out, 100, 10);
  ASSERT_TRUE(construct::PointAtAngle(a, b, 0, 10, &out));
  ExpectPoint(out, 110, 0);
  // Coincident points have the direction 0.
  ASSERT_TRUE(construct::PointAtAngle(P(7, 3), P(7, 3), 0, 10, &out));
  ExpectPoint(out, 7, 13);
  // Past the int32 range there is no point.
  EXPECT_FALSE(construct::PointAtAngle(a, P(2147483640, 0), 0, 100, &out));
}

TEST(ConstructionGeometry, NearestOfFourCandidatesBreaksTiesTowardsTheEarlierChoice) {
  TMapPoint c[4];
  ASSERT_TRUE(construct::SquareCandidates(P(0, 0), P(100, 0), 10, c));
  EXPECT_EQ(construct::ChooseNearest4(c, P(103, 9)), 2);  // the -90 one at (100, 10)
  EXPECT_EQ(construct::ChooseNearest4(c, P(100, 0)), 1);  // all equal: 180
  // As far from the 90 as from the 180 candidate, farther from the rest.
  EXPECT_EQ(construct::ChooseNearest4(c, P(95, -5)), 1);
  EXPECT_EQ(construct::CandidateAngle(1), 180);
  ASSERT_TRUE(construct::SquareCandidates(P(0, 0), P(100, 0), 0, c));
  for (const TMapPoint& p : c) ExpectPoint(p, 100, 0);
}

TEST(ConstructionGeometry, CirclesMeetTangentOrNot) {
  TMapPoint p1, p2;
  ASSERT_TRUE(construct::IntersectCircles(P(0, 0), P(10, 0), std::sqrt(50.0), std::sqrt(50.0), &p1, &p2));
  ExpectPoint(p1, 5, 5);
  ExpectPoint(p2, 5, -5);
  // The half unit is cut after the centre is added, so the order of the centres does not matter.
  ASSERT_TRUE(construct::IntersectCircles(P(1000, 1000), P(1011, 1000), 7.5, 7.5, &p1, &p2));
  ExpectPoint(p1, 1005, 1005);
  ExpectPoint(p2, 1005, 994);
  ASSERT_TRUE(construct::IntersectCircles(P(1011, 1000), P(1000, 1000), 7.5, 7.5, &p1, &p2));
  ExpectPoint(p1, 1005, 1005);
  ExpectPoint(p2, 1005, 994);
  // Both centres on one grid line (dx = 0): the results differ in the first coordinate's sign.
  ASSERT_TRUE(construct::IntersectCircles(P(0, 0), P(0, 10), std::sqrt(50.0), std::sqrt(50.0), &p1, &p2));
  ExpectPoint(p1, 5, 5);
  ExpectPoint(p2, -5, 5);
  ASSERT_TRUE(construct::IntersectCircles(P(0, 0), P(20, 0), 10, 10, &p1, &p2));
  ExpectPoint(p1, 10, 0);
  ExpectPoint(p2, 10, 0);
  EXPECT_FALSE(construct::IntersectCircles(P(0, 0), P(100, 0), 10, 10, &p1, &p2));  // apart
  EXPECT_FALSE(construct::IntersectCircles(P(0, 0), P(0, 0), 10, 10, &p1, &p2));    // concentric
  EXPECT_FALSE(construct::IntersectCircles(P(0, 0), P(0, 10), std::nan(""), 5, &p1, &p2));
}

TEST(ConstructionGeometry, SidesAndOrientationAreExactNearTheInt32Limits) {
  const int32_t m = 2147483647;
  // (px - ex)(sy - ey) is 4 (2^31 - 1)^2 here, beyond int64.
  EXPECT_EQ(construct::SideOf(P(-m, m), P(-m, -m), P(m, m)), 1);
  EXPECT_EQ(construct::SideOf(P(m, -m), P(-m, -m), P(m, m)), -1);
  EXPECT_EQ(construct::SideOf(P(0, 0), P(-m, -m), P(m, m)), 0);
  EXPECT_EQ(construct::SideOf(P(0, 5), P(0, 0), P(100, 0)), 1);
  EXPECT_EQ(construct::OrientationSign(P(0, 0), P(10, 0), P(5, 5)), 1);
  EXPECT_EQ(construct::OrientationSign(P(10, 0), P(0, 0), P(5, 5)), -1);
  ExpectPoint(construct::Midpoint(P(-3, 0), P(0, 0)), -1, 0);
  ExpectPoint(construct::Midpoint(P(m, m), P(m - 2, m)), m - 1, m);
}

TEST(ConstructionGeometry, PerpendicularFootOnAnObliqueLine) {
  TMapPoint foot;
  // t = 65 / 125: the foot (5.2, 2.6), truncated.
  ASSERT_TRUE(construct::PerpendicularFoot(P(3, 7), P(0, 0), P(10, 5), &foot));
  ExpectPoint(foot, 5, 2);
  // Beyond the segment the whole line still counts.
  ASSERT_TRUE(construct::PerpendicularFoot(P(50, 9), P(0, 0), P(10, 0), &foot));
  ExpectPoint(foot, 50, 0);
  EXPECT_FALSE(construct::PerpendicularFoot(P(3, 7), P(1, 1), P(1, 1), &foot));
}

TEST(ConstructionGeometry, BisectorPointsOfBentStraightVAndReversedPaths) {
  TMapPoint p1, p2;
  ASSERT_TRUE(construct::BisectorPoints(P(0, 0), P(10, 0), P(10, 10), 5 * std::sqrt(2.0), &p1, &p2));
  ExpectPoint(p1, 5, 5);
  ExpectPoint(p2, 15, -5);
  // Straight on: square to the path, one point on each side.
  ASSERT_TRUE(construct::BisectorPoints(P(0, 0), P(10, 0), P(20, 0), 5, &p1, &p2));
  ExpectPoint(p1, 10, -5);
  ExpectPoint(p2, 10, 5);
  // A V symmetric about the second axis (t = 0 alone): the bisector is that axis.
  ASSERT_TRUE(construct::BisectorPoints(P(10, -10), P(0, 0), P(-10, -10), 5, &p1, &p2));
  ExpectPoint(p1, 0, -5);
  ExpectPoint(p2, 0, 5);
  // A full reversal: the general rule, one point back along the path, one beyond the tip.
  ASSERT_TRUE(construct::BisectorPoints(P(0, 0), P(10, 0), P(0, 0), 5, &p1, &p2));
  ExpectPoint(p1, 5, 0);
  ExpectPoint(p2, 15, 0);
  // A zero-length incoming arm takes the outgoing arm's normal; both zero: none.
  ASSERT_TRUE(construct::BisectorPoints(P(10, 0), P(10, 0), P(20, 0), 5, &p1, &p2));
  ExpectPoint(p1, 10, -5);
  ExpectPoint(p2, 10, 5);
  EXPECT_FALSE(construct::BisectorPoints(P(1, 1), P(1, 1), P(1, 1), 5, &p1, &p2));
  // A negative distance swaps them.
  ASSERT_TRUE(construct::BisectorPoints(P(0, 0), P(10, 0), P(10, 10), -5 * std::sqrt(2.0), &p1, &p2));
  ExpectPoint(p1, 15, -5);
}

TEST(ConstructionGeometry, OffsetsFillFromTheNextKnownOrThePrevious) {
  std::vector<int32_t> offsets = {0, 0, 7, 0, 0};
  ASSERT_TRUE(construct::FillOffsets(offsets, {0, 0, 1, 0, 0}));
  EXPECT_EQ(offsets, (std::vector<int32_t>{7, 7, 7, 7, 7}));
  offsets = {4, 0, 0, 11, 0};
  ASSERT_TRUE(construct::FillOffsets(offsets, {1, 0, 0, 1, 0}));
  // 1: (4 + 11) / 2 = 7; 2: (7 + 11) / 2 = 9; 4 copies 11.
  EXPECT_EQ(offsets, (std::vector<int32_t>{4, 7, 9, 11, 11}));
  offsets = {0, 0};
  EXPECT_FALSE(construct::FillOffsets(offsets, {0, 0}));
}

// Every segment of the result 5 (10) from its base segment: the corners where the offsets of
// the two arms meet, worked out by hand.
TEST(ConstructionGeometry, ParallelLineKeepsItsDistanceAtBendsOnEitherSide) {
  const TMapPoint v[] = {P(0, 0), P(100, 0), P(100, 100)};
  const int32_t offsets[] = {5, 5, 5, 10, 10, 10};
  std::vector<TMapPoint> out;
  ASSERT_EQ(construct::ParallelLine(v, 3, offsets, 1, &out), 1);
  ASSERT_EQ(out.size(), 3u);
  ExpectPoint(out[0], 0, 5);
  ExpectPoint(out[1], 95, 5);  // not (96, 3), 5 along the bisector
  ExpectPoint(out[2], 95, 100);
  ASSERT_EQ(construct::ParallelLine(v, 3, offsets, -1, &out), 1);
  ExpectPoint(out[0], 0, -5);
  ExpectPoint(out[1], 105, -5);
  ExpectPoint(out[2], 105, 100);
  EXPECT_EQ(construct::ParallelLine(v, 1, offsets, 1, &out), 0);

  // An interior angle of 30 degrees (tan 30 = 500 / 866): inside, the offset of the second arm,
  // 500 (x - 1000) + 866 y = -10 |(866, 500)|, meets y = 10 at x = 962.68, 3.86 d from the
  // vertex; outside it meets y = -10 at x = 1037.32. The end stands 10 square to the last arm.
  const TMapPoint bent[] = {P(0, 0), P(1000, 0), P(134, 500)};
  ASSERT_EQ(construct::ParallelLine(bent, 3, offsets + 3, 1, &out), 1);
  ExpectPoint(out[0], 0, 10);
  ExpectPoint(out[1], 962, 10);
  ExpectPoint(out[2], 128, 491);  // (134 - 5.0001, 500 - 8.6602)
  ASSERT_EQ(construct::ParallelLine(bent, 3, offsets + 3, -1, &out), 1);
  ExpectPoint(out[0], 0, -10);
  ExpectPoint(out[1], 1037, -10);
  ExpectPoint(out[2], 139, 508);

  // An interior angle of 5.7 degrees would put the corner 20 d away: refused, nothing out.
  const TMapPoint spike[] = {P(0, 0), P(1000, 0), P(0, 100)};
  out.clear();
  EXPECT_EQ(construct::ParallelLine(spike, 3, offsets + 3, 1, &out), construct::kSharpBend);
  EXPECT_TRUE(out.empty());
}

// A track holds a vertex twice where the walker stood still. Both copies take the corner of the
// distinct vertices around them (an interior angle of 135 degrees, worked out by hand: the offset
// y = 1010 of the first arm meets y = x - 50 + 10 sqrt 2 at x = 1045.86; outside, y = 990 meets
// y = x - 50 - 10 sqrt 2 at x = 1054.14), where they used to make a loop on one side and a
// notch on the other.
TEST(ConstructionGeometry, ParallelLineTakesTheCornerOfTheDistinctVerticesAroundARepeat) {
  const TMapPoint track[] = {P(1000, 1000), P(1050, 1000), P(1050, 1000), P(1100, 1050)};
  const int32_t offsets[] = {10, 10, 10, 10};
  std::vector<TMapPoint> out;
  ASSERT_EQ(construct::ParallelLine(track, 4, offsets, 1, &out), 1);
  ASSERT_EQ(out.size(), 4u);
  ExpectPoint(out[0], 1000, 1010);
  ExpectPoint(out[1], 1045, 1010);
  ExpectPoint(out[2], 1045, 1010);
  ExpectPoint(out[3], 1092, 1057);  // 10 square to the last arm: (1100 - 7.07, 1050 + 7.07)
  ASSERT_EQ(construct::ParallelLine(track, 4, offsets, -1, &out), 1);
  ExpectPoint(out[1], 1054, 990);
  ExpectPoint(out[2], 1054, 990);
  // A repeat at an end stands square with the end; a line of one repeated point has no side.
  const TMapPoint ends[] = {P(0, 0), P(0, 0), P(100, 0), P(100, 0)};
  ASSERT_EQ(construct::ParallelLine(ends, 4, offsets, 1, &out), 1);
  ExpectPoint(out[0], 0, 10);
  ExpectPoint(out[1], 0, 10);
  ExpectPoint(out[2], 100, 10);
  ExpectPoint(out[3], 100, 10);
  const TMapPoint still[] = {P(5, 5), P(5, 5), P(5, 5)};
  EXPECT_EQ(construct::ParallelLine(still, 3, offsets, 1, &out), 0);
}

TEST(ConstructionGeometry, RectangleRingsAlongASideAndABentLine) {
  std::vector<TMapPoint> ring;
  ASSERT_TRUE(construct::RectangleRing({P(0, 0), P(100, 0)}, 10, 1, &ring));
  ASSERT_EQ(ring.size(), 4u);
  ExpectPoint(ring[2], 100, 10);
  ExpectPoint(ring[3], 0, 10);
  ASSERT_TRUE(construct::RectangleRing({P(0, 0), P(100, 0)}, 10, -1, &ring));
  ExpectPoint(ring[2], 100, -10);
  // Width 0: the degenerate ring P1, P2, P2, P1.
  ASSERT_TRUE(construct::RectangleRing({P(0, 0), P(100, 0)}, 0, 0, &ring));
  ExpectPoint(ring[2], 100, 0);
  ExpectPoint(ring[3], 0, 0);
  EXPECT_FALSE(construct::RectangleRing({P(4, 4), P(4, 4)}, 10, 1, &ring));

  // Along (0, 0) - (100, 0) - (100, 100): P1 10 off the first leg, P2 10 off the second.
  const TMapPoint line[] = {P(0, 0), P(100, 0), P(100, 100)};
  int wanted = -1;
  std::vector<TMapPoint> nearSide;
  ASSERT_EQ(construct::NearSideAlongLine(line, 3, P(50, 10), P(90, 60), &wanted, &nearSide), 1);
  EXPECT_EQ(wanted, 1);  // P1's side against its foot line (50, 0) -> (100, 60)
  ASSERT_EQ(nearSide.size(), 3u);
  ExpectPoint(nearSide[0], 50, 10);
  ExpectPoint(nearSide[1], 90, 10);  // 10 from both legs, where their offsets meet
  ExpectPoint(nearSide[2], 90, 60);
  // Picked the other way round the walk still starts at the point met first.
  wanted = 1;
  ASSERT_EQ(construct::NearSideAlongLine(line, 3, P(90, 60), P(50, 10), &wanted, &nearSide), 1);
  ExpectPoint(nearSide.front(), 50, 10);
  ExpectPoint(nearSide.back(), 90, 60);
}

}  // namespace

namespace {

// The squared-distance search agrees with the view's polyline search, segment and foot.
TEST(ConstructionGeometry, NearestSegmentAgreesWithThePolylineSearchOfTheView) {
  uint32_t r = 99;
  auto next = [&r](int32_t lo, int32_t hi) {
    r = r * 1103515245u + 12345u;
    return lo + int32_t((r >> 8) % uint32_t(hi - lo + 1));
  };
  for (int round = 0; round < 200; ++round) {
    std::vector<TMapPoint> v(size_t(next(2, 12)));
    for (TMapPoint& p : v) p = P(next(-5000, 5000), next(-5000, 5000));
    const TMapPoint q = P(next(-6000, 6000), next(-6000, 6000));
    int32_t s1 = -1, s2 = -1;
    TMapPoint f1{}, f2{};
    const double d1 = construct::NearestSegment(q, v.data(), int32_t(v.size()), &s1, &f1);
    const double d2 = NearestPointOnPolyline(q.x, q.y, int32_t(v.size()), v.data(), &s2, &f2);
    EXPECT_NEAR(d1, d2, 1e-6) << round;
    if (std::fabs(d1 - d2) < 1e-9 && s1 != s2) continue;  // two segments equally near
    EXPECT_EQ(s1, s2) << round;
    ExpectPoint(f1, f2.x, f2.y);
  }
  int32_t s = 0;
  TMapPoint f{};
  EXPECT_LT(construct::NearestSegment(P(0, 0), nullptr, 0, &s, &f), 0);
}

}  // namespace
