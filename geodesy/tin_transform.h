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

  int32_t TriangleCount() const { return static_cast<int32_t>(triangles_.size()); }
  int32_t Scale() const { return scale_; }
  // The control points in the order of the build (sorted by pixel row, then column).
  const std::vector<TTinPixel>& PixelPoints() const { return pixels_; }
  const std::vector<TTinMapPoint>& MapPoints() const { return map_; }
  const std::vector<TTinTriangle>& Triangles() const { return triangles_; }
  // The triangle last used, from 1; 0 when there is none.
  int32_t CurrentTriangle() const { return current_; }
  // Why the last build stopped short or built nothing; for a debug log only.
  const std::string& BuildLog() const { return buildLog_; }

 private:
  bool Locate(TTinXY p, bool mapSide);
  void LoadTriangle(int32_t number);
  int TestCurrent(TTinXY p, bool mapSide, double* centroidDistance) const;
  void ComputeCoefficients();
  TTinXY MapRelative(uint32_t v) const;

  int32_t scale_ = 100;  // map coordinates are held as value x 100
  std::vector<TTinPixel> pixels_;
  std::vector<TTinMapPoint> map_;
  std::vector<TTinTriangle> triangles_;
  // Map-side geometry is done relative to the first point's map coordinates, so that the zone
  // millions of a Gauss-Kruger easting cost no precision.
  TTinMapPoint origin_;
  double pixelToMap_[6] = {};
  double mapToPixel_[6] = {};
  TTinXY curPixel_[4];  // the current triangle, its first vertex repeated
  TTinXY curMap_[4];    // the same, map side, relative to origin_
  int32_t current_ = 0;
  std::string buildLog_;
};
