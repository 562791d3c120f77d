// A raster map of the project: one picture decoded by the image module, tied to the plane by its
// calibration. Whole pictures are decoded once on activation; big ones are held as tiles of the
// coarsest level still at least as fine as the screen, loaded for each frame.
//
// Pixel coordinates: "full-resolution" pixels are those of the picture itself (calibration
// points, PixelToPlane); "level" pixels are those of the chosen reduced level, f times larger,
// in which the tiles lie. The view transform maps level pixels to the screen.
#pragma once

#include <cstdint>

#include "geodesy/tin_transform.h"
#include "imagelib/pelnor.h"
#include "view/point_lists.h"
#include "view/raster_holder.h"

class TPictureMap : public TRasterMap {
 public:
  // More tiles than this meeting the view (a big picture without reduced images, seen whole) are
  // not loaded at all: their pixels would not fit the handheld's memory.
  static constexpr int32_t kMaxVisibleTiles = 256;
  // A calibration holds at most this many points.
  static constexpr int32_t kMaxCalibrationPoints = 50;

  TPictureMap();
  ~TPictureMap() override;

  int Open(const char* filePath, const double fallback[6]) override;
  // 0; 2 when the map is not open or the image module cannot be bound; else the module's result.
  // `active` is 1 only on success.
  int Activate() override;
  void Deactivate() override;
  void SetViewTransform(const RECT& view, double originX, double originY, double k) override;
  void SetOutputSystem(uint8_t zone) override;
  void GetExtent(double out[6]) const override;
  void PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) const override;
  void ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const override;
  void PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const override;
  void LoadVisibleTiles(const RECT& view, int32_t screenYOffset) override;
  void Draw(HDC dc) override;

  // Releases every record with its tiles and pixels; the map is new again (frame kept).
  void Close();

  // Full-resolution pixel of a plane point (rotation or rubber sheet), and back.
  void PlaneToPixel(double x, double y, int32_t* px, int32_t* py) const;
  void PixelToPlane(int32_t px, int32_t py, double* x, double* y) const;
  // Full-resolution pixel under a screen point; (0, 0) while the scale is 0.
  void ScreenToPixel(int32_t sx, int32_t sy, int32_t* px, int32_t* py) const;

  // Reads the companion calibration of the picture at `picturePath`: 0, or 2 when there is none
  // and the fallback frame is empty.
  int ReadCalibration(const char* picturePath, const double fallback[6]);
  // 1 when the points can calibrate a picture: at least 2, none at plane (0, 0), every pixel set.
  static int CheckCalibrationPoints(const TPointList& points);

  uint8_t outputZone = 255;
  TPointList points;
  int32_t shown = 0;
  PelnorImage* current = nullptr;  // the chosen level
  PelnorImage* first = nullptr;    // the full picture, owning the chain
  double outFrame[6] = {};         // the frame in the output zone
  float pixelSize = 0;             // plane units per full-resolution pixel
  RECT viewRect{};
  int32_t screenYOffset = 0;
  double lastViewScale = -1.0;
  double scale = 0;        // screen pixels per level pixel
  double levelFactor = 1;  // full-resolution pixels per level pixel
  double xOffset = 0, yOffset = 0;  // level pixels
  double rotation = 0, anchorX = 0, anchorY = 0, sinRotation = 0, cosRotation = 1;
  mutable TTinTransform tin;  // looks triangles up as it goes
  bool useTin = false;
  // The last ReadCalibration found no companion and took the fallback frame.
  bool placedByFallback = false;

 private:
  // Writes the frame taken from the fallback beside the picture as its ".@@@" calibration.
  void WritePlacement();
  void ChooseLevel(double k);
  void FreePixels();
  void LevelToScreen(double u, double v, int32_t* sx, int32_t* sy) const;
};

// The factory the view creates raster maps with (installed at start-up).
TRasterMap* NewPictureMap();

// Writes the calibration points to `path`: the ".@@@" form (plane coordinates) when its extension
// is ".@@@", else ".lnk" (geodetic degrees). 0, or 2 when the file cannot be written; an old file
// survives a failed write.
int WriteCalibrationFile(const char* path, const TPointList& points);
