// The rubber sheet of a calibrated raster picture: pixel <-> map coordinates through a Delaunay
// triangulation of control points, with one affine map per triangle each way.
//
// Accuracy: a control point maps to its own map coordinates within 0.01 map units (they are held
// in hundredths, truncated) and back to its own pixel within 1 pixel (the integer calls truncate
// toward zero; the fractional ones keep the affine map's value). Between control points the sheet
// is piecewise linear; outside the hull it extrapolates with the triangle used last (or, on first
// use, the one whose centroid is nearest).
//
// A sheet whose map side is degenerate is refused at Build: two control points with the same map
// coordinates at different pixels, or one pixel given two map positions (typing slips), or a
// triangle whose map side has no area or is a sliver (its points in one line, or a centimetre
// off it) while its pixel side is not. Such a triangle has no map-to-pixel map, or one whose
// pixels a few metres off it lie far outside the picture, with no sign of it.
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
  // built. Fewer than 3 distinct points, points all within 1 pixel of a line, a map coordinate
  // that is not finite or beyond 2^53 hundredths, or a degenerate map side (see above; then
  // MapSideDegenerate() is true) give false and an empty transform.
  bool Build(const std::vector<TTinControlPoint>& points);
  // The last Build refused the points because their map side is degenerate, not for want of
  // triangles on the pixel side.
  bool MapSideDegenerate() const { return mapDegenerate_; }

  // 1 on success. With no triangles both answer 0 and leave their outputs; MapToPixel also
  // answers 0 for non-finite input or a pixel that does not fit 32 bits.
  int PixelToMap(int32_t x, int32_t y, double& X, double& Y);
  int MapToPixel(double X, double Y, int32_t& x, int32_t& y);
  // The same without truncation: fractional pixels both ways (drawing through a picture must not
  // snap to its pixel grid). 0 with no triangles or for non-finite input.
  int PixelToMapF(double x, double y, double& X, double& Y);
  int MapToPixelF(double X, double Y, double& x, double& y);

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
  // True when a control point repeats another's map coordinates at another pixel or its pixel
  // at other map coordinates, or a triangle's map side is flat (see above).
  bool DegenerateMapSide() const;
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
  bool mapDegenerate_ = false;
  std::string buildLog_;
};
