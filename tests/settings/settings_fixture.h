// The settings dialog's fixture: a headless device with "\Vorna\Vorna.ini" loaded into the
// store, hosts that record what the pages ask of the program, and helpers that drive the pages
// through their controls' own messages.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "base/ini_file.h"
#include "base/lang.h"
#include "base/language_path.h"
#include "base/program_host.h"
#include "platform/harness.h"
#include "settings/settings_dialog.h"
#include "settings/settings_host.h"

namespace settingstest {

class TRecordingProgramHost final : public IProgramHost {
 public:
  void InvalidateMainView(int full) override { invalidations += full ? 1 : 0; }
  void InvalidateMainViewRect(const RECT&) override {}
  void FitDialogToMainWindow(RECT* out, HWND dialog) override {
    *out = RECT{0, 0, 240, 294};
    MoveWindow(dialog, 0, 0, 240, 294, TRUE);
  }
  void ReportUserInput() override {}
  BOOL RestoreBackBuffer(HDC, const RECT&) override { return FALSE; }
  void CenterViewAt(int, int) override {}
  HWND MainWindow() override { return mainWindow; }
  const char* ProgramFolder() override { return "\\Vorna\\"; }
  int invalidations = 0;
  HWND mainWindow = nullptr;
};

class TRecordingSettingsHost final : public ISettingsHost {
 public:
  void ApplyViewSettings() override { ++applied; }
  int OpenEchoPort(HWND, int open) override {
    echoCalls += open ? "1" : "0";
    return open ? echoOpens : 0;
  }
  void UpdateTrackLogMenu() override { ++trackMenus; }
  void SetElevationMask(double degrees) override { mask = degrees; }
  int applied = 0, trackMenus = 0, echoOpens = 0;
  std::string echoCalls;
  double mask = -1;
};

inline std::string ReadHost(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool WriteHost(const std::string& hostPath, const std::string& bytes) {
  std::ofstream out(hostPath, std::ios::binary);
  out << bytes;
  return static_cast<bool>(out);
}

// Chooses combo item `index` as the user does: the selection, then the notification.
inline void PickItem(HWND page, int id, int index) {
  HWND combo = GetDlgItem(page, id);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
}

inline std::wstring TabText(HWND dialog, int tab) {
  wchar_t text[64] = {};
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendDlgItemMessageW(dialog, 2093, TCM_GETITEMW, static_cast<WPARAM>(tab), reinterpret_cast<LPARAM>(&item));
  return text;
}

inline int CurrentTab(HWND dialog) {
  return static_cast<int>(SendDlgItemMessageW(dialog, 2093, TCM_GETCURSEL, 0, 0));
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    harness::Start();
    CreateDirectoryW(L"\\Vorna", nullptr);
    WriteIni("[Ini]\n");
    SetProgramHost(&host);
    SetSettingsHost(&settingsHost);
    SetLanguageFolder("\\Vorna\\");
    LoadLanguage();
  }
  void TearDown() override {
    SetSettingsHost(nullptr);
    SetProgramHost(nullptr);
    harness::Stop();
  }
  // Writes the settings file and loads the store from it.
  void WriteIni(const std::string& text) {
    ASSERT_TRUE(WriteHost(IniHost(), text));
    g_Ini.Load("\\Vorna\\Vorna.ini");
  }
  static std::string IniHost() { return harness::HostPath(L"\\Vorna\\Vorna.ini"); }
  static std::string BackupHost() { return harness::HostPath(L"\\Vorna\\Vorna.ini.bak"); }
  static std::string IniText() { return ReadHost(IniHost()); }
  static bool BackupExists() { return ReadHost(BackupHost()) != "<missing>"; }
  static std::string Value(const char* key) {
    std::string v;
    return g_Ini.GetString(key, v) ? v : "<none>";
  }

  // Opens the dialog on `tab`; `script` runs in it (and must close it).
  int Run(int tab, std::function<void(HWND)> script) {
    harness::OnDialog(108, std::move(script));
    return ShowSettingsDialog(nullptr, tab);
  }

  // The tab control's own change of tab, as a tap on the tab reports it.
  static HWND SelectTab(HWND dialog, int tab) {
    HWND tabs = GetDlgItem(dialog, 2093);
    SendMessageW(tabs, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
    NMHDR hdr{tabs, 2093, TCN_SELCHANGE};
    SendMessageW(dialog, WM_NOTIFY, 2093, reinterpret_cast<LPARAM>(&hdr));
    return TSettingsDialog::Page(tab);
  }
  static void Click(HWND window, int id) { SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }
  static bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }
  static bool Enabled(HWND page, int id) { return IsWindowEnabled(GetDlgItem(page, id)) != FALSE; }
  static void Pick(HWND page, int id, int index) { PickItem(page, id, index); }
  static int Selected(HWND page, int id) {
    return static_cast<int>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
  }
  static std::wstring ComboText(HWND page, int id) {
    wchar_t text[300] = {};
    GetDlgItemTextW(page, id, text, 300);
    return text;
  }
  // Types into an edit as the user does: focus first, then the text.
  static void Type(HWND page, int id, const wchar_t* text) {
    HWND edit = GetDlgItem(page, id);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, EN_SETFOCUS), reinterpret_cast<LPARAM>(edit));
    SetWindowTextW(edit, text);
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
  }
  static std::wstring Text(HWND page, int id) {
    wchar_t text[1100] = {};
    GetDlgItemTextW(page, id, text, 1100);
    return text;
  }
  static bool ApplyEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, 8)) != FALSE; }
  static void Press(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  }

  TRecordingProgramHost host;
  TRecordingSettingsHost settingsHost;
};

}  // namespace settingstest
