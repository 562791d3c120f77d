#include "view/clip.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/win.h"
#include "view/view_math.h"

using view::TruncSat;

TClipWindow ClipWindow;
std::vector<POINT> ScreenPoints;

namespace {
// The run of DrawClippedPolyline; kept apart from ScreenPoints, which may hold the input.
std::vector<POINT> g_run;
}  // namespace

void SetClipWindow(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  ClipWindow.xmin = view::ClampI32(int64_t(left) - 10);
  ClipWindow.xmax = view::ClampI32(int64_t(right) + 10);
  ClipWindow.ymin = view::ClampI32(int64_t(top) - 10);
  ClipWindow.ymax = view::ClampI32(int64_t(bottom) + 10);
  ClipWindow.ring[0] = {left, top};
  ClipWindow.ring[1] = {right, top};
  ClipWindow.ring[2] = {right, bottom};
  ClipWindow.ring[3] = {left, bottom};
  ClipWindow.ring[4] = {left, top};
}

static inline int Outcode(int32_t x, int32_t y) {
  const TClipWindow& w = ClipWindow;
  int c = 0;
  if (x < w.xmin)
    c = 1;
  else if (x > w.xmax)
    c = 2;
  if (y < w.ymin)
    c |= 4;
  else if (y > w.ymax)
    c |= 8;
  return c;
}

int ComputeOutcode() { return Outcode(ClipWindow.x, ClipWindow.y); }

int ClipSegment(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
  TClipWindow& w = ClipWindow;
  int code2 = Outcode(x2, y2);
  int code1 = Outcode(x1, y1);
  w.x = x1;
  w.y = y1;
  w.otherX = x2;
  w.otherY = y2;
  bool swapped = false;
  const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
  if (dx == 0 && dy == 0) return code1 == 0 && code2 == 0 ? 1 : 0;
  if ((code1 | code2) == 0) return 1;  // wholly inside: nothing to move
  // Slopes in double: a float slope puts the boundary point of a long segment pixels off.
  const double m = dx != 0 ? double(dy) / double(dx) : 0.0;
  const double n = dy != 0 ? double(dx) / double(dy) : 0.0;
  bool visible = false;
  for (int pass = 0; pass < 5; pass++) {
    if (code1 & code2) break;
    if (code1 == 0 && code2 == 0) {
      visible = true;
      break;
    }
    if (code1 == 0) {
      std::swap(w.x, w.otherX);
      std::swap(w.y, w.otherY);
      std::swap(code1, code2);
      swapped = !swapped;
    }
    if (code1 & 1) {
      w.y = TruncSat(w.y + m * (double(w.xmin) - w.x));
      w.x = w.xmin;
    } else if (code1 & 2) {
      w.y = TruncSat(w.y + m * (double(w.xmax) - w.x));
      w.x = w.xmax;
    } else if (code1 & 4) {
      w.x = TruncSat(w.x + n * (double(w.ymin) - w.y));
      w.y = w.ymin;
    } else {
      w.x = TruncSat(w.x + n * (double(w.ymax) - w.y));
      w.y = w.ymax;
    }
    code1 = ComputeOutcode();
  }
  if (!visible) return 0;
  if (swapped) {
    x2 = w.x;
    y2 = w.y;
    x1 = w.otherX;
    y1 = w.otherY;
  } else {
    x1 = w.x;
    y1 = w.y;
    x2 = w.otherX;
    y2 = w.otherY;
  }
  return 1;
}

int DrawClippedLine(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  if (!ClipSegment(x1, y1, x2, y2)) return 0;
  POINT pts[2] = {{x1, y1}, {x2, y2}};
  return Polyline(dc, pts, 2) ? 1 : 0;
}

