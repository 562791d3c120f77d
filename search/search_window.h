// The search window with its address and object pages, and the route dialog.
#pragma once

#include "platform/win.h"

// Page 0 address, 1 object. 0: nothing was searched (the window is not built yet, so it never
// opens).
int RunSearchWindow(HWND owner, HINSTANCE instance, int page);
// 0: no route was asked for (not built yet).
int RunRouteDialog();
