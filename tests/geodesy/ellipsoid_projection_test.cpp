// Ellipsoid table, Lambert set-up, transverse Mercator and the projection dispatchers.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/geodesy/geodesy_test_util.h"
#include "tests/support/fresh_process.h"

// Nothing is called first: the table, the current ellipsoid and the angle constants hold their
// values before any start-up call, and the start-up call changes none of them.
TEST(EllipsoidTable, DerivedColumnsAreThereBeforeAnyCallAndMatchReferences)
{
    if (fresh_process::RanInChild()) return;  // other cases change the current ellipsoid
    EXPECT_EQ(EllipsoidRow(9).b, 6356752.314245179);
    EXPECT_EQ(EllipsoidRow(9).e2, 0.0066943799901413165);
    EXPECT_NEAR(EllipsoidRow(1).b, 6356863.018773, 1e-6);
    EXPECT_EQ(EllipsoidRow(1).e2, 0.0066934216229659433);
    const double f = EllipsoidRow(1).f;
    EXPECT_NEAR(f / (2 - f), 0.00167897918065816, 1e-17);
    // Every derived column as the run-time formulas give it, bit for bit.
    for (int i = 0; i < kEllipsoidCount; ++i) {
        const TEllipsoid& row = EllipsoidRow(i);
        const double rf = 1.0 / row.InvF;
        const double re2 = 2.0 * rf - rf * rf;
        EXPECT_EQ(row.f, rf) << i;
        EXPECT_EQ(row.b, row.a * (1.0 - rf)) << i;
        EXPECT_EQ(row.e2, re2) << i;
        EXPECT_EQ(row.e, std::sqrt(re2)) << i;
    }
    // Row 1 is current from the start, and the angle constants are set.
    const TEllipsoid before = g_CurrentEllipsoid;
    EXPECT_EQ(before.a, 6378245.0);
    EXPECT_EQ(before.InvF, 298.3);
    EXPECT_EQ(before.e, EllipsoidRow(1).e);
    EXPECT_EQ(before.b, EllipsoidRow(1).b);
    EXPECT_EQ(g_TwoPi, 6.283185307179586);
    EXPECT_DOUBLE_EQ(g_HalfPi * 2, 3.141592653589793);
    EXPECT_DOUBLE_EQ(g_QuarterPi * 4, 3.141592653589793);

    InitEllipsoids();
    EXPECT_EQ(g_CurrentEllipsoid.e2, before.e2);
    EXPECT_EQ(g_CurrentEllipsoid.f, before.f);
    EXPECT_EQ(g_TwoPi, 6.283185307179586);
}

TEST(EllipsoidTable, OutOfRangeIndexesSelectRowZero)
{
    InitEllipsoids();
    for (int index : {-1, 23, 255, 1 << 30}) {
        EXPECT_EQ(ClampEllipsoidIndex(index), 0) << index;
        SelectEllipsoid(9);
        EXPECT_EQ(SelectEllipsoid(index), 0);
        EXPECT_EQ(g_CurrentEllipsoid.a, 6378245.0);
    }
    EXPECT_EQ(SelectEllipsoid(22), 22);
    EXPECT_EQ(g_CurrentEllipsoid.a, 6378160.0);
    EXPECT_EQ(g_CurrentEllipsoid.InvF, 298.25);
    // Repeated rows keep their own index but carry the same values.
    EXPECT_EQ(EllipsoidRow(13).a, EllipsoidRow(16).a);
    EXPECT_EQ(EllipsoidRow(0).e2, EllipsoidRow(1).e2);
}

TEST(LambertSetup, OrdersAndLimitsTheParallels)
{
    double p1 = 85 * kDeg, p2 = 80 * kDeg;
    OrderStandardParallels(p1, p2);
    EXPECT_DOUBLE_EQ(p1, 80 * kDeg);
    EXPECT_DOUBLE_EQ(p2, 85 * kDeg);

    p1 = 89.5 * kDeg, p2 = 89.7 * kDeg;
    OrderStandardParallels(p1, p2);
    EXPECT_NEAR(p1, 83 * kDeg, 1e-15);
    EXPECT_NEAR(p2, 89 * kDeg, 1e-15);

    // Southern parallels count by their magnitude; a spread under a degree is widened.
    p1 = -40 * kDeg, p2 = 40.5 * kDeg;
    OrderStandardParallels(p1, p2);
    EXPECT_DOUBLE_EQ(p1, 40 * kDeg);
    EXPECT_NEAR(p2, 41 * kDeg, 1e-15);
}

