// Sight rings: circles of given distances round the GPS position, drawn over the map. Until the
// drawing is built the object keeps its rings text, position and on flag and draws nothing.
#pragma once

#include <string>

#include "platform/win.h"

// Plane (metres) to screen pixels of the main view.
typedef void (*TSightTransform)(double planeX, double planeY, int32_t* screenX, int32_t* screenY);

class TSightRule {
 public:
  explicit TSightRule(TSightTransform toScreen = nullptr) : toScreen(toScreen) {}
  // The NaviRuleSightList text: "distance,colour;" pairs. Kept as given.
  void ParseRings(const char* text);
  void SetPosition(int on, double x, double y, double heading);
  void Draw(HDC /*dc*/, const RECT& /*view*/) {}

  TSightTransform toScreen;
  std::string rings;
  int on = 0;  // "NaviRuleSight"
  int positionOn = 0;
  double x = 0, y = 0;  // plane metres
  double heading = 0;   // radians
};

extern TSightRule g_SightRule;
