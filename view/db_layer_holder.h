// What the view needs of the database point layer. The layer (table reading, point and label
// drawing) is built elsewhere and installs a factory here; without one the view has no layer.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

// Geodetic (radians) to screen pixels, and back; false when the point does not convert (outputs
// then untouched).
typedef bool (*TGeoToScreenFn)(double latitude, double longitude, int32_t* x, int32_t* y);
typedef bool (*TScreenToGeoFn)(int32_t x, int32_t y, double* latitude, double* longitude);

class TDbLayer {
 public:
  virtual ~TDbLayer() = default;
  // 0 on success (also when the table lacks a column), else the table's open error or 3.
  virtual int Load(const char* databasePath) = 0;
  virtual void FreeItems() = 0;
  virtual void PrepareView(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void Draw(HDC dc) = 0;

  char path[256] = {};  // 8-bit database path
};

typedef TDbLayer* (*TDbLayerFactory)(TGeoToScreenFn toScreen, TScreenToGeoFn toGeo);

void SetDbLayerFactory(TDbLayerFactory factory);
// A new layer from the installed factory; null when none is installed.
TDbLayer* CreateDbLayer(TGeoToScreenFn toScreen, TScreenToGeoFn toGeo);
