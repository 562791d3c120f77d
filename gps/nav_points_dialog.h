// Dialog 124: the working map's named points, to pick a navigation target from, look one up on
// the map, add one at the view's centre, edit or delete one. The GPS bar runs it modally.
#pragma once

#include "platform/win.h"

struct TNavPointsDialog {
  // Result kinds the dialog leaves for its caller.
  enum : int { kShowOnMap = 1, kNavigateTo = 2, kNothing = 3, kPointEdited = 4 };

  double centreX = 0;  // plane metres (X northing) of the map view's centre, set by the caller
  double centreY = 0;  // plane metres (Y easting, zone-prefixed)
  int chosen = -1;     // object index in the working map, -1 none
  int result = kNothing;
  bool changed = false;  // a point was deleted while the dialog was open

  // Runs the dialog modally over `owner`; answers the EndDialog code (0 when it cannot open).
  int Run(HWND owner);
};

extern TNavPointsDialog g_NavPointsDialog;
