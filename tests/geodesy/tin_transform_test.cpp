// The rubber-sheet transform: its triangulation and the pixel <-> map mappings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "geodesy/tin_transform.h"

namespace {

using Points = std::vector<TTinControlPoint>;

// A smooth, non-affine sheet in Gauss-Kruger-like metres, so every triangle has its own map. k
// sets the bend; it must stay small against 1 / span or the sheet folds over itself.
TTinControlPoint Sheet(int32_t x, int32_t y, double eastBase = 7400000.0, double k = 2e-6)
{
    const double X = 6100000.0 - 0.75 * y + k * double(x) * y;
    const double Y = eastBase + 0.8 * x + 0.15 * k * double(y) * y;
    return {X, Y, x, y};
}

double Cross(const TTinPixel& a, const TTinPixel& b, const TTinPixel& c)
{
    return (double(b.x) - a.x) * (double(c.y) - a.y) - (double(b.y) - a.y) * (double(c.x) - a.x);
}

// Convex hull by the monotone chain, collinear boundary points dropped.
std::vector<TTinPixel> Hull(std::vector<TTinPixel> p)
{
    std::sort(p.begin(), p.end(), [](auto a, auto b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    std::vector<TTinPixel> h(2 * p.size());
    size_t k = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        while (k >= 2 && Cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
        h[k++] = p[i];
    }
    for (size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
        while (k >= t && Cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
        h[k++] = p[i];
    }
    h.resize(k - 1);
    return h;
}

double PolygonArea(const std::vector<TTinPixel>& v)
{
    double a = 0;
    for (size_t i = 0; i < v.size(); ++i)
        a += Cross(v[0], v[i], v[(i + 1) % v.size()]);
    return std::fabs(a) / 2;
}

Points RandomPoints(unsigned seed, int n, int span = 1000000)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> d(0, span);
    Points pts;
    std::set<std::pair<int32_t, int32_t>> seen;
    while (int(pts.size()) < n) {
        const int32_t x = d(rng), y = d(rng);
        if (seen.insert({x, y}).second)
            pts.push_back(Sheet(x, y, 7400000.0, 2e-3 / span));
    }
    return pts;
}

// Checks every triangulation property the transform relies on; returns the hull size.
void ExpectDelaunayTriangulation(const TTinTransform& tin, size_t n)
{
    const auto& px = tin.PixelPoints();
    ASSERT_EQ(px.size(), n);
    const std::vector<TTinPixel> hull = Hull(px);
    const size_t h = hull.size();
    ASSERT_EQ(size_t(tin.TriangleCount()), 2 * n - 2 - h);

    double area = 0;
    std::set<uint32_t> used;
    for (const TTinTriangle& t : tin.Triangles()) {
        const double c = Cross(px[t[0]], px[t[1]], px[t[2]]);
        ASSERT_NE(c, 0.0);
        area += std::fabs(c) / 2;
        used.insert(t.begin(), t.end());

        // Circumcircle, then no other point strictly inside it (relative tolerance for rounding).
        const double ax = px[t[0]].x, ay = px[t[0]].y;
        const double bx = px[t[1]].x - ax, by = px[t[1]].y - ay;
        const double cx = px[t[2]].x - ax, cy = px[t[2]].y - ay;
        const double d = 2 * (bx * cy - by * cx);
        const double ux = (cy * (bx * bx + by * by) - by * (cx * cx + cy * cy)) / d;
        const double uy = (bx * (cx * cx + cy * cy) - cx * (bx * bx + by * by)) / d;
        const double r2 = ux * ux + uy * uy;
        for (size_t i = 0; i < n; ++i) {
            const double dx = px[i].x - ax - ux, dy = px[i].y - ay - uy;
            ASSERT_GE(dx * dx + dy * dy, r2 * (1 - 1e-9)) << "point " << i << " inside a circumcircle";
        }
    }
    EXPECT_EQ(used.size(), n);  // every point is a vertex
    EXPECT_NEAR(area, PolygonArea(hull), PolygonArea(hull) * 1e-12);
}

void ExpectControlPointsRoundTrip(TTinTransform& tin, const Points& pts)
{
    for (const TTinControlPoint& cp : pts) {
        double X = 0, Y = 0;
        ASSERT_EQ(tin.PixelToMap(cp.x, cp.y, X, Y), 1);
        EXPECT_NEAR(X, cp.X, 0.01 + 1e-9);
        EXPECT_NEAR(Y, cp.Y, 0.01 + 1e-9);
        int32_t x = 0, y = 0;
        ASSERT_EQ(tin.MapToPixel(cp.X, cp.Y, x, y), 1);
        EXPECT_LE(std::abs(x - cp.x), 1);
        EXPECT_LE(std::abs(y - cp.y), 1);
    }
}

}  // namespace

TEST(TinTransform, OneTriangleReproducesItsControlPoints)
{
    const Points pts = {Sheet(0, 0), Sheet(100, 0), Sheet(0, 100)};
    TTinTransform tin;
    EXPECT_EQ(tin.Scale(), 100);
    ASSERT_TRUE(tin.Build(pts));
    EXPECT_EQ(tin.TriangleCount(), 1);
    ExpectControlPointsRoundTrip(tin, pts);
}

TEST(TinTransform, TooFewOrDegeneratePointsBuildNothingAndConvertNothing)
{
    Points collinear = {Sheet(0, 0), Sheet(50, 50), Sheet(100, 100), Sheet(200, 200)};
    Points band;  // within half a pixel of one slanted line
    for (int i = 0; i < 40; ++i)
        band.push_back(Sheet(i * 100, i * 37 + (i % 2)));
    Points flat;  // rows 0 and 1 only: within a pixel of the first row's line
    for (int i = 0; i < 10; ++i)
        flat.push_back(Sheet(i * 10, i % 2));
    const Points cases[] = {
        {}, {Sheet(0, 0)}, {Sheet(0, 0), Sheet(100, 0)}, collinear, band, flat,
        {Sheet(5, 5), Sheet(5, 5), Sheet(5, 5), Sheet(5, 5)},
    };
    for (const Points& pts : cases) {
        TTinTransform tin;
        EXPECT_FALSE(tin.Build(pts)) << pts.size();
        EXPECT_EQ(tin.TriangleCount(), 0);
        double X = -1, Y = -2;
        int32_t x = -3, y = -4;
        EXPECT_EQ(tin.PixelToMap(10, 10, X, Y), 0);
        EXPECT_EQ(tin.MapToPixel(6e6, 7.4e6, x, y), 0);
        EXPECT_EQ(X, -1);
        EXPECT_EQ(Y, -2);
        EXPECT_EQ(x, -3);
        EXPECT_EQ(y, -4);
    }
}

TEST(TinTransform, RebuildReplacesEverythingAndBadMapCoordinatesRefuse)
{
    TTinTransform tin;
    ASSERT_TRUE(tin.Build({Sheet(0, 0), Sheet(100, 0), Sheet(0, 100), Sheet(100, 100)}));
    double X, Y;
    ASSERT_EQ(tin.PixelToMap(10, 10, X, Y), 1);
    EXPECT_NE(tin.CurrentTriangle(), 0);

    for (double bad : {double(NAN), double(INFINITY), 1e14}) {
        Points pts = {Sheet(0, 0), Sheet(100, 0), Sheet(0, 100)};
        pts[1].Y = bad;
        EXPECT_FALSE(tin.Build(pts)) << bad;
        EXPECT_EQ(tin.TriangleCount(), 0);
        EXPECT_EQ(tin.CurrentTriangle(), 0);
    }
    int32_t x = 0, y = 0;
    EXPECT_EQ(tin.MapToPixel(X, Y, x, y), 0);
}

TEST(TinTransform, DuplicatesAreInsertedOnceAndCoCircularPointsKeepTheFirstDiagonal)
{
    TTinTransform tin;
    ASSERT_TRUE(tin.Build({Sheet(0, 0), Sheet(100, 0), Sheet(0, 100), Sheet(100, 100), Sheet(100, 0),
                           Sheet(0, 100)}));
    EXPECT_EQ(tin.TriangleCount(), 2);
    const auto& px = tin.PixelPoints();
    for (const TTinTriangle& t : tin.Triangles()) {
        // The diagonal made first runs (100,0)-(0,100); the square's corners are co-circular, so
        // no flip replaces it with (0,0)-(100,100).
        bool hasOrigin = false, hasFar = false;
        for (uint32_t v : t) {
            hasOrigin = hasOrigin || (px[v].x == 0 && px[v].y == 0);
            hasFar = hasFar || (px[v].x == 100 && px[v].y == 100);
        }
        EXPECT_FALSE(hasOrigin && hasFar);
    }

    ASSERT_TRUE(tin.Build({Sheet(0, 0), Sheet(100, 0), Sheet(0, 100), Sheet(100, 100), Sheet(50, 50)}));
    EXPECT_EQ(tin.TriangleCount(), 4);
    for (const TTinTriangle& t : tin.Triangles()) {
        const bool hasCentre = std::any_of(t.begin(), t.end(), [&](uint32_t v) {
            return tin.PixelPoints()[v].x == 50 && tin.PixelPoints()[v].y == 50;
        });
        EXPECT_TRUE(hasCentre);
    }
}

TEST(TinTransform, OutsideTheHullExtrapolatesWithTheLastTriangleUsed)
{
    const Points pts = {Sheet(0, 0), Sheet(1000, 0), Sheet(0, 1000), Sheet(1000, 1000)};
    TTinTransform tin;
    ASSERT_TRUE(tin.Build(pts));
    ASSERT_EQ(tin.TriangleCount(), 2);

    // The affine map of the triangle holding (100, 100), by hand from its corners.
    TTinXY src[3], dst[3];
    const TTinXY corners[3] = {{0, 0}, {1000, 0}, {0, 1000}};
    for (int k = 0; k < 3; ++k) {
        const TTinControlPoint cp = Sheet(int32_t(corners[k].x), int32_t(corners[k].y));
        src[k] = corners[k];
        dst[k] = {std::trunc(cp.X * 100), std::trunc(cp.Y * 100)};
    }
    double c[6];
    AffineCoefficients(src, dst, c);

    double X, Y;
    ASSERT_EQ(tin.PixelToMap(100, 100, X, Y), 1);
    const int32_t used = tin.CurrentTriangle();
    // Far beyond the other triangle's side of the hull, yet the last triangle's map applies.
    ASSERT_EQ(tin.PixelToMap(3000, 2500, X, Y), 1);
    EXPECT_EQ(tin.CurrentTriangle(), used);
    EXPECT_NEAR(X, (c[0] + c[1] * 3000 + c[2] * 2500) / 100, 1e-6);
    EXPECT_NEAR(Y, (c[3] + c[4] * 3000 + c[5] * 2500) / 100, 1e-6);

    // On first use the triangle with the nearest centroid is taken.
    TTinTransform fresh;
    ASSERT_TRUE(fresh.Build(pts));
    ASSERT_EQ(fresh.PixelToMap(3000, 2500, X, Y), 1);
    EXPECT_NE(fresh.CurrentTriangle(), used);
}

TEST(TinTransform, MapToPixelTruncatesTowardZeroAndRefusesWhatDoesNotFit)
{
    // Pixels are ten times the map units.
    const Points pts = {{0, 0, 0, 0}, {10, 0, 100, 0}, {0, 10, 0, 100}};
    TTinTransform tin;
    ASSERT_TRUE(tin.Build(pts));
    int32_t x = 7, y = 7;
    ASSERT_EQ(tin.MapToPixel(1.29, 0, x, y), 1);
    EXPECT_EQ(x, 12);
    ASSERT_EQ(tin.MapToPixel(-0.05, 0.5, x, y), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 5);
    x = y = 7;
    EXPECT_EQ(tin.MapToPixel(1e9, 0, x, y), 0);
    EXPECT_EQ(tin.MapToPixel(NAN, 0, x, y), 0);
    EXPECT_EQ(tin.MapToPixel(0, -INFINITY, x, y), 0);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 7);
}

TEST(TinTransform, RandomPointSetsGiveTheDelaunayTriangulation)
{
    for (int n : {4, 5, 7, 10, 30, 100, 250, 500}) {
        for (unsigned seed : {1u, 2u, 3u}) {
            SCOPED_TRACE(::testing::Message() << "n " << n << " seed " << seed);
            const Points pts = RandomPoints(seed * 7919 + unsigned(n), n, n < 50 ? 1000 : 1000000);
            TTinTransform tin;
            ASSERT_TRUE(tin.Build(pts));
            EXPECT_TRUE(tin.BuildLog().empty()) << tin.BuildLog();
            ExpectDelaunayTriangulation(tin, size_t(n));
            ExpectControlPointsRoundTrip(tin, pts);
        }
    }
}

// Zone 30 eastings are ~30,500,000 m: 3.05e9 hundredths, past 32 bits.
TEST(TinTransform, FarZoneEastingsKeepHundredthPrecision)
{
    Points pts;
    std::mt19937 rng(30);
    std::uniform_int_distribution<int32_t> d(0, 4000);
    for (int i = 0; i < 60; ++i)
        pts.push_back(Sheet(d(rng), d(rng), 30500000.0));
    TTinTransform tin;
    ASSERT_TRUE(tin.Build(pts));
    ExpectControlPointsRoundTrip(tin, pts);
    EXPECT_GT(tin.MapPoints()[0].Y, int64_t(3000000000));
}

TEST(TinTransform, PointsAllOnTheHullAreAllInserted)
{
    // 3,000 points on a parabola: strictly convex, every one a hull vertex.
    Points pts;
    for (int32_t i = 0; i < 3000; ++i)
        pts.push_back(Sheet(i, i * i, 7400000.0, 0.0));  // affine: bent over 9e6 rows, the thin
                                                          // triangles would fold on the map
    TTinTransform tin;
    ASSERT_TRUE(tin.Build(pts));
    EXPECT_EQ(tin.TriangleCount(), 3000 - 2);
    std::set<uint32_t> used;
    for (const TTinTriangle& t : tin.Triangles())
        used.insert(t.begin(), t.end());
    EXPECT_EQ(used.size(), 3000u);
}

TEST(TinTransform, TenThousandPointsBuildInFullIncludingTiesAndNearLines)
{
    // A coarse grid of candidates makes equal rows, duplicates and collinear runs common.
    std::mt19937 rng(10000);
    std::uniform_int_distribution<int32_t> d(0, 300);
    Points pts;
    for (int i = 0; i < 10000; ++i)
        pts.push_back(Sheet(d(rng) * 7, d(rng) * 5));
    TTinTransform tin;
    ASSERT_TRUE(tin.Build(pts));
    std::set<std::pair<int32_t, int32_t>> distinct;
    for (const TTinControlPoint& cp : pts)
        distinct.insert({cp.x, cp.y});
    std::set<uint32_t> used;
    double area = 0;
    const auto& px = tin.PixelPoints();
    for (const TTinTriangle& t : tin.Triangles()) {
        used.insert(t.begin(), t.end());
        area += std::fabs(Cross(px[t[0]], px[t[1]], px[t[2]])) / 2;
    }
    EXPECT_EQ(used.size(), distinct.size());
    EXPECT_NEAR(area, PolygonArea(Hull(px)), 1e-6 * PolygonArea(Hull(px)));
}

// Control points whose map side has no area (a point's coordinates typed twice, or three in one
// line) are refused: a triangle of them has no map-to-pixel map, and the pixel it gave would be
// far off with no sign of it. Points in one pixel line are only "no triangles".
TEST(TinTransform, DegenerateMapSideIsRefusedAtBuild)
{
    const Points typo = {{6200000, 7500000, 0, 0}, {6200000, 7500100, 100, 0}, {6200000, 7500100, 0, 100}};
    TTinTransform tin;
    EXPECT_FALSE(tin.Build(typo));
    EXPECT_TRUE(tin.MapSideDegenerate());
    EXPECT_EQ(tin.TriangleCount(), 0);
    int32_t x = 7, y = 7;
    EXPECT_EQ(tin.MapToPixel(6200000, 7500050, x, y), 0);
    EXPECT_EQ(x, 7);

    const Points line = {{6200000, 7500000, 0, 0}, {6200000, 7500100, 100, 0}, {6200000, 7500050, 0, 100}};
    EXPECT_FALSE(tin.Build(line));
    EXPECT_TRUE(tin.MapSideDegenerate());

    // A repeat far from the other in the triangulation still folds the sheet.
    Points grid;
    for (int32_t r = 0; r <= 300; r += 100)
        for (int32_t c = 0; c <= 300; c += 100)
            grid.push_back(Sheet(c, r));
    ASSERT_TRUE(tin.Build(grid));
    grid.back().X = grid.front().X;
    grid.back().Y = grid.front().Y;
    EXPECT_FALSE(tin.Build(grid));
    EXPECT_TRUE(tin.MapSideDegenerate());

    // No triangles on the pixel side is another matter, and a true duplicate is inserted once.
    EXPECT_FALSE(tin.Build({Sheet(0, 0), Sheet(100, 0), Sheet(200, 0)}));
    EXPECT_FALSE(tin.MapSideDegenerate());
    EXPECT_TRUE(tin.Build({Sheet(0, 0), Sheet(100, 0), Sheet(0, 100), Sheet(100, 0)}));
    EXPECT_FALSE(tin.MapSideDegenerate());
}

// A map side a sliver where the pixel side is a good triangle is refused: with the third map
// point 2 cm off the line of the other two, a ground point 50 m from that line would come out
// some 250,000 pixels off a 100-pixel picture. A sliver on both sides (points along the picture's
// edge) maps true and stays; one pixel given two map positions is refused, not half-used.
TEST(TinTransform, MapSideSliversAndOnePixelAtTwoPlacesAreRefused)
{
    TTinTransform tin;
    const Points sliver = {{6200000, 7500000, 0, 0}, {6200000, 7500100, 100, 0}, {6200000.02, 7500050, 0, 100}};
    EXPECT_FALSE(tin.Build(sliver));
    EXPECT_TRUE(tin.MapSideDegenerate());
    // 2.5 m off the line (the rule's edge lies near 2.24 m for a 100 m side) is a triangle.
    const Points thin = {{6200000, 7500000, 0, 0}, {6200000, 7500100, 100, 0}, {6200002.5, 7500050, 0, 100}};
    ASSERT_TRUE(tin.Build(thin));
    int32_t x = 0, y = 0;
    ASSERT_EQ(tin.MapToPixel(6200002.5, 7500050, x, y), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 100);

    // Both sides thin in step: pixel (500, 5) is 5 px off a 1000 px edge, the map half the size.
    const Points edge = {{6200000, 7500000, 0, 0}, {6200000, 7500500, 1000, 0}, {6199997.5, 7500250, 500, 5}};
    ASSERT_TRUE(tin.Build(edge));
    EXPECT_FALSE(tin.MapSideDegenerate());
    double X = 0, Y = 0;
    ASSERT_EQ(tin.PixelToMap(250, 2, X, Y), 1);
    EXPECT_NEAR(X, 6200000 - 1.0, 0.01);  // rows run south at 0.5 m a pixel
    EXPECT_NEAR(Y, 7500125, 0.01);

    // Pixel (100, 100) twice, 500 m apart on the map: one of them would silently be dropped.
    const Points twice = {{6200000, 7500000, 0, 0}, {6200000, 7500100, 100, 0}, {6199900, 7500000, 0, 100},
                          {6199900, 7500100, 100, 100}, {6199900, 7500600, 100, 100}};
    EXPECT_FALSE(tin.Build(twice));
    EXPECT_TRUE(tin.MapSideDegenerate());
    EXPECT_EQ(tin.TriangleCount(), 0);
}

// The fractional calls keep what the integer ones cut: a map point between pixel centres.
TEST(TinTransform, FractionalPixelsBothWays)
{
    // Pixels are ten times the map units.
    const Points pts = {{0, 0, 0, 0}, {10, 0, 100, 0}, {0, 10, 0, 100}};
    TTinTransform tin;
    ASSERT_TRUE(tin.Build(pts));
    double x = 0, y = 0;
    ASSERT_EQ(tin.MapToPixelF(1.29, 0.455, x, y), 1);
    EXPECT_NEAR(x, 12.9, 1e-9);
    EXPECT_NEAR(y, 4.55, 1e-9);
    double X = 0, Y = 0;
    ASSERT_EQ(tin.PixelToMapF(12.9, 4.55, X, Y), 1);
    EXPECT_NEAR(X, 1.29, 1e-9);
    EXPECT_NEAR(Y, 0.455, 1e-9);
    EXPECT_EQ(tin.PixelToMapF(NAN, 1, X, Y), 0);
    EXPECT_EQ(tin.MapToPixelF(INFINITY, 1, x, y), 0);
}
