// Screen clipping for the vector renderer, and the small metric routines of picking and
// measuring. All coordinates are screen pixels (int32, x right, y down).
//
// Invariants:
// - ClipWindow and the program-wide point buffers are one drawing context: everything here runs
//   on the painting thread and no routine is reentrant.
// - Nothing writes into a fixed array. Before each polygon pass the output is sized to
//   2 x input + 2 points (a vertex emits at most two); a polyline run holds at most 2 x count.
// - Side values, differences and distances are formed in int64 or double, so any int32
//   coordinates clip correctly; every double that becomes a coordinate saturates.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

struct TClipWindow {
  // Segment clip rectangle: the view grown by 10 pixels on every side.
  int32_t xmin = 0, xmax = 0, ymin = 0, ymax = 0;
  // Polygon clip ring: the view rectangle itself, closed.
  POINT ring[5] = {};
  // The segment being clipped: current (outside) point and the other end.
  int32_t x = 0, y = 0, otherX = 0, otherY = 0;
  // The output run of DrawClippedPolyline.
  int32_t runCount = 0;
  BOOL lastResult = 1;
};

extern TClipWindow ClipWindow;
// Output of ClipPolygonToView and working room of the renderer; grows as needed.
extern std::vector<POINT> ScreenPoints;

// Sets both clip shapes from the view rectangle of the map about to be drawn.
void SetClipWindow(int32_t left, int32_t top, int32_t right, int32_t bottom);

// Outcode of ClipWindow's current point: 1 left, 2 right, 4 above, 8 below (strict tests).
int ComputeOutcode();
// Cohen-Sutherland: 1 and the clipped end points (start stays first), or 0 and unchanged.
int ClipSegment(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2);
// Draws the clipped segment; 0 when nothing was drawn.
int DrawClippedLine(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// Draws the visible runs of an open polyline, one Polyline call per run; the result of the last
// call, 1 when none was made.
BOOL DrawClippedPolyline(HDC dc, const POINT* points, int count);

// One Sutherland-Hodgman pass against boundary `edge` (0 x >= left, 1 y >= top, 2 x <= right,
// 3 y <= bottom); `out` is resized to hold the result. Returns the output count.
int ClipPolygonEdge(int edge, int count, const POINT* in, std::vector<POINT>& out);
// Clips the polygon in scratch[0 .. count) to the view rectangle into `out`, closed; returns
// the number of points with the closing one, or -1 when count < 3. `scratch` is overwritten.
int ClipPolygonToView(int count, std::vector<POINT>& scratch, std::vector<POINT>& out);
// Bridges hole B (holeCount points, closed) into ring A (count points, closed) at the hole
// vertex farthest from (rx, ry); returns the new count a + b + 4, or count unchanged when
// either is empty or the ring cannot grow.
int MergeHoleIntoRing(std::vector<POINT>& ring, int count, const POINT* hole, int holeCount,
                      int32_t rx, int32_t ry);
// Distance from P to segment S-E (to its line when asLine is set) and the foot point.
double PointSegmentDistance(int32_t px, int32_t py, int32_t sx, int32_t sy, int32_t ex,
                            int32_t ey, int32_t* footX, int32_t* footY, int asLine);
// Heron's formula; 0 for degenerate sides.
double TriangleArea(double a, double b, double c);
