// The idle clock: the tick of the user's last input. Every window and dialog procedure of the
// program reports its messages here (OnUserInput); the main window also resets it on pen up, hot
// keys and menus. The automatic actions of app/ read it once a second.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

class TIdleClock {
 public:
  // Stamps the clock, so that a program that never sees input still counts from its start.
  TIdleClock();
  // Resets the clock on WM_COMMAND and WM_LBUTTONDOWN; every other message leaves it (pen moves
  // and keys are not input that keeps the program awake).
  void OnUserInput(UINT message);
  void ResetIdleClock();
  // Whole seconds since the last input; the 32-bit tick is subtracted unsigned, so the count
  // holds across its wrap after 49.7 days.
  uint32_t IdleSeconds() const;

  uint32_t lastInput = 0;  // GetTickCount at the last input, ms
  uint32_t resets = 0;     // how often the clock was reset (tests read it)
};

extern TIdleClock g_IdleClock;
