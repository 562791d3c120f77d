// Where labels may still go on the screen: the screen's rectangle and a flat list of the
// rectangles already taken. Labels are placed greedily, each at the first of twelve positions
// around its point that stays on the screen and clear of every taken rectangle.
//
// Rectangles are left, top, right, bottom in screen pixels; touching edges count as overlapping.
// Areas are summed in 64 bits, saturating (a rectangle over the int32 range has an area of 2^64).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win_types.h"

// A and B share at least one point (touching edges included).
bool RectsOverlap(const RECT& a, const RECT& b);
// A lies within B, edges included.
bool RectInside(const RECT& a, const RECT& b);
// The same width and height with the top-left corner at (left, top).
RECT MoveRectTo(const RECT& r, int32_t left, int32_t top);

class TLabelOccupancy {
 public:
  // Empties the list and takes `area` as the rectangle labels must stay inside.
  void Reset(const RECT& area);
  void Free();
  // Adds a taken rectangle; dropped when the list cannot grow.
  void Append(const RECT& r);
  // 1 when `r` is inside the area and clear of every taken rectangle.
  int Fits(const RECT& r) const;
  // The first of the twelve positions around (x, y) at distance r where `label` (only its size
  // counts) fits, written to *out; 1 found, 0 none.
  int TryPlace(int32_t x, int32_t y, int32_t r, const RECT& label, RECT* out) const;
  // TryPlace, then takes the placed rectangle grown by 2r on every side; `out` may be null.
  int Place(int32_t x, int32_t y, int32_t r, const RECT& label, RECT* out);
  int64_t Area() const;
  // The taken rectangles' areas summed (overlaps counted twice).
  int64_t OccupiedArea() const;
  int32_t Count() const { return int32_t(taken.size()); }
  const RECT& Taken(int32_t i) const { return taken[size_t(i)]; }

  RECT area = {0, 0, 0, 0};

 private:
  std::vector<RECT> taken;
  int64_t occupied = 0;
};
