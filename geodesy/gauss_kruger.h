// Gauss-Kruger plane coordinates on the S-42 datum: transverse Mercator on the Krassovsky
// ellipsoid in 6-degree zones. Zone z (1..60) has the central meridian 6z - 3 deg and its
// eastings carry the zone in the millions plus a false easting of 500000 m:
// y = z * 1000000 + 500000 + (easting from the meridian). x is the northing. Metres, radians.
//
// Accuracy: GkReprojectToZone into the same zone returns the point to within 1 mm. GeoToGk then
// GkToGeo returns a WGS 84 point to within 2 mm over latitudes 30-80 N in zones 4-32 (1.78 mm at
// 30 N 18.05 E). Three causes add up: the third-order inverse series, the reverse datum shift
// that negates the seven parameters instead of inverting them, and the height dropped on the
// S-42 side between the two shifts.
//
// The zone of GeoToGk (L0 <= 0) is chosen from the S-42 longitude, so within 4-160 m of a zone
// edge it can differ from the zone of the WGS 84 longitude.
#pragma once

#include <cstdint>

// Central meridian in whole degrees (3, 9, ..., 357) of the 6-degree zone holding lon (rad).
// Western longitudes count from 0 to 360 deg east, so -70 deg gives 291 (zone 49). A non-finite
// longitude gives 0.
double GkCentralMeridian(double lon);
// The zone number in the millions of an easting; 0 when y is not finite or outside [0, 256e6).
uint8_t GkZoneOfEasting(double y);
// The zone of the WGS 84 longitude of a Gauss-Kruger point (its eastern neighbour's zone is
// possible near a zone edge, since the datum shift moves the longitude); 0 when the point cannot
// be converted.
uint8_t GkZoneOfPoint(double x, double y);
// The zone a plane point's coordinates are written in: the easting's zone prefix when it names a
// zone (1..60), else GkZoneOfPoint. Near a zone edge a point may lie in the overlap written in
// the neighbouring zone; only the prefix tells which.
uint8_t GkZoneOfPlane(double x, double y);

// WGS 84 (lat, lon) to Gauss-Kruger on S-42. L0 <= 0 (callers pass -1) takes the zone of the
// S-42 longitude; L0 > 0 is the central meridian in degrees. False, outputs untouched, for
// non-finite input, |lat| > 90 deg, a point 90 deg or more from the meridian or a non-finite
// result.
bool GeoToGk(double lat, double lon, double& x, double& y, double L0 = -1);
// Gauss-Kruger on S-42 to WGS 84, lon in [0, 2pi). L0 <= 0 takes the zone from the easting,
// which must then be 1..60. False, outputs untouched, when the point cannot be converted.
bool GkToGeo(double x, double y, double& lat, double& lon, double L0 = -1);
// As GeoToGk and GkToGeo without the datum shift: the geodetic side is S-42 as well.
// GkToGeoSameDatum always takes the zone from the easting and does not wrap the longitude.
bool GeoToGkSameDatum(double lat, double lon, double& x, double& y, double L0 = -1);
bool GkToGeoSameDatum(double x, double y, double& lat, double& lon);
// Moves a point from one zone's plane to another's (zones 1..60), on one datum.
bool GkReprojectToZone(double x, double y, uint8_t fromZone, uint8_t toZone, double& x2,
                       double& y2);
