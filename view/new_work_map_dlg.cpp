#include "view/new_work_map_dlg.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>

#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/file_browser.h"
#include "base/ui/shell_utils.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

TNewWorkMapDlg g_NewWorkMapDlg;
namespace {
const vplat::FreshStateHook kFresh(4, [] { vplat::Renew(g_NewWorkMapDlg); });
}  // namespace

namespace {

constexpr size_t kMaxPath = 255;  // bytes of a device path
// "Отмена" carries the id of the language table's cancel text, as in every dialog.
constexpr int kCancelButton = 4;
constexpr size_t kMaxLibrary = 100;  // characters of a library name taken from the list

std::wstring ItemText(HWND dialog, int id) {
  wchar_t text[512] = {};
  GetDlgItemTextW(dialog, id, text, int(sizeof text / sizeof text[0]));
  return text;
}

// The combo line's text; empty without a selection.
std::wstring SelectedText(HWND combo) {
  const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (sel == CB_ERR) return L"";
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(sel), 0);
  if (length == CB_ERR || length < 0) return L"";
  std::wstring text(size_t(length) + 1, L'\0');
  SendMessageW(combo, CB_GETLBTEXT, WPARAM(sel), LPARAM(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

bool SameNoCase(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(wint_t(a[i])) != std::towlower(wint_t(b[i]))) return false;
  return true;
}

// The first line whose text equals `text` (the library ignoring case); CB_ERR when none.
int FindLine(HWND combo, const std::wstring& text, bool ignoreCase) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (int i = 0; i < int(count); ++i) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0);
    if (length < 0) continue;
    std::wstring line(size_t(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), LPARAM(line.data()));
    line.resize(wcslen(line.c_str()));
    if (ignoreCase ? SameNoCase(line, text) : line == text) return i;
  }
  return CB_ERR;
}