TEST(LambertSetup, RepeatedArgumentsComputeOnceAndInitUsesTheDefaults)
{
    InitGeodesy();
    const TLambertParameters afterInit = g_LambertParameters;
    EXPECT_EQ(afterInit.lat1, 1.11);
    EXPECT_EQ(afterInit.lat2, 1.22);
    EXPECT_EQ(afterInit.lon0, 0.5);
    EXPECT_GT(afterInit.n, std::sin(1.11));
    EXPECT_LT(afterInit.n, std::sin(1.22));
    EXPECT_GT(afterInit.c1, 0.0);

    // With another ellipsoid current, the same arguments still return at once: the block is
    // left exactly as it was.
    SelectEllipsoid(7);
    SetupLambertConic(1.11, 1.22, 0.5);
    EXPECT_EQ(g_LambertParameters.S, afterInit.S);
    EXPECT_EQ(g_LambertParameters.c1, afterInit.c1);
    // New arguments recompute on the current ellipsoid.
    SetupLambertConic(1.11, 1.22, 0.6);
    EXPECT_NE(g_LambertParameters.S, afterInit.S);
    EXPECT_NE(g_LambertParameters.c1, afterInit.c1);
    // Non-finite arguments change nothing.
    const TLambertParameters before = g_LambertParameters;
    SetupLambertConic(NAN, 1.0, 0.5);
    EXPECT_EQ(g_LambertParameters.S, before.S);
}

// PROJ 9.1.1 references on the Krassovsky ellipsoid about 39E, and one UTM-scaled case on WGS 84.
TEST(TransverseMercator, MatchesIndependentReferences)
{
    StartGeodesy();
    struct Case { double lat, lon, lon0; uint8_t row, type; double x, y; };
    const Case cases[] = {
        {55, 42, 39, 1, 0, 6101455.3113, 191955.6014},
        {-30, 40, 39, 1, 0, -3320593.4524, 96490.3703},
        {0, 41, 39, 1, 0, 0.0, 222688.2841},
        {52, 5, 3, 9, 2, 5762926.8129, 137294.3659},
    };
    for (const Case& c : cases) {
        double x = 0, y = 0;
        ASSERT_TRUE(ProjectForward(c.lat * kDeg, c.lon * kDeg, c.lon0 * kDeg, 0, 0, c.row, c.type, x, y));
        EXPECT_NEAR(x, c.x, 1e-3) << c.lat << " " << c.lon;
        EXPECT_NEAR(y, c.y, 1e-3) << c.lat << " " << c.lon;
        double lat = 0, lon = 0;
        ASSERT_TRUE(ProjectInverse(x, y, c.lon0 * kDeg, 0, 0, c.row, c.type, lat, lon));
        // The inverse's third-order series leaves up to 0.8 mm in latitude.
        EXPECT_LT(GroundDistance(lat, lon, c.lat * kDeg, c.lon * kDeg), 1e-3);
    }
}

TEST(TransverseMercator, SymmetryAndLongitudeNormalisation)
{
    InitEllipsoids();
    double xn, yn, xs, ys;
    ASSERT_TRUE(TmForward(48 * kDeg, 41 * kDeg, 39 * kDeg, xn, yn));
    ASSERT_TRUE(TmForward(-48 * kDeg, 41 * kDeg, 39 * kDeg, xs, ys));
    EXPECT_EQ(xs, -xn);
    EXPECT_EQ(ys, yn);
    double lat, lon;
    ASSERT_TRUE(TmInverse(xs, ys, 39 * kDeg, lat, lon));
    EXPECT_NEAR(lat, -48 * kDeg, 2e-10);  // the series' own round-trip error, ~1 mm

    // -1 deg against the meridian 3 deg is 359 against 3: the same as -4 deg from the meridian.
    double xw, yw, xr, yr;
    ASSERT_TRUE(TmForward(50 * kDeg, -1 * kDeg, 3 * kDeg, xw, yw));
    ASSERT_TRUE(TmForward(50 * kDeg, 0, 4 * kDeg, xr, yr));
    EXPECT_NEAR(xw, xr, 1e-6);
    EXPECT_NEAR(yw, yr, 1e-6);
    EXPECT_LT(yw, 0);

    // A meridian above 180 deg stays where it is: the inverse gives 189 + the offset back.
    ASSERT_TRUE(TmForward(50 * kDeg, 190 * kDeg, 189 * kDeg, xw, yw));
    ASSERT_TRUE(TmInverse(xw, yw, 189 * kDeg, lat, lon));
    EXPECT_NEAR(lon, 190 * kDeg, 1e-11);

    // Longitudes below -180 deg are the same meridians as +360, not mirror images.
    ASSERT_TRUE(TmForward(50 * kDeg, -190 * kDeg, 171 * kDeg, xw, yw));
    ASSERT_TRUE(TmForward(50 * kDeg, 170 * kDeg, 171 * kDeg, xr, yr));
    EXPECT_NEAR(xw, xr, 1e-6);
    EXPECT_NEAR(yw, yr, 1e-6);
    // Huge angles reduce exactly.
    ASSERT_TRUE(TmForward(50 * kDeg, 40 * kDeg + 1000 * g_TwoPi, 39 * kDeg, xw, yw));
    ASSERT_TRUE(TmForward(50 * kDeg, 40 * kDeg, 39 * kDeg, xr, yr));
    EXPECT_NEAR(xw, xr, 1e-3);
    EXPECT_NEAR(yw, yr, 1e-3);
}

