#include "gps/almanac_bar.h"

#include "gps/panel_window.h"


HWND TAlmanacBar::Create(HWND mainWindow, HINSTANCE instance) {
  window = gps_panel::Create(mainWindow, instance, 0);
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

int TAlmanacBar::GetHeight() const { return gps_panel::Height(window); }
