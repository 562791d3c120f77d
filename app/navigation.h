// Navigation mode from the main window: GPS follow, the navigation and geodesy modes, and the
// taps that set navigation points, the GPS offset and the ends of a route. Only GPS follow is
// built; the rest is not built yet, does nothing and answers failure.
#pragma once

#include "platform/win.h"

// Follows the GPS position (on non-zero) or stops following it.
void SetGpsFollow(int on);
int GetGpsFollow();
// Navigation / geodesy mode on or off: not built yet; 0, nothing changes.
int ToggleNavigationMode(HWND mainWindow);
int ToggleGeodesyMode(HWND mainWindow);
// Makes sure a working map exists for recording: not built yet, so false.
bool EnsureWorkMapForGps();
// Screen-point actions of the input modes (pixels of the main window): not built yet; each
// answers 0 and changes nothing.
int SetNavigationPointAt(int x, int y);
int SetGpsOffsetFromDrag(int x0, int y0, int x1, int y1);
int RoutePointTap(int x, int y);
int MoveEditedPointTo(int x, int y);
// Adds a point at the GPS position for the hardware key that fired: not built yet; 0.
int AddGpsPointFromKey(int key);
// Applies NaviSaveLog to track recording: not built yet; 0.
int ApplyTrackRecording(int on);
