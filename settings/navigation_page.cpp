// The navigation page: track recording, the point offers, the sight rings, the GPS offset, and
// the live GPS values that the GPS timer refreshes while the page is the current tab.
#include <cmath>
#include <cstdint>
#include <cwchar>

#include "base/ini_file.h"
#include "base/input_mode.h"
#include "base/ui/shell_utils.h"
#include "gps/gps_port.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "settings/settings_dialog.h"
#include "settings/settings_host.h"
#include "settings/settings_pages.h"
#include "view/map_view.h"

namespace {

constexpr int kDatum = 2318, kSaveLog = 2399, kRotate = 2342, kVector = 2343, kDelta = 1193;
constexpr int kDeltaDef = 3037, kSight = 2344, kSightList = 3035, kOffset = 2100;
constexpr int kOffsetXLabel = 2101, kOffsetYLabel = 2102, kOffsetX = 2045, kOffsetY = 2049;
constexpr int kPickOffset = 2339;
constexpr int kSatellites = 2311, kSpeed = 2112, kAltitude = 2413, kLat = 2314, kLon = 2315;
constexpr int kTrackLength = 2316, kAverageSpeed = 2317;

settings_page::TEditWatch g_edits;
int g_trackSwitchChanged = 0;
const vplat::FreshStateHook kFresh(5, [] {
  g_edits = {};
  g_trackSwitchChanged = 0;
});

BOOL Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void SetText(HWND page, int id, const wchar_t* text) { SetDlgItemTextW(page, id, text); }

// "%.1f"-style text of a finite value; empty otherwise.
void SetNumber(HWND page, int id, const wchar_t* format, double value) {
  wchar_t text[64] = L"";
  if (std::isfinite(value)) swprintf(text, 64, format, value);
  SetText(page, id, text);
}

void SetAngle(HWND page, int id, int degrees, double minutes, char hemisphere) {
  wchar_t text[64] = L"";
  if (std::isfinite(minutes))
    swprintf(text, 64, L"%i\u00b0%0.2f'%lc", degrees, minutes,
             static_cast<wint_t>(static_cast<unsigned char>(hemisphere)));
  SetText(page, id, text);
}

void UpdateEnabled(HWND page) {
  const BOOL offset = Checked(page, kOffset);
  for (int id : {kOffsetXLabel, kOffsetYLabel, kOffsetX, kOffsetY}) EnableDlgItem(page, id, offset);
  EnableDlgItem(page, kSightList, Checked(page, kSight));
}

}  // namespace

void RefreshNaviPage(HWND page) {
  if (!page) return;
  GpsFix fix{};
  g_GpsPort.GetFix(&fix);
  wchar_t text[32];
  swprintf(text, 32, L"%i", fix.satellitesUsed);
  SetText(page, kSatellites, text);
  if (fix.status == 'A') {
    SetNumber(page, kSpeed, L"%.1f", fix.speed);
    SetNumber(page, kAltitude, L"%.1f", fix.altitude);
    const LRESULT datum = SendDlgItemMessageW(page, kDatum, CB_GETCURSEL, 0, 0);
    if (datum == 0) {
      SetAngle(page, kLat, fix.latDegrees, fix.latMinutes, fix.latHemisphere);
      SetAngle(page, kLon, fix.lonDegrees, fix.lonMinutes, fix.lonHemisphere);
    } else if (datum == 1) {
      // The plane position the GPS timer took last, offset included.
      SetNumber(page, kLat, L"%0.1f", g_MapView.gpsX);
      SetNumber(page, kLon, L"%0.1f", g_MapView.gpsY);
    } else {
      SetText(page, kLat, L"");
      SetText(page, kLon, L"");
    }
  } else {
    for (int id : {kSpeed, kAltitude, kLat, kLon}) SetText(page, id, L"");
  }
  double metres = 0;
  uint32_t seconds = 0;
  if (g_UserLayer.GetRecordingStats(&metres, &seconds)) {
    SetNumber(page, kTrackLength, L"%.2f", metres / 1000.0);
    // No time yet gives no speed (rather than an infinite one).
    const double average = seconds > 0 ? (metres / 1000.0) / (seconds / 3600.0) : NAN;
    SetNumber(page, kAverageSpeed, L"%.1f", average);
  } else {
    SetText(page, kTrackLength, L"");
    SetText(page, kAverageSpeed, L"");
  }
}

