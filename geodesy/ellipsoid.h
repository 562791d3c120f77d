// Reference ellipsoids: the fixed table of 23 rows and the one program-wide current ellipsoid
// that every projection and geocentric conversion reads.
#pragma once

#include <cstdint>

// One row of the ellipsoid table: a and InvF as given, the four derived columns computed from
// them when the program is compiled. Field order is part of the record (a, InvF, b, f, e2, e).
struct TEllipsoid {
  double a = 0;     // semi-major axis, metres
  double InvF = 0;  // inverse flattening 1/f
  double b = 0;     // semi-minor axis, metres: a(1 - f)
  double f = 0;     // flattening: 1 / InvF
  double e2 = 0;    // first eccentricity squared: 2f - f^2
  double e = 0;     // first eccentricity: sqrt(e2)
};

inline constexpr int kEllipsoidCount = 23;
inline constexpr int kEllipsoidKrassovsky = 1;  // the S-42 datum's ellipsoid
inline constexpr int kEllipsoidWgs84 = 9;

// Angle constants, constant-initialised, kept as globals because the rest of the geodesy reads
// them as such.
extern double g_TwoPi;  // 6.283185307179586
extern double g_HalfPi;
extern double g_QuarterPi;

// The current ellipsoid: a global copy of one table row, row 1 (Krassovsky) until something
// selects another. ProjectForward, ProjectInverse and the geocentric conversions copy their row
// into it first; TmForward, TmInverse and the Lambert set-up read it as they find it. Unguarded:
// user-interface thread only.
extern TEllipsoid g_CurrentEllipsoid;

// Returns index when it lies in 0..22, else 0.
int32_t ClampEllipsoidIndex(int32_t index);
// Clamps index, copies that row into the current ellipsoid and returns the clamped index.
int32_t SelectEllipsoid(int32_t index);
// Makes row 1 current again. The table and the angle constants need no start-up call.
void InitEllipsoids();
// Read access to one row (clamped index), for callers and tests that need the table itself.
const TEllipsoid& EllipsoidRow(int32_t index);
