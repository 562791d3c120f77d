#include "geodesy/tm_projection.h"

#include <cmath>
#include <numbers>

#include "geodesy/ellipsoid.h"
#include "geodesy/lambert_conic.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kUtmScale = 0.9996;

// Brings an angle into [0, 2pi). For |v| < 3pi this is the single step of +-2pi the projection has
// always used (so results stay bit-identical); huge angles are first reduced with fmod, which is
// exact. Angles at or below -pi go up by 2pi rather than being mirrored.
double NormaliseLongitude(double v) {
  if (std::fabs(v) >= 3.0 * std::numbers::pi) v = std::fmod(v, kTwoPi);
  if (v >= std::numbers::pi)
    v -= kTwoPi;
  else if (v <= -std::numbers::pi)
    v += kTwoPi;
  if (v < 0) v += kTwoPi;
  return v;
}

// Third flattening n and the rectifying radius A of the current ellipsoid.
struct SeriesBase {
  double n;
  double A;
};

SeriesBase CurrentSeriesBase() {
  const TEllipsoid& el = g_CurrentEllipsoid;
  const double n = el.f / (2.0 - el.f);
  const double n2 = n * n;
  return {n, el.a * (1.0 + n2 / 4.0 + n2 * n2 / 64.0) / (1.0 + n)};
}

}  // namespace

bool TmForward(double lat, double lon, double lon0, double& x, double& y) {
  if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(lon0)) return false;
  const bool south = lat < 0;
  const double phi = std::fabs(lat);
  if (phi > std::numbers::pi / 2 + 1e-12) return false;

  const double dl = NormaliseLongitude(lon) - NormaliseLongitude(lon0);
  const double cdl = std::cos(dl);
  // At 90 deg from the meridian the series divides by cos(dl) and takes log 0; beyond it the
  // point is on the far side of the cylinder.
  if (cdl <= 1e-9) return false;
  const double sdl = std::sin(dl);

  const auto [n, A] = CurrentSeriesBase();
  const double n2 = n * n;
  const double n3 = n2 * n;

  // Conformal latitude.
  const double chi = phi - 2.0 * (n - n2 / 3.0 - 2.0 * n3 / 3.0) * std::sin(2.0 * phi) +
                     (5.0 * n2 / 3.0 - 16.0 * n3 / 15.0) * std::sin(4.0 * phi) -
                     (26.0 * n3 / 15.0) * std::sin(6.0 * phi);
  const double sinChi = std::sin(chi);
  const double cosChi = std::cos(chi);

  const double tanXi = sinChi / cosChi / cdl;
  const double xi = std::atan(tanXi);
  const double tau = cosChi * sdl;
  const double eta = 0.5 * std::log((1.0 + tau) / (1.0 - tau));

  // Double angles from the tangent and tau alone; the 4th and 6th multiples by identities, so
  // the whole series costs no further trigonometric calls.
  const double t2 = tanXi * tanXi;
  const double s2 = 2.0 * tanXi / (1.0 + t2);
  const double c2 = (1.0 - t2) / (1.0 + t2);
  const double tau2 = tau * tau;
  const double sh2 = 2.0 * tau / (1.0 - tau2);
  const double ch2 = (1.0 + tau2) / (1.0 - tau2);
  const double s4 = 2.0 * s2 * c2;
  const double c4 = 1.0 - 2.0 * s2 * s2;
  const double sh4 = 2.0 * sh2 * ch2;
  const double ch4 = 1.0 + 2.0 * sh2 * sh2;
  const double s6 = s2 * c4 + s4 * c2;
  const double c6 = c2 * c4 - s2 * s4;
  const double sh6 = sh2 * ch4 + ch2 * sh4;
  const double ch6 = ch2 * ch4 + sh2 * sh4;

  const double a1 = n / 2.0 - 2.0 * n2 / 3.0 + 5.0 * n3 / 16.0;
  const double a2 = 13.0 * n2 / 48.0 - 3.0 * n3 / 5.0;
  const double a3 = 61.0 * n3 / 240.0;

  double nx = A * (xi + a1 * s2 * ch2 + a2 * s4 * ch4 + a3 * s6 * ch6);
  const double ny = A * (eta + a1 * c2 * sh2 + a2 * c4 * sh4 + a3 * c6 * sh6);
  if (south) nx = -nx;
  if (!std::isfinite(nx) || !std::isfinite(ny)) return false;
  x = nx;
  y = ny;
  return true;
}

