#include "view/map_pick.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "view/clip.h"
#include "view/map_view.h"
#include "view/view_math.h"

namespace {

bool HasVertices(const TMapObject& o) { return o.vertices && o.vertexCount > 0; }

// Distance to a polyline, or to its single vertex: a text placed at a point and a one-vertex
// line have no segment, yet sit at a place that a tap can hit.
double DistanceToShape(int32_t x, int32_t y, const TMapObject& o) {
  if (o.vertexCount == 1) return PointDistance({x, y}, o.vertices[0]);
  int32_t segment;
  TMapPoint foot;
  return NearestPointOnPolyline(x, y, o.vertexCount, o.vertices, &segment, &foot);
}

// The box grown by `grow` map units on every side holds the point (a box with min > max holds
// nothing).
bool InGrownBox(const TMapObject& o, double x, double y, double grow) {
  return x >= o.box[0] - grow && x <= o.box[2] + grow && y >= o.box[1] - grow &&
         y <= o.box[3] + grow;
}

// The screen-pixel tolerance as map units of this map: pixels / pixel scale. 0 pixel scale
// (no view yet) or a non-finite product leaves nothing within reach.
bool ScaledWithin(double pixelScale, double distance, double tolerancePx) {
  const double d = pixelScale * distance;
  return std::isfinite(d) && d <= tolerancePx;
}

}  // namespace

double NearestPointOnPolyline(int32_t x, int32_t y, int32_t n, const TMapPoint* v,
                              int32_t* segment, TMapPoint* foot) {
  if (n < 2 || !v) return -1.0;
  double best = 1e11;
  int32_t bestSegment = 0;
  TMapPoint bestFoot = v[0];
  for (int32_t i = 0; i + 1 < n; i++) {
    int32_t fx, fy;
    double d = PointSegmentDistance(x, y, v[i].x, v[i].y, v[i + 1].x, v[i + 1].y, &fx, &fy, 0);
    if (d < best) {
      best = d;
      bestSegment = i;
      bestFoot = {fx, fy};
    }
  }
  *segment = bestSegment;
  *foot = bestFoot;
  return best;
}

double PointDistance(TMapPoint a, TMapPoint b) {
  return std::hypot(double(a.x) - b.x, double(a.y) - b.y);
}

int PointInPolygon(int32_t px, int32_t py, int32_t n, const TMapPoint* v) {
  if (n <= 0 || !v) return 0;
  const bool closed = v[n - 1].x == v[0].x && v[n - 1].y == v[0].y;
  const int32_t edges = n - 1 + (closed ? 0 : 1);
  // Edge e runs from vertex e to vertex e + 1; the closing edge of an open ring back to 0.
  auto from = [&](int32_t e) { return v[e]; };
  auto to = [&](int32_t e) { return e + 1 < n ? v[e + 1] : v[0]; };
  int32_t last = edges - 1;
  while (last >= 0 && from(last).y == to(last).y) last--;
  if (last < 0) return 0;
  bool prevFalls = to(last).y < from(last).y;
  int crossings = 0;
  for (int32_t e = 0; e < edges; e++) {
    const TMapPoint a = from(e), b = to(e);
    if (a.y == b.y) {
      if (py == a.y && px >= std::min(a.x, b.x) && px <= std::max(a.x, b.x)) return 1;
      continue;  // keeps the previous direction
    }
    const bool falls = b.y < a.y;
    const TMapPoint lo = falls ? b : a, hi = falls ? a : b;
    // Where two edges run the same way through a shared vertex, that vertex belongs to one of
    // them only, so a level through it counts once.
    int64_t yLo = lo.y, yHi = hi.y;
    if (falls && prevFalls) yHi -= 1;
    if (!falls && !prevFalls) yLo += 1;
    prevFalls = falls;
    if (py < yLo || py > yHi) continue;
    // (xb - xa)(py - ya) reaches 2^64 for int32 coordinates: 128 bits, truncated toward zero.
    const __int128 num = (__int128(hi.x) - lo.x) * (__int128(py) - lo.y);
    const int64_t cross = int64_t(lo.x) + int64_t(num / (int64_t(hi.y) - lo.y));
    if (px == cross) return 1;
    if (px < cross) crossings++;
  }
  return crossings & 1;
}

