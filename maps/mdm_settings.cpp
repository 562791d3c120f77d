#include "maps/mdm_settings.h"

#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "platform/win.h"

bool MapBackupsOn() { return g_Ini.GetInt("WMBackUp") != 0; }

void ShowLibraryMissing(int loaderError) {
  // The text comes from a language file: only its first %i (or %d) is filled, so a stray
  // conversion in a translation cannot read arguments that are not there.
  std::wstring text = g_Lang.GetText(lang_id::kMsgLegendReadErrI);
  size_t at = text.find(L"%i");
  if (at == std::wstring::npos) at = text.find(L"%d");
  if (at != std::wstring::npos) text.replace(at, 2, std::to_wstring(loaderError));
  MessageBoxW(nullptr, text.c_str(), L"", MB_OK);
}

void ShowMapMessage(HWND owner, int id) {
  MessageBoxW(owner, g_Lang.GetText(id), L"", MB_OK);
}