bool TmInverse(double x, double y, double lon0, double& lat, double& lon) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(lon0)) return false;
  const bool south = x < 0;
  lon0 = NormaliseLongitude(lon0);

  const auto [n, A] = CurrentSeriesBase();
  const double n2 = n * n;
  const double n3 = n2 * n;

  const double xi = std::fabs(x) / A;
  // A northing past the pole (a quarter meridian, about 10,002 km) is no point at all.
  if (!(xi <= std::numbers::pi / 2)) return false;
  const double eta = y / A;

  const double s2 = std::sin(2.0 * xi);
  const double c2 = std::cos(2.0 * xi);
  const double sh2 = (std::exp(2.0 * eta) - std::exp(-2.0 * eta)) / 2.0;
  const double ch2 = std::sqrt(1.0 + sh2 * sh2);
  const double s4 = 2.0 * s2 * c2;
  const double c4 = 1.0 - 2.0 * s2 * s2;
  const double sh4 = 2.0 * sh2 * ch2;
  const double ch4 = 1.0 + 2.0 * sh2 * sh2;
  const double s6 = s2 * c4 + s4 * c2;
  const double c6 = c2 * c4 - s2 * s4;
  const double sh6 = sh2 * ch4 + ch2 * sh4;
  const double ch6 = ch2 * ch4 + sh2 * sh4;

  const double b1 = n / 2.0 - 2.0 * n2 / 3.0 + 37.0 * n3 / 96.0;
  const double b2 = n2 / 48.0 + n3 / 15.0;
  const double b3 = 17.0 * n3 / 480.0;

  const double xiP = xi - b1 * s2 * ch2 - b2 * s4 * ch4 - b3 * s6 * ch6;
  const double etaP = eta - b1 * c2 * sh2 - b2 * c4 * sh4 - b3 * c6 * sh6;

  const double shP = (std::exp(etaP) - std::exp(-etaP)) / 2.0;
  const double chP = std::sqrt(1.0 + shP * shP);

  const double chi = std::asin(std::sin(xiP) / chP);
  const double dl = std::atan(shP / std::cos(xiP));

  const double d1 = 2.0 * n - 2.0 * n2 / 3.0 - 2.0 * n3;
  const double d2 = 7.0 * n2 / 3.0 - 8.0 * n3 / 5.0;
  const double d3 = 56.0 * n3 / 15.0;
  double nlat =
      chi + d1 * std::sin(2.0 * chi) + d2 * std::sin(4.0 * chi) + d3 * std::sin(6.0 * chi);
  if (south) nlat = -nlat;
  const double nlon = dl + lon0;
  if (!std::isfinite(nlat) || !std::isfinite(nlon)) return false;
  lat = nlat;
  lon = nlon;
  return true;
}

bool ProjectForward(double lat, double lon, double lon0, double lat1, double lat2,
                    uint8_t ellipsoid, uint8_t type, double& x, double& y) {
  SelectEllipsoid(ellipsoid);
  switch (type) {
    case kProjTransverseMercator:
    case kProjTransverseMercatorAlt: return TmForward(lat, lon, lon0, x, y);
    case kProjUtmScale: {
      double tx, ty;
      if (!TmForward(lat, lon, lon0, tx, ty)) return false;
      x = tx * kUtmScale;
      y = ty * kUtmScale;
      return true;
    }
    case kProjLambertConic:
      // Only the conic's constants are prepared; its mappings do not exist, so nothing is
      // computed and the caller's values stay.
      SetupLambertConic(lat1, lat2, lon0);
      return false;
    default: return false;
  }
}

bool ProjectInverse(double x, double y, double lon0, double lat1, double lat2, uint8_t ellipsoid,
                    uint8_t type, double& lat, double& lon) {
  SelectEllipsoid(ellipsoid);
  switch (type) {
    case kProjTransverseMercator:
    case kProjTransverseMercatorAlt: return TmInverse(x, y, lon0, lat, lon);
    case kProjUtmScale: return TmInverse(x / kUtmScale, y / kUtmScale, lon0, lat, lon);
    case kProjLambertConic: SetupLambertConic(lat1, lat2, lon0); return false;
    default: return false;
  }
}
