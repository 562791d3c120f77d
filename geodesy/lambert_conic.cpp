#include "geodesy/lambert_conic.h"

#include <cmath>
#include <numbers>
#include <utility>

#include "geodesy/ellipsoid.h"

TLambertParameters g_LambertParameters;

namespace {
constexpr double kHalfPi = std::numbers::pi / 2.0;
constexpr double kQuarterPi = std::numbers::pi / 4.0;
constexpr double kOneDegree = 0.017453292519943295;
}  // namespace

double ClampLatitude(double phi) {
  phi = std::fabs(phi);
  return phi > kHalfPi ? kHalfPi : phi;
}

void OrderStandardParallels(double& lat1, double& lat2) {
  double p1 = ClampLatitude(lat1);
  double p2 = ClampLatitude(lat2);
  if (p2 < p1) std::swap(p1, p2);
  if (p2 < p1 + kOneDegree) p2 = p1 + kOneDegree;
  // Checked whether or not the 1-degree spread moved it: a parallel at the pole makes
  // m = 0 and T infinite.
  if (p2 >= kHalfPi) {
    p2 = kHalfPi - kOneDegree;
    p1 = p2 - 6.0 * kOneDegree;
  }
  lat1 = p1;
  lat2 = p2;
}

void LambertParallelTerms(double phi, double& m, double& T) {
  const TEllipsoid& el = g_CurrentEllipsoid;
  const double s = std::sin(phi);
  m = el.a * std::cos(phi) / std::sqrt(1.0 - el.e2 * s * s);
  const double inner = std::tan(kQuarterPi + std::asin(el.e * s) / 2.0);
  T = std::tan(kQuarterPi + phi / 2.0) * std::exp(el.e * std::log(1.0 / inner));
}

void SetupLambertConic(double lat1, double lat2, double lon0) {
  TLambertParameters& p = g_LambertParameters;
  if (!std::isfinite(lat1) || !std::isfinite(lat2) || !std::isfinite(lon0)) return;
  if (lat1 == p.lat1 && lat2 == p.lat2 && lon0 == p.lon0) return;
  p.lat1 = lat1;
  p.lat2 = lat2;
  p.lon0 = lon0;

  double phi1 = lat1, phi2 = lat2;
  OrderStandardParallels(phi1, phi2);
  double m1, T1, m2, T2;
  LambertParallelTerms(phi1, m1, T1);
  LambertParallelTerms(phi2, m2, T2);

  p.n = (std::log(m1) - std::log(m2)) / (std::log(T2) - std::log(T1));
  double m0, T0;
  LambertParallelTerms(std::asin(p.n), m0, T0);
  p.S = std::sqrt(m1 * m0 * std::pow(T1 * T0, p.n)) / p.n;
  p.K = p.S / std::pow(T1, p.n);

  const double e2 = g_CurrentEllipsoid.e2;
  const double e4 = e2 * e2, e6 = e4 * e2, e8 = e6 * e2;
  p.c1 = e2 / 2.0 + 5.0 * e4 / 24.0 + e6 / 12.0 + 13.0 * e8 / 360.0;
  p.c2 = 7.0 * e4 / 48.0 + 29.0 * e6 / 240.0 + 811.0 * e8 / 11520.0;
  p.c3 = 7.0 * e6 / 120.0 + 81.0 * e8 / 1120.0;
  p.c4 = 4279.0 * e8 / 161280.0;
}
