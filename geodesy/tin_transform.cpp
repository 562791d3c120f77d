#include "geodesy/tin_transform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace {
constexpr double kTwoPow53 = 9007199254740992.0;
}

bool TTinTransform::Build(const std::vector<TTinControlPoint>& points) {
  pixels_.clear();
  map_.clear();
  triangles_.clear();
  current_ = 0;
  origin_ = {};
  mapDegenerate_ = false;
  buildLog_.clear();

  std::vector<TTinPixel> pixels;
  std::vector<TTinMapPoint> map;
  pixels.reserve(points.size());
  map.reserve(points.size());
  for (const TTinControlPoint& cp : points) {
    const double X = std::trunc(cp.X * scale_);
    const double Y = std::trunc(cp.Y * scale_);
    if (!(std::fabs(X) <= kTwoPow53) || !(std::fabs(Y) <= kTwoPow53)) {
      buildLog_ = "control point off the map";
      return false;
    }
    pixels.push_back({cp.x, cp.y});
    map.push_back({static_cast<int64_t>(X), static_cast<int64_t>(Y)});
  }

  TTinBuilder builder(pixels, map);
  std::vector<TTinTriangle> triangles = builder.Triangulate();
  buildLog_ = builder.Log();
  if (triangles.empty()) return false;
  pixels_ = std::move(pixels);
  map_ = std::move(map);
  triangles_ = std::move(triangles);
  origin_ = map_[0];
  if (DegenerateMapSide()) {
    buildLog_ = "map side degenerate";
    mapDegenerate_ = true;
    pixels_.clear();
    map_.clear();
    triangles_.clear();
    current_ = 0;
    origin_ = {};
    return false;
  }
  return true;
}

namespace {
// The triangle shape rule: sides sorted s1 <= s2 <= s3 (in the units of the points), it passes
// when s3 > 1 and (s1 + s2 - s3) / s3 >= 0.001. The apex of a triangle failing it lies within
// about 2.2 % of the longest side from that side's line.
bool PassesShape(TTinXY a, TTinXY b, TTinXY c) {
  double s[3] = {std::hypot(b.x - a.x, b.y - a.y), std::hypot(c.x - b.x, c.y - b.y),
                 std::hypot(a.x - c.x, a.y - c.y)};
  std::sort(s, s + 3);
  return s[2] > 1.0 && (s[0] + s[1] - s[2]) / s[2] >= 0.001;
}

// Twice the area over the square of the longest side: about the apex's height over that side's
// length for a thin triangle, 0 for none.
double RelativeHeight(TTinXY a, TTinXY b, TTinXY c) {
  const double cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
  const double longest = std::max({std::hypot(b.x - a.x, b.y - a.y), std::hypot(c.x - b.x, c.y - b.y),
                                   std::hypot(a.x - c.x, a.y - c.y)});
  return longest > 0 ? std::fabs(cross) / (longest * longest) : 0.0;
}
}  // namespace

bool TTinTransform::DegenerateMapSide() const {
  // Equal map coordinates at two pixels, or one pixel at two map positions (the triangulation
  // takes one of them and drops the other without a word): sorted, neighbours tell.
  std::vector<uint32_t> order(map_.size());
  std::iota(order.begin(), order.end(), 0u);
  auto mapLess = [&](uint32_t a, uint32_t b) {
    return map_[a].X != map_[b].X ? map_[a].X < map_[b].X : map_[a].Y < map_[b].Y;
  };
  std::sort(order.begin(), order.end(), mapLess);
  auto sameMap = [&](uint32_t a, uint32_t b) { return map_[a].X == map_[b].X && map_[a].Y == map_[b].Y; };
  auto samePixel = [&](uint32_t a, uint32_t b) {
    return pixels_[a].x == pixels_[b].x && pixels_[a].y == pixels_[b].y;
  };
  for (size_t i = 1; i < order.size(); ++i)
    if (sameMap(order[i - 1], order[i]) && !samePixel(order[i - 1], order[i])) return true;
  auto pixelLess = [&](uint32_t a, uint32_t b) {
    return pixels_[a].y != pixels_[b].y ? pixels_[a].y < pixels_[b].y : pixels_[a].x < pixels_[b].x;
  };
  std::sort(order.begin(), order.end(), pixelLess);
  for (size_t i = 1; i < order.size(); ++i)
    if (samePixel(order[i - 1], order[i]) && !sameMap(order[i - 1], order[i])) return true;
  // A flat map triangle: its map-to-pixel map has a huge gain across it (a point a little off
  // its line lands far outside the picture), or no inverse at all. It is held to the shape rule
  // in hundredths of a map unit. Failing it, it still stands when its pixel triangle is as thin
  // (control points along the picture's edge make a thin triangle on both sides, which maps
  // true): refused is one whose height over its longest side is under a tenth of the pixel
  // triangle's. A sheet scanned with unequal row and column scales stays well inside that.
  const auto px = [&](uint32_t v) {
    return TTinXY{static_cast<double>(pixels_[v].x), static_cast<double>(pixels_[v].y)};
  };
  for (const TTinTriangle& t : triangles_) {
    const TTinXY a = MapRelative(t[0]), b = MapRelative(t[1]), c = MapRelative(t[2]);
    if (PassesShape(a, b, c)) continue;
    // The cross product of whole hundredths is exact but for rounding of products past 2^53,
    // which the tolerance of no area covers.
    const double mapHeight = RelativeHeight(a, b, c);
    if (!(mapHeight > 1e-12)) return true;
    if (mapHeight * 10.0 < RelativeHeight(px(t[0]), px(t[1]), px(t[2]))) return true;
  }
  return false;
}

