// The vertex-editing bar. Until its content is built it is a hidden window of no height without
// a current point.
#pragma once

#include "platform/win.h"

class TVertexEditBar {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  // Height of the window while visible, else 0.
  int GetHeight() const;
  int GetCurrentPoint(double* x, double* y) const;
  int OnMapMouse(HWND /*mainWindow*/, int /*x*/, int /*y*/, UINT /*message*/) { return 0; }

  HWND window = nullptr;
  double pointX = 0, pointY = 0;  // plane metres; 0, 0 = no point
};

extern TVertexEditBar g_VertexEditBar;
