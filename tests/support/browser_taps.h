// The pen on a dialog as a user holds it: a control tapped at its centre, and a row of the file
// browser chosen by its name, then OK.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/harness.h"
#include "platform/win.h"

namespace test_taps {

inline void TapControl(HWND dialog, int id) {
  RECT rc{};
  ASSERT_TRUE(GetWindowRect(GetDlgItem(dialog, id), &rc)) << id;
  harness::Tap((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
}

// Taps the browser's row named `name` (a file or a folder), then OK when `ok`; whether the row
// was listed.
inline bool ChooseInBrowser(HWND browser, const std::wstring& name, bool ok = true) {
  HWND list = GetDlgItem(browser, 4);
  const int n = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  bool found = false;
  for (int i = 0; i < n && !found; ++i) {
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
    found = true;
  }
  if (ok) TapControl(browser, IDOK);
  return found;
}

}  // namespace test_taps
