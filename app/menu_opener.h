// The menu opener: makes the scale popup of the menu bar open with the scale in force
// highlighted. The shell's menu window takes no selection from outside, so once the popup shows
// the opener walks its highlight with arrow keys: down past the wanted item by `lead` steps and
// back up again, which leaves the item highlighted and scrolled into view. A highlight the user
// has already moved (keys pressed within the delay) is left where the user put it.
#pragma once

#include <cstdint>

#include "platform/win.h"

class TMenuOpener {
 public:
  // Positions asked of the menu before giving up on the item.
  static constexpr int kMaxPositions = 100;
  static constexpr UINT kDelayMs = 100;

  void Init(HMENU popup);
  // 1 and armed when `popup` is the stored menu (a 100 ms windowless timer is started with
  // `timerProc` when one is given); 0 otherwise.
  int OnInitMenuPopup(HMENU popup, UINT commandId, TIMERPROC timerProc);
  // 1 when armed: the keys are sent to the shell's menu window when the item was found, the
  // window exists and its highlight is still on the first item; the timer stops and the opener
  // disarms. 0 when not armed.
  int OnTimer();

  HMENU menu = nullptr;
  int32_t armed = 0;
  int32_t itemIndex = -1;
  UINT_PTR timerId = 0;
  int32_t lead = 8;
};

// The opener of the menu bar's scale popup.
extern TMenuOpener g_MenuOpener;
