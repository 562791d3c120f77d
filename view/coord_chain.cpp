// The coordinate chain of the view: screen pixels <-> Gauss-Kruger plane of one zone <->
// geodetic coordinates, the 21-step scale table, zooms, fits, the zone choice and following
// the GPS position.
//
// x = trunc((Y - originY) k), y = bottom - trunc((X - originX) k): originX, originY is the plane
// point at screen x 0 and y bottom. Every truncation saturates, so a plane point far off the
// screen lands on the int32 edge instead of wrapping. k = 0 means "no transform yet": plain
// screen-to-plane gives (0, 0) and operations that would divide by k leave the view alone.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "geodesy/gauss_kruger.h"
#include "view/map_pick.h"
#include "view/map_view.h"
#include "view/view_math.h"

using view::HalfAbs;
using view::TruncSat;

const int32_t kScaleTable[21] = {100,    250,    500,    1000,   2000,    5000,    7500,
                                 10000,  20000,  30000,  50000,  75000,   100000,  150000,
                                 200000, 300000, 500000, 800000, 1000000, 5000000, 10000000};

namespace {
constexpr int kSteps = 21;
// Angle below which a fix counts as the same position, radians (about 2 m of latitude).
constexpr double kStillRadians = 3.1415926e-07;

// Truncation toward zero into int64, saturating far inside its range; NaN gives 0.
int64_t TruncI64(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLimit = 4611686018427387904.0;  // 2^62
  if (v >= kLimit) return int64_t(kLimit);
  if (v <= -kLimit) return -int64_t(kLimit);
  return int64_t(v);
}

int ScaleIndex(int32_t s) {
  for (int i = 0; i < kSteps; i++)
    if (kScaleTable[i] == s) return i;
  return -1;
}
}  // namespace

int32_t NextScale(int32_t s) {
  int i = ScaleIndex(s);
  if (i < 0) return -1;
  return kScaleTable[std::min(i + 1, kSteps - 1)];
}

int32_t PrevScale(int32_t s) {
  int i = ScaleIndex(s);
  if (i < 0) return -1;
  return kScaleTable[std::max(i - 1, 0)];
}

int32_t NearestScale(int32_t s, int upward) {
  if (s <= kScaleTable[0]) return kScaleTable[0];
  if (s >= kScaleTable[kSteps - 1]) return kScaleTable[kSteps - 1];
  int i = 0;
  while (!(kScaleTable[i] <= s && s < kScaleTable[i + 1])) i++;
  int32_t lower = kScaleTable[i], upper = kScaleTable[i + 1];
  if (upward) return upper;
  return (upper - s) <= (s - lower) ? upper : lower;
}

// ---- conversions ----

void TMapView::PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy, int useOverride) const {
  if (useOverride && planeToScreenOverride) {
    planeToScreenOverride(x, y, sx, sy);
    return;
  }
  *sx = TruncSat((y - originY) * pixelsPerMetre);
  *sy = view::ClampI32(int64_t(viewRect.bottom) - TruncSat((x - originX) * pixelsPerMetre));
}

void TMapView::PlaneToScreenPoint(double x, double y, POINT* p) const {
  int32_t sx = 0, sy = 0;
  PlaneToScreen(x, y, &sx, &sy, 1);
  p->x = sx;
  p->y = sy;
}

void TMapView::ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y, int useOverride) const {
  if (useOverride && screenToPlaneOverride) {
    screenToPlaneOverride(sx, sy, x, y);
    return;
  }
  if (pixelsPerMetre == 0.0) {
    *x = *y = 0.0;
    return;
  }
  *x = (double(viewRect.bottom) - sy) / pixelsPerMetre + originX;
  *y = sx / pixelsPerMetre + originY;
}

bool TMapView::GeoToPlane(double latitude, double longitude, double* x, double* y) {
  // The first point fixes an unset zone, but only a point that converts: a failed one would
  // leave zone 0, whose central meridian lies outside every zone.
  const uint8_t z =
      zone == 255 ? uint8_t(TruncSat((GkCentralMeridian(longitude) + 3.0) / 6.0)) : zone;
  double px = 0, py = 0;
  if (!GeoToGk(latitude, longitude, px, py, 6.0 * z - 3.0)) return false;
  zone = z;
  *x = px;
  *y = py;
  return true;
}

bool TMapView::PlaneToGeo(double x, double y, double* latitude, double* longitude) const {
  // A view without a zone (no map has given one) has no central meridian to convert with.
  if (zone < 1 || zone > 60) return false;
  double lat = 0, lon = 0;
  if (!GkToGeo(x, y, lat, lon, 6.0 * zone - 3.0)) return false;
  *latitude = lat;
  *longitude = lon;
  return true;
}

