// The window of a panel of this subsystem that has no content yet: a hidden child of the main
// window, 0 pixels high, so the main window's layout gives it no room.
#pragma once

#include "platform/win.h"

namespace gps_panel {

// A hidden child window of `parent` at (0, top); null when the window cannot be made.
inline HWND Create(HWND parent, HINSTANCE instance, int top) {
  return CreateWindowExW(0, L"static", L"", WS_CHILD, 0, top, 240, 0, parent, nullptr, instance,
                         nullptr);
}

// The window's height while visible, else 0.
inline int Height(HWND window) {
  if (!window || !IsWindowVisible(window)) return 0;
  RECT r;
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

}  // namespace gps_panel
