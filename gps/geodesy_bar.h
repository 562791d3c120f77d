// The geodesy bar: the Stop&Go occupation of a geodetic receiver with its site list. Until its
// content is built it is a hidden window of no height with no occupation running.
#pragma once

#include "platform/win.h"

class TGeodesyBar {
 public:
  HWND Create(HWND mainWindow, HINSTANCE instance);
  void Show(int on);
  void Move(int top);
  // 0 while hidden.
  int GetHeight() const;
  void UpdateStatus() {}
  void FillSiteCombo() {}
  void StartStatic() {}
  void StartDynamic() {}
  void StartDynamicAuto() {}

  HWND window = nullptr;
  int occupation = 0;  // 0 none, 1 static, 2 dynamic
  int followButton = 0, staticButton = 0, dynamicButton = 0, autoButton = 0;  // 0 up, 1 down
  int blankAutoShowNew = 0;  // "BlankAutoShowNew", copied in while shown
};

extern TGeodesyBar g_GeodesyBar;
