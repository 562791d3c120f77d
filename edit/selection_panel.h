// The selected-objects panel: the objects picked under the stylus, highlighted on the map. Until
// its content is built it is a hidden window of no height that keeps the selection it is given.
#pragma once

#include <vector>

#include "platform/win.h"
#include "view/highlight.h"

class TSelectionPanel {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  // 0 hides the panel, clears the highlight and closes the vertex-editing bar.
  void Show(int on);
  void SetTop(int top);
  int GetHeight() const;
  void SetSelection(const TObjectRef* refs, int count);
  // 0: the panel takes no pen input yet.
  int OnMapMouse(HWND /*mainWindow*/, int /*x*/, int /*y*/, UINT /*message*/) { return 0; }
  // Non-zero while the panel is shown and the input mode is 1.
  int IsEditing() const;

  HWND window = nullptr;
  std::vector<TObjectRef> selection;
};

extern TSelectionPanel g_SelectionPanel;
