// The almanac time bar above the command bar, which sets the time of the sky plot's predictions.
// Until its content is built it is a hidden window of no height.
#pragma once

#include "platform/win.h"

class TAlmanacBar {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  // Puts the bar's bottom edge at `bottom` (client pixels of the main window).
  void Place(int bottom);
  // 0 while hidden.
  int GetHeight() const;
  // Refills the sky plot from the predictions; nothing to refill yet.
  void Update() {}

  HWND window = nullptr;
};

extern TAlmanacBar g_AlmanacBar;
