#include "geodesy/tin_geometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {


bool InBox(TTinXY a, TTinXY b, TTinXY p) {
  return p.x >= std::min(a.x, b.x) && p.x <= std::max(a.x, b.x) && p.y >= std::min(a.y, b.y) &&
         p.y <= std::max(a.y, b.y);
}

// The line value of p against a -> b: |ab| times the signed distance.
double LineValue(TTinXY a, TTinXY b, TTinXY p) {
  return (b.y - a.y) * p.x + (a.x - b.x) * p.y + (a.y * b.x - a.x * b.y);
}

double WrapAngle(double v) {
  while (v > std::numbers::pi) v -= 2 * std::numbers::pi;
  while (v < -std::numbers::pi) v += 2 * std::numbers::pi;
  return v;
}

}  // namespace

double SignedDistance(TTinXY a, TTinXY b, TTinXY p) {
  const double len = std::hypot(b.x - a.x, b.y - a.y);
  if (len == 0) return 0;
  return LineValue(a, b, p) / len;
}

double CrossValue(TTinXY a, TTinXY b, TTinXY c) {
  const double v = (b.x - a.x) * (c.y - b.y) - (b.y - a.y) * (c.x - b.x);
  return std::fabs(v) <= 1e-6 ? 0.0 : v;
}

double AngleSpread(TTinXY a, TTinXY b, TTinXY c) {
  const double atA =
      std::fabs(WrapAngle(std::atan2(c.y - a.y, c.x - a.x) - std::atan2(b.y - a.y, b.x - a.x)));
  const double atB =
      std::fabs(WrapAngle(std::atan2(a.y - b.y, a.x - b.x) - std::atan2(c.y - b.y, c.x - b.x)));
  const double atC = std::numbers::pi - atA - atB;
  return std::max({atA, atB, atC}) - std::min({atA, atB, atC});
}

int PointInTriangle(TTinXY p, const TTinXY v[3], double* centroidDistance) {
  if (centroidDistance) {
    const double cx = std::trunc(v[0].x / 3) + std::trunc(v[1].x / 3) + std::trunc(v[2].x / 3);
    const double cy = std::trunc(v[0].y / 3) + std::trunc(v[1].y / 3) + std::trunc(v[2].y / 3);
    *centroidDistance = std::hypot(p.x - cx, p.y - cy);
  }
  double F[3];
  for (int k = 0; k < 3; ++k) {
    const TTinXY a = v[k], b = v[(k + 1) % 3];
    F[k] = LineValue(a, b, p);
    if (std::fabs(F[k]) < 1e-6) return InBox(a, b, p) ? k + 1 : 0;
  }
  if ((F[0] > 0 && F[1] > 0 && F[2] > 0) || (F[0] < 0 && F[1] < 0 && F[2] < 0)) return 4;
  return 0;
}

void AffineCoefficients(const TTinXY src[3], const TTinXY dst[3], double c[6]) {
  const double x1 = src[0].x, y1 = src[0].y, x2 = src[1].x, y2 = src[1].y, x3 = src[2].x,
               y3 = src[2].y;
  const double K[3] = {x2 * y3 - x3 * y2, x3 * y1 - x1 * y3, x1 * y2 - x2 * y1};
  const double D = K[0] + K[1] + K[2];
  if (D == 0) {
    c[0] = 0;
    c[1] = 1;
    c[2] = 0;
    c[3] = 0;
    c[4] = 0;
    c[5] = 1;
    return;
  }
  const double L[3] = {y2 - y3, y3 - y1, y1 - y2};
  const double M[3] = {x3 - x2, x1 - x3, x2 - x1};
  double sums[6] = {};
  for (int i = 0; i < 3; ++i) {
    sums[0] += dst[i].x * K[i];
    sums[1] += dst[i].x * L[i];
    sums[2] += dst[i].x * M[i];
    sums[3] += dst[i].y * K[i];
    sums[4] += dst[i].y * L[i];
    sums[5] += dst[i].y * M[i];
  }
  for (int i = 0; i < 6; ++i) c[i] = sums[i] / D;
}
