#include "edit/selection_panel.h"

#include "app/input.h"
#include "edit/panel_window.h"
#include "edit/vertex_edit_bar.h"
#include "view/map_view.h"


HWND TSelectionPanel::Create(HWND mainWindow, HINSTANCE instance) {
  window = edit_panel::Create(mainWindow, instance, 0);
  return window;
}

void TSelectionPanel::Show(int on) {
  edit_panel::Show(window, on);
  if (!on) {
    g_MapView.ClearHighlights();
    g_VertexEditBar.Show(0);
  }
}

void TSelectionPanel::SetTop(int top) { edit_panel::MoveTop(window, top); }

int TSelectionPanel::GetHeight() const { return edit_panel::Height(window); }

void TSelectionPanel::SetSelection(const TObjectRef* refs, int count) {
  selection.assign(refs, refs + (refs && count > 0 ? count : 0));
}

int TSelectionPanel::IsEditing() const {
  return edit_panel::Shown(window) && GetInputMode() == 1 ? 1 : 0;
}
