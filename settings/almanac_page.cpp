// The almanac page: the almanac file and its loading, the period it covers, and the base point
// with which the sky plot marks the satellites the receiver and the base see together; base
// points are kept in and taken from ".base" files (the settings format, four keys).
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ini_file.h"
#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/text_utils.h"
#include "base/ui/file_browser.h"
#include "base/ui/shell_utils.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "platform/fresh_state.h"
#include "settings/settings_dialog.h"
#include "settings/settings_pages.h"
#include "view/map_view.h"

namespace {

constexpr int kAutoLoad = 2147, kFile = 1032, kBase = 2148;
constexpr int kBaseX = 2149, kBaseY = 1036, kBaseH = 1041, kBaseMask = 1044;
constexpr int kBrowse = 2146, kLoad = 2336, kCurrent = 2150, kPick = 2386;
constexpr int kOpenBase = 2151, kSaveBase = 2391, kPeriod = 2152;
constexpr size_t kMaxPath = 255;  // 8-bit characters of a device path
// The almanac's span after its day's start: 202 x 2^32 units of 100 ns (86758.3 s).
constexpr unsigned long long kSpan100ns = 202ull << 32;

const wchar_t kJpsFilter[] = L"JPS Files(*.jps)\0*.jps\0";

struct TBaseKey {
  const char* key;
  int id;
};
constexpr TBaseKey kBaseKeys[] = {
    {"AlmBaseX", kBaseX}, {"AlmBaseY", kBaseY}, {"AlmBaseH", kBaseH}, {"AlmBaseHMask", kBaseMask}};

settings_page::TEditWatch g_edits;
// The almanac file in use as far as the page knows: the stored one, then each that loaded. A file
// that does not load puts it back in the edit, so it is never kept as "AlmFile".
std::string g_loadedPath;
const vplat::FreshStateHook kFresh(5, [] {
  g_edits = {};
  g_loadedPath.clear();
});

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }
// The file browser covers the dialog, not the page inside it.
HWND BrowserOwner(HWND page) {
  HWND dialog = TSettingsDialog::Dialog();
  return dialog ? dialog : page;
}

// The folder part of a device path, its last '\' kept; empty when there is none.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The whole text of an edit when it is a usable device path (at most 255 characters).
bool PathFromEdit(HWND page, int id, std::string* out) {
  std::string text;
  if (!settings_page::GetControlPath(page, id, &text) || text.size() > kMaxPath) return false;
  *out = std::move(text);
  return true;
}

void UpdatePeriod(HWND page) {
  const BOOL on = IsDlgButtonChecked(page, kBase) == BST_CHECKED;
  for (int id : {kBaseX, kBaseY, kBaseH, kBaseMask, kCurrent, kOpenBase, kSaveBase})
    EnableDlgItem(page, id, on);
  // While an editing panel owns the pen (modes 12 to 14) the map cannot give the base point: the
  // button is not offered rather than closing the dialog onto the panel's mode.
  EnableDlgItem(page, kPick, on && !input_mode::IsPanelMode(GetInputMode()));
  std::wstring text = g_Lang.GetText(lang_id::kDlgSetAlmNotLoad);
  if (g_Almanac.IsLoaded()) {
    // In file time, so that month and year ends come out of the calendar.
    const SYSTEMTIME& date = g_Almanac.GetDate();
    SYSTEMTIME start{};
    start.wYear = date.wYear;
    start.wMonth = date.wMonth;
    start.wDay = date.wDay;
    FILETIME ft{};
    SYSTEMTIME end{};
    if (SystemTimeToFileTime(&start, &ft)) {
      unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
      t += kSpan100ns;
      ft.dwLowDateTime = static_cast<DWORD>(t);
      ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
      if (FileTimeToSystemTime(&ft, &end)) {
        wchar_t period[64];
        swprintf(period, 64, L"%i.%02i.%02i - %i.%02i.%02i", start.wYear, start.wMonth, start.wDay,
                 end.wYear, end.wMonth, end.wDay);
        text = period;
      }
    }
  }
  SetDlgItemTextW(page, kPeriod, text.c_str());
}

void SetInteger(HWND page, int id, double value) {
  // Out of the int range or not a number: the edit keeps what it had.
  if (!std::isfinite(value) || value <= double(INT_MIN) - 1.0 || value >= double(INT_MAX) + 1.0) return;
  wchar_t text[32];
  swprintf(text, 32, L"%i", static_cast<int>(value));
  SetDlgItemTextW(page, id, text);
}

