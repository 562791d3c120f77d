#include "settings/settings_dialog.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/button_table.h"
#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "platform/fresh_state.h"
#include "settings/settings_host.h"
#include "settings/settings_pages.h"

namespace {

constexpr int kTemplate = 108;
constexpr int kTabControl = 2093;
constexpr int kApply = 8;
constexpr int kCancel = 4;
constexpr size_t kMaxBackupPath = 255;  // 8-bit characters

const int kTabTexts[kSettingsPageCount] = {
    lang_id::kDlgSetNavi, lang_id::kDlgSetGeo,   lang_id::kDlgSetPorts,
    lang_id::kDlgSetButt, lang_id::kDlgSetMap,   lang_id::kDlgSetOther,
    lang_id::kDlgSetAlm,  lang_id::kDlgSetLang,  lang_id::kDlgSetAuto};

const TSettingsPage kProgramPages[kSettingsPageCount] = {
    {220, NaviPageProc, SaveNaviPage},       {218, GeoPageProc, SaveGeoPage},
    {216, PortsPageProc, SavePortsPage},     {148, ButtonsPageProc, SaveButtonsPage},
    {329, MapPageProc, SaveMapPage},         {150, GeneralPageProc, SaveGeneralPage},
    {323, AlmPageProc, SaveAlmPage},         {256, LangPageProc, SaveLangPage},
    {337, AutoPageProc, SaveAutoPage}};

const TSettingsPage* g_pages = kProgramPages;

// The one dialog's state; cleared at each opening.
struct TState {
  HWND dialog = nullptr;
  HWND tab = nullptr;
  HWND current = nullptr;
  HWND pages[kSettingsPageCount] = {};
  int startTab = 0;
  int modified = 0;
  int reopen = 0;      // the language changed: the next Apply reopens
  int reopenNow = 0;   // the dialog ended to be opened again
  int reopenTab = 0;
  std::string backup;  // empty: no backup could be named
  // The store and the button table as the last save left them (the opening, or the last Apply).
  // Cancel puts these back rather than reloading the file: the program keeps values in the store
  // that reach the file only at exit (an offset dragged on the map, the geodesy bar's antenna
  // heights, the recent-type lists), and a reload would lose them.
  TIniFile::TSnapshot store;
  std::vector<TButtonEntry> buttons;
};
TState g;
const vplat::FreshStateHook kFresh(5, [] {
  g = TState{};
  g_pages = kProgramPages;
});

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// Paths of the settings file and its backup: the path page, whatever the language.
std::wstring Wide(const std::string& path) { return PathToWide(path); }

// Tab control and buttons over the dialog's client area as the fit left it; the pages keep
// their template places inside the tab control.
void Layout(HWND dialog) {
  RECT rc{};
  GetClientRect(dialog, &rc);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w <= 0 || h <= 60) return;
  const int buttonTop = h - 24, buttonW = (w - 16) / 3;
  MoveWindow(GetDlgItem(dialog, kTabControl), 0, 0, w, buttonTop - 4, TRUE);
  const int ids[3] = {IDOK, kCancel, kApply};
  for (int i = 0; i < 3; ++i)
    MoveWindow(GetDlgItem(dialog, ids[i]), 4 + i * (buttonW + 4), buttonTop, buttonW, 22, TRUE);
}

void ChangeTab() {
  if (!g.tab) return;
  const int tab = static_cast<int>(SendMessageW(g.tab, TCM_GETCURSEL, 0, 0));
  for (HWND page : g.pages)
    if (page) SendMessageW(page, WM_COMMAND, MAKEWPARAM(kTabControl, 0), 0);
  if (g.current) ShowWindow(g.current, SW_HIDE);
  g.current = nullptr;
  if (tab < 0 || tab >= kSettingsPageCount) return;
  HWND page = g.pages[tab];
  if (!page) {
    const TSettingsPage& def = g_pages[tab];
    page = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(def.templateId), g.tab, def.proc, 0);
    // The page's load may have closed the dialog (it cannot today, but a page that did would
    // leave a window behind the ended dialog).
    if (!g.dialog) return;
    g.pages[tab] = page;
  }
  if (!page) return;
  SetWindowPos(page, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_SHOWWINDOW);
  g.current = page;
  if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE)) {
    SetFocus(first);
    if (SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)
      SendMessageW(first, EM_SETSEL, 0, -1);
  }
}

void WriteBackup() {
  g.store = g_Ini.Snapshot();
  g.buttons = g_ButtonTable.Entries();
  if (g.backup.empty()) return;
  // Not reported: the dialog works without it, Cancel then leaves the file alone. A stale
  // copy left after a failure would undo a save on Cancel, so a failed one is removed.
  const std::wstring settings = Wide(g_Ini.GetPath()), backup = Wide(g.backup);
  if (GetFileAttributesW(settings.c_str()) != INVALID_FILE_ATTRIBUTES) {
    // A byte copy: Cancel puts back exactly the file as it was, with what a desktop editor left
    // in it (CR LF line ends, comments, blank lines), not the store written out again.
    if (!CopyFileW(settings.c_str(), backup.c_str(), FALSE)) DeleteFileW(backup.c_str());
    return;
  }
  // No settings file yet: Cancel returns to the store as it stands.
  if (g_Ini.SaveAs(g.backup.c_str()) != TIniFile::kOk) DeleteFileW(backup.c_str());
}