void TMapView::SetTransformCallbacks(TPlaneToScreenHook toScreen, TScreenToPlaneHook toPlane) {
  planeToScreenOverride = toScreen;
  screenToPlaneOverride = toPlane;
  for (auto& slot : vectorMaps)
    if (slot.inScale || slot.map->working) slot.map->SetTransformHook(toScreen, toPlane);
}

int TMapView::UpdateLayers(int reset) {
  if (!rasterMaps.empty()) ActivateLastRasterMap();
  TMapViewDesc desc{viewRect.left,  viewRect.top,   viewRect.right,        viewRect.bottom,
                    originX,        originY,        pixelsPerMetre,        planeToScreenOverride,
                    screenToPlaneOverride};
  for (auto& slot : vectorMaps) {
    if (!slot.inScale && !slot.map->working) continue;
    slot.map->SetViewTransform(desc);
    if (reset) slot.map->levelPassDone = 0;
  }
  for (auto& r : rasterMaps)
    if (r->inScale) r->SetViewTransform(viewRect, originX, originY, pixelsPerMetre);
  return GetRasterMapCount();
}

// ---- scales ----

void TMapView::SetScale(int32_t s) {
  scale = s;
  double cx, cy;
  GetCenter(&cx, &cy, 1);
  if (positionHook) positionHook(&cx, &cy);
  pixelsPerMetre = devicePixelsPerMetre / s;
  CenterOn(cx, cy, 1);
  UpdateLayers(1);
}

double TMapView::SetPixelScale(double k) {
  int32_t s = TruncSat(devicePixelsPerMetre / k);
  if (s <= 100) s = 100;
  scale = s;
  pixelsPerMetre = devicePixelsPerMetre / s;
  return pixelsPerMetre;
}

double TMapView::SnapPixelScale(double k) {
  int32_t s = NearestScale(TruncSat(devicePixelsPerMetre / k), 0);
  scale = s;
  pixelsPerMetre = devicePixelsPerMetre / s;
  return pixelsPerMetre;
}

void TMapView::ZoomIn() {
  int32_t s = PrevScale(scale);
  if (s < 0) s = NearestScale(scale, 0);
  SetScale(s);
}

void TMapView::ZoomOut() {
  int32_t s = NextScale(scale);
  if (s < 0) s = NearestScale(scale, 0);
  SetScale(s);
}

void TMapView::ZoomToScreenRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  int32_t cx = int32_t((int64_t(x1) + x2) / 2), cy = int32_t((int64_t(y1) + y2) / 2);
  double px, py;
  ScreenToPlane(cx, cy, &px, &py, 0);
  // In double: the frame's height ratio decides the scale; a zero-height frame gives the 1:100
  // floor through SetPixelScale.
  double k = pixelsPerMetre * (double(int64_t(viewRect.bottom) - viewRect.top) /
                               double(int64_t(y2) - y1));
  SetPixelScale(k);
  CenterOn(px, py, 1);
  UpdateLayers(1);
}

// Pixels per metre that fit the extent into the view on both axes.
static double FitK(const RECT& r, const double e[6]) {
  double kx = std::fabs(double(int64_t(r.bottom) - r.top) / (e[0] - e[3]));
  double ky = std::fabs(double(int64_t(r.right) - r.left) / (e[4] - e[1]));
  return kx < ky ? kx : ky;
}

void TMapView::ZoomToAll() {
  double e[6];
  GetExtents(e);
  if (e[0] == 0 && e[1] == 0 && e[3] == 0 && e[4] == 0) return;  // nothing to show
  double k = FitK(viewRect, e);
  SetScale(NearestScale(TruncSat(devicePixelsPerMetre / k), 1));
  CenterOn((e[0] + e[3]) / 2, (e[1] + e[4]) / 2, 0);
}

void TMapView::ShowRect(double x1, double y1, double x2, double y2) {
  double tlx, tly, brx, bry;
  ScreenToPlane(viewRect.left, viewRect.top, &tlx, &tly, 1);
  ScreenToPlane(viewRect.right, viewRect.bottom, &brx, &bry, 1);
  double w = std::fabs(bry - tly);
  SnapPixelScale(pixelsPerMetre * (w / std::fabs(y2 - y1)));
  CenterOn((x1 + x2) / 2, (y1 + y2) / 2, 0);
  UpdateLayers(1);
}

