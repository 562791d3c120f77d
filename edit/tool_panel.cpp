#include "edit/tool_panel.h"

#include "edit/panel_window.h"


HWND TToolPanel::Create(HWND mainWindow, HINSTANCE instance) {
  window = edit_panel::Create(mainWindow, instance, 0);
  return window;
}

void TToolPanel::Show(int on) { edit_panel::Show(window, on); }

void TToolPanel::MoveTo(int top) { edit_panel::MoveTop(window, top); }

int TToolPanel::GetHeight() const { return edit_panel::Height(window); }

int TToolPanel::IsShown() const { return edit_panel::Shown(window) ? 1 : 0; }

int TToolPanel::GetCurrentPoint(double* x, double* y) const {
  if (pointX == 0 || pointY == 0) return 0;
  if (x) *x = pointX;
  if (y) *y = pointY;
  return 1;
}
