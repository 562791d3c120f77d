#include "geodesy/tin_transform.h"

#include <cmath>
#include <limits>

namespace {
constexpr double kTwoPow53 = 9007199254740992.0;
}

bool TTinTransform::Build(const std::vector<TTinControlPoint>& points)
{
    m_Pixels.clear();
    m_Map.clear();
    m_Triangles.clear();
    m_Current = 0;
    m_Origin = {};
    m_BuildLog.clear();

    std::vector<TTinPixel> pixels;
    std::vector<TTinMapPoint> map;
    pixels.reserve(points.size());
    map.reserve(points.size());
    for (const TTinControlPoint& cp : points) {
        const double X = std::trunc(cp.X * m_Scale);
        const double Y = std::trunc(cp.Y * m_Scale);
        if (!(std::fabs(X) <= kTwoPow53) || !(std::fabs(Y) <= kTwoPow53)) {
            m_BuildLog = "control point off the map";
            return false;
        }
        pixels.push_back({cp.x, cp.y});
        map.push_back({static_cast<int64_t>(X), static_cast<int64_t>(Y)});
    }

    TTinBuilder builder(pixels, map);
    std::vector<TTinTriangle> triangles = builder.Triangulate();
    m_BuildLog = builder.Log();
    if (triangles.empty())
        return false;
    m_Pixels = std::move(pixels);
    m_Map = std::move(map);
    m_Triangles = std::move(triangles);
    m_Origin = m_Map[0];
    return true;
}

TTinXY TTinTransform::MapRelative(uint32_t v) const
{
    return {static_cast<double>(m_Map[v].X - m_Origin.X), static_cast<double>(m_Map[v].Y - m_Origin.Y)};
}

void TTinTransform::LoadTriangle(int32_t number)
{
    const TTinTriangle& t = m_Triangles[static_cast<size_t>(number - 1)];
    for (int k = 0; k < 3; ++k) {
        m_CurPixel[k] = {static_cast<double>(m_Pixels[t[k]].x), static_cast<double>(m_Pixels[t[k]].y)};
        m_CurMap[k] = MapRelative(t[k]);
    }
    m_CurPixel[3] = m_CurPixel[0];
    m_CurMap[3] = m_CurMap[0];
    m_Current = number;
}

int TTinTransform::TestCurrent(TTinXY p, bool mapSide, double* centroidDistance) const
{
    return PointInTriangle(p, mapSide ? m_CurMap : m_CurPixel, centroidDistance);
}

void TTinTransform::ComputeCoefficients()
{
    AffineCoefficients(m_CurPixel, m_CurMap, m_PixelToMap);
    AffineCoefficients(m_CurMap, m_CurPixel, m_MapToPixel);
}

bool TTinTransform::Locate(TTinXY p, bool mapSide)
{
    const auto count = TriangleCount();
    if (count == 0)
        return false;
    // Consecutive points are usually near each other: the current triangle is tried first and its
    // coefficients stay.
    if (m_Current != 0 && TestCurrent(p, mapSide, nullptr) != 0)
        return true;
    const int32_t previous = m_Current;
    int32_t nearest = 0;
    double nearestDistance = std::numeric_limits<double>::infinity();
    for (int32_t t = 1; t <= count; ++t) {
        if (t == previous)
            continue;
        LoadTriangle(t);
        double distance = 0;
        if (TestCurrent(p, mapSide, &distance) != 0) {
            ComputeCoefficients();
            return true;
        }
        if (distance < nearestDistance) {
            nearestDistance = distance;
            nearest = t;
        }
    }
    // Outside every triangle: extrapolate with the triangle used last, or on first use with the
    // one whose centroid is nearest.
    LoadTriangle(previous != 0 ? previous : (nearest != 0 ? nearest : 1));
    ComputeCoefficients();
    return true;
}

int TTinTransform::PixelToMap(int32_t x, int32_t y, double& X, double& Y)
{
    const TTinXY p{static_cast<double>(x), static_cast<double>(y)};
    if (!Locate(p, false))
        return 0;
    const double* c = m_PixelToMap;
    X = (c[0] + c[1] * p.x + c[2] * p.y + static_cast<double>(m_Origin.X)) / m_Scale;
    Y = (c[3] + c[4] * p.x + c[5] * p.y + static_cast<double>(m_Origin.Y)) / m_Scale;
    return 1;
}

int TTinTransform::MapToPixel(double X, double Y, int32_t& x, int32_t& y)
{
    if (TriangleCount() == 0 || !std::isfinite(X) || !std::isfinite(Y))
        return 0;
    const TTinXY p{X * m_Scale - static_cast<double>(m_Origin.X), Y * m_Scale - static_cast<double>(m_Origin.Y)};
    if (!Locate(p, true))
        return 0;
    const double* c = m_MapToPixel;
    const double px = std::trunc(c[0] + c[1] * p.x + c[2] * p.y);
    const double py = std::trunc(c[3] + c[4] * p.x + c[5] * p.y);
    constexpr double lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    if (!(px >= lo && px <= hi && py >= lo && py <= hi))
        return 0;
    x = static_cast<int32_t>(px);
    y = static_cast<int32_t>(py);
    return 1;
}
