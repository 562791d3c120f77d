// What every settings page shares: the idle-clock report, the translation, the edit watch and
// the path messages.
#include <cstring>
#include <string>

#include "base/idle_clock.h"
#include "base/lang.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "settings/settings_dialog.h"
#include "settings/settings_pages.h"

namespace settings_page {

void ReportInput(UINT message) { g_IdleClock.OnUserInput(message); }

void Translate(HWND page) { g_Lang.TranslateDialog(page); }

void TEditWatch::OnEdit(HWND page, int id, UINT code) {
  if (code == EN_SETFOCUS) {
    touched = 1;
  } else if (code == EN_CHANGE && touched) {
    touched = 0;
    SetSettingsModified(1);
  }
  SipCommand(page, id, code);
}

void ShowPathMessage(HWND owner, int textId, const char* path) {
  std::wstring text = g_Lang.GetText(textId);
  text += L"\n";
  text += PathToWide(path ? path : "");
  MessageBoxW(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
}

namespace {

// A control's whole text; false without the control.
bool WholeText(HWND page, int id, std::wstring* out) {
  HWND control = GetDlgItem(page, id);
  if (!control) return false;
  const int length = GetWindowTextLengthW(control);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int n = GetWindowTextW(control, wide.data(), static_cast<int>(wide.size()));
  wide.resize(static_cast<size_t>(n > 0 ? n : 0));
  *out = std::move(wide);
  return true;
}

}  // namespace

bool GetControlText(HWND page, int id, char* out, size_t size) {
  if (size == 0) return false;
  out[0] = 0;
  std::wstring wide;
  if (!WholeText(page, id, &wide)) return false;
  const std::string text = WideToAnsiString(wide);
  if (text.size() >= size) return false;
  std::memcpy(out, text.c_str(), text.size() + 1);
  return true;
}

void SetControlText(HWND page, int id, const char* text) {
  SetDlgItemTextW(page, id, AnsiToWideString(text ? text : "").c_str());
}

bool GetControlPath(HWND page, int id, std::string* out) {
  std::wstring wide;
  return WholeText(page, id, &wide) && WideToPathExact(wide, out);
}

void SetControlPath(HWND page, int id, const char* path) {
  SetDlgItemTextW(page, id, PathToWide(path ? path : "").c_str());
}

}  // namespace settings_page
