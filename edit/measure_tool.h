// The measuring ruler. Until it is built it is never active and draws nothing.
#pragma once

#include "platform/win.h"

class TMapView;
class TBackBuffer;

class TMeasureTool {
 public:
  void Attach(TMapView* v, TBackBuffer* b) {
    view = v;
    buffer = b;
  }
  void Reset() { pointCount = 0; }
  // Takes no points while the ruler cannot measure; 0.
  int AddPoint(int /*x*/, int /*y*/) { return 0; }
  void Draw(const RECT& /*view*/, HDC /*dc*/) {}

  TMapView* view = nullptr;
  TBackBuffer* buffer = nullptr;
  int32_t active = 0;  // non-zero while the ruler is in use
  int pointCount = 0;
};

extern TMeasureTool g_MeasureTool;
