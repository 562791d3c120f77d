#include "edit/vertex_edit_bar.h"

#include "base/ui/panel_window.h"


HWND TVertexEditBar::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TVertexEditBar::Show(int on) { panel_window::Show(window, on); }

int TVertexEditBar::GetHeight() const { return panel_window::Height(window); }

int TVertexEditBar::GetCurrentPoint(double* x, double* y) const {
  if (pointX == 0 || pointY == 0) return 0;
  if (x) *x = pointX;
  if (y) *y = pointY;
  return 1;
}