// Everything up to and including the last '\' or '/' of a wide text.
std::wstring FolderPart(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

std::wstring NamePart(const std::wstring& path) {
  const size_t cut = path.find_last_of(L"\\/");
  return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

// The library files of the program: "Obj\*.mol" in its folder, names without extension, in the
// order the platform lists them.
void FillLibraries(HWND combo) {
  const std::wstring folder = PathToWide(ProgramHost().ProgramFolder()) + L"Obj\\";
  WIN32_FIND_DATAW find{};
  HANDLE h = FindFirstFileW((folder + L"*.mol").c_str(), &find);
  if (h == INVALID_HANDLE_VALUE) return;
  do {
    if (find.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    std::wstring name = find.cFileName;
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(name.c_str()));
  } while (FindNextFileW(h, &find));
  FindClose(h);
}

INT_PTR CALLBACK NewWorkMapProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  g_IdleClock.OnUserInput(message);
  TNewWorkMapDlg& d = g_NewWorkMapDlg;
  switch (message) {
    case WM_INITDIALOG: {
      d.dialog = dialog;
      SHINITDLGINFO info{};
      info.dwMask = SHIDIM_FLAGS;
      info.hDlg = dialog;
      info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;
      SHInitDialog(&info);
      d.Fill(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case TNewWorkMapDlg::kName:
          SipCommand(dialog, TNewWorkMapDlg::kName, HIWORD(wParam));
          return TRUE;
        case TNewWorkMapDlg::kChooseFolder:
          if (HIWORD(wParam) == BN_CLICKED) d.ChooseFolder();
          return TRUE;
        case IDOK:
          if (d.OnOk() != 7) EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:  // Escape
        case kCancelButton:
          EndDialog(dialog, 2);
          return TRUE;
        default:
          return TRUE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

int TNewWorkMapDlg::Run(HWND ownerWindow, HINSTANCE inst, TWorkMapParams* params) {
  owner = ownerWindow;
  instance = inst;
  record = params;
  const INT_PTR result =
      DialogBoxParamW(inst, MAKEINTRESOURCEW(kTemplate), ownerWindow, NewWorkMapProc, 0);
  dialog = nullptr;
  record = nullptr;
  return result == 1 || result == 2 ? int(result) : 0;
}

void TNewWorkMapDlg::Fill(HWND dlg) {
  dialog = dlg;
  g_Lang.SetWindowText(dlg, kTemplate);  // id 214 is also the caption's language text
  g_Lang.TranslateDialog(dlg);
  if (!record) return;
  const HWND scales = GetDlgItem(dlg, kScale);
  const HWND libraries = GetDlgItem(dlg, kLibrary);
  SendMessageW(scales, CB_RESETCONTENT, 0, 0);
  SendMessageW(libraries, CB_RESETCONTENT, 0, 0);
  for (int32_t s : kScaleTable) {
    wchar_t text[16];
    swprintf(text, 16, L"%i", int(s));
    SendMessageW(scales, CB_ADDSTRING, 0, LPARAM(text));
  }
  FillLibraries(libraries);

  if (record->propertiesMode) {
    const std::wstring path = PathToWide(record->path);
    SetDlgItemTextW(dlg, kFolder, FolderPart(path).c_str());
    SetDlgItemTextW(dlg, kName, NamePart(path).c_str());
    // Exact matches: a prefix would pick 500 for a map of 1:50 or "topo2" for "topo".
    wchar_t scale[16];
    swprintf(scale, 16, L"%d", int(record->scale));
    SendMessageW(scales, CB_SETCURSEL, WPARAM(FindLine(scales, scale, false)), 0);
    SendMessageW(libraries, CB_SETCURSEL,
                 WPARAM(FindLine(libraries, PathToWide(record->library), true)), 0);
    EnableWindow(GetDlgItem(dlg, kName), FALSE);
    EnableWindow(GetDlgItem(dlg, kChooseFolder), FALSE);
    return;
  }
  std::string folder;
  if (g_Ini.GetString("NewWMapName", folder)) {
    char part[256];
    GetDirPart(part, folder.c_str(), sizeof part);
    folder = part;
  } else {
    folder = "\\";
  }
  SetDlgItemTextW(dlg, kFolder, PathToWide(folder).c_str());
  SYSTEMTIME now{};
  GetLocalTime(&now);
  wchar_t name[32];
  swprintf(name, 32, L"wm_%02i%02i_%02i%02i", int(now.wMonth), int(now.wDay), int(now.wHour),
           int(now.wMinute));
  SetDlgItemTextW(dlg, kName, name);
  // An index outside the list selects nothing, so OK asks for a scale.
  const int scaleIndex = g_Ini.GetInt("NewWMapScale");
  SendMessageW(scales, CB_SETCURSEL, WPARAM(scaleIndex >= 0 && scaleIndex < 21 ? scaleIndex : -1), 0);
  std::string library;
  g_Ini.GetString("NewWMapObjLib", library);
  SendMessageW(libraries, CB_SETCURSEL, WPARAM(FindLine(libraries, PathToWide(library), false)),
               0);
  EnableWindow(GetDlgItem(dlg, kName), TRUE);
  EnableWindow(GetDlgItem(dlg, kChooseFolder), TRUE);
}

std::string TNewWorkMapDlg::MakeMapPath(const std::wstring& folderText, const std::wstring& nameText) {
  std::wstring name = nameText;
  if (name.find_first_of(L"\\/:") != std::wstring::npos) return "";
  const size_t dot = name.rfind(L'.');
  if (dot != std::wstring::npos) name.resize(dot);
  if (name.empty()) return "";
  std::wstring folder = folderText;
  if (folder.empty() || (folder.back() != L'\\' && folder.back() != L'/')) folder += L'\\';
  std::string path;
  if (!WideToPathExact(folder + name + L".mdm", &path) || path.size() > kMaxPath) return "";
  return path;
}

int TNewWorkMapDlg::OnOk() {
  if (!record) return 6;
  const HWND scales = GetDlgItem(dialog, kScale);
  const HWND libraries = GetDlgItem(dialog, kLibrary);
  const std::wstring folderText = ItemText(dialog, kFolder);
  auto refuse = [&](int messageId) {
    MessageBeep(MB_ICONEXCLAMATION);
    if (messageId) MessageBoxW(dialog, g_Lang.GetText(messageId), nullptr, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(GetDlgItem(dialog, kName));
    return 7;
  };
  if (!record->propertiesMode) {
    const std::string path = MakeMapPath(folderText, ItemText(dialog, kName));
    if (path.empty()) return refuse(0);
    // The folder must exist, or the map could never be written and every track recorded into it
    // would be lost.
    char folder[256];
    GetDirPart(folder, path.c_str(), sizeof folder);
    if (!(folder[0] == '\\' && folder[1] == 0) && !PathExistsW(PathToWide(folder).c_str()))
      return refuse(lang_id::kMsgFileNotFound);
    // Without a scale the symbols of the new map would be drawn at scale 0, that is never.
    if (SendMessageW(scales, CB_GETCURSEL, 0, 0) == CB_ERR) return refuse(0);
    // Nor without a library: nothing recorded into the map could be typed or drawn.
    if (SelectedText(libraries).empty()) return refuse(lang_id::kMsgObjLib);
    if (FileExists(path.c_str())) {
      const std::wstring question =
          FormatLangText(lang_id::kMsgReplaceFileConf, PathToWide(path).c_str());
      if (MessageBoxW(dialog, question.c_str(), g_Lang.GetText(lang_id::kMsgConf),
                      MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 7;
    }
    std::snprintf(record->path, sizeof record->path, "%s", path.c_str());
  }
  // A list left without a selection keeps the record's value (in properties mode the map's own).
  std::wstring library = SelectedText(libraries);
  if (!library.empty() || !record->propertiesMode) {
    if (library.size() > kMaxLibrary) library.resize(kMaxLibrary);
    std::snprintf(record->library, sizeof record->library, "%s", WideToPath(library).c_str());
  }
  const std::wstring scale = SelectedText(scales);
  if (!scale.empty() || !record->propertiesMode)
    record->scale = int32_t(std::wcstol(scale.c_str(), nullptr, 10));
  if (!record->propertiesMode) {
    g_Ini.SetString("NewWMapName", WideToPath(folderText).c_str());
    g_Ini.SetInt("NewWMapScale", int(SendMessageW(scales, CB_GETCURSEL, 0, 0)));
    g_Ini.SetString("NewWMapObjLib", WideToPath(library).c_str());
  }
  return 6;
}

void TNewWorkMapDlg::ChooseFolder() {
  TFileBrowser browser(dialog, instance);
  browser.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon,
                   TFileBrowser::kProgramIcon);
  browser.folder = ItemText(dialog, kFolder);
  RECT area{};
  GetWindowRect(owner ? owner : dialog, &area);
  if (browser.RunFolder(TFileBrowser::kFolderTemplate, &area))
    SetDlgItemTextW(dialog, kFolder, browser.folder.c_str());
}
