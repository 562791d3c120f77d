#include "app/menu_opener.h"

void TMenuOpener::Init(HMENU popup) {
  menu = popup;
  armed = 0;
  itemIndex = -1;
  timerId = 0;
  lead = 8;
}

int TMenuOpener::OnInitMenuPopup(HMENU popup, UINT commandId, TIMERPROC timerProc) {
  if (!popup || popup != menu) return 0;
  itemIndex = -1;
  for (int pos = 0; pos < kMaxPositions; ++pos) {
    const UINT id = GetMenuItemID(menu, pos);
    if (id == UINT(-1)) break;  // past the last item (or a submenu, which the scale menu has not)
    if (id == commandId) {
      itemIndex = pos;
      break;
    }
  }
  armed = 1;
  if (timerProc) {
    if (timerId) KillTimer(nullptr, timerId);  // a second popup before the first tick
    timerId = SetTimer(nullptr, 0, kDelayMs, timerProc);
  }
  return 1;
}

namespace {

// Whether the highlight is still where the popup put it: on its first item that is not a
// separator. Keys the user pressed before the delay ran out have moved it: the walk, which
// counts from the first item, would then carry it off by that many rows, so it is left alone.
bool HighlightWhereItOpened(HMENU menu) {
  int first = -1;
  for (int pos = 0; pos < TMenuOpener::kMaxPositions; ++pos) {
    const UINT state = GetMenuState(menu, UINT(pos), MF_BYPOSITION);
    if (state == UINT(-1)) break;
    if (first < 0 && !(state & MF_SEPARATOR)) first = pos;
    if (state & MF_HILITE) return pos == first;
  }
  return true;  // nothing highlighted
}

}  // namespace

int TMenuOpener::OnTimer() {
  if (!armed) return 0;
  if (itemIndex >= 0 && HighlightWhereItOpened(menu)) {
    if (HWND w = FindWindowW(L"MNU", L"")) {
      for (int i = 0; i < itemIndex + lead; ++i) SendMessageW(w, WM_KEYDOWN, VK_DOWN, 0);
      for (int i = 0; i < lead; ++i) SendMessageW(w, WM_KEYDOWN, VK_UP, 0);
    }
  }
  if (timerId) {
    KillTimer(nullptr, timerId);
    timerId = 0;
  }
  armed = 0;
  return 1;
}

// g_MenuOpener is defined with the program's other globals, in app/globals.cpp.