BOOL DrawClippedPolyline(HDC dc, const POINT* points, int count) {
  TClipWindow& w = ClipWindow;
  w.lastResult = 1;
  w.runCount = 0;
  if (!points || count < 2) return w.lastResult;
  // At most two points per segment go into one run.
  if (g_run.size() < size_t(count) * 2) {
    try {
      g_run.resize(size_t(count) * 2);
    } catch (const std::bad_alloc&) {
      return 0;
    }
  }
  POINT* run = g_run.data();
  int32_t n = 0;
  // Each vertex's outcode serves both of its segments; a segment wholly inside or wholly on
  // the outer side of one boundary is settled without ClipSegment.
  int codeNext = Outcode(points[0].x, points[0].y);
  for (int i = 0; i + 1 < count; i++) {
    int32_t x1 = points[i].x, y1 = points[i].y, x2 = points[i + 1].x, y2 = points[i + 1].y;
    int code1 = codeNext;
    codeNext = Outcode(x2, y2);
    bool visible;
    if (code1 & codeNext)
      visible = false;
    else if ((code1 | codeNext) == 0)
      visible = true;
    else
      visible = ClipSegment(x1, y1, x2, y2) != 0;
    if (!visible) {
      if (n) {
        w.lastResult = Polyline(dc, run, n);
        n = 0;
      }
      continue;
    }
    if (n == 0 || run[n - 1].x != x1 || run[n - 1].y != y1) run[n++] = {x1, y1};
    if (run[n - 1].x != x2 || run[n - 1].y != y2) run[n++] = {x2, y2};
  }
  if (n) w.lastResult = Polyline(dc, run, n);
  w.runCount = n;
  return w.lastResult;
}

int ClipPolygonEdge(int edge, int count, const POINT* in, std::vector<POINT>& out) {
  // A vertex emits at most two points (an intersection and itself).
  size_t need = size_t(count) * 2 + 2;
  if (out.size() < need) out.resize(need);
  if (count <= 0) return 0;
  const POINT* ring = ClipWindow.ring;
  const int64_t left = ring[0].x, top = ring[0].y, right = ring[2].x, bottom = ring[2].y;
  // Signed distance to the boundary, positive inside. The ring is an axis-aligned rectangle, so
  // this has the sign of the edge's dot product and gives the same intersections, and it stays
  // right for a view of zero width or height.
  auto side = [&](const POINT& v) -> int64_t {
    switch (edge) {
      case 0: return int64_t(v.x) - left;
      case 1: return int64_t(v.y) - top;
      case 2: return right - int64_t(v.x);
      default: return bottom - int64_t(v.y);
    }
  };
  auto cls = [](int64_t d) { return d < 0 ? 0 : d > 0 ? 2 : 1; };
  POINT* o = out.data();
  int k = 0;
  POINT prev = in[0];
  int64_t dprev = side(prev);
  int cprev = cls(dprev);
  for (int i = 1; i <= count; i++) {
    const POINT& cur = in[i == count ? 0 : i];
    int64_t dcur = side(cur);
    int ccur = cls(dcur);
    // (previous, current): out-out nothing; x-on current; out-in intersection and current;
    // on-in and in-in current; in-out intersection.
    bool cross = (cprev == 0 && ccur == 2) || (cprev == 2 && ccur == 0);
    if (cross) {
      double t = double(dprev) / double(dprev - dcur);
      o[k++] = {TruncSat(prev.x + t * (double(cur.x) - prev.x)),
                TruncSat(prev.y + t * (double(cur.y) - prev.y))};
    }
    if (ccur != 0) o[k++] = cur;
    prev = cur;
    dprev = dcur;
    cprev = ccur;
  }
  return k;
}