bool Save() {
  for (int tab : kSettingsSaveOrder)
    if (g.pages[tab] && g_pages[tab].save) g_pages[tab].save(g.pages[tab]);
  if (g_Ini.Save() != TIniFile::kOk) {
    // The pages' values are in the store, not in the file: say so and let the user try again
    // or cancel.
    settings_page::ShowPathMessage(g.dialog, lang_id::kMsgOpenFileErr, g_Ini.GetPath());
    SetSettingsModified(1);
    return false;
  }
  WriteBackup();
  SetSettingsModified(0);
  SettingsHost().ApplyViewSettings();
  return true;
}

void Restore() {
  const std::string path = g_Ini.GetPath();
  if (!g.backup.empty() && GetFileAttributesW(Wide(g.backup).c_str()) != INVALID_FILE_ATTRIBUTES) {
    // One replacing rename: at no moment is there no settings file.
    MoveFileExW(Wide(g.backup).c_str(), Wide(path).c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  g_Ini.Restore(g.store);
  g_ButtonTable.SetEntries(g.buttons);
}

void CloseDown() {
  if (!g.backup.empty()) DeleteFileW(Wide(g.backup).c_str());
  g.tab = nullptr;
  g.current = nullptr;
  for (HWND& page : g.pages) page = nullptr;  // destroyed with the dialog
}

void End(int result) {
  HWND dialog = g.dialog;
  CloseDown();
  g.dialog = nullptr;
  EndDialog(dialog, result);
}

void OnInit(HWND dialog) {
  SHINITDLGINFO info{};
  info.dwMask = SHIDIM_FLAGS;
  info.hDlg = dialog;
  info.dwFlags = SHIDIF_DONEBUTTON | SHIDIF_SIPDOWN | SHIDIF_FULLSCREENNOMENUBAR;
  SHInitDialog(&info);
  g.dialog = dialog;
  g_Lang.TranslateDialog(dialog);
  ClearGeoReadFlag();
  SetSettingsModified(0);
  RECT fit{};
  ProgramHost().FitDialogToMainWindow(&fit, dialog);
  Layout(dialog);

  const char* path = g_Ini.GetPath();
  if (path[0] && std::strlen(path) + 4 <= kMaxBackupPath) g.backup = std::string(path) + ".bak";
  WriteBackup();

  g.tab = GetDlgItem(dialog, kTabControl);
  for (int i = 0; i < kSettingsPageCount; ++i) {
    std::wstring text = g_Lang.GetText(kTabTexts[i]);
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text.data();
    SendMessageW(g.tab, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
  }
  SendMessageW(g.tab, TCM_SETCURSEL, 0, 0);
  InvalidateRect(dialog, nullptr, TRUE);
  SendMessageW(g.tab, TCM_SETCURSEL, static_cast<WPARAM>(g.startTab), 0);
  ChangeTab();
}

void OnCommand(int id) {
  switch (id) {
    case IDOK:
      TSettingsDialog::SaveAndClose(IDOK);
      return;
    case kApply:
      if (!Save()) return;
      if (g.reopen) {
        g.reopen = 0;
        g.reopenTab = static_cast<int>(SendMessageW(g.tab, TCM_GETCURSEL, 0, 0));
        g.reopenNow = 1;
        End(0);
      }
      return;
    case kCancel:
    case IDCANCEL:
      TSettingsDialog::CancelAndClose();
      return;
  }
}

INT_PTR CALLBACK SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_IdleClock.OnUserInput(message);
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog);
      return FALSE;  // the focus is set on the page
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
      if (hdr && hdr->idFrom == kTabControl && hdr->code == TCN_SELCHANGE) ChangeTab();
      return TRUE;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return TRUE;
  }
  return FALSE;
}

}  // namespace

int ShowSettingsDialog(HWND owner, int page) {
  int result = -1;
  for (;;) {
    g = TState{};
    g.startTab = page >= 0 && page < kSettingsPageCount ? page : 0;
    result = static_cast<int>(
        DialogBoxParamW(Instance(), MAKEINTRESOURCEW(kTemplate), owner, SettingsProc, 0));
    const int again = g.reopenNow, tab = g.reopenTab;
    if (g.dialog) CloseDown();  // ended from outside (its owner went away): still no backup left
    g = TState{};
    if (!again) break;
    page = tab;
    if (HWND main = ProgramHost().MainWindow()) owner = main;
  }
  return result;
}

void SetSettingsModified(int flag) {
  g.modified = flag ? 1 : 0;
  if (g.dialog) EnableWindow(GetDlgItem(g.dialog, kApply), g.modified ? TRUE : FALSE);
}

void TSettingsDialog::RefreshPage(int source) {
  if (!g.dialog || !g.tab) return;
  const int tab = static_cast<int>(SendMessageW(g.tab, TCM_GETCURSEL, 0, 0));
  if (tab == settings_tab::kNavigation && g.pages[tab] && g_pages == kProgramPages)
    RefreshNaviPage(g.pages[tab]);
  else if (tab == settings_tab::kGeodesy && g.pages[tab] && g_pages == kProgramPages)
    RefreshGeoPage(g.pages[tab], source);
}

HWND TSettingsDialog::Dialog() { return g.dialog; }
HWND TSettingsDialog::Page(int tab) {
  return tab >= 0 && tab < kSettingsPageCount ? g.pages[tab] : nullptr;
}
int TSettingsDialog::IsModified() { return g.modified; }
void TSettingsDialog::RequestReopen() { g.reopen = 1; }

void TSettingsDialog::CancelAndClose() {
  if (!g.dialog) return;
  Restore();
  End(kCancel);
}

bool TSettingsDialog::SaveAndClose(int result) {
  if (!g.dialog) return false;
  if (!Save()) return false;
  End(result);
  return true;
}

const TSettingsPage* SetSettingsPages(const TSettingsPage* pages) {
  const TSettingsPage* old = g_pages;
  g_pages = pages ? pages : kProgramPages;
  return old;
}
