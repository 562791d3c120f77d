// MessageBoxW. Under the harness the script answers and nothing is shown; otherwise a modal box
// made from a template built here: the text, and one button per answer, the default focused.
#include <vector>

#include "platform/core/internal.h"
#include "platform/ui/control.h"

namespace vplat::ui {
namespace {

INT_PTR CALLBACK BoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_INITDIALOG) return TRUE;
  if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    EndDialog(dlg, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace
}  // namespace vplat::ui

extern "C" int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  using namespace vplat::ui;
  int answer = 0;
  if (vplat::ScriptMessageBox(owner, text ? text : L"", caption ? caption : L"", type, &answer))
    return answer;
  struct Button { int id; const wchar_t* label; };
  std::vector<Button> buttons;
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: buttons = {{IDOK, L"OK"}, {IDCANCEL, L"Cancel"}}; break;
    case MB_YESNO: buttons = {{IDYES, L"Yes"}, {IDNO, L"No"}}; break;
    case MB_YESNOCANCEL: buttons = {{IDYES, L"Yes"}, {IDNO, L"No"}, {IDCANCEL, L"Cancel"}}; break;
    case MB_RETRYCANCEL: buttons = {{IDRETRY, L"Retry"}, {IDCANCEL, L"Cancel"}}; break;
    case MB_ABORTRETRYIGNORE: buttons = {{IDABORT, L"Abort"}, {IDRETRY, L"Retry"}, {IDIGNORE, L"Ignore"}}; break;
    default: buttons = {{IDOK, L"OK"}}; break;
  }
  size_t def = ((type & MB_DEFMASK) >> 8) < buttons.size() ? (type & MB_DEFMASK) >> 8 : 0;
  // Laid out on the 240-pixel screen: the text above, buttons of 60 x 22 in a row below.
  std::vector<DLGITEMTEMPLATEW> items;
  const wchar_t* icon = (type & MB_ICONMASK) == MB_ICONHAND ? L"\u26D4" :
                        (type & MB_ICONMASK) == MB_ICONQUESTION ? L"?" :
                        (type & MB_ICONMASK) == MB_ICONEXCLAMATION ? L"!" :
                        (type & MB_ICONMASK) == MB_ICONASTERISK ? L"i" : nullptr;
  int textLeft = icon ? 30 : 8;
  if (icon) items.push_back({L"static", -1, icon, SS_CENTER, 0, 6, 10, 20, 20});
  items.push_back({L"static", -1, text ? text : L"", SS_LEFT, 0, textLeft, 8, 224 - textLeft, 84});
  int n = static_cast<int>(buttons.size());
  int x = (220 - n * 64) / 2 + 10;
  for (int i = 0; i < n; ++i)
    items.push_back({L"button", buttons[static_cast<size_t>(i)].id, buttons[static_cast<size_t>(i)].label,
                     static_cast<DWORD>((static_cast<size_t>(i) == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) |
                                        WS_TABSTOP | (i == 0 ? WS_GROUP : 0)),
                     0, x + i * 64, 98, 60, 22});
  DLGTEMPLATEW t{DLGTEMPLATE_MAGIC, 0, WS_POPUP | WS_CAPTION | WS_BORDER, WS_EX_TOPMOST,
                 caption ? caption : L"", nullptr, 0, 4, 110, 232, 152, items.data(),
                 static_cast<int>(items.size())};
  INT_PTR r = DialogBoxIndirectParamW(nullptr, &t, owner, BoxProc, 0);
  return r <= 0 ? (n > 1 && buttons.back().id == IDCANCEL ? IDCANCEL : buttons[0].id) : static_cast<int>(r);
}
