#include "edit/object_list_panel.h"

#include "edit/panel_window.h"


HWND TObjectListPanel::Create(HWND mainWindow, HINSTANCE instance) {
  window = edit_panel::Create(mainWindow, instance, 0);
  return window;
}

void TObjectListPanel::Show(int on) { edit_panel::Show(window, on); }

void TObjectListPanel::PlaceAbove(int bottom) { edit_panel::MoveTop(window, bottom - GetHeight()); }

int TObjectListPanel::GetHeight() const { return edit_panel::Height(window); }
