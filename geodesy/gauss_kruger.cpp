#include "geodesy/gauss_kruger.h"

#include <cmath>
#include <cstdint>
#include <numbers>

#include "geodesy/datum_shift.h"
#include "geodesy/ellipsoid.h"
#include "geodesy/tm_projection.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;
constexpr double kDegToRad = std::numbers::pi / 180.0;

bool ValidZone(unsigned zone) { return zone >= 1 && zone <= 60; }

// The zone offset added to the meridian easting: for L0 = 6z - 3 this is z * 1000000 + 500000.
double ZoneOffset(double L0) { return (L0 / 6.0 + 1.0) * 1000000.0; }

bool ProjectGk(double lat, double lon, double L0, double& x, double& y) {
  double px = 0, py = 0;
  if (!ProjectForward(lat, lon, L0 * kDegToRad, 0, 0, kEllipsoidKrassovsky, kProjTransverseMercator,
                      px, py))
    return false;
  py += ZoneOffset(L0);
  if (!std::isfinite(py)) return false;
  x = px;
  y = py;
  return true;
}

bool UnprojectGk(double x, double y, double L0, double& lat, double& lon) {
  return ProjectInverse(x, y - ZoneOffset(L0), L0 * kDegToRad, 0, 0, kEllipsoidKrassovsky,
                        kProjTransverseMercator, lat, lon);
}

// Automatic meridian of an easting, 0 when its zone is not 1..60.
double MeridianOfEasting(double y) {
  const unsigned zone = GkZoneOfEasting(y);
  return ValidZone(zone) ? 6.0 * zone - 3.0 : 0.0;
}

}  // namespace

double GkCentralMeridian(double lon) {
  if (!std::isfinite(lon)) return 0;
  double d = std::fmod(lon * 180.0 / std::numbers::pi, 360.0);
  if (d < 0) d += 360.0;
  if (d >= 360.0)  // -tiny + 360 rounds to 360
    d = 0;
  const int deg = static_cast<int>(d);
  return (deg / 6) * 6 + 3;
}

uint8_t GkZoneOfEasting(double y) {
  if (!(y >= 0 && y < 256e6)) return 0;
  const int64_t iy = static_cast<int64_t>(y);
  return static_cast<uint8_t>(
      static_cast<unsigned>((y - static_cast<double>(iy % 1000000)) / 1000000.0));
}

uint8_t GkZoneOfPoint(double x, double y) {
  double lat, lon;
  if (!GkToGeo(x, y, lat, lon, -1)) return 0;
  return static_cast<uint8_t>((static_cast<int>(GkCentralMeridian(lon)) + 3) / 6);
}

uint8_t GkZoneOfPlane(double x, double y) {
  const uint8_t z = GkZoneOfEasting(y);
  return z >= 1 && z <= 60 ? z : GkZoneOfPoint(x, y);
}

bool GeoToGk(double lat, double lon, double& x, double& y, double L0) {
  if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(L0) || std::fabs(lat) > std::numbers::pi / 2)
    return false;
  double slat, slon, sh;
  if (!Wgs84ToS42(lat, lon, 0, slat, slon, sh)) return false;
  if (!(L0 > 0)) L0 = GkCentralMeridian(slon);
  return ProjectGk(slat, slon, L0, x, y);
}

bool GkToGeo(double x, double y, double& lat, double& lon, double L0) {
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(L0)) return false;
  if (!(L0 > 0)) {
    L0 = MeridianOfEasting(y);
    if (L0 == 0) return false;
  }
  double slat, slon, wlat, wlon, wh;
  if (!UnprojectGk(x, y, L0, slat, slon)) return false;
  if (!S42ToWgs84(slat, slon, 0, wlat, wlon, wh)) return false;
  if (wlon < 0) wlon += kTwoPi;
  lat = wlat;
  lon = wlon;
  return true;
}

bool GeoToGkSameDatum(double lat, double lon, double& x, double& y, double L0) {
  if (!std::isfinite(lat) || !std::isfinite(lon) || !std::isfinite(L0) || std::fabs(lat) > std::numbers::pi / 2)
    return false;
  if (!(L0 > 0)) L0 = GkCentralMeridian(lon);
  return ProjectGk(lat, lon, L0, x, y);
}

bool GkToGeoSameDatum(double x, double y, double& lat, double& lon) {
  const double L0 = MeridianOfEasting(y);
  if (L0 == 0) return false;
  return UnprojectGk(x, y, L0, lat, lon);
}

bool GkReprojectToZone(double x, double y, uint8_t fromZone, uint8_t toZone, double& x2,
                       double& y2) {
  if (!ValidZone(fromZone) || !ValidZone(toZone)) return false;
  double lat, lon;
  if (!UnprojectGk(x, y, 6.0 * fromZone - 3.0, lat, lon)) return false;
  return ProjectGk(lat, lon, 6.0 * toZone - 3.0, x2, y2);
}