void TakeCurrentPosition(HWND page) {
  GpsFix fix{};
  if (g_GpsPort.IsOpen()) g_GpsPort.GetFix(&fix);
  // The view's GPS position is that of the last valid fix the timer took; without a valid fix
  // now there is no current position, and the typed base point stays.
  if (g_GpsPort.IsOpen() && fix.status == 'A' && g_MapView.gpsState == 1) {
    SetInteger(page, kBaseX, g_MapView.gpsX);
    SetInteger(page, kBaseY, g_MapView.gpsY);
    SetInteger(page, kBaseH, fix.altitude);
  } else {
    MessageBoxW(page, g_Lang.GetText(lang_id::kMsgNoGpsFix), g_Lang.GetText(lang_id::kMsgInfo), MB_OK);
  }
  // The mask is the receiver's own: only a GREIS receiver is asked (a plain NMEA one would be
  // sent a command it never answers, and the page would wait 2 s for nothing).
  if (!g_GreisReceiver.IsReady()) return;
  SetWaitCursor(1);
  g_GreisReceiver.EnterCommandMode();
  std::string reply;
  if (g_GreisReceiver.Command("print,/par/pos/elm\n", &reply)) {
    if (reply.size() > kMaxPath) reply.resize(kMaxPath);  // at most 255 characters
    while (!reply.empty() && (reply.back() == '\n' || reply.back() == '\r')) reply.pop_back();
    settings_page::SetControlText(page, kBaseMask, reply.c_str());
  }
  g_GreisReceiver.LeaveCommandMode();
  SetWaitCursor(0);
}

void LoadAlmanac(HWND page) {
  std::string path;
  if (!PathFromEdit(page, kFile, &path)) {
    // Never cut into the name of some other file: refused, nothing loaded.
    MessageBoxW(page, g_Lang.GetText(lang_id::kMsgAlmNotLoaded), nullptr, MB_OK);
    return;
  }
  SetWaitCursor(1);
  const int loaded = g_Almanac.Load(path.c_str());
  SetWaitCursor(0);
  // A shown time bar takes the new almanac's date at once, and the plot its predictions.
  g_AlmanacBar.Update();
  if (loaded) g_loadedPath = path;
  else settings_page::SetControlPath(page, kFile, g_loadedPath.c_str());
  UpdatePeriod(page);
  g_Almanac.ShowLoadReport(page);
}

void ChooseAlmanac(HWND page) {
  std::string current;
  PathFromEdit(page, kFile, &current);
  char path[TFileBrowser::kMaxPath + 1];
  const std::string folder = FolderOf(current);
  const int chosen = BrowseForOpenFile(BrowserOwner(page), Instance(), kJpsFilter, folder.c_str(),
                                       path, sizeof path);
  if (chosen < 0) {
    // A name an 8-bit path cannot hold (or too long): a cut or changed one would name another
    // file, so the edit keeps what it had and the user hears why.
    MessageBoxW(page, g_Lang.GetText(lang_id::kMsgOpenFileErr), nullptr, MB_OK | MB_ICONERROR);
    return;
  }
  if (chosen != 1) return;
  settings_page::SetControlPath(page, kFile, path);
  SetSettingsModified(1);
}

// Runs the browser for a ".base" file; the chosen device path, or empty.
std::string ChooseBaseFile(HWND page, bool save) {
  TFileBrowser browser(BrowserOwner(page), Instance());
  browser.AddIcons(nullptr, TFileBrowser::kFolderIcon, TFileBrowser::kFileIcon,
                   TFileBrowser::kProgramIcon);
  using namespace std::string_literals;
  browser.SetFilters((g_Lang.GetText(lang_id::kDlgSetAlmBaseFilter) + L"\0*.base\0"s).c_str());
  char last[256] = "";
  g_Ini.GetString("AlmBaseLastPath", last, sizeof last);
  browser.folder = PathToWide(last);
  if (save) browser.defaultExtension = L".base";
  const int ok = save ? browser.RunSave(TFileBrowser::kSaveTemplate, nullptr)
                      : browser.RunOpen(TFileBrowser::kOpenTemplate, nullptr);
  if (!ok) return {};
  char full[TFileBrowser::kMaxPath + 1];
  if (browser.GetFullPathA(full, sizeof full) == 0) {
    // Chosen, but not to be held as an 8-bit path: said, not dropped in silence.
    std::wstring text = g_Lang.GetText(lang_id::kMsgOpenFileErr);
    text += L"\n" + browser.folder + (browser.fileNames.empty() ? L"" : browser.fileNames[0]);
    MessageBoxW(page, text.c_str(), nullptr, MB_OK | MB_ICONERROR);
    return {};
  }
  const std::string path = full;
  g_Ini.SetString("AlmBaseLastPath", FolderOf(path).c_str());
  return path;
}

