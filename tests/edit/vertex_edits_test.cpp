// The vertex-list edits against lists written out by hand.
#include "edit/vertex_edits.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using vertex_edits::Vertices;
constexpr uint8_t kLine = 2, kArea = 3;

Vertices L(std::initializer_list<std::pair<int, int>> pts) {
  Vertices v;
  for (auto [x, y] : pts) v.push_back({x, y});
  return v;
}

bool Eq(const Vertices& a, const Vertices& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
  return true;
}

const Vertices kFive = L({{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}});
const Vertices kSquare = L({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {0, 0}});

TEST(VertexEdits, DeleteFromALineAndFromRings) {
  Vertices v = kFive;
  ASSERT_TRUE(vertex_edits::DeleteVertex(v, kLine, 2));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {10, 0}, {30, 0}, {40, 0}})));
  ASSERT_TRUE(vertex_edits::DeleteVertex(v, kLine, 0));
  EXPECT_TRUE(Eq(v, L({{10, 0}, {30, 0}, {40, 0}})));
  ASSERT_TRUE(vertex_edits::DeleteVertex(v, kLine, 2));
  EXPECT_TRUE(Eq(v, L({{10, 0}, {30, 0}})));
  // Two vertices are the least a line keeps; indexes outside the list are refused.
  EXPECT_FALSE(vertex_edits::DeleteVertex(v, kLine, 0));
  EXPECT_FALSE(vertex_edits::DeleteVertex(v, kLine, 5));
  EXPECT_FALSE(vertex_edits::DeleteVertex(v, kLine, -1));
  EXPECT_TRUE(Eq(v, L({{10, 0}, {30, 0}})));

  // The first corner of a closed ring goes; the ring closes on the new first corner.
  v = kSquare;
  ASSERT_TRUE(vertex_edits::DeleteVertex(v, kArea, 0));
  EXPECT_TRUE(Eq(v, L({{0, 10}, {10, 10}, {10, 0}, {0, 10}})));
  // Three corners are the least; the closing vertex does not count as one.
  EXPECT_FALSE(vertex_edits::DeleteVertex(v, kArea, 1));
  // Aimed at the closing vertex of a closed ring, the edit is the first corner's.
  v = kSquare;
  ASSERT_TRUE(vertex_edits::DeleteVertex(v, kArea, 4));
  EXPECT_TRUE(Eq(v, L({{0, 10}, {10, 10}, {10, 0}, {0, 10}})));

  // A ring stored open keeps its real last vertex.
  v = L({{0, 0}, {0, 10}, {10, 10}, {10, 0}});
  ASSERT_TRUE(vertex_edits::DeleteVertex(v, kArea, 0));
  EXPECT_TRUE(Eq(v, L({{0, 10}, {10, 10}, {10, 0}})));
  EXPECT_FALSE(vertex_edits::DeleteVertex(v, kArea, 0));
}

TEST(VertexEdits, MoveKeepsAClosedRingClosedAndInsertGoesAfterItsSegment) {
  Vertices v = kSquare;
  ASSERT_TRUE(vertex_edits::MoveVertex(v, kArea, 0, {-5, -5}));
  EXPECT_TRUE(Eq(v, L({{-5, -5}, {0, 10}, {10, 10}, {10, 0}, {-5, -5}})));
  v = kFive;
  ASSERT_TRUE(vertex_edits::MoveVertex(v, kLine, 4, {40, 7}));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 7}})));
  EXPECT_FALSE(vertex_edits::MoveVertex(v, kLine, 5, {1, 1}));

  v = kFive;
  ASSERT_TRUE(vertex_edits::InsertVertex(v, kLine, 1, {15, 3}));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {10, 0}, {15, 3}, {20, 0}, {30, 0}, {40, 0}})));
  // The last vertex starts no segment.
  EXPECT_FALSE(vertex_edits::InsertVertex(v, kLine, 5, {1, 1}));
  // The ring's closing segment takes the new corner before the closing vertex.
  v = kSquare;
  ASSERT_TRUE(vertex_edits::InsertVertex(v, kArea, 3, {5, 0}));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {0, 10}, {10, 10}, {10, 0}, {5, 0}, {0, 0}})));
}

