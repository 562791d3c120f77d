// The GPS bar at the top of the map: satellites, DOP and speed of the latest fix, the point
// buttons and the follow button. Until its content is built the bar is a hidden window of no
// height that stores its time-outs and keeps the input-mode toggle.
#pragma once

#include <string>

#include "platform/win.h"

class TGpsBar {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  void Move(int top);
  // 0 while hidden.
  int GetHeight() const;
  void UpdateStatus() {}
  void OnPointsButton() {}
  // Input mode 1 becomes 5 (set a navigation point), any other becomes 1.
  void ToggleMode();
  // Port time-outs in seconds, 0 meaning off.
  void SetValues(int warningSeconds, int stopSeconds);

  HWND window = nullptr;
  int warningSeconds = 0;
  int stopSeconds = 0;
  int pointOnMapButton = 0;  // 0 up, 1 down
  int followButton = 0;      // 0 up, 1 down
};

extern TGpsBar g_GpsBar;

// The default name given to the next GPS point.
extern std::string g_DefaultPointName;
// Steps the default point name by +1 or -1: the trailing number is counted (a name without one
// gets "1" appended on +1); it never goes below 0.
void AdvancePointName(int step);
