// The navigation-target overlay: the line from the position to the target with distance, time
// and azimuth. Until it is built it keeps what it is given and draws nothing.
#pragma once

#include "platform/win.h"

class TMapView;
class TBackBuffer;
class TRoute;

class TGotoOverlay {
 public:
  void Attach(TMapView* v, TBackBuffer* b, TRoute* r) {
    view = v;
    buffer = b;
    route = r;
  }
  void Draw(HDC /*dc*/) {}
  void UpdatePosition(double px, double py, double c, double s) {
    x = px;
    y = py;
    course = c;
    speed = s;
  }

  TMapView* view = nullptr;
  TBackBuffer* buffer = nullptr;
  TRoute* route = nullptr;
  double x = 0, y = 0, course = 0, speed = 0;
};

extern TGotoOverlay g_GotoOverlay;
