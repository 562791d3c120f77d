// The window of a panel that has no content yet: a hidden child of the main window, 0 pixels
// high, so the main window's layout gives it no room. The GPS bars and the editing panels use it.
#pragma once

#include "platform/win.h"

namespace panel_window {

// A hidden child window of `parent` at (0, top); null when the window cannot be made.
inline HWND Create(HWND parent, HINSTANCE instance, int top) {
  return CreateWindowExW(0, L"static", L"", WS_CHILD, 0, top, 240, 0, parent, nullptr, instance,
                         nullptr);
}

inline void Show(HWND window, int on) {
  if (window) ShowWindow(window, on ? SW_SHOW : SW_HIDE);
}

inline void MoveTop(HWND window, int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

// The window's height while visible, else 0.
inline int Height(HWND window) {
  if (!window || !IsWindowVisible(window)) return 0;
  RECT r;
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

inline bool Shown(HWND window) { return window && IsWindowVisible(window); }

}  // namespace panel_window