TEST(TransverseMercator, RefusesPointsItCannotMapAndLeavesOutputs)
{
    InitEllipsoids();
    double x = 123, y = 456;
    EXPECT_FALSE(TmForward(10 * kDeg, 129 * kDeg, 39 * kDeg, x, y));   // 90 deg off
    EXPECT_FALSE(TmForward(10 * kDeg, 250 * kDeg, 39 * kDeg, x, y));   // far side
    EXPECT_FALSE(TmForward(NAN, 40 * kDeg, 39 * kDeg, x, y));
    EXPECT_FALSE(TmForward(50 * kDeg, INFINITY, 39 * kDeg, x, y));
    EXPECT_FALSE(TmForward(50 * kDeg, 40 * kDeg, -INFINITY, x, y));
    EXPECT_FALSE(TmForward(100 * kDeg, 40 * kDeg, 39 * kDeg, x, y));
    EXPECT_EQ(x, 123);
    EXPECT_EQ(y, 456);
    double lat = 1, lon = 2;
    EXPECT_FALSE(TmInverse(NAN, 0, 0.5, lat, lon));
    EXPECT_FALSE(TmInverse(2e7, 0, 0.5, lat, lon));     // past the pole
    EXPECT_FALSE(TmInverse(5e6, 1e12, 0.5, lat, lon));  // overflows
    EXPECT_EQ(lat, 1);
    EXPECT_EQ(lon, 2);
    // The pole itself is a point.
    ASSERT_TRUE(TmForward(90 * kDeg, 40 * kDeg, 39 * kDeg, x, y));
    EXPECT_NEAR(y, 0, 1e-6);
}

TEST(ProjectDispatch, TypesAndTheirSideEffects)
{
    InitGeodesy();
    double x0, y0, x2, y2;
    ASSERT_TRUE(ProjectForward(52 * kDeg, 5 * kDeg, 3 * kDeg, 0, 0, 9, 0, x0, y0));
    ASSERT_TRUE(ProjectForward(52 * kDeg, 5 * kDeg, 3 * kDeg, 0, 0, 9, 2, x2, y2));
    EXPECT_EQ(x2, x0 * 0.9996);
    EXPECT_EQ(y2, y0 * 0.9996);
    double lat, lon, lat0, lon0;
    ASSERT_TRUE(ProjectInverse(x2, y2, 3 * kDeg, 0, 0, 9, 2, lat, lon));
    ASSERT_TRUE(ProjectInverse(x0, y0, 3 * kDeg, 0, 0, 9, 0, lat0, lon0));
    EXPECT_NEAR(lat, lat0, 1e-15);
    EXPECT_NEAR(lon, lon0, 1e-15);
    EXPECT_NEAR(lat, 52 * kDeg, 2e-10);
    double x1, y1;
    ASSERT_TRUE(ProjectForward(52 * kDeg, 5 * kDeg, 3 * kDeg, 0, 0, 9, 1, x1, y1));
    EXPECT_EQ(x1, x0);
    // The dispatcher selects its row (clamped) whatever the type.
    EXPECT_EQ(g_CurrentEllipsoid.a, 6378137.0);
    ASSERT_TRUE(ProjectForward(52 * kDeg, 5 * kDeg, 3 * kDeg, 0, 0, 200, 0, x1, y1));
    EXPECT_EQ(g_CurrentEllipsoid.a, 6378245.0);

    // Types 3, 4 and above compute nothing; 4 prepares the Lambert block.
    for (uint8_t type : {3, 4, 5, 255}) {
        double x = -7, y = -8, la = -9, lo = -10;
        EXPECT_FALSE(ProjectForward(52 * kDeg, 5 * kDeg, 3 * kDeg, 0.8, 0.9, 9, type, x, y));
        EXPECT_FALSE(ProjectInverse(5e6, 1e5, 3 * kDeg, 0.8, 0.9, 9, type, la, lo));
        EXPECT_EQ(x, -7);
        EXPECT_EQ(y, -8);
        EXPECT_EQ(la, -9);
        EXPECT_EQ(lo, -10);
    }
    EXPECT_EQ(g_LambertParameters.lat1, 0.8);
    EXPECT_EQ(g_LambertParameters.lon0, 3 * kDeg);
}
