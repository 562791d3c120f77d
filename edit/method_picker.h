// The method picker: a modal dialog (200) of picture tiles, one for each construction method
// the user can choose (0 to 8); the tile tapped is the method. Method 9 has no tile.
#pragma once

#include "base/ui/soft_button.h"
#include "platform/win.h"

class TMethodPicker {
 public:
  static constexpr int kTemplate = 200;
  static constexpr int kCancel = 4;
  static constexpr int kTiles = 9;
  static constexpr int kTileSize = 42;

  // Preselects *method, runs the dialog over `owner`, writes the chosen method back and redraws
  // the main window. 1 when a tile was tapped, 0 when cancelled (the method stays).
  int Run(HWND owner, HINSTANCE instance, int* method);

  void Init(HWND dialog);
  void Paint();
  // The tile under a client point, -1 between tiles.
  int TileAt(int x, int y) const;

  HWND window = nullptr;
  TStripImage tiles[kTiles];
  int selected = 0;
  int chosen = 0;
};

extern TMethodPicker g_MethodPicker;
