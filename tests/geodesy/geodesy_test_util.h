// Helpers shared by the geodesy tests.
#pragma once

#include <cmath>

#include "geodesy/geodesy.h"

inline constexpr double kDeg = 3.141592653589793 / 180.0;

// Ground distance (m) between two geodetic points close together, on a 6371 km sphere: good
// enough to compare angles at the millimetre level.
inline double GroundDistance(double lat1, double lon1, double lat2, double lon2)
{
    double dlon = std::remainder(lon2 - lon1, 2 * 3.141592653589793);
    const double north = (lat2 - lat1) * 6371000.0;
    const double east = dlon * std::cos((lat1 + lat2) / 2) * 6371000.0;
    return std::hypot(north, east);
}

// Start-up state: tables derived and WGS 84 current, as the map view leaves them.
inline void StartGeodesy()
{
    InitGeodesy();
    SelectEllipsoid(kEllipsoidWgs84);
}
