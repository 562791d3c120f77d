#include "search/search_window.h"

int RunSearchWindow(HWND /*owner*/, HINSTANCE /*instance*/, int /*page*/) { return 0; }

int RunRouteDialog() { return 0; }