int FindMapObjectsAt(TMdmMap& map, double* x, double* y, int screenPoint, uint16_t* out,
                     int capacity, double toleranceMetres, int kindFilter) {
  if (!x || !y || !out || capacity <= 0) return 0;
  if (!std::isfinite(toleranceMetres) || toleranceMetres < 0) return 0;
  const double unit = map.UnitMetres();
  if (unit <= 0) return 0;
  TMapPoint p;
  if (screenPoint) {
    if (!std::isfinite(*x) || !std::isfinite(*y)) return 0;
    map.ScreenToMap(view::TruncSat(*x), view::TruncSat(*y), &p.x, &p.y);
    map.MapToPlane(p.x, p.y, x, y);
  } else {
    if (!std::isfinite(*x) || !std::isfinite(*y)) return 0;
    map.ToOwnZone(x, y);  // a point of the view's plane, measured against the map's own frame
    map.PlaneToMapBuf(*x, *y, &p);
  }
  if (!(*x >= map.HeaderFrame(0) && *x <= map.HeaderFrame(3) && *y >= map.HeaderFrame(1) &&
        *y <= map.HeaderFrame(4)))
    return 0;
  const double t = toleranceMetres / unit;
  const double symbolScale = double(map.nominalScale) * map.pixelScale / unit / 1000.0;
  const uint8_t shown = TMapObject::kInView | TMapObject::kPassesLevel;
  int found = 0;
  for (int32_t i = 0; i < map.count && found < capacity; i++) {
    const TMapObject& o = map.objects[i];
    if ((o.flags & shown) != shown) continue;
    if (kindFilter != 0 && o.kind != kindFilter) continue;
    double d = -1.0;
    switch (o.kind) {
      case mdm::kKindPoint:
        if (symbolScale > 0.5)
          d = std::min(PointDistance(p, {o.box[0], o.box[1]}), PointDistance(p, {o.box[2], o.box[3]}));
        break;
      case mdm::kKindLine:
        if (HasVertices(o) && InGrownBox(o, p.x, p.y, t)) d = DistanceToShape(p.x, p.y, o);
        break;
      case mdm::kKindArea:
        if (HasVertices(o) && InGrownBox(o, p.x, p.y, t))
          d = PointInPolygon(p.x, p.y, o.vertexCount, o.vertices) ? 0.0
                                                                  : DistanceToShape(p.x, p.y, o);
        break;
      case mdm::kKindText:
        if (HasVertices(o) && InGrownBox(o, p.x, p.y, 2 * t)) d = DistanceToShape(p.x, p.y, o) / 2;
        break;
      default: break;
    }
    if (d >= 0 && d <= t) out[found++] = uint16_t(i);
  }
  return found;
}

int32_t FindNearestObjectOfKind(const TMdmMap& map, int kind, double planeX, double planeY,
                                double limit) {
  if (!std::isfinite(planeX) || !std::isfinite(planeY) || !(limit >= 0)) return kNoObject;
  TMapPoint p;
  map.ViewPlaneToMap(planeX, planeY, &p.x, &p.y);
  double best = HUGE_VAL;
  int32_t found = kNoObject;
  for (int32_t i = 0; i < map.count; i++) {
    const TMapObject& o = map.objects[i];
    if (o.kind != kind || !HasVertices(o)) continue;
    // The box holds the vertices, so no vertex lies nearer than the box: an object whose box is
    // beyond the limit, or not strictly nearer than the best so far, cannot win and is not
    // measured.
    const double bx = std::max({double(o.box[0]) - p.x, 0.0, double(p.x) - o.box[2]});
    const double by = std::max({double(o.box[1]) - p.y, 0.0, double(p.y) - o.box[3]});
    const double boxDistance = std::hypot(bx, by);
    if (boxDistance > limit || boxDistance >= best) continue;
    int32_t segment;
    TMapPoint foot;
    double d = NearestPointOnPolyline(p.x, p.y, o.vertexCount, o.vertices, &segment, &foot);
    if (d >= 0 && d <= limit && d < best) {  // one vertex gives -1: no segment to follow
      best = d;
      found = i;
    }
  }
  return found;
}