TEST(VertexEdits, StretchReplacementKeepsItsCountAndTheDuplicateAtTheHigherEnd) {
  // n = 5, S = 1, E = 3, a sketch of m = 4 from vertex 1's point to vertex 3's.
  const Vertices sketch = L({{10, 0}, {12, 5}, {28, 5}, {30, 0}});
  Vertices v = kFive;
  ASSERT_TRUE(vertex_edits::ReplaceStretch(v, kLine, 1, 3, sketch));
  ASSERT_EQ(v.size(), 5u + 4u - 2u);
  EXPECT_TRUE(Eq(v, L({{0, 0}, {10, 0}, {12, 5}, {28, 5}, {30, 0}, {30, 0}, {40, 0}})));
  // Drawn the other way (from vertex 3 to vertex 1): reversed into place.
  const Vertices back = L({{30, 0}, {28, 5}, {12, 5}, {10, 0}});
  v = kFive;
  ASSERT_TRUE(vertex_edits::ReplaceStretch(v, kLine, 3, 1, back));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {10, 0}, {12, 5}, {28, 5}, {30, 0}, {30, 0}, {40, 0}})));
  // Ends outside the list refuse.
  v = kFive;
  EXPECT_FALSE(vertex_edits::ReplaceStretch(v, kLine, 1, 5, sketch));
  EXPECT_FALSE(vertex_edits::ReplaceStretch(v, kLine, -1, 2, sketch));
  EXPECT_TRUE(Eq(v, kFive));
  // From the first corner of a closed ring: still closed on the sketch's first point.
  v = kSquare;
  ASSERT_TRUE(vertex_edits::ReplaceStretch(v, kArea, 0, 2, L({{0, 0}, {-3, 5}, {10, 10}})));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {-3, 5}, {10, 10}, {10, 10}, {10, 0}, {0, 0}})));
}

TEST(VertexEdits, ExtensionAtEitherEnd) {
  const Vertices sketch = L({{0, 0}, {-10, 5}, {-20, 5}});
  Vertices v = kFive;
  ASSERT_TRUE(vertex_edits::ExtendLine(v, kLine, true, sketch));
  EXPECT_TRUE(Eq(v, L({{-20, 5}, {-10, 5}, {0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}})));
  v = kFive;
  ASSERT_TRUE(vertex_edits::ExtendLine(v, kLine, false, L({{40, 0}, {50, 1}, {60, 2}})));
  EXPECT_TRUE(Eq(v, L({{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {50, 1}, {60, 2}})));
  // A sketch of its start point alone adds nothing.
  EXPECT_FALSE(vertex_edits::ExtendLine(v, kLine, false, L({{60, 2}})));
}

TEST(VertexEdits, PointCornersAndTheVertexLimit) {
  TMapPoint corners[2] = {{100, 100}, {100, 160}};
  ASSERT_TRUE(vertex_edits::DeletePointCorner(corners, 0));
  EXPECT_EQ(corners[0].y, 160);
  EXPECT_EQ(corners[1].y, 160);
  // Coinciding corners have nothing left to delete.
  EXPECT_FALSE(vertex_edits::DeletePointCorner(corners, 1));
  TMapPoint other[2] = {{1, 2}, {3, 4}};
  ASSERT_TRUE(vertex_edits::DeletePointCorner(other, 1));
  EXPECT_EQ(other[1].x, 1);
  EXPECT_EQ(other[1].y, 2);
  EXPECT_FALSE(vertex_edits::DeletePointCorner(other, 2));

  Vertices full(65535, TMapPoint{1, 1});
  EXPECT_FALSE(vertex_edits::InsertVertex(full, kLine, 0, {2, 2}));
  EXPECT_FALSE(vertex_edits::ExtendLine(full, kLine, false, L({{1, 1}, {2, 2}})));
  // A stretch may shrink the list but not grow it past the limit.
  EXPECT_FALSE(vertex_edits::ReplaceStretch(full, kLine, 10, 10, L({{1, 1}})));
  EXPECT_TRUE(vertex_edits::ReplaceStretch(full, kLine, 10, 12, L({{1, 1}, {2, 2}})));
  EXPECT_EQ(full.size(), 65535u);
  Vertices almost(65534, TMapPoint{1, 1});
  EXPECT_TRUE(vertex_edits::InsertVertex(almost, kLine, 0, {2, 2}));
  EXPECT_EQ(almost.size(), 65535u);
}

}  // namespace
