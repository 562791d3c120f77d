// Five pages of the settings dialog: hardware buttons, map view, general, language and the
// automatic actions.
#include <cstring>
#include <string>

#include "base/button_table.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/language_path.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "gps/gps_port.h"
#include "platform/fresh_state.h"
#include "settings/settings_dialog.h"
#include "settings/settings_pages.h"

using settings_page::ReportInput;
using settings_page::Translate;

namespace {

BOOL Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

// ---------------------------------------------------------------- buttons

constexpr int kKeyList = 1019, kActionCombo = 2092, kLongCheck = 2324, kSoundCheck = 2325;
constexpr int kCaptureButton = 2084, kRemoveButton = 2088, kCaptureNote = 2094;

int g_capturing = 0;

void ShowSelectedEntry(HWND page) {
  g_ButtonTable.ShowEntry(GetDlgItem(page, kActionCombo), GetDlgItem(page, kKeyList),
                          GetDlgItem(page, kLongCheck), GetDlgItem(page, kSoundCheck));
}

void OnHotKey(HWND page, int key) {
  HWND list = GetDlgItem(page, kKeyList);
  if (g_capturing) {
    // A key already in the table is only selected: AddKey keeps its entry as it is.
    if (!g_ButtonTable.Find(key)) {
      g_ButtonTable.AddKey(key);
      SetSettingsModified(1);
    }
    g_ButtonTable.FillKeyList(list);
    g_capturing = 0;
    ShowWindow(GetDlgItem(page, kCaptureNote), SW_HIDE);
  }
  SelectListItemByData(list, key);
  ShowSelectedEntry(page);
}

}  // namespace

INT_PTR CALLBACK ButtonsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      Translate(page);
      g_capturing = 0;
      FillButtonActionCombo(GetDlgItem(page, kActionCombo));
      g_ButtonTable.FillKeyList(GetDlgItem(page, kKeyList));
      ShowWindow(GetDlgItem(page, kCaptureNote), SW_HIDE);
      // The hardware keys come to this page as hot keys until the main window takes them back
      // at its next activation.
      GrabHardwareKeys(page);
      return TRUE;
    case WM_HOTKEY:
      OnHotKey(page, static_cast<int>(wParam));
      return TRUE;
    case WM_ACTIVATE:
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      HWND list = GetDlgItem(page, kKeyList);
      switch (id) {
        case kKeyList:
          ShowSelectedEntry(page);
          break;
        case kActionCombo:
          if (code != CBN_SELCHANGE) break;
          [[fallthrough]];
        case kLongCheck:
        case kSoundCheck:
          StoreButtonFromControls(GetDlgItem(page, kActionCombo), list,
                                  GetDlgItem(page, kLongCheck), GetDlgItem(page, kSoundCheck));
          SetSettingsModified(1);
          break;
        case kCaptureButton:
          g_capturing = 1;
          ShowWindow(GetDlgItem(page, kCaptureNote), SW_SHOW);
          break;
        case kRemoveButton: {
          const LRESULT sel = SendMessageW(list, LB_GETCURSEL, 0, 0);
          if (sel < 0) break;
          g_ButtonTable.RemoveKey(static_cast<int>(SendMessageW(list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0)));
          SetSettingsModified(1);
          g_ButtonTable.FillKeyList(list);
          break;
        }
      }
      return TRUE;
    }
  }
  return FALSE;
}

void SaveButtonsPage(HWND page) {
  if (page) g_ButtonTable.Save();
}

// ---------------------------------------------------------------- map view

namespace {
constexpr int kFill = 2429, kMarking = 2330, kGrid = 2431;
constexpr int kRadios[3] = {1226, 1228, 1327};
}  // namespace

INT_PTR CALLBACK MapPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ReportInput(message);
  switch (message) {
    case WM_INITDIALOG: {
      Translate(page);
      if (g_Ini.HasKey("MapViewFill"))
        g_Ini.GetIntToCheckBox("MapViewFill", page, kFill);
      else
        CheckDlgButton(page, kFill, BST_CHECKED);
      g_Ini.GetIntToCheckBox("MapViewMarking", page, kMarking);
      g_Ini.GetIntToCheckBox("MapViewGrid", page, kGrid);
      const int mode = g_Ini.HasKey("PDBDisplay") ? g_Ini.GetInt("PDBDisplay") : 1;
      for (int i = 0; i < 3; ++i) CheckDlgButton(page, kRadios[i], i == mode ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      // The radios mark nothing; their state goes with the next save.
      if (id == kFill || id == kMarking || id == kGrid) SetSettingsModified(1);
      return TRUE;
    }
  }
  return FALSE;
}

