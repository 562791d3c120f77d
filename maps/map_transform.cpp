// Map units <-> plane metres <-> screen pixels.
//
// One map unit is exactly 10^(e-3) m. The products are formed with that power of ten in double
// (dividing by 10^(3-e) for e < 3, whose reciprocal has no exact binary form): a float product
// put centimetre points of a working map up to 0.7 m off at 55N. PlaneToMap adds 1e-3 units
// before truncating, so MapToPlane followed by PlaneToMap gives back the same units despite the
// rounding of the metre value.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "geodesy/gauss_kruger.h"
#include "maps/mdm_map.h"

namespace {

double Pow10(int n) {
  double p = 1.0;
  for (int i = 0; i < n; i++) p *= 10.0;
  return p;
}

// Truncation toward zero into int32, saturating; NaN gives 0. Casting an out-of-range double
// is undefined, and a far-off vertex must not become one.
int32_t TruncI32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return INT32_MAX;
  if (v <= -2147483648.0) return INT32_MIN;
  return int32_t(v);
}

}  // namespace

double UnitOfExponent(int e) { return e < 3 ? 1.0 / Pow10(3 - e) : Pow10(e - 3); }

double TMdmMap::UnitMetres() const { return unit == 0.0f ? 0.0 : UnitOfExponent(UnitExponent()); }

// Metres of `units` map units, and back, each with one exact operation.
static double UnitsToMetres(double units, int e) {
  return e < 3 ? units / Pow10(3 - e) : units * Pow10(e - 3);
}
static double MetresToUnits(double metres, int e) {
  return e < 3 ? metres * Pow10(3 - e) : metres / Pow10(e - 3);
}

void TMdmMap::MapToPlane(int32_t x, int32_t y, double* planeX, double* planeY) const {
  int e = UnitExponent();
  double ux = unit == 0.0f ? 0.0 : UnitsToMetres(x, e);
  double uy = unit == 0.0f ? 0.0 : UnitsToMetres(y, e);
  *planeX = HeaderFrame(0) + ux;
  *planeY = HeaderFrame(1) + uy;
}

void TMdmMap::PlaneToMap(double planeX, double planeY, int32_t* x, int32_t* y) const {
  if (unit == 0.0f) {
    *x = *y = 0;
    return;
  }
  int e = UnitExponent();
  double vx = MetresToUnits(planeX - HeaderFrame(0), e);
  double vy = MetresToUnits(planeY - HeaderFrame(1), e);
  // Map units are never negative: points west or south of the origin land on it.
  *x = vx > 0 ? TruncI32(vx + 1e-3) : 0;
  *y = vy > 0 ? TruncI32(vy + 1e-3) : 0;
}

void RotateScalePoint(int32_t* x, int32_t* y, double sine, double cosine) {
  double fx = *x, fy = *y;
  *x = TruncI32(fx * cosine + fy * sine);
  *y = TruncI32(-fx * sine + fy * cosine);
}

double ArcTan2(double y, double x) { return std::atan2(y, x); }

void TMdmMap::MapToScreen(int32_t x, int32_t y, int32_t* screenX, int32_t* screenY) const {
  if (zoneStep != kZoneOwn) {
    AcrossZonesToScreen(x, y, screenX, screenY);
    return;
  }
  if (toScreenHook) {
    double px, py;
    MapToPlane(x, y, &px, &py);
    toScreenHook(px, py, screenX, screenY);
    return;
  }
  *screenX = TruncI32((y - viewOriginY) * pixelScale);
  *screenY = viewBottom - TruncI32((x - viewOriginX) * pixelScale);
}

void TMdmMap::ScreenToMap(int32_t screenX, int32_t screenY, int32_t* x, int32_t* y) const {
  if (zoneStep != kZoneOwn) {
    // The ground under the pen, exactly, whichever way the map is drawn: the view's plane point
    // taken into the map's own zone.
    double px, py;
    if (!ScreenToViewPlane(screenX, screenY, &px, &py)) {
      *x = *y = 0;
      return;
    }
    ViewPlaneToMap(px, py, x, y);
    return;
  }
  if (toPlaneHook) {
    double px, py;
    toPlaneHook(screenX, screenY, &px, &py);
    PlaneToMap(px, py, x, y);
    return;
  }
  if (pixelScale == 0.0) {
    *x = *y = 0;
    return;
  }
  *x = TruncI32((double(viewBottom) - screenY) / pixelScale + viewOriginX);  // no int32 wrap
  *y = TruncI32(screenX / pixelScale + viewOriginY);
}

