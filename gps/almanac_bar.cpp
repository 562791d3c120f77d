#include "gps/almanac_bar.h"

#include "base/ui/panel_window.h"


HWND TAlmanacBar::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TAlmanacBar::Show(int on) {
  if (window) ShowWindow(window, on ? SW_SHOW : SW_HIDE);
}

void TAlmanacBar::Place(int bottom) {
  if (!window) return;
  RECT r;
  GetWindowRect(window, &r);
  SetWindowPos(window, nullptr, 0, bottom - (r.bottom - r.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TAlmanacBar::GetHeight() const { return panel_window::Height(window); }
