#include "edit/object_list_panel.h"

#include "base/ui/panel_window.h"


HWND TObjectListPanel::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TObjectListPanel::Show(int on) { panel_window::Show(window, on); }

void TObjectListPanel::PlaceAbove(int bottom) {
  panel_window::MoveTop(window, bottom - GetHeight());
}

int TObjectListPanel::GetHeight() const { return panel_window::Height(window); }
