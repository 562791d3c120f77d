#include "view/label_occupancy.h"

#include <new>

namespace {
// A rectangle spanning the whole int32 range has an area of 2^64: sums saturate at the int64
// ends rather than wrap.
int64_t Saturate(__int128 v) {
  if (v > INT64_MAX) return INT64_MAX;
  if (v < INT64_MIN) return INT64_MIN;
  return int64_t(v);
}
int64_t RectArea(const RECT& r) {
  return Saturate(__int128(int64_t(r.right) - r.left) * (int64_t(r.bottom) - r.top));
}
}  // namespace

bool RectsOverlap(const RECT& a, const RECT& b) {
  return !(a.right < b.left || b.right < a.left || a.bottom < b.top || b.bottom < a.top);
}

bool RectInside(const RECT& a, const RECT& b) {
  return b.left <= a.left && a.right <= b.right && b.top <= a.top && a.bottom <= b.bottom;
}

RECT MoveRectTo(const RECT& r, int32_t left, int32_t top) {
  RECT m;
  m.left = left;
  m.top = top;
  m.right = int32_t(int64_t(left) + (int64_t(r.right) - r.left));
  m.bottom = int32_t(int64_t(top) + (int64_t(r.bottom) - r.top));
  return m;
}

void TLabelOccupancy::Reset(const RECT& a) {
  Free();
  area = a;
}

void TLabelOccupancy::Free() {
  taken.clear();
  taken.shrink_to_fit();
  occupied = 0;
}

void TLabelOccupancy::Append(const RECT& r) {
  try {
    if (taken.size() == taken.capacity()) taken.reserve(taken.size() + 10);
    taken.push_back(r);
  } catch (const std::bad_alloc&) {
    return;  // the rectangle is dropped: a label may later overlap it, nothing is lost
  }
  occupied = Saturate(__int128(occupied) + RectArea(r));
}

int TLabelOccupancy::Fits(const RECT& r) const {
  if (!RectInside(r, area)) return 0;
  for (const RECT& t : taken)
    if (RectsOverlap(r, t)) return 0;
  return 1;
}

int TLabelOccupancy::TryPlace(int32_t x, int32_t y, int32_t r, const RECT& label,
                              RECT* out) const {
  // In int64: a point far off the screen must not wrap onto it.
  const int64_t w = int64_t(label.right) - label.left, h = int64_t(label.bottom) - label.top;
  const int64_t X = x, Y = y, R = r;
  const int64_t pos[12][2] = {
      {X + R, Y - h - R},         {X + R, Y - h / 2},         {X + R, Y},
      {X - w / 4, Y + R},         {X - w / 2, Y + R},         {X - 3 * (w / 4), Y + R},
      {X - R - w, Y + R},         {X - R - w, Y - h / 2},     {X - R - w, Y - h - R},
      {X - 3 * (w / 4), Y - R - h}, {X - w / 2, Y - R - h},   {X - w / 4, Y - R - h},
  };
  for (const auto& p : pos) {
    const int64_t right = p[0] + w, bottom = p[1] + h;
    if (p[0] < INT32_MIN || right > INT32_MAX || p[1] < INT32_MIN || bottom > INT32_MAX) continue;
    RECT c = MoveRectTo(label, int32_t(p[0]), int32_t(p[1]));
    if (Fits(c)) {
      if (out) *out = c;
      return 1;
    }
  }
  return 0;
}

int TLabelOccupancy::Place(int32_t x, int32_t y, int32_t r, const RECT& label, RECT* out) {
  RECT placed;
  if (!TryPlace(x, y, r, label, &placed)) return 0;
  if (out) *out = placed;
  const int64_t g = 2 * int64_t(r);
  auto clamp = [](int64_t v) { return int32_t(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); };
  RECT grown;
  grown.left = clamp(placed.left - g);
  grown.top = clamp(placed.top - g);
  grown.right = clamp(placed.right + g);
  grown.bottom = clamp(placed.bottom + g);
  Append(grown);
  return 1;
}

int64_t TLabelOccupancy::Area() const { return RectArea(area); }

int64_t TLabelOccupancy::OccupiedArea() const { return occupied; }