bool TMdmMap::ShownInAnotherZone() const { return zoneStep != kZoneOwn; }

void TMdmMap::ToOwnZone(double* planeX, double* planeY) const {
  double x, y;
  if (zoneStep != kZoneOwn && GkReprojectToZone(*planeX, *planeY, outputZone, zone, x, y)) {
    *planeX = x;
    *planeY = y;
  }
}

void TMdmMap::ToOutputZone(double* planeX, double* planeY) const {
  double x, y;
  if (zoneStep != kZoneOwn && GkReprojectToZone(*planeX, *planeY, zone, outputZone, x, y)) {
    *planeX = x;
    *planeY = y;
  }
}

void TMdmMap::MapToViewPlane(int32_t x, int32_t y, double* planeX, double* planeY) const {
  MapToPlane(x, y, planeX, planeY);
  ToOutputZone(planeX, planeY);
}

void TMdmMap::ViewPlaneToMap(double planeX, double planeY, int32_t* x, int32_t* y) const {
  ToOwnZone(&planeX, &planeY);
  PlaneToMap(planeX, planeY, x, y);
}

void TMdmMap::AcrossZonesToScreen(int32_t x, int32_t y, int32_t* screenX, int32_t* screenY) const {
  double px, py;
  const double dx = x - fitOrigin[0], dy = y - fitOrigin[1];
  // The fit holds over the box it was checked on; a vertex beyond it (the far end of a line
  // that leaves the view) is converted, or the part of the line on the screen turns with it.
  if (zoneStep == kZoneLocalFit && dx >= fitBox[0] && dx <= fitBox[2] && dy >= fitBox[1] &&
      dy <= fitBox[3]) {
    if (!toScreenHook) {
      *screenX = TruncI32(fitScreen[0] + fitScreen[1] * dx + fitScreen[2] * dy);
      *screenY = TruncI32(fitScreen[3] + fitScreen[4] * dx + fitScreen[5] * dy);
      return;
    }
    px = fitPlane[0] + fitJ[0] * dx + fitJ[1] * dy;
    py = fitPlane[1] + fitJ[2] * dx + fitJ[3] * dy;
  } else {
    MapToViewPlane(x, y, &px, &py);
  }
  ViewPlaneToScreen(px, py, screenX, screenY);
}

void TMdmMap::ViewPlaneToScreen(double planeX, double planeY, int32_t* screenX,
                                int32_t* screenY) const {
  if (toScreenHook) {
    toScreenHook(planeX, planeY, screenX, screenY);
    return;
  }
  *screenX = TruncI32((planeY - viewPlaneY) * viewPixelsPerMetre);
  *screenY = TruncI32(double(viewBottom) - (planeX - viewPlaneX) * viewPixelsPerMetre);
}

bool TMdmMap::ScreenToViewPlane(int32_t screenX, int32_t screenY, double* planeX,
                                double* planeY) const {
  if (toPlaneHook) {
    toPlaneHook(screenX, screenY, planeX, planeY);
    return true;
  }
  if (viewPixelsPerMetre == 0.0) return false;
  *planeX = (double(viewBottom) - screenY) / viewPixelsPerMetre + viewPlaneX;
  *planeY = screenX / viewPixelsPerMetre + viewPlaneY;
  return true;
}

