#include "geodesy/ellipsoid.h"

#include <bit>
#include <cstdint>
#include <numbers>

namespace {

// x - y*y for y near sqrt(x): y*y split exactly into a product and its rounding error (Dekker),
// x - product exact because the two lie within a factor of two of each other.
constexpr double SqrtResidual(double x, double y) {
  const double split = 134217729.0 * y;  // 2^27 + 1
  const double hi = split - (split - y);
  const double lo = y - hi;
  const double p = y * y;
  const double err = ((hi * hi - p) + 2 * hi * lo) + lo * lo;
  return (x - p) - err;
}

constexpr double Abs(double v) { return v < 0 ? -v : v; }

// The correctly rounded square root, as std::sqrt gives it, for constant initialisation
// (std::sqrt is not constexpr in C++20): Newton's iteration from above, then the neighbour of
// the last step whose square lies nearest x.
constexpr double ConstSqrt(double x) {
  if (!(x > 0)) return 0;
  double y = x < 1 ? 1 : x;
  for (;;) {
    const double next = 0.5 * (y + x / y);
    if (next >= y) break;
    y = next;
  }
  const double down = std::bit_cast<double>(std::bit_cast<uint64_t>(y) - 1);
  const double up = std::bit_cast<double>(std::bit_cast<uint64_t>(y) + 1);
  double best = y;
  if (Abs(SqrtResidual(x, down)) < Abs(SqrtResidual(x, best))) best = down;
  if (Abs(SqrtResidual(x, up)) < Abs(SqrtResidual(x, best))) best = up;
  return best;
}

// One row with its derived columns. The order f, b, e2, e matters for bit-exact agreement with
// the reference values.
constexpr TEllipsoid Derive(double a, double invF) {
  TEllipsoid row;
  row.a = a;
  row.InvF = invF;
  row.f = 1.0 / invF;
  row.b = a * (1.0 - row.f);
  row.e2 = 2.0 * row.f - row.f * row.f;
  row.e = ConstSqrt(row.e2);
  return row;
}

// Rows 0/1, 13/16 and 21/22 repeat each other on purpose: stored files and settings refer to the
// rows by index, so each keeps its own. Derived when the program is compiled, so no caller can
// see a row without its b, f, e2 and e, whatever runs first.
constexpr TEllipsoid kTable[kEllipsoidCount] = {
    Derive(6378245.0, 298.3),          // 0  Krassovsky 1940
    Derive(6378245.0, 298.3),          // 1  Krassovsky 1940, the S-42 ellipsoid
    Derive(6378388.0, 298.26),         // 2
    Derive(6378200.0, 298.3),          // 3  Helmert 1906
    Derive(6378270.0, 297.0),          // 4  Hough 1960
    Derive(6378249.145, 293.465),      // 5  Clarke 1880
    Derive(6378206.4, 294.9786982),    // 6  Clarke 1866
    Derive(6377397.155, 299.1528128),  // 7  Bessel 1841
    Derive(6377483.865, 299.1528128),  // 8  Bessel 1841 (Namibia)
    Derive(6378137.0, 298.257223563),  // 9  WGS 84
    Derive(6377563.396, 299.3249646),  // 10 Airy 1830
    Derive(6377340.189, 299.3249646),  // 11 modified Airy
    Derive(6377276.345, 300.8017),     // 12 Everest 1830
    Derive(6377309.613, 300.8017),     // 13
    Derive(6377301.243, 300.8017),     // 14
    Derive(6377298.556, 300.8017),     // 15
    Derive(6377309.613, 300.8017),     // 16 same values as row 13
    Derive(6378137.0, 298.257222101),  // 17 GRS 80
    Derive(6378160.0, 298.247),        // 18 Indonesian 1974
    Derive(6378388.0, 297.0),          // 19 International 1924
    Derive(6378155.0, 298.3),          // 20 modified Fischer 1960
    Derive(6378160.0, 298.25),         // 21
    Derive(6378160.0, 298.25),         // 22 same values as row 21
};

}  // namespace

// Constant-initialised (constinit): they hold their values before any constructor of the program
// runs.
constinit double g_TwoPi = 2 * std::numbers::pi;
constinit double g_HalfPi = std::numbers::pi / 2;
constinit double g_QuarterPi = std::numbers::pi / 4;
constinit TEllipsoid g_CurrentEllipsoid = kTable[kEllipsoidKrassovsky];

int32_t ClampEllipsoidIndex(int32_t index) {
  return (index >= 0 && index < kEllipsoidCount) ? index : 0;
}

int32_t SelectEllipsoid(int32_t index) {
  index = ClampEllipsoidIndex(index);
  g_CurrentEllipsoid = kTable[index];
  return index;
}

const TEllipsoid& EllipsoidRow(int32_t index) { return kTable[ClampEllipsoidIndex(index)]; }

void InitEllipsoids() { SelectEllipsoid(kEllipsoidKrassovsky); }