void TMapView::GetExtents(double out[6]) {
  std::memset(out, 0, 6 * sizeof(double));
  if (!vectorMaps.empty()) {
    bool any = false;
    for (int i = 0; i < GetVectorMapCount(); i++) {
      TMdmMap& m = *vectorMaps[size_t(i)].map;
      double e[6];
      if (m.IsSavedFlag()) {
        if (!m.loaded) LoadVectorMapObjects(i);
        GetMapExtent(m, e);
      } else {
        m.ConvertFrame(e);  // the frame's box in the view's zone
      }
      // A map whose load failed has a zeroed frame, the first map's included: it adds nothing,
      // or the union would stretch from the plane's origin.
      if (e[0] == 0 && e[3] == 0) continue;
      if (!any) {
        std::memcpy(out, e, sizeof(e));
        any = true;
      } else {
        out[0] = std::min(out[0], e[0]);
        out[1] = std::min(out[1], e[1]);
        out[3] = std::max(out[3], e[3]);
        out[4] = std::max(out[4], e[4]);
      }
    }
    return;
  }
  bool any = false;
  for (size_t i = 0; i < rasterMaps.size(); i++) {
    const double* own = rasterMaps[i]->frame;
    if (!rasterMaps[i]->open) continue;        // never calibrated: its frame is no place
    if (own[0] == 0 && own[3] == 0) continue;  // not loaded: no frame
    // In the view's zone, as the vector maps' frames are.
    double e[6];
    rasterMaps[i]->GetExtent(e);
    if (!any) {
      std::memcpy(out, e, 6 * sizeof(double));
      any = true;
    } else {
      out[0] = std::min(out[0], e[0]);
      out[1] = std::min(out[1], e[1]);
      out[3] = std::max(out[3], e[3]);
      out[4] = std::max(out[4], e[4]);
    }
  }
}

// ---- panning and centring ----

void TMapView::GetCenter(double* x, double* y, int plain) const {
  int32_t cx = HalfAbs(int64_t(viewRect.left) + viewRect.right);
  int32_t cy = HalfAbs(int64_t(viewRect.top) + viewRect.bottom);
  ScreenToPlane(cx, cy, x, y, plain ? 0 : 1);
}

void TMapView::CenterOn(double x, double y, int noUpdate) {
  // The conversion below keeps the old origin's grid of whole pixels, so where the map stood
  // before (a walk followed by the GPS, a pan) would move the picture of the same place by a
  // pixel. A centring the user asked for (with update) is first put on the point itself: the
  // plain chain then gives the same picture of a place whatever the map showed. The quiet
  // centrings inside a zoom keep the grid, so the centre stays on its pixel.
  if (!noUpdate && !planeToScreenOverride) {
    originX = x;
    originY = y;
  }
  int64_t px, py;
  if (!noUpdate && planeToScreenOverride) {
    int32_t ox, oy;
    planeToScreenOverride(x, y, &ox, &oy);
    px = ox;
    py = oy;
  } else {
    // The plain conversion in int64: a point beyond the int32 screen range (a first fix far
    // from the old view) must still be centred exactly, not on a saturated pixel.
    px = TruncI64((y - originY) * pixelsPerMetre);
    py = int64_t(viewRect.bottom) - TruncI64((x - originX) * pixelsPerMetre);
  }
  int64_t sx = px - HalfAbs(int64_t(viewRect.right) - viewRect.left);
  int64_t sy = py + HalfAbs(int64_t(viewRect.bottom) - viewRect.top);
  if (pixelsPerMetre != 0.0) {
    // ScreenToPlane of (sx, sy) without the override, with the int64 point (it may lie just
    // beyond the int32 range when the old view was far away).
    originX = (double(viewRect.bottom) - double(sy)) / pixelsPerMetre + originX;
    originY = double(sx) / pixelsPerMetre + originY;
  } else {
    originX = originY = 0.0;
  }
  if (!noUpdate) UpdateLayers(0);
}

void TMapView::MoveView(int32_t x, int32_t y, int update) {
  if (pixelsPerMetre == 0.0) return;  // no transform yet: nothing to move
  int32_t cx = HalfAbs(int64_t(viewRect.left) + viewRect.right);
  int32_t cy = HalfAbs(int64_t(viewRect.top) + viewRect.bottom);
  originX += double(int64_t(cy) - y) / pixelsPerMetre;
  originY -= double(int64_t(cx) - x) / pixelsPerMetre;
  if (update) UpdateLayers(0);
}

