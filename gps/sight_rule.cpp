#include "gps/sight_rule.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr COLORREF kCrossGrey = RGB(100, 100, 100);
constexpr COLORREF kMaxColour = 0x00FFFFFF;
constexpr size_t kGrowth = 5;  // ring entries added at a time
// A ring without its own colour takes the colour of its place in the list: red, green, blue,
// then black.
constexpr COLORREF kPositionColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};

COLORREF PositionColour(int index) {
  return index < 3 ? kPositionColours[index] : RGB(0, 0, 0);
}

// The integer prefix of [begin, end) as strtol reads it in the C locale (blanks, a sign,
// digits); no digits is 0. `fits` is false when the value leaves the 32-bit range.
int64_t IntegerPrefix(const char* begin, const char* end, bool* fits) {
  const char* p = begin;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  int64_t value = 0;
  *fits = true;
  for (; p < end && *p >= '0' && *p <= '9'; ++p) {
    value = value * 10 + (*p - '0');
    if (value > int64_t(INT32_MAX) + 1) {
      *fits = false;
      return 0;
    }
  }
  value = negative ? -value : value;
  if (value > INT32_MAX || value < INT32_MIN) *fits = false;
  return value;
}

}  // namespace

void TSightRule::Clear() {
  rings.clear();
  rings.shrink_to_fit();
  positionOn = 0;
}

void TSightRule::ParseRings(const char* text) {
  Clear();
  if (!text) return;
  const char* end = text + std::strlen(text);
  const char* segment = text;
  for (int index = 0; index < kMaxRings; ++index) {
    const char* stop = static_cast<const char*>(std::memchr(segment, ';', size_t(end - segment)));
    if (!stop) break;  // what follows the last ';' is not a segment
    // The ':' is looked for from the segment's second character on.
    const char* colon = stop - segment > 1
                            ? static_cast<const char*>(
                                  std::memchr(segment + 1, ':', size_t(stop - segment - 1)))
                            : nullptr;
    bool radiusFits = true, colourFits = true;
    const int64_t radius = IntegerPrefix(segment, colon ? colon : stop, &radiusFits);
    COLORREF colour = PositionColour(index);
    if (colon) {
      const int64_t c = IntegerPrefix(colon + 1, stop, &colourFits);
      if (colourFits && c >= 0 && c <= int64_t(kMaxColour)) colour = COLORREF(c);
    }
    // 0, no number, a negative radius or one beyond 32 bits adds nothing but keeps its place.
    if (radiusFits && radius > 0) {
      if (rings.size() == rings.capacity()) rings.reserve(rings.size() + kGrowth);
      rings.push_back(SightRing{colour, int32_t(radius)});
    }
    segment = stop + 1;
  }
}

void TSightRule::SetPosition(int onFlag, double px, double py, double course) {
  positionOn = onFlag;
  if (!onFlag) return;
  x = px;
  y = py;
  crossAngle = (std::isfinite(course) ? course : 0.0) + kPi / 2;
}

void TSightRule::Draw(HDC dc, const RECT& rect) {
  if (!on || !positionOn || !dc || !toScreen) return;
  if (!std::isfinite(x) || !std::isfinite(y)) return;
  lastRect = rect;
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  HPEN grey = CreatePen(PS_SOLID, 1, kCrossGrey);
  HGDIOBJ oldPen = SelectObject(dc, grey);
  int32_t reach = 0;
  for (const SightRing& ring : rings) reach = ring.radius > reach ? ring.radius : reach;
  const double c = std::cos(crossAngle) * reach, s = std::sin(crossAngle) * reach;
  POINT line[2];
  int32_t sx, sy;
  toScreen(x - c, y - s, &sx, &sy);
  line[0] = POINT{sx, sy};
  toScreen(x + c, y + s, &sx, &sy);
  line[1] = POINT{sx, sy};
  Polyline(dc, line, 2);
  for (const SightRing& ring : rings) {
    HPEN pen = CreatePen(PS_SOLID, 1, ring.colour);
    SelectObject(dc, pen);
    int32_t x1, y1, x2, y2;
    toScreen(x - ring.radius, y - ring.radius, &x1, &y1);
    toScreen(x + ring.radius, y + ring.radius, &x2, &y2);
    // The box comes out north-up, its y corners inverted; Ellipse takes it normalised.
    if (std::llabs(int64_t(x2) - x1) > kMinDrawnWidth) Ellipse(dc, x1, y1, x2, y2);
    SelectObject(dc, grey);
    DeleteObject(pen);
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(grey);
}
