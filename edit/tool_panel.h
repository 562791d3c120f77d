// The construction-tools panel. Until its content is built it is a hidden window of no height
// without a current point.
#pragma once

#include "platform/win.h"

class TToolPanel {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  void MoveTo(int top);
  int GetHeight() const;
  int IsShown() const;
  // Non-zero when shown and no drag is under way.
  int IsIdle() const { return IsShown(); }
  // Non-zero, with both written, when the current point is set (both coordinates non-zero).
  int GetCurrentPoint(double* x, double* y) const;
  int IsVertexEditActive() const { return 0; }
  // Enables (non-zero) or disables the panel's two construction buttons; none exist yet.
  void Enable(int /*on*/) {}
  int OnMapMouse(HWND /*mainWindow*/, int /*x*/, int /*y*/, UINT /*message*/) { return 0; }

  HWND window = nullptr;
  double pointX = 0, pointY = 0;  // plane metres; 0, 0 = no point
  int blankAutoShowNew = 0;       // "BlankAutoShowNew", copied in while shown
};

extern TToolPanel g_ToolPanel;
