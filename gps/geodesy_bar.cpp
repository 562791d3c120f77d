#include "gps/geodesy_bar.h"

#include "base/ui/panel_window.h"


HWND TGeodesyBar::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TGeodesyBar::Show(int on) {
  if (window) ShowWindow(window, on ? SW_SHOW : SW_HIDE);
}

void TGeodesyBar::Move(int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TGeodesyBar::GetHeight() const { return panel_window::Height(window); }
