// Picking a file in the program's file browser as the user does: the row of that name tapped
// with the pen (its list is control 4), then OK.
#pragma once

#include <string>

#include "platform/harness.h"
#include "platform/win.h"

namespace browser_pick {

inline void TapRowAndOk(HWND browser, const std::wstring& name) {
  HWND list = GetDlgItem(browser, 4);
  for (int i = 0; i < int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++i) {
    wchar_t text[300] = {};
    LVITEMW lv{};
    lv.pszText = text;
    lv.cchTextMax = 300;
    SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(i), LPARAM(&lv));
    if (name != text) continue;
    RECT rc{};
    rc.left = LVIR_BOUNDS;
    SendMessageW(list, LVM_GETITEMRECT, WPARAM(i), LPARAM(&rc));
    POINT p{rc.left + 30, (rc.top + rc.bottom) / 2};
    ClientToScreen(list, &p);
    harness::Tap(p.x, p.y);
  }
  SendMessageW(browser, WM_COMMAND, IDOK, 0);
}

}  // namespace browser_pick
