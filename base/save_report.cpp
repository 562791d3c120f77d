#include "base/save_report.h"

#include <string>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "platform/fresh_state.h"
#include "platform/win.h"

namespace {
bool g_shown[static_cast<int>(TSaveKind::kCount)] = {};
const vplat::FreshStateHook kFresh(2, [] {
  for (bool& shown : g_shown) shown = false;
});
}  // namespace

bool ReportSaveFailure(TSaveKind kind, const char* path, HWND owner) {
  const int k = static_cast<int>(kind);
  if (k < 0 || k >= static_cast<int>(TSaveKind::kCount) || g_shown[k]) return false;
  g_shown[k] = true;
  if (!owner) owner = FindWindowW(L"Vorna", nullptr);
  const std::wstring name = PathToWide(path ? path : "");
  const std::wstring text = FormatLangText(lang_id::kMsgSaveFileErrS, name.c_str());
  MessageBoxW(owner, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
  return true;
}
