// What the view needs of a raster map. The raster maps themselves (picture decoding,
// calibration, tiles) are built elsewhere and install a factory here; until one is installed
// the view cannot create raster maps and says so with "cannot open" (2).
#pragma once

#include <cstdint>

#include "platform/win_types.h"
#include "view/file_stamp.h"

class TRasterMap {
 public:
  virtual ~TRasterMap() = default;

  // 2 when the file cannot be opened, else 0. A result of 0 with `open` still 0 means the file
  // exists but the picture or its calibration could not be read. `fallback` is the 48-byte frame
  // record (X1, Y1, -, X2, Y2, -) used when the picture has no calibration.
  virtual int Open(const char* filePath, const double fallback[6]) = 0;
  // Makes an open map active (loads a whole picture); the result is handed to the caller.
  virtual int Activate() = 0;
  // Frees the picture and tile buffers and clears `active`.
  virtual void Deactivate() = 0;
  virtual void SetViewTransform(const RECT& view, double originX, double originY,
                                double pixelsPerMetre) = 0;
  virtual void SetOutputSystem(uint8_t zone) = 0;
  // The frame in the output zone: smallest and largest X and Y, as a 48-byte frame record.
  virtual void GetExtent(double out[6]) const = 0;
  virtual void PlaneToScreen(double x, double y, int32_t* sx, int32_t* sy) const = 0;
  virtual void ScreenToPlane(int32_t sx, int32_t sy, double* x, double* y) const = 0;
  // Full-resolution image pixel to screen.
  virtual void PixelToScreen(int32_t px, int32_t py, int32_t* sx, int32_t* sy) const = 0;
  virtual void LoadVisibleTiles(const RECT& view, int32_t screenYOffset) = 0;
  virtual void Draw(HDC dc) = 0;

  // Fields the project keeps per raster map.
  int32_t minScale = 0, maxScale = 0;  // scale denominators, 0 = no limit
  int32_t inScale = 0, prevInScale = 0;
  int32_t open = 0;
  int32_t active = 0;
  uint8_t ownZone = 255;  // the zone of the picture's calibration, 255 = none
  char path[256] = {};
  double frame[6] = {};  // corner frame: X1, Y1, -, X2, Y2, -
  TLoadFailure loadFailure;  // pixels that would not load when the map came into view
  // The last tile request met more tiles than may be held: only those nearest the view's centre
  // were loaded, and the frame says so.
  int32_t partial = 0;
};

// Makes a new, unopened raster map, or null.
typedef TRasterMap* (*TRasterMapFactory)();

// Installed once by the raster maps at start-up; null removes it.
void SetRasterMapFactory(TRasterMapFactory factory);
// A new raster map from the installed factory; null when none is installed.
TRasterMap* CreateRasterMap();