// Map units of the own zone to the output zone's plane, near the view: the two zones' planes
// differ by a conformal map, so about one point it is a turn and a scale. Its tangent at the
// view's centre is good to a pixel over a few tens of kilometres at 55N; a wider view (a small
// scale) leaves more than half a pixel at its corners and each vertex is converted instead.
void TMdmMap::FitToView() {
  if (zoneStep == kZoneOwn) return;
  zoneStep = kZoneEachVertex;
  const double k = viewPixelsPerMetre, unitMetres = UnitMetres();
  if (!(k > 0) || !(unitMetres > 0)) return;
  const int32_t midX = int32_t((int64_t(viewLeft) + viewRight) / 2);
  const int32_t midY = int32_t((int64_t(viewTop) + viewBottom) / 2);
  double cx, cy, ox, oy;
  if (!ScreenToViewPlane(midX, midY, &cx, &cy) ||
      !GkReprojectToZone(cx, cy, outputZone, zone, ox, oy))
    return;
  // Central differences over 1 km: the conversion's third derivative leaves far under a
  // millimetre of error in the tangent across any view the fit is taken for.
  constexpr double h = 1000.0;
  double n[2], s[2], e[2], w[2];
  if (!GkReprojectToZone(ox + h, oy, zone, outputZone, n[0], n[1]) ||
      !GkReprojectToZone(ox - h, oy, zone, outputZone, s[0], s[1]) ||
      !GkReprojectToZone(ox, oy + h, zone, outputZone, e[0], e[1]) ||
      !GkReprojectToZone(ox, oy - h, zone, outputZone, w[0], w[1]))
    return;
  const double perUnit = unitMetres / (2 * h);
  fitJ[0] = (n[0] - s[0]) * perUnit;
  fitJ[2] = (n[1] - s[1]) * perUnit;
  fitJ[1] = (e[0] - w[0]) * perUnit;
  fitJ[3] = (e[1] - w[1]) * perUnit;
  const int ex = UnitExponent();
  fitOrigin[0] = MetresToUnits(ox - HeaderFrame(0), ex);
  fitOrigin[1] = MetresToUnits(oy - HeaderFrame(1), ex);
  fitPlane[0] = cx;
  fitPlane[1] = cy;
  // The turn of the tangent (a turn times a scale, as the conversion is conformal).
  const double angle = std::atan2(fitJ[1] - fitJ[2], fitJ[0] + fitJ[3]);
  rotSin = std::sin(angle);
  rotCos = std::cos(angle);
  // Where the fit strays most: the rectangle's corners, and its edges' midpoints for a view
  // drawn through the picture's hooks.
  const int32_t xs[3] = {viewLeft, midX, viewRight}, ys[3] = {viewTop, midY, viewBottom};
  double worst = 0;
  fitBox[0] = fitBox[1] = fitBox[2] = fitBox[3] = 0;
  for (int i = 0; i < 9; i++) {
    if (i == 4) continue;
    double qx, qy, gx, gy;
    if (!ScreenToViewPlane(xs[i % 3], ys[i / 3], &qx, &qy) ||
        !GkReprojectToZone(qx, qy, outputZone, zone, gx, gy))
      return;
    const double dx = MetresToUnits(gx - HeaderFrame(0), ex) - fitOrigin[0];
    const double dy = MetresToUnits(gy - HeaderFrame(1), ex) - fitOrigin[1];
    fitBox[0] = std::min(fitBox[0], dx);
    fitBox[1] = std::min(fitBox[1], dy);
    fitBox[2] = std::max(fitBox[2], dx);
    fitBox[3] = std::max(fitBox[3], dy);
    worst = std::max(worst, std::hypot(fitPlane[0] + fitJ[0] * dx + fitJ[1] * dy - qx,
                                       fitPlane[1] + fitJ[2] * dx + fitJ[3] * dy - qy));
  }
  if (!(worst * k <= 0.5)) return;
  fitScreen[0] = (fitPlane[1] - viewPlaneY) * k;
  fitScreen[1] = fitJ[2] * k;
  fitScreen[2] = fitJ[3] * k;
  fitScreen[3] = double(viewBottom) - (fitPlane[0] - viewPlaneX) * k;
  fitScreen[4] = -fitJ[0] * k;
  fitScreen[5] = -fitJ[1] * k;
  zoneStep = kZoneLocalFit;
}

TMapPoint TMdmMap::MapToScreenPacked(int32_t x, int32_t y) const {
  TMapPoint p;
  MapToScreen(x, y, &p.x, &p.y);
  return p;
}

TMapPoint TMdmMap::ScreenToMapPt(TMapPoint screen) const {
  TMapPoint p;
  ScreenToMap(screen.x, screen.y, &p.x, &p.y);
  return p;
}

void TMdmMap::MapToPlanePacked(int32_t x, int32_t y, double out[2]) const {
  MapToPlane(x, y, &out[0], &out[1]);
}

void TMdmMap::PlaneToMapBuf(double planeX, double planeY, TMapPoint* out) const {
  PlaneToMap(planeX, planeY, &out[0].x, &out[0].y);
}

