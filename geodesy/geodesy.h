// The geodesy of the program: ellipsoids, transverse Mercator, the S-42 <-> WGS 84 datum shift,
// Gauss-Kruger zones, and the rubber-sheet transform of raster maps.
#pragma once

#include "geodesy/datum_shift.h"
#include "geodesy/ellipsoid.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/lambert_conic.h"
#include "geodesy/tin_transform.h"
#include "geodesy/tm_projection.h"

// Start-up, once, before any conversion: derives the ellipsoid table, clears the Lambert block and
// prepares it for the default parallels 1.11 and 1.22 rad about the meridian 0.5 rad. Leaves row
// 1 current; the map view selects row 9 (WGS 84) afterwards.
void InitGeodesy();
