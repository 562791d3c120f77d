// Label occupancy: rectangle tests with touching edges, the twelve positions around a point in
// their order, and the grown rectangle a placed label takes.
#include <gtest/gtest.h>

#include <climits>

#include "view/label_occupancy.h"

namespace {
RECT R(int32_t l, int32_t t, int32_t r, int32_t b) { return RECT{l, t, r, b}; }
}  // namespace

TEST(LabelRects, TouchingEdgesOverlapAndEdgesCountAsInside) {
  EXPECT_TRUE(RectsOverlap(R(0, 0, 10, 10), R(10, 0, 20, 10)));   // shared edge
  EXPECT_TRUE(RectsOverlap(R(0, 0, 10, 10), R(10, 10, 20, 20)));  // shared corner
  EXPECT_FALSE(RectsOverlap(R(0, 0, 10, 10), R(11, 0, 20, 10)));
  EXPECT_FALSE(RectsOverlap(R(0, 0, 10, 10), R(0, 11, 10, 20)));
  EXPECT_TRUE(RectsOverlap(R(0, 0, 100, 100), R(40, 40, 41, 41)));  // one inside the other
  // Odd widths: the halving formulas of old disagreed only in rounding; plain comparisons here.
  EXPECT_TRUE(RectsOverlap(R(0, 0, 3, 3), R(3, 0, 6, 3)));
  EXPECT_TRUE(RectInside(R(0, 0, 10, 10), R(0, 0, 10, 10)));
  EXPECT_TRUE(RectInside(R(1, 1, 9, 9), R(0, 0, 10, 10)));
  EXPECT_FALSE(RectInside(R(-1, 1, 9, 9), R(0, 0, 10, 10)));
  EXPECT_FALSE(RectInside(R(1, 1, 9, 11), R(0, 0, 10, 10)));
  EXPECT_TRUE(RectsOverlap(R(INT_MIN, INT_MIN, INT_MAX, INT_MAX), R(0, 0, 1, 1)));
  RECT m = MoveRectTo(R(5, 6, 25, 16), -3, 4);
  EXPECT_EQ(m.left, -3);
  EXPECT_EQ(m.top, 4);
  EXPECT_EQ(m.right, 17);
  EXPECT_EQ(m.bottom, 14);
}

TEST(LabelOccupancy, EachOfTheTwelvePositionsInItsTurn) {
  // Point (100, 100), distance 3, a 20 x 10 label; the positions, worked out by hand.
  const int32_t x = 100, y = 100, r = 3;
  const int32_t want[12][2] = {{103, 87}, {103, 95}, {103, 100}, {95, 103},
                               {90, 103}, {85, 103}, {77, 103}, {77, 95},
                               {77, 87},  {85, 87},  {90, 87},  {95, 87}};
  const RECT label = R(0, 0, 20, 10);
  for (int k = 0; k < 12; k++) {
    TLabelOccupancy occ;
    // With the whole screen free the first position wins; with the area cut to position k only
    // that one fits, so TryPlace must reach it after rejecting the eleven others.
    occ.Reset(R(want[k][0], want[k][1], want[k][0] + 20, want[k][1] + 10));
    RECT out{};
    ASSERT_EQ(occ.TryPlace(x, y, r, label, &out), 1) << k;
    EXPECT_EQ(out.left, want[k][0]) << k;
    EXPECT_EQ(out.top, want[k][1]) << k;
    EXPECT_EQ(out.right - out.left, 20);
    EXPECT_EQ(out.bottom - out.top, 10);
  }
  // Blocking: a taken rectangle over positions 1-3 sends the label below the point.
  TLabelOccupancy occ;
  occ.Reset(R(0, 0, 240, 294));
  occ.Append(R(103, 80, 130, 115));
  RECT out{};
  ASSERT_EQ(occ.TryPlace(x, y, r, label, &out), 1);
  EXPECT_EQ(out.left, 77);  // 4-6 reach x >= 103 too
  EXPECT_EQ(out.top, 103);
  // Nothing fits: an area smaller than the label.
  occ.Reset(R(0, 0, 15, 15));
  EXPECT_EQ(occ.TryPlace(5, 5, 1, label, &out), 0);
}

TEST(LabelOccupancy, PlaceTakesTheLabelGrownByTwiceTheDistance) {
  TLabelOccupancy occ;
  occ.Reset(R(0, 0, 240, 294));
  EXPECT_EQ(occ.Area(), 240 * 294);
  RECT out{};
  ASSERT_EQ(occ.Place(100, 100, 5, R(0, 0, 20, 10), &out), 1);
  EXPECT_EQ(out.left, 105);
  EXPECT_EQ(out.top, 85);
  ASSERT_EQ(occ.Count(), 1);
  const RECT& t = occ.Taken(0);
  EXPECT_EQ(t.left, 95);
  EXPECT_EQ(t.top, 75);
  EXPECT_EQ(t.right, 135);
  EXPECT_EQ(t.bottom, 105);
  EXPECT_EQ(occ.OccupiedArea(), 40 * 30);
  // The same point again: the grown rectangle reaches 5 pixels past the point on both axes, so
  // every position touches it, and touching counts: the second label finds no place.
  EXPECT_EQ(occ.Place(100, 100, 5, R(0, 0, 20, 10), nullptr), 0);
  // One pixel further down and left, a position below clears it.
  RECT second{};
  ASSERT_EQ(occ.Place(99, 101, 5, R(0, 0, 20, 10), &second), 1);
  EXPECT_EQ(second.left, 94);  // position 4, just below the grown rectangle
  EXPECT_EQ(second.top, 106);
  EXPECT_FALSE(RectsOverlap(second, t));
  // Many appends grow the list; the area sum is 64-bit.
  for (int i = 0; i < 1000; i++) occ.Append(R(0, 0, 1, 1));
  EXPECT_EQ(occ.Count(), 1002);
  occ.Append(R(INT_MIN, INT_MIN, INT_MAX, INT_MAX));
  EXPECT_EQ(occ.OccupiedArea(), INT64_MAX);  // saturated, not wrapped
  occ.Reset(R(0, 0, 10, 10));
  EXPECT_EQ(occ.Count(), 0);
  EXPECT_EQ(occ.OccupiedArea(), 0);
  // A point at the int32 edge: no position wraps onto the screen.
  occ.Reset(R(0, 0, 240, 294));
  EXPECT_EQ(occ.Place(INT_MAX, INT_MAX, 5, R(0, 0, 20, 10), &out), 0);
  EXPECT_EQ(occ.Place(INT_MIN, INT_MIN, 5, R(0, 0, 20, 10), nullptr), 0);
}
