// The GPS port page: receiver type, the port and baud rate of each type, the presets, and the
// echo sounder's port, baud rate and switch.
#include <cstdio>
#include <string>

#include "base/ini_file.h"
#include "base/program_host.h"
#include "platform/fresh_state.h"
#include "settings/port_presets.h"
#include "settings/settings_dialog.h"
#include "settings/settings_host.h"
#include "settings/settings_pages.h"

namespace {

constexpr int kType = 2031, kPort = 1040, kBaud = 2033, kPreset = 2034;
constexpr int kEchoOn = 2498, kEchoPort = 1043, kEchoBaud = 2039;
// The camera controller's group, which the page does not offer.
constexpr int kCameraControls[] = {2499, 1044, 3027, 1312, 3026};
const wchar_t* const kBauds[] = {L"4800",  L"9600",   L"19200",  L"38400",
                                 L"57600", L"115200", L"230400", L"460800"};
const char* const kPortKeys[2] = {"GPSCOMNUM_NMEA", "GPSCOMNUM_JAVAD"};
const char* const kBaudKeys[2] = {"GPSCOMBR_NMEA", "GPSCOMBR_JAVAD"};

int g_echoChanged = 0;
const vplat::FreshStateHook kFresh(5, [] { g_echoChanged = 0; });

HWND Item(HWND page, int id) { return GetDlgItem(page, id); }
int TypeIndex(HWND page) { return static_cast<int>(SendDlgItemMessageW(page, kType, CB_GETCURSEL, 0, 0)); }

void Add(HWND combo, const wchar_t* text) {
  SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

// The stored port and baud rate of the selected type.
void ShowTypePort(HWND page) {
  const int type = TypeIndex(page);
  if (type != 0 && type != 1) return;
  g_Ini.SelectComboString(kPortKeys[type], page, kPort);
  g_Ini.SelectComboString(kBaudKeys[type], page, kBaud);
}

void StoreTypePort(HWND page) {
  const int type = TypeIndex(page);
  if (type != 0 && type != 1) return;
  g_Ini.SetStringFromDlgItem(kPortKeys[type], page, kPort);
  g_Ini.SetStringFromDlgItem(kBaudKeys[type], page, kBaud);
}

void ApplyPreset(HWND page) {
  g_PortPresets.Apply(Item(page, kType), Item(page, kPort), Item(page, kBaud));
}

void Load(HWND page) {
  settings_page::Translate(page);
  HWND port = Item(page, kPort), echoPort = Item(page, kEchoPort);
  SendMessageW(port, CB_RESETCONTENT, 0, 0);
  SendMessageW(echoPort, CB_RESETCONTENT, 0, 0);
  for (int id : kCameraControls) ShowWindow(Item(page, id), SW_HIDE);
  for (int n = 1; n <= TPortPresets::kMaxPort; ++n) {
    wchar_t name[16];
    swprintf(name, 16, L"COM%i:", n);
    Add(port, name);
    Add(echoPort, name);
  }
  HWND type = Item(page, kType);
  SendMessageW(type, CB_RESETCONTENT, 0, 0);
  SendMessageW(type, CB_SHOWDROPDOWN, FALSE, 0);
  Add(type, L"NMEA");
  Add(type, L"JAVAD");
  g_Ini.GetIntToComboSel("GPSTYPE", page, kType);
  for (int id : {kBaud, kEchoBaud}) {
    HWND baud = Item(page, id);
    SendMessageW(baud, CB_RESETCONTENT, 0, 0);
    for (const wchar_t* rate : kBauds) Add(baud, rate);
  }
  g_Ini.SelectComboString("ECHOCOMBR", page, kEchoBaud);
  const int echoNumber = g_Ini.GetInt("ECHOCOMNUM");
  if (echoNumber >= 1) SendMessageW(echoPort, CB_SETCURSEL, static_cast<WPARAM>(echoNumber - 1), 0);
  g_Ini.GetIntToCheckBox("ECHOACTIVE", page, kEchoOn);

  std::string path = ProgramHost().ProgramFolder();
  path += "PortsPresets.ini";
  g_PortPresets.Load(path.c_str());
  g_PortPresets.FillCombo(Item(page, kPreset));
  g_Ini.SelectComboString("GPSPreset", page, kPreset);
  ShowTypePort(page);
  // The stored preset wins over the stored port: "GPSPreset" means "follow this preset".
  ApplyPreset(page);
  g_echoChanged = 0;
}

}  // namespace

INT_PTR CALLBACK PortsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  settings_page::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG:
      Load(page);
      return TRUE;
    case WM_DESTROY:
      g_PortPresets.Free();
      return FALSE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == kEchoOn) {
        if (code == BN_CLICKED) {
          g_echoChanged = 1;
          SetSettingsModified(1);
        }
        return TRUE;
      }
      if (code != CBN_SELCHANGE) return TRUE;
      switch (id) {
        case kPort:
        case kBaud:
          StoreTypePort(page);  // at once: the navigation start reads these keys
          SendDlgItemMessageW(page, kPreset, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
          SetSettingsModified(1);
          break;
        case kType:
          ShowTypePort(page);
          SendDlgItemMessageW(page, kPreset, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
          SetSettingsModified(1);
          break;
        case kPreset:
          ApplyPreset(page);
          SetSettingsModified(1);
          break;
        case kEchoPort:
        case kEchoBaud:
          SetSettingsModified(1);
          break;
      }
      return TRUE;
    }
  }
  return FALSE;
}

void SavePortsPage(HWND page) {
  if (!page) return;
  StoreTypePort(page);
  g_Ini.SetIntFromComboSel("GPSTYPE", page, kType);
  g_Ini.SetStringFromDlgItem("GPSPreset", page, kPreset);
  // The preset list stays: the page is still open after an Apply and may be chosen from again.
  g_Ini.SetIntFromCheckBox("ECHOACTIVE", page, kEchoOn);
  g_Ini.SetInt("ECHOCOMNUM", static_cast<int>(SendDlgItemMessageW(page, kEchoPort, CB_GETCURSEL, 0, 0)) + 1);
  g_Ini.SetStringFromDlgItem("ECHOCOMBR", page, kEchoBaud);
  if (g_echoChanged) {
    const int on = IsDlgButtonChecked(page, kEchoOn) == BST_CHECKED;
    const int open = SettingsHost().OpenEchoPort(TSettingsDialog::Dialog(), on);
    if (!open) {
      // Not open: the box and the key say so, or every navigation start would fail again.
      CheckDlgButton(page, kEchoOn, BST_UNCHECKED);
      g_Ini.SetInt("ECHOACTIVE", 0);
    }
    g_echoChanged = 0;
  }
}
