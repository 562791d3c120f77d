#include "edit/selection_panel.h"

#include "base/input_mode.h"
#include "base/ui/panel_window.h"
#include "edit/vertex_edit_bar.h"
#include "view/map_view.h"


HWND TSelectionPanel::Create(HWND mainWindow, HINSTANCE instance) {
  window = panel_window::Create(mainWindow, instance, 0);
  return window;
}

void TSelectionPanel::Show(int on) {
  panel_window::Show(window, on);
  if (!on) {
    g_MapView.ClearHighlights();
    g_VertexEditBar.Show(0);
  }
}

void TSelectionPanel::SetTop(int top) { panel_window::MoveTop(window, top); }

int TSelectionPanel::GetHeight() const { return panel_window::Height(window); }

void TSelectionPanel::SetSelection(const TObjectRef* refs, int count) {
  selection.assign(refs, refs + (refs && count > 0 ? count : 0));
}

int TSelectionPanel::IsEditing() const {
  return panel_window::Shown(window) && GetInputMode() == input_mode::kNormal ? 1 : 0;
}
