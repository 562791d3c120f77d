#include "edit/construction_geometry.h"

#include <cmath>

#include "view/clip.h"

namespace construct {

namespace {

__extension__ typedef __int128 Wide;

constexpr double kSnap = 1e-6;
constexpr double kLimit = 2147483647.0;

int SignOf(Wide v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

double Hypot(TMapPoint a, TMapPoint b) { return std::hypot(double(a.x) - b.x, double(a.y) - b.y); }

}  // namespace

bool ToUnit(double value, int32_t* out) {
  if (!std::isfinite(value)) return false;
  const double nearest = std::nearbyint(value);
  double v = std::fabs(value - nearest) <= kSnap ? nearest : std::trunc(value);
  if (v > kLimit || v < -kLimit) return false;
  *out = int32_t(v);
  return true;
}

bool ToPoint(double x, double y, TMapPoint* out) {
  TMapPoint p;
  if (!ToUnit(x, &p.x) || !ToUnit(y, &p.y)) return false;
  *out = p;
  return true;
}

bool Offset(TMapPoint p, int64_t dx, int64_t dy, TMapPoint* out) {
  const int64_t x = int64_t(p.x) + dx, y = int64_t(p.y) + dy;
  if (x > INT32_MAX || x < -INT32_MAX || y > INT32_MAX || y < -INT32_MAX) return false;
  *out = {int32_t(x), int32_t(y)};
  return true;
}

int OrientationSign(TMapPoint a, TMapPoint b, TMapPoint p) {
  const Wide v = Wide(int64_t(a.x) - p.x) * (int64_t(b.y) - p.y) -
                 Wide(int64_t(b.x) - p.x) * (int64_t(a.y) - p.y);
  return SignOf(v);
}

int SideOf(TMapPoint p, TMapPoint s, TMapPoint e) {
  const Wide v = Wide(int64_t(p.x) - e.x) * (int64_t(s.y) - e.y) -
                 Wide(int64_t(s.x) - e.x) * (int64_t(p.y) - e.y);
  return SignOf(v);
}

bool PointAtAngle(TMapPoint p, TMapPoint q, double theta, double l, TMapPoint* out) {
  const double phi = std::atan2(double(q.x) - p.x, double(q.y) - p.y);
  return ToPoint(q.x + l * std::sin(phi + theta), q.y + l * std::cos(phi + theta), out);
}

bool SquareCandidates(TMapPoint p, TMapPoint q, double l, TMapPoint out[4]) {
  const double angles[4] = {kPi / 2, kPi, -kPi / 2, 0.0};
  for (int i = 0; i < 4; ++i)
    if (!PointAtAngle(p, q, angles[i], l, &out[i])) return false;
  return true;
}

int ChooseNearest4(const TMapPoint c[4], TMapPoint tap) {
  int best = Hypot(c[0], tap) < Hypot(c[1], tap) ? 0 : 1;
  for (int i = 2; i < 4; ++i)
    if (Hypot(c[i], tap) < Hypot(c[best], tap)) best = i;
  return best;
}

int CandidateAngle(int index) {
  static const int kAngles[4] = {90, 180, -90, 0};
  return index >= 0 && index < 4 ? kAngles[index] : 0;
}

bool IntersectCircles(TMapPoint a, TMapPoint b, double r1, double r2, TMapPoint* p1,
                      TMapPoint* p2) {
  const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
  double x1, y1, x2, y2;
  if (dx != 0) {
    const double s = dy / dx;
    const double g = (r2 * r2 - r1 * r1 - dx * dx - dy * dy) / (2 * dx);
    const double D = s * s * r1 * r1 - g * g + r1 * r1;
    if (!(D >= 0)) return false;
    const double root = std::sqrt(D);
    y1 = (-s * g + root) / (s * s + 1);
    y2 = (-s * g - root) / (s * s + 1);
    x1 = -s * y1 - g;
    x2 = -s * y2 - g;
  } else if (dy == 0) {
    return false;  // concentric: every point or none
  } else {
    const double y = (r2 * r2 - r1 * r1 - dy * dy) / (-2 * dy);
    const double E = r1 * r1 - y * y;
    if (!(E >= 0)) return false;
    y1 = y2 = y;
    x1 = std::sqrt(E);
    x2 = -x1;
  }
  TMapPoint q1, q2;
  if (!ToPoint(a.x + x1, a.y + y1, &q1) || !ToPoint(a.x + x2, a.y + y2, &q2)) return false;
  *p1 = q1;
  *p2 = q2;
  return true;
}

bool BisectorPoints(TMapPoint q0, TMapPoint q1, TMapPoint q2, double d, TMapPoint* p1,
                    TMapPoint* p2) {
  const double l1 = Hypot(q0, q1), l2 = Hypot(q1, q2);
  double rx, ry;  // P1 - Q1
  if (l1 > 0 && l2 > 0) {
    const double a1 = (double(q1.y) - q0.y) / l1, b1 = (double(q0.x) - q1.x) / l1;
    const double a2 = (double(q1.y) - q2.y) / l2, b2 = (double(q2.x) - q1.x) / l2;
    const double s = a1 + a2, t = b1 + b2;
    const double n = std::hypot(s, t);
    if (n > 0) {
      rx = d * t / n;
      ry = -s * d / n;
    } else {
      // Straight on: square to the path.
      rx = d * a1;
      ry = d * b1;
    }
  } else if (l1 > 0) {
    rx = d * (double(q1.y) - q0.y) / l1;
    ry = d * (double(q0.x) - q1.x) / l1;
  } else if (l2 > 0) {
    // The outgoing arm's normal, turned as the incoming one's would be.
    rx = d * (double(q2.y) - q1.y) / l2;
    ry = d * (double(q1.x) - q2.x) / l2;
  } else {
    return false;
  }
  TMapPoint a, b;
  if (!ToPoint(q1.x + rx, q1.y + ry, &a) || !ToPoint(q1.x - rx, q1.y - ry, &b)) return false;
  *p1 = a;
  *p2 = b;
  return true;
}

TMapPoint Midpoint(TMapPoint a, TMapPoint b) {
  return {int32_t((int64_t(a.x) + b.x) / 2), int32_t((int64_t(a.y) + b.y) / 2)};
}

bool PerpendicularFoot(TMapPoint k, TMapPoint a, TMapPoint b, TMapPoint* out) {
  if (Same(a, b)) return false;
  int32_t fx, fy;
  PointSegmentDistance(k.x, k.y, a.x, a.y, b.x, b.y, &fx, &fy, 1);
  *out = {fx, fy};
  return true;
}

double LineDistance(TMapPoint p, TMapPoint a, TMapPoint b) {
  int32_t fx, fy;
  return PointSegmentDistance(p.x, p.y, a.x, a.y, b.x, b.y, &fx, &fy, 1);
}

double NearestSegment(TMapPoint p, const TMapPoint* v, int32_t n, int32_t* segment, TMapPoint* foot) {
  if (n < 2 || !v) return -1.0;
  double best = -1;
  int32_t at = 0;
  for (int32_t i = 0; i + 1 < n; ++i) {
    const double dx = double(v[i + 1].x) - v[i].x, dy = double(v[i + 1].y) - v[i].y;
    const double qx = double(p.x) - v[i].x, qy = double(p.y) - v[i].y;
    const double l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? (qx * dx + qy * dy) / l2 : 0.0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    const double ex = qx - t * dx, ey = qy - t * dy;
    const double d2 = ex * ex + ey * ey;
    if (best < 0 || d2 < best) best = d2, at = i;
  }
  int32_t fx, fy;
  const double d = PointSegmentDistance(p.x, p.y, v[at].x, v[at].y, v[at + 1].x, v[at + 1].y, &fx, &fy, 0);
  *segment = at;
  *foot = {fx, fy};
  return d;
}

namespace {

// The sine of half the interior angle at `at` between its two arms; false when an arm is 0 long
// and there is no angle.
bool ArmsMeet(TMapPoint prev, TMapPoint at, TMapPoint next, double* sinHalf) {
  const double ux = double(prev.x) - at.x, uy = double(prev.y) - at.y;
  const double wx = double(next.x) - at.x, wy = double(next.y) - at.y;
  if ((ux == 0 && uy == 0) || (wx == 0 && wy == 0)) return false;
  const double angle = std::atan2(std::fabs(ux * wy - uy * wx), ux * wx + uy * wy);
  *sinHalf = std::sin(angle / 2);
  return true;
}

// The corner of a line kept `offset` from both arms of vertex `at`, on the wanted side: the
// offsets of the two arms meet on the bisector offset / sin(a / 2) from the vertex, a the
// interior angle. (A point `offset` along the bisector would leave the line nearer both arms than
// asked: 7 instead of 10 at a right angle.) An arm of length 0 leaves no angle: the point stands
// square to the other arm at `offset`. The side is tested against the incoming segment, or the
// outgoing one when the incoming is 0 long.
// 1 with the point; 0 when it has no coordinates; kSharpBend when the arms close to less than
// kSharpestBend.
int InnerPoint(TMapPoint prev, TMapPoint at, TMapPoint next, double offset, int wantedSide,
               TMapPoint* out) {
  double sinHalf = 1;
  if (ArmsMeet(prev, at, next, &sinHalf)) {
    if (sinHalf < std::sin(kSharpestBend / 2)) return kSharpBend;
    offset /= sinHalf;
  }
  TMapPoint p1, p2;
  if (!BisectorPoints(prev, at, next, offset, &p1, &p2)) return 0;
  const int side = Same(prev, at) ? SideOf(p1, at, next) : SideOf(p1, prev, at);
  *out = side == wantedSide ? p1 : p2;
  return 1;
}

// The nearest vertices before and after v[i] that differ from it: a track repeats a vertex where
// the walker stood still, and such a copy has no direction of its own. -1 or n when there is
// none on that side.
void DistinctNeighbours(const TMapPoint* v, int32_t n, int32_t i, int32_t* before, int32_t* after) {
  int32_t b = i - 1, a = i + 1;
  while (b >= 0 && Same(v[b], v[i])) --b;
  while (a < n && Same(v[a], v[i])) ++a;
  *before = b;
  *after = a;
}

}  // namespace

int ParallelLine(const TMapPoint* v, int32_t n, const int32_t* offsets, int wantedSide,
                 std::vector<TMapPoint>* out) {
  if (n < 2 || !v || !offsets) return 0;
  std::vector<TMapPoint> line(static_cast<size_t>(n));
  // Each vertex takes its corner from the distinct vertices around it, so the copies of a
  // repeated one share one corner and the line neither loops nor notches there.
  for (int32_t i = 0; i < n; ++i) {
    int32_t before, after;
    DistinctNeighbours(v, n, i, &before, &after);
    TMapPoint& corner = line[size_t(i)];
    if (before >= 0 && after < n) {
      const int r = InnerPoint(v[before], v[i], v[after], offsets[i], wantedSide, &corner);
      if (r != 1) return r;
      continue;
    }
    if (before < 0 && after >= n) return 0;  // every vertex the same: no direction at all
    // An end (or a copy of it): square to its segment at its offset.
    const TMapPoint from = before < 0 ? v[i] : v[before], to = before < 0 ? v[after] : v[i];
    TMapPoint plus, minus;
    const TMapPoint other = before < 0 ? v[after] : v[before];
    if (!PointAtAngle(other, v[i], kPi / 2, offsets[i], &plus) ||
        !PointAtAngle(other, v[i], -kPi / 2, offsets[i], &minus))
      return 0;
    corner = SideOf(plus, from, to) == wantedSide ? plus : minus;
  }
  *out = std::move(line);
  return 1;
}

bool FillOffsets(std::vector<int32_t>& offsets, const std::vector<uint8_t>& known) {
  const size_t n = offsets.size();
  if (known.size() != n) return false;
  // Next set index after each i, found in one backward pass (the set ones are the original
  // ones: filling goes forward, so what lies ahead is still as given).
  std::vector<int64_t> next(n, -1);
  int64_t ahead = -1;
  for (size_t i = n; i-- > 0;) {
    next[i] = ahead;
    if (known[i]) ahead = int64_t(i);
  }
  if (ahead < 0) return false;
  for (size_t i = 0; i < n; ++i) {
    if (known[i]) continue;
    const int64_t j = next[i];
    if (j >= 0)
      offsets[i] = i == 0 ? offsets[size_t(j)]
                          : int32_t((int64_t(offsets[i - 1]) + offsets[size_t(j)]) / 2);
    else
      offsets[i] = offsets[i - 1];
  }
  return true;
}

int NearSideAlongLine(const TMapPoint* v, int32_t n, TMapPoint p1, TMapPoint p2, int* wantedSide,
                      std::vector<TMapPoint>* nearSide) {
  nearSide->clear();
  int32_t s1 = 0, s2 = 0;
  TMapPoint f1{}, f2{};
  const double d1 = NearestSegment(p1, v, n, &s1, &f1);
  const double d2 = NearestSegment(p2, v, n, &s2, &f2);
  if (d1 < 0 || d2 < 0 || s1 == s2) {
    *nearSide = {p1, p2};
    return 1;
  }
  // Walk from the point met first along the line to the other.
  TMapPoint start = p1, end = p2, fStart = f1, fEnd = f2;
  double dStart = d1, dEnd = d2;
  int32_t from = s1, to = s2;
  if (s2 < s1) {
    std::swap(start, end);
    std::swap(fStart, fEnd);
    std::swap(dStart, dEnd);
    std::swap(from, to);
  }
  const int side = SideOf(start, fStart, fEnd);
  if (side != 0) *wantedSide = side;
  nearSide->push_back(start);
  for (int32_t k = from + 1; k <= to; ++k) {
    const double a = Hypot(v[k], fStart), b = Hypot(v[k], fEnd);
    const double share = a + b > 0 ? a / (a + b) : 0.0;
    int32_t e;
    if (!ToUnit(dStart + (dEnd - dStart) * share, &e)) return 0;
    // A copy of the vertex before adds nothing; a vertex takes the corner of its distinct
    // neighbours, as along a parallel line.
    if (Same(v[k], v[k - 1])) continue;
    int32_t before, after;
    DistinctNeighbours(v, n, k, &before, &after);
    if (before < 0 || after >= n) continue;
    TMapPoint p;
    const int r = InnerPoint(v[before], v[k], v[after], e, *wantedSide, &p);
    if (r == kSharpBend) return kSharpBend;
    if (r == 0) continue;
    nearSide->push_back(p);
  }
  nearSide->push_back(end);
  return 1;
}

bool RectangleRing(const std::vector<TMapPoint>& nearSide, int32_t w, int wantedSide,
                   std::vector<TMapPoint>* ring) {
  if (nearSide.size() < 2) return false;
  const TMapPoint s = nearSide.front(), e = nearSide.back();
  if (Same(s, e)) return false;
  TMapPoint r;
  if (!PointAtAngle(s, e, wantedSide * kPi / 2, w, &r)) return false;
  const int64_t tx = int64_t(e.x) - r.x, ty = int64_t(e.y) - r.y;
  std::vector<TMapPoint> out(nearSide);
  out.reserve(nearSide.size() * 2);
  for (size_t i = nearSide.size(); i-- > 0;) {
    TMapPoint moved;
    if (!Offset(nearSide[i], tx, ty, &moved)) return false;
    out.push_back(moved);
  }
  *ring = std::move(out);
  return true;
}

}  // namespace construct