void OpenBaseFile(HWND page) {
  const std::string path = ChooseBaseFile(page, false);
  if (path.empty()) return;
  TIniFile base;
  if (base.Load(path.c_str()) != TIniFile::kOk) {
    settings_page::ShowPathMessage(page, lang_id::kMsgOpenErr, path.c_str());
    return;
  }
  bool any = false;
  for (const TBaseKey& k : kBaseKeys) any = any || base.HasKey(k.key);
  if (!any) {
    // No base point in it: some other file, refused as it stands.
    settings_page::ShowPathMessage(page, lang_id::kMsgBadFileFormat, path.c_str());
    return;
  }
  for (const TBaseKey& k : kBaseKeys) base.GetStringToDlgItem(k.key, page, k.id);  // a missing key leaves its edit
  SetSettingsModified(1);
}

void SaveBaseFile(HWND page) {
  const std::string path = ChooseBaseFile(page, true);
  if (path.empty()) return;
  TIniFile base;
  base.SetHeader("[Ini]");
  for (const TBaseKey& k : kBaseKeys) base.SetStringFromDlgItem(k.key, page, k.id);
  if (base.SaveAs(path.c_str()) != TIniFile::kOk)
    settings_page::ShowPathMessage(page, lang_id::kMsgOpenFileErr, path.c_str());
}

}  // namespace

INT_PTR CALLBACK AlmPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  settings_page::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      settings_page::Translate(page);
      g_Ini.GetIntToCheckBox("AlmAutoLoad", page, kAutoLoad);
      g_Ini.GetPathToDlgItem("AlmFile", page, kFile);
      if (!PathFromEdit(page, kFile, &g_loadedPath)) g_loadedPath.clear();
      g_Ini.GetIntToCheckBox("AlmBase", page, kBase);
      for (const TBaseKey& k : kBaseKeys) g_Ini.GetStringToDlgItem(k.key, page, k.id);
      UpdatePeriod(page);
      g_edits.touched = 0;
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      switch (id) {
        case kBase:
          UpdatePeriod(page);
          SetSettingsModified(1);
          break;
        case kAutoLoad:
          SetSettingsModified(1);
          break;
        case kFile:
        case kBaseX:
        case kBaseY:
        case kBaseH:
        case kBaseMask:
          g_edits.OnEdit(page, id, code);
          break;
        case kBrowse:
          ChooseAlmanac(page);
          break;
        case kLoad:
          LoadAlmanac(page);
          break;
        case kCurrent:
          TakeCurrentPosition(page);
          break;
        case kOpenBase:
          OpenBaseFile(page);
          break;
        case kSaveBase:
          SaveBaseFile(page);
          break;
        case kPick:
          // The next map tap gives the base point; the dialog saves and goes.
          // A mode that refuses it (an editing panel's) keeps the dialog open, and says so.
          SetInputMode(input_mode::kAlmanacBase);
          if (GetInputMode() != input_mode::kAlmanacBase) {
            MessageBeep(MB_ICONHAND);
            break;
          }
          TSettingsDialog::SaveAndClose(kSettingsPickAlmanacBase);
          break;
      }
      return TRUE;
    }
  }
  return FALSE;
}

void SaveAlmPage(HWND page) {
  if (!page) return;
  g_Ini.SetIntFromCheckBox("AlmAutoLoad", page, kAutoLoad);
  // The whole path or none: a cut path would name another file.
  std::string path;
  if (PathFromEdit(page, kFile, &path)) g_Ini.SetString("AlmFile", path.c_str());
  g_Ini.SetIntFromCheckBox("AlmBase", page, kBase);
  for (const TBaseKey& k : kBaseKeys) g_Ini.SetNumberFromDlgItem(k.key, page, k.id, false);
}
