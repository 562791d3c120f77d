#include "edit/tool_panel.h"

#include "base/ui/panel_window.h"


HWND TToolPanel::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TToolPanel::Show(int on) { panel_window::Show(window, on); }

void TToolPanel::MoveTo(int top) { panel_window::MoveTop(window, top); }

int TToolPanel::GetHeight() const { return panel_window::Height(window); }

int TToolPanel::IsShown() const { return panel_window::Shown(window) ? 1 : 0; }

int TToolPanel::GetCurrentPoint(double* x, double* y) const {
  if (pointX == 0 || pointY == 0) return 0;
  if (x) *x = pointX;
  if (y) *y = pointY;
  return 1;
}
