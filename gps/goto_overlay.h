// The navigation-target overlay: guidance to one chosen point. While a target is set it keeps the
// distance, the time to go and the bearing of the target relative to the course, draws a dashed
// line on the map from where guidance began to the target (unless a route over the road graph
// was laid to it) and writes a one-line caption into the GPS bar.
//
// Plane coordinates are metres, X northing, Y easting. One global instance, zero-filled and
// bound once at start-up.
#pragma once

#include "platform/win.h"

class TMapView;
class TBackBuffer;

// What the overlay needs of the route between two points of the address search: app/ binds it to
// the program's route at start-up. A route that has no road graph loaded answers 0 to IsBound.
class IRouteService {
 public:
  virtual int IsBound() = 0;
  // 1 when a route from (x1, y1) to (x2, y2) was built (plane metres).
  virtual int Compute(double x1, double y1, double x2, double y2) = 0;
  virtual void Clear() = 0;

 protected:
  ~IRouteService() = default;
};

class TGotoOverlay {
 public:
  // Start-up: the view, the back buffer (only kept) and the route; clears the active and route
  // flags.
  void Attach(TMapView* view, TBackBuffer* buffer, IRouteService* route);
  // Guidance to the target begins from the GPS position (valid fix) or else the view centre.
  void SetTarget(double x, double y);
  // A valid fix: position, speed in km/h, course in degrees. Nothing while inactive.
  void UpdatePosition(double x, double y, double speed, double course);
  // Clears the route and ends guidance.
  void Clear();
  // The straight line over the map (not while a route is shown).
  void Draw(HDC dc);
  // The caption row of the GPS bar: blue, with distance, minutes to go and bearing in yellow.
  void DrawCaption(HDC dc, const RECT& rect);
  // The caption's text, as DrawCaption writes it; empty while inactive.
  int FormatCaption(wchar_t* out, int capacity) const;

  double startX = 0, startY = 0;
  double targetX = 0, targetY = 0;
  double currentX = 0, currentY = 0;
  double distance = 0;    // metres, current position to target
  double bearing = 0;     // whole degrees 0-359, the target's bearing less the course
  double timeToGo = 0;    // distance / speed in km/h (metres per km/h); -1 at speed 0
  TMapView* view = nullptr;
  TBackBuffer* buffer = nullptr;
  int active = 0;
  int routed = 0;  // a route was built to the target
  IRouteService* route = nullptr;
};

extern TGotoOverlay g_GotoOverlay;
