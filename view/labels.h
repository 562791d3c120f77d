// Text labels: a text object of a vector map laid out on the screen at a point, along one
// segment, along a polyline (natural, evenly spread or justified spacing), or one character per
// vertex or vertex pair, turned with each segment and sized by the map's scale.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TMdmMap;
struct TMapObject;

// Labels lower than this many pixels are not drawn (unreadable, and not worth a font).
constexpr int kMinLabelHeight = 9;
// The widened text of the justified layout takes no more added spaces past this length.
constexpr int kJustifyLimit = 2000;

// Draws the object's text; always 0. The DC's background mode is left as the caller set it.
int DrawTextObject(TMdmMap* map, HDC dc, TMapObject* object);

// Direction of the segment (x1, y1)-(x2, y2) in map units (x north, y east) plus `rotation`
// radians, as tenths of a degree 0..3599 counter-clockwise from the screen's x axis; 0 for a
// segment of zero length.
int SegmentAngle(double x1, double y1, double x2, double y2, double rotation);
