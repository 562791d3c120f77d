// The measuring ruler of input mode 4: the points tapped on the map, the polyline through them
// and its length in a label at the bottom left of the map area. The main window resets it with
// its ruler command, adds a point on each pen-down in mode 4 and draws it among the overlays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win.h"

class TMapView;
class TBackBuffer;

class TMeasureTool {
 public:
  struct PlanePoint {
    double x, y;  // plane metres
  };

  // Binds the ruler to the view it converts through and the picture it restores its old label
  // from (the host's back buffer).
  void Attach(TMapView* v, TBackBuffer* b) {
    view = v;
    buffer = b;
  }
  // No points and a total of 0; the active flag is left to the ruler command.
  void Reset();
  // Appends the tapped point and extends the total; 1 when a point was added. A tap that gives
  // no finite plane position (no view, no scale) is dropped, and so is one for which no room
  // can be had (the points so far are kept).
  int AddPoint(int x, int y);
  // The polyline, a circle at each point and the label, whose bottom is the map area's bottom.
  void Draw(const RECT& mapArea, HDC dc);
  // The label as drawn: "Л: 12.5 м", "Л: 3 км".
  std::wstring LabelText() const;

  TMapView* view = nullptr;
  TBackBuffer* buffer = nullptr;
  int32_t active = 0;  // 1 from the ruler command's on until its off or another input mode
  std::vector<PlanePoint> points;
  int32_t count = 0;
  int32_t capacity = 0;  // grows by 5 points when full
  double total = 0;      // metres
  RECT label = {0, 0, 0, 0};  // the label last drawn
};

extern TMeasureTool g_MeasureTool;
