#include "app/navigation.h"

#include "view/map_view.h"

void SetGpsFollow(int on) { g_MapView.followGps = on ? 1 : 0; }
int GetGpsFollow() { return g_MapView.followGps; }

int ToggleNavigationMode(HWND) { return 0; }
int ToggleGeodesyMode(HWND) { return 0; }
bool EnsureWorkMapForGps() { return false; }
int SetNavigationPointAt(int, int) { return 0; }
int SetGpsOffsetFromDrag(int, int, int, int) { return 0; }
int RoutePointTap(int, int) { return 0; }
int MoveEditedPointTo(int, int) { return 0; }
int AddGpsPointFromKey(int) { return 0; }
int ApplyTrackRecording(int) { return 0; }