void SaveMapPage(HWND page) {
  if (!page) return;
  g_Ini.SetIntFromCheckBox("MapViewFill", page, kFill);
  g_Ini.SetIntFromCheckBox("MapViewMarking", page, kMarking);
  g_Ini.SetIntFromCheckBox("MapViewGrid", page, kGrid);
  int mode = -1;
  for (int i = 0; i < 3; ++i)
    if (Checked(page, kRadios[i])) mode = i;
  g_Ini.SetInt("PDBDisplay", mode);
}

// ---------------------------------------------------------------- general

namespace {
struct TCheckKey {
  const char* key;
  int id;
};
constexpr TCheckKey kGeneralChecks[] = {
    {"GPSDISABLEAUTOSUSPEND", 2104}, {"SEVELASTPRJ", 2103},   {"BlankAutoShowNew", 2305},
    {"BlankViewNum", 2326},          {"BlankViewShort", 2327}, {"BlankViewFull", 2328},
    {"WMBackUp", 1336},              {"WMAutoSave", 3001},     {"WMCutLong", 3003}};
constexpr int kKeepAwake = 2104, kAutoSave = 3001, kAutoSaveTime = 1047;

void EnableAutoSaveTime(HWND page) {
  EnableDlgItem(page, kAutoSaveTime, Checked(page, kAutoSave));
}
}  // namespace

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      Translate(page);
      for (const TCheckKey& c : kGeneralChecks) g_Ini.GetIntToCheckBox(c.key, page, c.id);
      g_Ini.GetStringToDlgItem("WMAutoSaveTime", page, kAutoSaveTime);
      EnableAutoSaveTime(page);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == kAutoSaveTime) {
        SipCommand(page, id, code);  // typing marks nothing
      } else if (id == kKeepAwake) {
        SetSettingsModified(1);
        // At once, before any save: the user sees the device stay awake from this tap on.
        if (g_GpsPort.IsOpen()) {
          if (Checked(page, kKeepAwake)) g_GpsPort.StartKeepAwake();
          else g_GpsPort.StopKeepAwake();
        }
      } else {
        for (const TCheckKey& c : kGeneralChecks)
          if (c.id == id) {
            SetSettingsModified(1);
            EnableAutoSaveTime(page);
          }
      }
      return TRUE;
    }
    case WM_DESTROY:
      // The page goes with the dialog, after OK or Apply stored the box or Cancel put the stored
      // settings back: the keep-awake, switched at the tap, follows what is stored now, so a
      // Cancel does not leave the device free to sleep while navigating (or kept awake).
      if (g_GpsPort.IsOpen()) {
        if (g_Ini.GetInt("GPSDISABLEAUTOSUSPEND")) g_GpsPort.StartKeepAwake();
        else g_GpsPort.StopKeepAwake();
      }
      return FALSE;
  }
  return FALSE;
}

void SaveGeneralPage(HWND page) {
  if (!page) return;
  for (const TCheckKey& c : kGeneralChecks) g_Ini.SetIntFromCheckBox(c.key, page, c.id);
  g_Ini.SetNumberFromDlgItem("WMAutoSaveTime", page, kAutoSaveTime, true);  // minutes
}

// ---------------------------------------------------------------- language

namespace {
constexpr int kLangCombo = 1213;
// Item data that marks the built-in language's item: its text is the language table's, not the
// name of a file.
constexpr LPARAM kBuiltInItem = 1;

std::string LanguageFolder() {
  const char* folder = GetLanguageFolder();
  if (folder && folder[0]) return folder;
  return ProgramHost().ProgramFolder();
}
}  // namespace

