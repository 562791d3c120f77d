// The rubber sheet of a calibrated raster picture: pixel <-> map coordinates through a Delaunay
// triangulation of control points, with one affine map per triangle each way.
//
// Accuracy: a control point maps to its own map coordinates within 0.01 map units (they are held
// in hundredths, truncated) and back to its own pixel within 1 pixel (results are truncated
// toward zero). Between control points the sheet is piecewise linear; outside the hull it
// extrapolates with the triangle used last (or, on first use, the one whose centroid is nearest).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "geodesy/tin_builder.h"
#include "geodesy/tin_geometry.h"

// One control point: its map coordinates and its pixel in the picture.
struct TTinControlPoint {
    double X = 0;
    double Y = 0;
    int32_t x = 0;
    int32_t y = 0;
};

class TTinTransform {
public:
    TTinTransform() = default;

    // Replaces everything with a triangulation of the points. True when at least one triangle was
    // built. Fewer than 3 distinct points, points all within 1 pixel of a line, or a map
    // coordinate that is not finite or beyond 2^53 hundredths give false and an empty transform.
    bool Build(const std::vector<TTinControlPoint>& points);

    // 1 on success. With no triangles both answer 0 and leave their outputs; MapToPixel also
    // answers 0 for non-finite input or a pixel that does not fit 32 bits.
    int PixelToMap(int32_t x, int32_t y, double& X, double& Y);
    int MapToPixel(double X, double Y, int32_t& x, int32_t& y);

    int32_t TriangleCount() const { return static_cast<int32_t>(m_Triangles.size()); }
    int32_t Scale() const { return m_Scale; }
    // The control points in the order of the build (sorted by pixel row, then column).
    const std::vector<TTinPixel>& PixelPoints() const { return m_Pixels; }
    const std::vector<TTinMapPoint>& MapPoints() const { return m_Map; }
    const std::vector<TTinTriangle>& Triangles() const { return m_Triangles; }
    // The triangle last used, from 1; 0 when there is none.
    int32_t CurrentTriangle() const { return m_Current; }
    // Why the last build stopped short or built nothing; for a debug log only.
    const std::string& BuildLog() const { return m_BuildLog; }

private:
    bool Locate(TTinXY p, bool mapSide);
    void LoadTriangle(int32_t number);
    int TestCurrent(TTinXY p, bool mapSide, double* centroidDistance) const;
    void ComputeCoefficients();
    TTinXY MapRelative(uint32_t v) const;

    int32_t m_Scale = 100;  // map coordinates are held as value x 100
    std::vector<TTinPixel> m_Pixels;
    std::vector<TTinMapPoint> m_Map;
    std::vector<TTinTriangle> m_Triangles;
    // Map-side geometry is done relative to the first point's map coordinates, so that the zone
    // millions of a Gauss-Kruger easting cost no precision.
    TTinMapPoint m_Origin;
    double m_PixelToMap[6] = {};
    double m_MapToPixel[6] = {};
    TTinXY m_CurPixel[4];  // the current triangle, its first vertex repeated
    TTinXY m_CurMap[4];    // the same, map side, relative to m_Origin
    int32_t m_Current = 0;
    std::string m_BuildLog;
};
