// The found-objects panel above the command bar. Until its content is built it is a hidden
// window of no height.
#pragma once

#include "platform/win.h"

class TObjectListPanel {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  // Puts the panel's bottom edge at `bottom` (client pixels of the main window).
  void PlaceAbove(int bottom);
  int GetHeight() const;

  HWND window = nullptr;
};

extern TObjectListPanel g_ObjectListPanel;