TTinXY TTinTransform::MapRelative(uint32_t v) const {
  return {static_cast<double>(map_[v].X - origin_.X), static_cast<double>(map_[v].Y - origin_.Y)};
}

void TTinTransform::LoadTriangle(int32_t number) {
  const TTinTriangle& t = triangles_[static_cast<size_t>(number - 1)];
  for (int k = 0; k < 3; ++k) {
    curPixel_[k] = {static_cast<double>(pixels_[t[k]].x), static_cast<double>(pixels_[t[k]].y)};
    curMap_[k] = MapRelative(t[k]);
  }
  curPixel_[3] = curPixel_[0];
  curMap_[3] = curMap_[0];
  current_ = number;
}

int TTinTransform::TestCurrent(TTinXY p, bool mapSide, double* centroidDistance) const {
  return PointInTriangle(p, mapSide ? curMap_ : curPixel_, centroidDistance);
}

void TTinTransform::ComputeCoefficients() {
  AffineCoefficients(curPixel_, curMap_, pixelToMap_);
  AffineCoefficients(curMap_, curPixel_, mapToPixel_);
}

bool TTinTransform::Locate(TTinXY p, bool mapSide) {
  const auto count = TriangleCount();
  if (count == 0) return false;
  // Consecutive points are usually near each other: the current triangle is tried first and its
  // coefficients stay.
  if (current_ != 0 && TestCurrent(p, mapSide, nullptr) != 0) return true;
  const int32_t previous = current_;
  int32_t nearest = 0;
  double nearestDistance = std::numeric_limits<double>::infinity();
  for (int32_t t = 1; t <= count; ++t) {
    if (t == previous) continue;
    LoadTriangle(t);
    double distance = 0;
    if (TestCurrent(p, mapSide, &distance) != 0) {
      ComputeCoefficients();
      return true;
    }
    if (distance < nearestDistance) {
      nearestDistance = distance;
      nearest = t;
    }
  }
  // Outside every triangle: extrapolate with the triangle used last, or on first use with the
  // one whose centroid is nearest.
  LoadTriangle(previous != 0 ? previous : (nearest != 0 ? nearest : 1));
  ComputeCoefficients();
  return true;
}

int TTinTransform::PixelToMap(int32_t x, int32_t y, double& X, double& Y) {
  return PixelToMapF(static_cast<double>(x), static_cast<double>(y), X, Y);
}

int TTinTransform::PixelToMapF(double x, double y, double& X, double& Y) {
  if (!std::isfinite(x) || !std::isfinite(y)) return 0;
  const TTinXY p{x, y};
  if (!Locate(p, false)) return 0;
  const double* c = pixelToMap_;
  X = (c[0] + c[1] * p.x + c[2] * p.y + static_cast<double>(origin_.X)) / scale_;
  Y = (c[3] + c[4] * p.x + c[5] * p.y + static_cast<double>(origin_.Y)) / scale_;
  return 1;
}

int TTinTransform::MapToPixelF(double X, double Y, double& x, double& y) {
  if (TriangleCount() == 0 || !std::isfinite(X) || !std::isfinite(Y)) return 0;
  const TTinXY p{X * scale_ - static_cast<double>(origin_.X),
                 Y * scale_ - static_cast<double>(origin_.Y)};
  if (!Locate(p, true)) return 0;
  const double* c = mapToPixel_;
  const double px = c[0] + c[1] * p.x + c[2] * p.y;
  const double py = c[3] + c[4] * p.x + c[5] * p.y;
  if (!std::isfinite(px) || !std::isfinite(py)) return 0;
  x = px;
  y = py;
  return 1;
}

int TTinTransform::MapToPixel(double X, double Y, int32_t& x, int32_t& y) {
  double fx = 0, fy = 0;
  if (!MapToPixelF(X, Y, fx, fy)) return 0;
  const double px = std::trunc(fx);
  const double py = std::trunc(fy);
  constexpr double lo = std::numeric_limits<int32_t>::min(),
                   hi = std::numeric_limits<int32_t>::max();
  if (!(px >= lo && px <= hi && py >= lo && py <= hi)) return 0;
  x = static_cast<int32_t>(px);
  y = static_cast<int32_t>(py);
  return 1;
}