int HitPointObject(const TMdmMap& map, int32_t screenX, int32_t screenY, int32_t object,
                   double tolerancePx) {
  if (object < 0 || object >= map.count) return -1;
  const TMapObject& o = map.objects[object];
  TMapPoint p;
  map.ScreenToMap(screenX, screenY, &p.x, &p.y);
  if (o.kind == mdm::kKindPoint) {
    double d0 = PointDistance(p, {o.box[0], o.box[1]});
    double d1 = PointDistance(p, {o.box[2], o.box[3]});
    if (!ScaledWithin(map.pixelScale, std::min(d0, d1), tolerancePx)) return -1;
    return d0 < d1 ? 0 : 1;
  }
  if (o.kind != mdm::kKindLine && o.kind != mdm::kKindArea && o.kind != mdm::kKindText) return -1;
  if (!HasVertices(o)) return -1;
  double best = 1e15;
  int32_t index = -1;
  for (int32_t i = 0; i < o.vertexCount; i++) {
    double d = PointDistance(p, o.vertices[i]);
    if (d < best) {
      best = d;
      index = i;
    }
  }
  if (index < 0 || !ScaledWithin(map.pixelScale, best, tolerancePx)) return -1;
  return index;
}

int FindNearestVertex(const TMdmMap& map, int32_t screenX, int32_t screenY, int32_t object,
                      double tolerancePx, TMapPoint* foot) {
  if (object < 0 || object >= map.count || !foot) return -1;
  const TMapObject& o = map.objects[object];
  if (!HasVertices(o)) return -1;
  TMapPoint p;
  map.ScreenToMap(screenX, screenY, &p.x, &p.y);
  int32_t segment;
  TMapPoint f;
  double d = NearestPointOnPolyline(p.x, p.y, o.vertexCount, o.vertices, &segment, &f);
  if (d < 0 || !ScaledWithin(map.pixelScale, d, tolerancePx)) return -1;
  *foot = f;
  return segment;
}

void GetMapExtent(const TMdmMap& map, double out[6]) {
  std::memset(out, 0, 6 * sizeof(double));
  bool any = false;
  int32_t minX = 0, minY = 0, maxX = 0, maxY = 0;
  auto add = [&](int32_t x, int32_t y) {
    if (!any || x < minX) minX = x;
    if (!any || x > maxX) maxX = x;
    if (!any || y < minY) minY = y;
    if (!any || y > maxY) maxY = y;
    any = true;
  };
  for (int32_t i = 0; i < map.count; i++) {
    const TMapObject& o = map.objects[i];
    if (o.code == 0 || o.kind == 0) continue;
    if (o.box[0] <= 0 || o.box[1] <= 0 || o.box[2] <= 0 || o.box[3] <= 0) continue;
    add(o.box[0], o.box[1]);
    if (o.kind != mdm::kKindPoint) add(o.box[2], o.box[3]);
  }
  if (!any) return;
  // In the view's plane; in another zone the box turns, so all four corners count.
  const int32_t xs[2] = {minX, maxX}, ys[2] = {minY, maxY};
  for (int i = 0; i < 4; i++) {
    double px, py;
    map.MapToViewPlane(xs[i >> 1], ys[i & 1], &px, &py);
    out[0] = i == 0 ? px : std::min(out[0], px);
    out[1] = i == 0 ? py : std::min(out[1], py);
    out[3] = i == 0 ? px : std::max(out[3], px);
    out[4] = i == 0 ? py : std::max(out[4], py);
  }
}

int TMapView::FindObjectsAt(int mapIndex, int32_t screenX, int32_t screenY, TObjectRef* out,
                            int capacity, double tolerancePx, int kindFilter) {
  if (!out || capacity <= 0) return 0;
  if (!(pixelsPerMetre > 0) || !std::isfinite(tolerancePx)) return 0;
  const double metres = tolerancePx / pixelsPerMetre;
  const int n = GetVectorMapCount();
  int first = 0, last = n - 1;
  if (mapIndex != -1) {
    if (mapIndex < 0 || mapIndex >= n) return 0;
    first = last = mapIndex;
  }
  std::vector<uint16_t> scratch;
  try {
    scratch.resize(size_t(capacity));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  int count = 0;
  for (int i = first; i <= last && count < capacity; i++) {
    TVectorMapSlot& slot = vectorMaps[size_t(i)];
    if (!slot.inScale || !slot.map) continue;
    double x = screenX, y = screenY;
    int got = FindMapObjectsAt(*slot.map, &x, &y, 1, scratch.data(), capacity - count, metres,
                               kindFilter);
    for (int k = 0; k < got; k++) {
      out[count].map = i;
      out[count].object = scratch[size_t(k)];
      count++;
    }
  }
  return count;
}
