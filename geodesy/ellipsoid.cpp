#include "geodesy/ellipsoid.h"

#include <cmath>

double g_TwoPi = 0;
double g_HalfPi = 0;
double g_QuarterPi = 0;
TEllipsoid g_CurrentEllipsoid;

namespace {

// Rows 0/1, 13/16 and 21/22 repeat each other on purpose: stored files and settings refer to the
// rows by index, so each keeps its own.
TEllipsoid g_Table[kEllipsoidCount] = {
    {6378245.0, 298.3},          // 0  Krassovsky 1940
    {6378245.0, 298.3},          // 1  Krassovsky 1940, the S-42 ellipsoid
    {6378388.0, 298.26},         // 2
    {6378200.0, 298.3},          // 3  Helmert 1906
    {6378270.0, 297.0},          // 4  Hough 1960
    {6378249.145, 293.465},      // 5  Clarke 1880
    {6378206.4, 294.9786982},    // 6  Clarke 1866
    {6377397.155, 299.1528128},  // 7  Bessel 1841
    {6377483.865, 299.1528128},  // 8  Bessel 1841 (Namibia)
    {6378137.0, 298.257223563},  // 9  WGS 84
    {6377563.396, 299.3249646},  // 10 Airy 1830
    {6377340.189, 299.3249646},  // 11 modified Airy
    {6377276.345, 300.8017},     // 12 Everest 1830
    {6377309.613, 300.8017},     // 13
    {6377301.243, 300.8017},     // 14
    {6377298.556, 300.8017},     // 15
    {6377309.613, 300.8017},     // 16 same values as row 13
    {6378137.0, 298.257222101},  // 17 GRS 80
    {6378160.0, 298.247},        // 18 Indonesian 1974
    {6378388.0, 297.0},          // 19 International 1924
    {6378155.0, 298.3},          // 20 modified Fischer 1960
    {6378160.0, 298.25},         // 21
    {6378160.0, 298.25},         // 22 same values as row 21
};

}  // namespace

int32_t ClampEllipsoidIndex(int32_t index) {
  return (index >= 0 && index < kEllipsoidCount) ? index : 0;
}

int32_t SelectEllipsoid(int32_t index) {
  index = ClampEllipsoidIndex(index);
  g_CurrentEllipsoid = g_Table[index];
  return index;
}

const TEllipsoid& EllipsoidRow(int32_t index) { return g_Table[ClampEllipsoidIndex(index)]; }

void InitEllipsoids() {
  // The order f, b, e2, e matters for bit-exact agreement with the reference values.
  for (TEllipsoid& row : g_Table) {
    row.f = 1.0 / row.InvF;
    row.b = row.a * (1.0 - row.f);
    row.e2 = 2.0 * row.f - row.f * row.f;
    row.e = std::sqrt(row.e2);
  }
  g_TwoPi = 6.283185307179586;
  g_HalfPi = 3.141592653589793 / 2.0;
  g_QuarterPi = 3.141592653589793 / 4.0;
  SelectEllipsoid(kEllipsoidKrassovsky);
}