int ClipPolygonToView(int count, std::vector<POINT>& scratch, std::vector<POINT>& out) {
  if (count < 3) return -1;
  int n = count;
  // A polygon with every vertex inside the closed view rectangle goes through each pass
  // unchanged but for its start (a pass emits the second vertex first), so the four passes come
  // to a rotation by four: formed directly, the points are the same.
  const POINT* ring = ClipWindow.ring;
  bool inside = true;
  for (int i = 0; i < count && inside; i++) {
    const POINT& v = scratch[size_t(i)];
    inside = v.x >= ring[0].x && v.x <= ring[2].x && v.y >= ring[0].y && v.y <= ring[2].y;
  }
  if (inside) {
    const size_t need = size_t(count) * 2 + 2;  // as the passes size it
    try {
      if (out.size() < need) out.resize(need);
    } catch (const std::bad_alloc&) {
      return -1;
    }
    for (int j = 0; j < count; j++) out[size_t(j)] = scratch[size_t((j + 4) % count)];
    out[size_t(count)] = out[0];
    return count + 1;
  }
  try {
    for (int edge = 0; edge < 4; edge++) {
      std::vector<POINT>& src = (edge % 2 == 0) ? scratch : out;
      std::vector<POINT>& dst = (edge % 2 == 0) ? out : scratch;
      n = ClipPolygonEdge(edge, n, src.data(), dst);
    }
    if (out.size() < size_t(n) + 1) out.resize(size_t(n) + 1);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  std::copy(scratch.begin(), scratch.begin() + n, out.begin());
  out[size_t(n)] = out[0];
  return n + 1;
}

double TriangleArea(double a, double b, double c) {
  double s = (a + b + c) / 2;
  double q = s * (s - a) * (s - b) * (s - c);
  return q <= 0 ? 0.0 : std::sqrt(q);
}

double PointSegmentDistance(int32_t px, int32_t py, int32_t sx, int32_t sy, int32_t ex,
                            int32_t ey, int32_t* footX, int32_t* footY, int asLine) {
  const double dx = double(ex) - sx, dy = double(ey) - sy;
  const double L2 = dx * dx + dy * dy;
  const double dS = std::hypot(double(sx) - px, double(sy) - py);
  const double dE = std::hypot(double(ex) - px, double(ey) - py);
  if (L2 == 0) {
    *footX = sx;
    *footY = sy;
    return dS;
  }
  // The foot by projection and the height by the cross product: the same point and distance
  // as the triangle construction, without Heron's cancellation, which puts a foot that lies on
  // a whole pixel just below it, so truncation lost a pixel.
  const double qx = double(px) - sx, qy = double(py) - sy;
  const double t = (qx * dx + qy * dy) / L2;
  const double h = std::fabs(qx * dy - qy * dx) / std::sqrt(L2);
  int32_t fx = TruncSat(sx + t * dx);
  int32_t fy = TruncSat(sy + t * dy);
  bool between = fx >= std::min(sx, ex) && fx <= std::max(sx, ex) && fy >= std::min(sy, ey) &&
                 fy <= std::max(sy, ey);
  if (asLine || between) {
    *footX = fx;
    *footY = fy;
    return h;
  }
  if (dS < dE) {
    *footX = sx;
    *footY = sy;
    return dS;
  }
  *footX = ex;
  *footY = ey;
  return dE;
}

int MergeHoleIntoRing(std::vector<POINT>& ring, int count, const POINT* hole, int holeCount,
                      int32_t rx, int32_t ry) {
  const int a = count, b = holeCount;
  if (a <= 0 || b <= 0 || !hole) return count;
  // Farthest hole vertex from R (the closing repeat is not looked at); first maximum wins.
  int h = 0;
  int64_t best = -1;
  for (int k = 0; k <= b - 2; k++) {
    int64_t d = int64_t(std::hypot(double(hole[k].x) - rx, double(hole[k].y) - ry));
    if (d > best) {
      best = d;
      h = k;
    }
  }
  const POINT V = hole[h];
  // Nearest ring segment to V; first minimum wins.
  int s = 0;
  int32_t fx = ring[0].x, fy = ring[0].y;
  int64_t nearest = INT64_MAX;
  for (int k = 0; k <= a - 2; k++) {
    int32_t tx, ty;
    double d = PointSegmentDistance(V.x, V.y, ring[k].x, ring[k].y, ring[k + 1].x,
                                    ring[k + 1].y, &tx, &ty, 0);
    int64_t di = int64_t(d);
    if (di < nearest) {
      nearest = di;
      s = k;
      fx = tx;
      fy = ty;
    }
  }
  try {
    size_t need = size_t(a) + size_t(b) + 5;
    if (ring.size() < need) ring.resize(need);
  } catch (const std::bad_alloc&) {
    return count;
  }
  POINT* A = ring.data();
  // As .. Aa-1 move up by b + 4; As then stands both before the bridge and after it.
  for (int k = a - 1; k >= s; k--) A[k + b + 4] = A[k];
  int w = s + 1;
  A[w++] = {fx, fy};
  for (int k = h; k >= 0; k--) A[w++] = hole[k];
  for (int k = b - 1; k >= h; k--) A[w++] = hole[k];
  A[w++] = {fx, fy};
  return a + b + 4;
}
