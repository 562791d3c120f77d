// The settings store's accessors bound to dialog controls: texts move between the store's 8-bit
// values and the controls' wide texts with the program code page, paths with the path page.
#include "base/ini_file.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "base/text_utils.h"
#include "base/typed_number.h"
#include "platform/win.h"

int TIniFile::SetStringFromDlgItem(const char* key, HWND dialog, int id) {
  wchar_t wide[256] = {};
  UINT n = GetDlgItemTextW(dialog, id, wide, 255);  // at most 254 characters
  char text[1024];  // a multi-byte page may need several bytes a character
  WideToAnsi(text, wide, static_cast<int>(n), sizeof text);
  return SetString(key, text);
}

bool TIniFile::SetNumberFromDlgItem(const char* key, HWND dialog, int id, bool whole) {
  wchar_t wide[256] = {};
  const UINT n = GetDlgItemTextW(dialog, id, wide, 255);
  const std::wstring_view text(wide, n);
  if (text.find_first_not_of(L" \t") == std::wstring_view::npos) {
    SetString(key, "");
    return true;
  }
  const std::string number = CanonicalTypedNumber(text);
  if (number.empty() || (whole && !ReadTypedInt(text, nullptr))) {
    MessageBeep(MB_ICONHAND);
    return false;
  }
  SetString(key, number.c_str());
  return true;
}

void TIniFile::GetStringToDlgItem(const char* key, HWND dialog, int id) const {
  const char* value = FindKey(key);
  if (!value) return;
  SetDlgItemTextW(dialog, id, AnsiToWideString(value).c_str());
}

void TIniFile::GetPathToDlgItem(const char* key, HWND dialog, int id) const {
  const char* value = FindKey(key);
  if (!value) return;
  SetDlgItemTextW(dialog, id, PathToWide(value).c_str());
}

void TIniFile::SetIntFromCheckBox(const char* key, HWND dialog, int id) {
  HWND box = GetDlgItem(dialog, id);
  if (!box) return;
  SetInt(key, SendMessageW(box, BM_GETCHECK, 0, 0) != BST_UNCHECKED ? 1 : 0);
}

void TIniFile::GetIntToCheckBox(const char* key, HWND dialog, int id) const {
  HWND box = GetDlgItem(dialog, id);
  if (!box) return;
  SendMessageW(box, BM_SETCHECK, GetInt(key) == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
}

namespace {

// A control's window text (at most 255 characters) as 8-bit text: a path in the path page,
// other text in the program code page.
std::string WindowText8(HWND control, bool path) {
  wchar_t wide[256] = {};
  int n = GetWindowTextW(control, wide, 256);
  if (path) return WideToPath(std::wstring_view(wide, size_t(n < 0 ? 0 : n)));
  char text[1024];
  WideToAnsi(text, wide, n < 0 ? 0 : n, sizeof text);
  return text;
}

// Only the equal item: a prefix search would take "115200" for a stored "11520" (or "COM10"
// for "COM1"), and the page would then save a value the user never chose.
void SelectEqualItem(HWND combo, const std::wstring& wide) {
  LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index == CB_ERR ? -1 : index), 0);
}

}  // namespace

namespace {

int SetFromWindowText(TIniFile& ini, const char* key, HWND dialog, int id, bool path) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return 0;
  const std::string text = WindowText8(control, path);
  // A missing key counts as changed: the caller reloads on a change, and a first value is one.
  const char* old = ini.FindKey(key);
  int changed = !old || std::string_view(old) != text;
  ini.SetString(key, text.c_str());
  return changed;
}

}  // namespace

int TIniFile::SetStringFromWindowText(const char* key, HWND dialog, int id) {
  return SetFromWindowText(*this, key, dialog, id, false);
}

int TIniFile::SetPathFromWindowText(const char* key, HWND dialog, int id) {
  return SetFromWindowText(*this, key, dialog, id, true);
}

void TIniFile::SelectComboString(const char* key, HWND dialog, int id) const {
  HWND combo = GetDlgItem(dialog, id);
  const char* value = FindKey(key);
  if (!combo || !value) return;
  wchar_t wide[256];
  AnsiToWide(wide, value, static_cast<int>(std::min<size_t>(std::strlen(value), 255)), 256);
  SelectEqualItem(combo, wide);
}

void TIniFile::SelectComboPath(const char* key, HWND dialog, int id) const {
  HWND combo = GetDlgItem(dialog, id);
  const char* value = FindKey(key);
  if (!combo || !value) return;
  SelectEqualItem(combo, PathToWide(std::string_view(value).substr(0, 255)));
}

void TIniFile::SetIntFromComboSel(const char* key, HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  if (!combo) return;
  LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  SetInt(key, sel < 0 ? -1 : static_cast<int>(sel));
}

void TIniFile::GetIntToComboSel(const char* key, HWND dialog, int id) const {
  HWND combo = GetDlgItem(dialog, id);
  if (!combo) return;
  int index = GetInt(key);
  if (index >= 0) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}
