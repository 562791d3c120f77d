// Map units <-> plane metres <-> screen pixels.
//
// One map unit is exactly 10^(e-3) m. The products are formed with that power of ten in double
// (dividing by 10^(3-e) for e < 3, whose reciprocal has no exact binary form): a float product
// put centimetre points of a working map up to 0.7 m off at 55N. PlaneToMap adds 1e-3 units
// before truncating, so MapToPlane followed by PlaneToMap gives back the same units despite the
// rounding of the metre value.
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
  bool rotated = rotSin != 0.0;
  if (rotated) RotateScalePoint(&x, &y, rotSin, rotCos);
  if (toScreenHook) {
    double px, py;
    if (rotated) {
      // Rotated offsets count from the frame as it lies in the output zone.
      int e = UnitExponent();
      px = outFrame[0] + UnitsToMetres(x, e);
      py = outFrame[1] + UnitsToMetres(y, e);
    } else {
      MapToPlane(x, y, &px, &py);
    }
    toScreenHook(px, py, screenX, screenY);
    return;
  }
  *screenX = TruncI32((y - viewOriginY) * pixelScale);
  *screenY = viewBottom - TruncI32((x - viewOriginX) * pixelScale);
}

void TMdmMap::ScreenToMap(int32_t screenX, int32_t screenY, int32_t* x, int32_t* y) const {
  bool rotated = rotSin != 0.0;
  if (toPlaneHook) {
    double px, py;
    toPlaneHook(screenX, screenY, &px, &py);
    if (rotated && unit != 0.0f) {
      int e = UnitExponent();
      *x = TruncI32(MetresToUnits(px - outFrame[0], e));
      *y = TruncI32(MetresToUnits(py - outFrame[1], e));
    } else {
      PlaneToMap(px, py, x, y);
    }
  } else {
    if (pixelScale == 0.0) {
      *x = *y = 0;
      return;
    }
    *x = TruncI32((double(viewBottom) - screenY) / pixelScale + viewOriginX);  // no int32 wrap
    *y = TruncI32(screenX / pixelScale + viewOriginY);
  }
  if (rotated) RotateScalePoint(x, y, -rotSin, rotCos);
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
  // The frame's diagonal turns by the meridian convergence between the two zones.
  double angle = ArcTan2(outFrame[3] - outFrame[0], outFrame[4] - outFrame[1]) -
                 ArcTan2(x2 - x1, y2 - y1);
  rotSin = std::sin(angle);
  rotCos = std::cos(angle);
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
}

void TMdmMap::SetTransformHook(TPlaneToScreenHook toScreen, TScreenToPlaneHook toPlane) {
  toScreenHook = toScreen;
  toPlaneHook = toPlane;
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