INT_PTR CALLBACK LangPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ReportInput(message);
  switch (message) {
    case WM_INITDIALOG: {
      Translate(page);
      HWND combo = GetDlgItem(page, kLangCombo);
      SendMessageW(combo, CB_RESETCONTENT, 0, 0);
      // The built-in language comes first: without it a user who chose a file could never come
      // back to the program's own texts. It is stored as an empty "LangFile".
      const wchar_t* builtInName = g_Lang.GetText(lang_id::kDlgSetLangBuiltIn);
      const LRESULT builtIn =
          SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(builtInName));
      SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(builtIn), kBuiltInItem);
      const std::wstring pattern = PathToWide(LanguageFolder()) + L"*.lng";
      WIN32_FIND_DATAW found;
      HANDLE find = FindFirstFileW(pattern.c_str(), &found);
      if (find != INVALID_HANDLE_VALUE) {
        do {
          if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
          std::wstring name = found.cFileName;
          const size_t dot = name.rfind(L'.');
          if (dot != std::wstring::npos) name.resize(dot);
          SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        } while (FindNextFileW(find, &found));
        FindClose(find);
      }
      std::string current;
      if (!g_Ini.GetString("LangFile", current) || current.empty())
        SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(builtIn), 0);
      else
        g_Ini.SelectComboPath("LangFile", page, kLangCombo);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kLangCombo && HIWORD(wParam) == CBN_SELCHANGE) SetSettingsModified(1);
      return TRUE;
  }
  return FALSE;
}

void SaveLangPage(HWND page) {
  if (!page) return;
  // No item chosen (the stored language file is gone): the setting stays as it is rather than
  // becoming empty behind the user's back.
  const LRESULT selected = SendDlgItemMessageW(page, kLangCombo, CB_GETCURSEL, 0, 0);
  if (selected < 0) return;
  if (SendDlgItemMessageW(page, kLangCombo, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0) ==
      kBuiltInItem) {
    std::string current;
    if (!g_Ini.GetString("LangFile", current) || current.empty()) return;  // built-in already
    g_Ini.SetString("LangFile", "");
  } else if (!g_Ini.SetPathFromWindowText("LangFile", page, kLangCombo)) {
    return;
  }
  LoadLanguage();
  ProgramHost().InvalidateMainView(1);
  TSettingsDialog::RequestReopen();
}

// ---------------------------------------------------------------- automatic actions

namespace {
struct TAutoAction {
  const char* key;
  const char* timeKey;
  int check, edit;
};
constexpr TAutoAction kAutoActions[] = {
    {"AutoGTools", "AutoGTools_T", 1337, 1339}, {"AutoInfo", "AutoInfo_T", 3005, 1340},
    {"AutoRule", "AutoRule_T", 3004, 1341},     {"AutoNaviTr", "AutoNaviTr_T", 3006, 1338},
    {"AutoChPortW", "AutoChPortW_T", 2177, 1028}, {"AutoChPortE", "AutoChPortE_T", 3009, 3028}};

settings_page::TEditWatch g_autoEdits;
const vplat::FreshStateHook kFresh(5, [] {
  g_autoEdits = {};
  g_capturing = 0;
});

void EnableAutoEdits(HWND page) {
  for (const TAutoAction& a : kAutoActions) EnableDlgItem(page, a.edit, Checked(page, a.check));
}
}  // namespace

INT_PTR CALLBACK AutoPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      g_autoEdits.touched = 0;
      Translate(page);
      for (const TAutoAction& a : kAutoActions) {
        g_Ini.GetIntToCheckBox(a.key, page, a.check);
        g_Ini.GetStringToDlgItem(a.timeKey, page, a.edit);
      }
      EnableAutoEdits(page);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      for (const TAutoAction& a : kAutoActions) {
        if (id == a.check) {
          SetSettingsModified(1);
          EnableAutoEdits(page);
        } else if (id == a.edit) {
          g_autoEdits.OnEdit(page, id, code);
        }
      }
      return TRUE;
    }
  }
  return FALSE;
}

void SaveAutoPage(HWND page) {
  if (!page) return;
  for (const TAutoAction& a : kAutoActions) {
    g_Ini.SetIntFromCheckBox(a.key, page, a.check);
    g_Ini.SetNumberFromDlgItem(a.timeKey, page, a.edit, true);
  }
}
