// The seven-parameter (Helmert / Bursa-Wolf) shift between S-42 and WGS 84 through geocentric
// Cartesian coordinates.
//
// Accuracy: geodetic <-> geocentric is exact to well below 0.1 mm (the Newton iteration converges
// quadratically and stops once a step is under 1e-9 rad). The way back negates the seven
// parameters instead of inverting the transformation, so S-42 -> WGS 84 -> S-42 returns to within
// 1 mm, not exactly. The parameter set itself is one fixed set for the region; it differs from
// other published S-42 sets by up to a few metres.
#pragma once

#include <array>
#include <cstdint>

// dX, dY, dZ (m); rotations about X, Y, Z (rad, coordinate-frame sense); scale difference m.
// They take S-42 geocentric coordinates to WGS 84.
extern const std::array<double, 7> DatumShiftParameters;

// Selects the ellipsoid row; geodetic (rad, rad, m) to geocentric (m).
void GeodeticToGeocentric(double lat, double lon, double h, int32_t ellipsoid, double& X, double& Y,
                          double& Z);
// Applies the seven parameters (all negated when sign < 0): X' = s(X + wz Y - wy Z) + dX,
// Y' = s(-wz X + Y + wx Z) + dY, Z' = s(wy X - wx Y + Z) + dZ with s = 1 + m.
void HelmertShift(double X, double Y, double Z, const std::array<double, 7>& params, int sign,
                  double& X2, double& Y2, double& Z2);
// Selects the row; geocentric to geodetic by Newton iteration on the ellipse normal. Returns 0
// with zero outputs unless a^2/2 < X^2 + Y^2 + Z^2 < 1.5 a^2 (and all three are finite).
int GeocentricToGeodetic(double X, double Y, double Z, int32_t ellipsoid, double& lat, double& lon,
                         double& h);

// S-42 (row 1) to WGS 84 (row 9) and back; status of the last conversion. Each leaves the
// current ellipsoid at the target datum's row.
int S42ToWgs84(double lat, double lon, double h, double& lat2, double& lon2, double& h2);
int Wgs84ToS42(double lat, double lon, double h, double& lat2, double& lon2, double& h2);
