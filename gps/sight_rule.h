// Sight rings: range rings round the GPS position on the map, with a grey line through the
// position across the course, so that distances can be judged while moving. The rings come from
// the setting "NaviRuleSightList", a list of "radius;" or "radius:colour;" segments (metres,
// colour a decimal COLORREF 0x00BBGGRR); "NaviRuleSight" switches the whole feature.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win.h"

// Plane (metres) to screen pixels of the main view.
typedef void (*TSightTransform)(double planeX, double planeY, int32_t* screenX, int32_t* screenY);

struct SightRing {
  COLORREF colour;
  int32_t radius;  // metres, above 0
};

class TSightRule {
 public:
  // At most this many segments of a list are read.
  static constexpr int kMaxRings = 15;
  // A ring whose box is this wide or narrower on screen is not drawn (pixels).
  static constexpr int kMinDrawnWidth = 19;

  explicit TSightRule(TSightTransform toScreen = nullptr) : toScreen(toScreen) {}
  virtual ~TSightRule() { Clear(); }
  TSightRule(const TSightRule&) = delete;
  TSightRule& operator=(const TSightRule&) = delete;

  // Replaces all rings by those of the list; text after the last ';' is not read.
  void ParseRings(const char* text);
  // `onFlag` 1 while the view has a valid fix; the centre in plane metres (X northing, Y
  // easting) and the course in radians. With 0 only the flag is stored.
  void SetPosition(int onFlag, double x, double y, double courseRadians);
  void Draw(HDC dc, const RECT& rect);
  // No rings, and no position until the next SetPosition.
  void Clear();

  TSightTransform toScreen;
  int on = 0;          // enabled: the value of "NaviRuleSight"
  int positionOn = 0;  // the view has a valid fix
  double x = 0, y = 0;       // plane metres
  double crossAngle = 0;     // radians: the course + pi/2
  std::vector<SightRing> rings;
  RECT lastRect = {0, 0, 0, 0};
};

extern TSightRule g_SightRule;
