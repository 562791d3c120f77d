#include "edit/dialog_common.h"

#include <cstdio>

#include "base/idle_clock.h"
#include "base/lang.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "maps/object_library.h"

namespace edit_dialog {

void ReportInput(UINT message) { g_IdleClock.OnUserInput(message); }

void InitFrame(HWND dialog, DWORD flags, bool fit) {
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dialog;
  info.dwFlags = flags;
  SHInitDialog(&info);
  if (fit) {
    RECT rc{};
    ProgramHost().FitDialogToMainWindow(&rc, dialog);
    g_Lang.TranslateDialog(dialog);
  }
}

std::wstring TypeName(const TObjectLibrary* library, uint16_t code) {
  const char* name = library ? library->styles.GetTypeName(code) : nullptr;
  if (name && *name) {
    std::string text(name);
    if (text.size() > 255) text.resize(255);
    return AnsiToWideString(text);
  }
  wchar_t buffer[32];
  swprintf(buffer, 32, L"[%i-%i]", code >> 3, code & 7);
  return buffer;
}

}  // namespace edit_dialog
