// The route laid over a road graph between two plane points and drawn on the map. Until the
// computation is wired it keeps its binding, computes nothing and draws nothing.
#pragma once

#include <string>

#include "platform/win.h"

class TMapView;
class TBackBuffer;

class TRoute {
 public:
  void SetOwner(TMapView* v, TBackBuffer* b) {
    view = v;
    buffer = b;
  }
  void Draw(const RECT& /*view*/, HDC /*dc*/) {}
  void Bind(const char* layer, const char* graph);
  // 0: no route (nothing is computed yet).
  int Compute(double /*x1*/, double /*y1*/, double /*x2*/, double /*y2*/, int /*options*/) {
    return 0;
  }
  void Clear() {}

  TMapView* view = nullptr;
  TBackBuffer* buffer = nullptr;
  std::string layerName, graphPath;
};

extern TRoute g_Route;
