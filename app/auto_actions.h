// The idle clock of the automatic actions. Every window procedure reports user input to it; the
// actions themselves, their settings and the autosave timer are not built yet, so it only keeps
// the time of the last input.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TAutoActions {
 public:
  // Resets the idle clock on WM_COMMAND and WM_LBUTTONDOWN; other messages leave it.
  void OnUserInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void ResetIdle();
  // Reads the actions from the settings: none exist yet, so nothing is read.
  void LoadSettings() {}
  // Sets up the autosave timer of the working map from its settings: not built yet.
  void SetupAutosave() {}

  uint32_t lastInputTick = 0;  // GetTickCount at the last input, ms
  uint32_t resets = 0;         // how often the clock was reset
};

extern TAutoActions g_AutoActions;