INT_PTR CALLBACK NaviPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  settings_page::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG: {
      g_edits.touched = 0;
      g_trackSwitchChanged = 0;
      settings_page::Translate(page);
      HWND datum = GetDlgItem(page, kDatum);
      SendMessageW(datum, CB_RESETCONTENT, 0, 0);
      SendMessageW(datum, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"WGS84"));
      SendMessageW(datum, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"S-42"));
      g_Ini.GetIntToComboSel("NaviDatum", page, kDatum);
      g_Ini.GetIntToCheckBox("NaviSaveLog", page, kSaveLog);
      g_Ini.GetIntToCheckBox("NaviRotPt", page, kRotate);
      g_Ini.GetIntToCheckBox("NaviVector", page, kVector);
      g_Ini.GetIntToCheckBox("NaviPtDelta", page, kDelta);
      g_Ini.GetStringToDlgItem("NaviPtDeltaDef", page, kDeltaDef);
      g_Ini.GetIntToCheckBox("NaviRuleSight", page, kSight);
      g_Ini.GetStringToDlgItem("NaviRuleSightList", page, kSightList);
      g_Ini.GetIntToCheckBox("GPSOffsActive", page, kOffset);
      g_Ini.GetStringToDlgItem("GPSOffsX", page, kOffsetX);
      g_Ini.GetStringToDlgItem("GPSOffsY", page, kOffsetY);
      RefreshNaviPage(page);
      UpdateEnabled(page);
      // While an editing panel owns the pen (modes 12 to 14) the map cannot take the offset drag:
      // the button is not offered rather than closing the dialog onto the panel's mode.
      EnableDlgItem(page, kPickOffset, !input_mode::IsPanelMode(GetInputMode()));
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      switch (id) {
        case kDeltaDef:
        case kSightList:
        case kOffsetX:
        case kOffsetY:
          g_edits.OnEdit(page, id, code);
          break;
        case kDelta:
          // The two offers exclude each other.
          if (Checked(page, kDelta)) CheckDlgButton(page, kVector, BST_UNCHECKED);
          SetSettingsModified(1);
          break;
        case kVector:
          if (Checked(page, kVector)) CheckDlgButton(page, kDelta, BST_UNCHECKED);
          SetSettingsModified(1);
          break;
        case kOffset:
        case kSight:
          UpdateEnabled(page);
          SetSettingsModified(1);
          break;
        case kDatum:
          if (code == CBN_SELCHANGE) {
            SetSettingsModified(1);
            RefreshNaviPage(page);
          }
          break;
        case kRotate:
          SetSettingsModified(1);
          break;
        case kSaveLog:
          g_trackSwitchChanged = 1;
          SetSettingsModified(1);
          break;
        case kPickOffset:
          // The user drags the offset on the map; the dialog goes as Cancel leaves it. A mode
          // that refuses the drag's keeps the dialog open.
          SetInputMode(input_mode::kGpsOffset);
          if (GetInputMode() == input_mode::kGpsOffset) TSettingsDialog::CancelAndClose();
          break;
      }
      return TRUE;
    }
  }
  return FALSE;
}

void SaveNaviPage(HWND page) {
  if (!page) return;
  g_Ini.SetIntFromComboSel("NaviDatum", page, kDatum);
  g_Ini.SetIntFromCheckBox("NaviSaveLog", page, kSaveLog);
  g_Ini.SetIntFromCheckBox("NaviRotPt", page, kRotate);
  g_Ini.SetIntFromCheckBox("NaviVector", page, kVector);
  g_Ini.SetIntFromCheckBox("NaviRuleSight", page, kSight);
  g_Ini.SetStringFromDlgItem("NaviRuleSightList", page, kSightList);
  g_Ini.SetIntFromCheckBox("NaviPtDelta", page, kDelta);
  // Whole numbers: the default distance and the offset are read as integers (metres).
  g_Ini.SetNumberFromDlgItem("NaviPtDeltaDef", page, kDeltaDef, true);
  g_Ini.SetNumberFromDlgItem("GPSOffsX", page, kOffsetX, true);
  g_Ini.SetNumberFromDlgItem("GPSOffsY", page, kOffsetY, true);
  g_Ini.SetIntFromCheckBox("GPSOffsActive", page, kOffset);
  if (g_trackSwitchChanged) {
    SettingsHost().UpdateTrackLogMenu();
    g_trackSwitchChanged = 0;
  }
}
