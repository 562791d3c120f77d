#include "geodesy/datum_shift.h"

#include <cmath>
#include <numbers>

#include "geodesy/ellipsoid.h"

// Rotations are the arc seconds -0.22, -0.40, -0.90 in radians, in the coordinate-frame sense;
// scale -0.12 ppm.
const std::array<double, 7> DatumShiftParameters = {
    26.3, -132.6, -76.3, -1.06659e-06, -1.93925e-06, -4.36332e-06, -1.2e-07,
};

namespace {
}

void GeodeticToGeocentric(double lat, double lon, double h, int32_t ellipsoid, double& X, double& Y,
                          double& Z) {
  SelectEllipsoid(ellipsoid);
  const TEllipsoid& el = g_CurrentEllipsoid;
  const double sinLat = std::sin(lat);
  const double cosLat = std::cos(lat);
  const double N = el.a / std::sqrt(1.0 - el.e2 * sinLat * sinLat);
  X = (N + h) * cosLat * std::cos(lon);
  Y = (N + h) * cosLat * std::sin(lon);
  Z = (N * (1.0 - el.e2) + h) * sinLat;
}

void HelmertShift(double X, double Y, double Z, const std::array<double, 7>& params, int sign,
                  double& X2, double& Y2, double& Z2) {
  // The way back negates all seven rather than inverting the matrix: the difference is of the
  // second order in the small parameters, below 1 mm on the Earth's surface.
  std::array<double, 7> p = params;
  if (sign < 0)
    for (double& v : p) v = -v;
  const double dX = p[0], dY = p[1], dZ = p[2], wx = p[3], wy = p[4], wz = p[5];
  const double s = 1.0 + p[6];
  X2 = s * (X + wz * Y - wy * Z) + dX;
  Y2 = s * (-wz * X + Y + wx * Z) + dY;
  Z2 = s * (wy * X - wx * Y + Z) + dZ;
}

int GeocentricToGeodetic(double X, double Y, double Z, int32_t ellipsoid, double& lat, double& lon,
                         double& h) {
  SelectEllipsoid(ellipsoid);
  lat = lon = h = 0;
  const TEllipsoid& el = g_CurrentEllipsoid;
  const double a = el.a, b = el.b;

  const double p2 = X * X + Y * Y;
  const double p = p2 > 1e-6 ? std::sqrt(p2) : 0.0;
  const double r2 = p2 + Z * Z;
  // Only points near the surface: the iteration's start and convergence rely on it. The
  // negated form also refuses NaN.
  if (!(a * a / 2.0 < r2 && r2 < 1.5 * a * a)) return 0;

  const bool negX = X < 0, negY = Y < 0, negZ = Z < 0;
  const double ax = std::fabs(X), ay = std::fabs(Y), az = std::fabs(Z);

  double L = ax < 1e-6 ? 0.0 : std::atan(ay / ax);
  if (negX) L = std::numbers::pi - L;
  if (negY) L = -L;

  const double S = std::sqrt(a * a * (p2 / (a * a) + az * az / (b * b)) - el.e2 * p2);
  // Sine form up to about 45 deg, cosine form above, each where it is well conditioned.
  double phi = (b * p > 0.7 * a * S) ? std::asin(a * az / (b * S)) : std::acos(b * p / (a * S));

  double height = 0;
  const double a2 = a * a, b2 = b * b;
  for (int i = 0; i < 16; ++i) {
    const double c = std::cos(phi), s = std::sin(phi);
    const double W = std::sqrt(a2 * c * c + b2 * s * s);
    const double pe = a2 * c / W;
    const double ze = b2 * s / W;
    const double M = a2 * b2 / (W * W * W);
    const double dp = p - pe;
    const double dz = az - ze;
    height = dp * c + dz * s;
    const double dphi = std::atan((dz * c - dp * s) / (M + height));
    phi += dphi;
    if (std::fabs(dphi) < 1e-9) break;
  }
  if (negZ) phi = -phi;
  lat = phi;
  lon = L;
  h = height;
  return 1;
}

int S42ToWgs84(double lat, double lon, double h, double& lat2, double& lon2, double& h2) {
  double X, Y, Z, X2, Y2, Z2;
  GeodeticToGeocentric(lat, lon, h, kEllipsoidKrassovsky, X, Y, Z);
  HelmertShift(X, Y, Z, DatumShiftParameters, +1, X2, Y2, Z2);
  return GeocentricToGeodetic(X2, Y2, Z2, kEllipsoidWgs84, lat2, lon2, h2);
}

int Wgs84ToS42(double lat, double lon, double h, double& lat2, double& lon2, double& h2) {
  double X, Y, Z, X2, Y2, Z2;
  GeodeticToGeocentric(lat, lon, h, kEllipsoidWgs84, X, Y, Z);
  HelmertShift(X, Y, Z, DatumShiftParameters, -1, X2, Y2, Z2);
  return GeocentricToGeodetic(X2, Y2, Z2, kEllipsoidKrassovsky, lat2, lon2, h2);
}