int TMapView::EnsureVisible(double x, double y) {
  const int32_t xs[4] = {viewRect.left, viewRect.right, viewRect.left, viewRect.right};
  const int32_t ys[4] = {viewRect.top, viewRect.top, viewRect.bottom, viewRect.bottom};
  double minX = 0, maxX = 0, minY = 0, maxY = 0;
  for (int i = 0; i < 4; i++) {
    double px, py;
    ScreenToPlane(xs[i], ys[i], &px, &py, 1);
    if (i == 0 || px < minX) minX = px;
    if (i == 0 || px > maxX) maxX = px;
    if (i == 0 || py < minY) minY = py;
    if (i == 0 || py > maxY) maxY = py;
  }
  if (minX < x && x < maxX && minY < y && y < maxY) return 0;
  CenterOn(x, y, 0);
  return 1;
}

// ---- zone ----

void TMapView::UpdateViewZone() {
  const uint8_t before = zone;
  double cx = 0, cy = 0;
  GetCenter(&cx, &cy, 1);
  if (vectorMaps.empty() && rasterMaps.empty()) {
    zone = GkZoneOfPlane(extent[0], extent[1]);
  } else {
    int lo = 256, hi = -1;
    auto count = [&](uint8_t z) {
      // 255 is "not set"; 0 is what the geodesy answers for a point it cannot place.
      if (z == 255 || z == 0) return;
      lo = std::min(lo, int(z));
      hi = std::max(hi, int(z));
    };
    for (size_t i = 0; i < vectorMaps.size(); i++)
      if (i == 0 || !vectorMaps[i].map->IsSavedFlag()) count(vectorMaps[i].map->zone);
    for (auto& r : rasterMaps) count(r->ownZone);
    if (hi >= 0) zone = uint8_t((lo + hi) / 2);
  }
  for (auto& slot : vectorMaps) slot.map->SetOutputZone(zone);
  for (auto& r : rasterMaps) r->SetOutputSystem(zone);
  // A map added, removed or moved first may move the view's zone; the view stays on the ground
  // it shows, its centre taken into the new zone's plane (the old numbers read in the new zone
  // lie hundreds of kilometres off).
  double x, y;
  if (zone != before && pixelsPerMetre != 0.0 && GkReprojectToZone(cx, cy, before, zone, x, y)) {
    CenterOn(x, y, 1);
    UpdateLayers(0);
  }
}

// ---- fitting ----

void TMapView::InitViewFromExtent() {
  if (viewInitialised) return;
  SetTransformCallbacks(nullptr, nullptr);
  if (extent[0] == extent[3]) {
    pixelsPerMetre = 0;  // tried again on the next frame
    return;
  }
  SnapPixelScale(FitK(viewRect, extent));
  originX = extent[0];
  originY = extent[1];
  viewInitialised = 1;
  transformsValid = 0;
  layersReset = 1;
}

// ---- GPS ----

int TMapView::UpdateGpsPosition(double latitude, double longitude, double course,
                                double altitude, int* changed, RECT* rect, double* x,
                                double* y) {
  double X, Y;
  // A fix the geodesy cannot place is no move: the marker and the view keep the last position.
  if (!GeoToPlane(latitude, longitude, &X, &Y)) return 0;
  X += gpsOffsetX;
  Y += gpsOffsetY;
  if (std::fabs(lastFixLatitude - latitude) <= kStillRadians &&
      std::fabs(lastFixLongitude - longitude) <= kStillRadians)
    return 0;
  gpsCourse = course;
  gpsAltitude = altitude;
  RECT r = viewRect;
  if (centreOnGps) {
    CenterOn(X, Y, 0);
    if (changed) *changed = 1;
  } else {
    int32_t px, py;
    PlaneToScreen(X, Y, &px, &py, 1);
    const int64_t m = followMargin;
    bool inside = m <= px && px <= int64_t(viewRect.right) - m && m <= py &&
                  py <= int64_t(viewRect.bottom) - m;
    // Without a transform (k = 0) the look-ahead has no length: the view stays.
    if (!followGps || inside || pixelsPerMetre == 0.0) {
      int32_t ox, oy;
      PlaneToScreen(gpsX, gpsY, &ox, &oy, 1);
      r = {view::ClampI32(int64_t(ox) - 18), view::ClampI32(int64_t(oy) - 18),
           view::ClampI32(int64_t(ox) + 18), view::ClampI32(int64_t(oy) + 18)};
    } else {
      double d = lookAhead / pixelsPerMetre;
      double c = gpsCourse / 180.0 * std::numbers::pi;
      CenterOn(X + std::cos(c) * d, Y + std::sin(c) * d, 0);
      if (changed) *changed = 1;
    }
  }
  if (rect) *rect = r;
  gpsX = X;
  gpsY = Y;
  if (x) *x = X;
  if (y) *y = Y;
  lastFixLatitude = latitude;
  lastFixLongitude = longitude;
  return 1;
}
