// The language table's side that touches windows and menus.
#include "base/lang.h"

#include "platform/win.h"

namespace {
// 0 is no id at all and -1 (0xFFFF as a 16-bit control id) is the id every static label
// shares; -1 is also the code page's entry, whose text no control should show.
bool Translatable(int32_t id) { return id != 0 && id != -1 && id != 0xFFFF; }
}  // namespace

void TLang::TranslateDialog(HWND dialog) const {
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    int id = GetDlgCtrlID(child);
    if (!Translatable(id)) continue;
    const wchar_t* text = GetText(id);
    if (text[0]) SetWindowTextW(child, text);
  }
}

BOOL TLang::SetWindowText(HWND hwnd, int32_t id) const {
  const wchar_t* text = GetText(id);
  return text[0] ? SetWindowTextW(hwnd, text) : 0;
}

void TLang::TranslateMenu(HMENU menu) const {
  if (!menu) return;
  for (const TLangEntry& e : entries_) {
    if (!Translatable(e.id) || e.text.empty()) continue;
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_ID;
    // By command: submenus are searched too.
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(e.id), FALSE, &info)) continue;
    if (info.fType & (MFT_SEPARATOR | MFT_BITMAP)) continue;
    MENUITEMINFOW set{};
    set.cbSize = sizeof set;
    set.fMask = MIIM_TYPE;
    set.fType = info.fType;
    set.dwTypeData = const_cast<wchar_t*>(e.text.c_str());
    set.cch = static_cast<UINT>(e.text.size());
    SetMenuItemInfoW(menu, static_cast<UINT>(e.id), FALSE, &set);
  }
}
