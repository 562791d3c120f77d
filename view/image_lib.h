// The run-time bindings of the two outside modules: the image module Pelnor, bound on first use
// and kept until exit, and the raster-map library Tilvex, bound only around one Show call.
#pragma once

#include <cstdint>

#include "imagelib/pelnor.h"
#include "platform/win.h"
#include "rasterlib/tilvex.h"

class TImageLib {
 public:
  ~TImageLib();
  // 1 when all four entry points are bound (binding now if needed); else 0 after a message.
  int Load();

  TLoadMapImage LoadMapImage = nullptr;
  TLoadMapImageHead LoadMapImageHead = nullptr;
  TLoadMapImageFull LoadMapImageFull = nullptr;
  TLoadMapImageTiles LoadMapImageTiles = nullptr;
  int32_t loaded = 0;
  HMODULE module = nullptr;
};

class TRasterLib {
 public:
  // Binds Tilvex, runs its chooser and viewer at the plane position (x, y), unbinds it, and
  // returns the low byte of its answer (1: a point was picked). Without the library: a message
  // and the previous result.
  uint8_t Show(double x, double y);
  int Load();
  void Unload();

  char path[kTilvexBufferBytes] = {};  // the chosen map
  char name[kTilvexBufferBytes] = {};  // the picked point
  int32_t loaded = 0;
  TTilvexShow ShowEntry = nullptr;
  TTilvexLink LinkEntry = nullptr;
  HMODULE module = nullptr;
  uint8_t result = 0;
};

extern TImageLib g_ImageLib;
extern TRasterLib g_RasterLib;