void TMdmMap::SetOutputZone(uint8_t zoneNumber) {
  outputZone = zoneNumber;
  zoneStep = kZoneOwn;
  if (zoneNumber == zone) {
    for (int i = 0; i < 6; i++) outFrame[i] = HeaderFrame(i);
    rotSin = 0.0;
    rotCos = 1.0;
    return;
  }
  double x1 = HeaderFrame(0), y1 = HeaderFrame(1), x2 = HeaderFrame(3), y2 = HeaderFrame(4);
  // A zone that cannot take the frame keeps it where it is: shown unrotated, not lost.
  if (!GkReprojectToZone(x1, y1, zone, zoneNumber, outFrame[0], outFrame[1]) ||
      !GkReprojectToZone(x2, y2, zone, zoneNumber, outFrame[3], outFrame[4])) {
    for (int i = 0; i < 6; i++) outFrame[i] = HeaderFrame(i);
    rotSin = 0.0;
    rotCos = 1.0;
    return;
  }
  // The frame's diagonal turns by about the meridian convergence between the two zones: the
  // turn of the labels until a view transform gives the one at the view's centre. The drawing
  // itself converts each vertex until then.
  double angle =
      ArcTan2(outFrame[3] - outFrame[0], outFrame[4] - outFrame[1]) - ArcTan2(x2 - x1, y2 - y1);
  rotSin = std::sin(angle);
  rotCos = std::cos(angle);
  zoneStep = kZoneEachVertex;
  FitToView();
}

void TMdmMap::UpdateFrameBounds() {
  int32_t ax, ay, bx, by;
  PlaneToMap(HeaderFrame(0), HeaderFrame(1), &ax, &ay);
  PlaneToMap(HeaderFrame(3), HeaderFrame(4), &bx, &by);
  extXMax = ax > bx ? ax : bx;
  extXMin = ax > bx ? bx : ax;
  extYMax = ay > by ? ay : by;
  extYMin = ay > by ? by : ay;
  if (extXMin < 0) extXMin = 0;
  if (extYMin < 0) extYMin = 0;
}

void TMdmMap::ConvertFrame(double out[6]) const {
  if (outputZone == zone) {
    for (int i = 0; i < 6; i++) out[i] = outFrame[i];
    return;
  }
  double xs[2] = {HeaderFrame(0), HeaderFrame(3)}, ys[2] = {HeaderFrame(1), HeaderFrame(4)};
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int i = 0; i < 4; i++) {
    double cx = xs[i >> 1], cy = ys[i & 1];
    GkReprojectToZone(xs[i >> 1], ys[i & 1], zone, outputZone, cx, cy);
    if (i == 0 || cx < minX) minX = cx;
    if (i == 0 || cx > maxX) maxX = cx;
    if (i == 0 || cy < minY) minY = cy;
    if (i == 0 || cy > maxY) maxY = cy;
  }
  out[0] = minX;
  out[1] = minY;
  out[2] = 0;
  out[3] = maxX;
  out[4] = maxY;
  out[5] = 0;
}

void TMdmMap::SetViewTransform(const TMapViewDesc& view) {
  if (unit == 0.0f) return;
  viewLeft = view.left;
  viewTop = view.top;
  viewRight = view.right;
  viewBottom = view.bottom;
  pixelScale = view.pixelsPerMetre * UnitMetres();
  toScreenHook = view.toScreen;
  toPlaneHook = view.toPlane;
  int e = UnitExponent();
  viewOriginX = MetresToUnits(view.originX - outFrame[0], e);
  viewOriginY = MetresToUnits(view.originY - outFrame[1], e);
  viewPlaneX = view.originX;
  viewPlaneY = view.originY;
  viewPixelsPerMetre = view.pixelsPerMetre;
  FitToView();  // renewed with every move of the view
}

void TMdmMap::SetTransformHook(TPlaneToScreenHook toScreen, TScreenToPlaneHook toPlane) {
  toScreenHook = toScreen;
  toPlaneHook = toPlane;
  FitToView();  // the fit is held to half a pixel of this chain
}

void TMdmMap::SelectNominalScale(int32_t viewScale) {
  if (!scalePairs || scalePairCount == 0) return;
  if (viewScale > scalePairs[scalePairCount - 1].threshold) {
    nominalScale = HeaderScale();
    return;
  }
  if (viewScale <= scalePairs[0].threshold) {
    nominalScale = uint32_t(scalePairs[0].scale);
    return;
  }
  for (int i = 0; i + 1 < scalePairCount; i++) {
    if (scalePairs[i].threshold < viewScale && viewScale <= scalePairs[i + 1].threshold) {
      nominalScale = uint32_t(scalePairs[i + 1].scale);
      return;
    }
  }
}

bool TMdmMap::SetScalePairs(const TScalePair* pairs, uint8_t n) {
  TScalePair* copy = nullptr;
  if (n) {
    copy = static_cast<TScalePair*>(std::malloc(sizeof(TScalePair) * n));
    if (!copy) return false;
    for (int i = 0; i < n; i++) copy[i] = pairs[i];
  }
  std::free(scalePairs);
  scalePairs = copy;
  scalePairCount = n;
  return true;
}
