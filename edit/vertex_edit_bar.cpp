#include "edit/vertex_edit_bar.h"

#include "edit/panel_window.h"


HWND TVertexEditBar::Create(HWND mainWindow, HINSTANCE instance) {
  window = edit_panel::Create(mainWindow, instance, 0);
  return window;
}

void TVertexEditBar::Show(int on) { edit_panel::Show(window, on); }

int TVertexEditBar::GetHeight() const { return edit_panel::Height(window); }

int TVertexEditBar::GetCurrentPoint(double* x, double* y) const {
  if (pointX == 0 || pointY == 0) return 0;
  if (x) *x = pointX;
  if (y) *y = pointY;
  return 1;
}
