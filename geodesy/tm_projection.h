// Transverse Mercator on the current ellipsoid (Krueger's series to third order in the third
// flattening n), and the two dispatchers through which every geodetic <-> plane conversion of
// the program goes.
//
// Accuracy: within 3 deg of the central meridian the forward series agrees with a full-accuracy
// mapping to 0.5 mm; the inverse's third-order series for latitude leaves up to 0.8 mm (largest
// near 55 deg), so forward then inverse returns a point to within 1 mm.
//
// Plane coordinates are geodetic: x is the northing, y the easting, metres, scale 1 on the
// central meridian, no false easting or northing. Angles are radians.
#pragma once

#include <cstdint>

// Projection types understood by the dispatchers.
enum : uint8_t {
  kProjTransverseMercator = 0,
  kProjTransverseMercatorAlt = 1,  // same as 0
  kProjUtmScale = 2,               // 0 scaled by 0.9996, no false easting or northing
  kProjNone3 = 3,                  // computes nothing
  kProjLambertConic = 4,           // sets up the Lambert block only, computes nothing
};

// Forward mapping on the current ellipsoid. Returns false and leaves x, y untouched for
// non-finite input, a latitude beyond the pole, a point 90 deg or more from the meridian
// (cos(lon - lon0) <= 1e-9) or a non-finite result.
bool TmForward(double lat, double lon, double lon0, double& x, double& y);
// Inverse mapping; lon comes out as the difference plus lon0 brought into [0, 2pi), without a
// further wrap. Returns false, outputs untouched, for non-finite input, a northing beyond the pole
// or a non-finite result.
bool TmInverse(double x, double y, double lon0, double& lat, double& lon);

// Selects the ellipsoid row (clamped), then dispatches on type: 0 and 1 transverse Mercator,
// 2 the same times 0.9996, 4 only prepares the Lambert block. Types 3, 4 and 5..255 compute
// nothing: they return false with x, y untouched. lat1 and lat2 matter only for type 4.
bool ProjectForward(double lat, double lon, double lon0, double lat1, double lat2,
                    uint8_t ellipsoid, uint8_t type, double& x, double& y);
bool ProjectInverse(double x, double y, double lon0, double lat1, double lat2, uint8_t ellipsoid,
                    uint8_t type, double& lat, double& lon);
