// The geodesy receiver page: the antenna type announced with the Stop&Go events, four
// parameters read from and written to the receiver over its command dialogue, and the live
// receiver values.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/ini_file.h"
#include "base/typed_number.h"
#include "gps/geodesy_bar.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "platform/fresh_state.h"
#include "settings/settings_dialog.h"
#include "settings/settings_host.h"
#include "settings/settings_pages.h"

namespace {

constexpr int kAntenna = 2322, kPdop = 1035, kElevation = 1029, kPeriod = 1039;
constexpr int kGps = 2320, kGlonass = 2421;
constexpr int kFixSatellites = 2323, kFixPdop = 2312, kFixAltitude = 2516;
constexpr int kPower = 2513, kMemory = 2414, kRemaining = 2415;
constexpr size_t kReplyBytes = 1024;

const wchar_t* const kAntennas[] = {
    L"UNKNOWN",        L"JPSLEGANT_E",    L"JPSREGANT_SD_E", L"JPSREGANT_DD_E", L"JPSREGANT_SD_I",
    L"JPSREGANT_DD_I", L"JPSODYSSEY",     L"JPSMARANT_GGD",  L"TPS_LEGANT_G",   L"TPS_LEGANT2",
    L"TPS_LEGANT3_UHF", L"TPS_CR3_GGD",   L"TPS_CR4",        L"TPS_HIPER_GD",   L"TPS_ODYSSEY"};

settings_page::TEditWatch g_edits;
// The parameters came from the receiver in this opening: only then are they written back, or
// empty edits would be sent as values.
int g_read = 0;
const vplat::FreshStateHook kFresh(5, [] {
  g_edits = {};
  g_read = 0;
});

void SetText(HWND page, int id, const wchar_t* text) { SetDlgItemTextW(page, id, text); }

// The reply's text without the line end the receiver closes it with.
std::string Payload(const char* reply) {
  std::string text(reply);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

bool Ask(const char* line, std::string* payload) {
  std::string reply;
  if (!g_GreisReceiver.Command(line, &reply)) return false;
  if (reply.size() >= kReplyBytes) reply.resize(kReplyBytes - 1);
  *payload = Payload(reply.c_str());
  return true;
}

void SetSystems(HWND page, const std::string& systems) {
  struct Row {
    const char* text;
    int gps, glonass, glonassEnabled;
  };
  static const Row kRows[] = {{"{on}", 1, 0, 0},      {"{off}", 0, 0, 0},    {"{off,off}", 0, 0, 1},
                              {"{on,on}", 1, 1, 1},   {"{off,on}", 0, 1, 1}, {"{on,off}", 1, 0, 1}};
  for (const Row& r : kRows) {
    if (systems != r.text) continue;
    CheckDlgButton(page, kGps, r.gps ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(page, kGlonass, r.glonass ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(page, kGlonass), r.glonassEnabled);
    return;
  }
  // Any other answer leaves the boxes as they are.
}

void ReadParameters(HWND page) {
  g_read = 0;
  bool ok = false;
  if (g_GreisReceiver.IsReady()) {
    g_GreisReceiver.EnterCommandMode();
    std::string pdop, elevation, period, systems;
    ok = Ask("print,/par/pos/pdop\n", &pdop);
    if (ok) settings_page::SetControlText(page, kPdop, pdop.c_str());
    ok = ok && Ask("print,/par/pos/elm\n", &elevation);
    if (ok) settings_page::SetControlText(page, kElevation, elevation.c_str());
    ok = ok && Ask("print,/par/log/sc/period\n", &period);
    if (ok) settings_page::SetControlText(page, kPeriod, period.c_str());
    ok = ok && Ask("print,/par/pos/sys\n", &systems);
    if (ok) {
      EnableWindow(GetDlgItem(page, kGps), TRUE);
      EnableWindow(GetDlgItem(page, kGlonass), TRUE);
      SetSystems(page, systems);
    }
    g_GreisReceiver.LeaveCommandMode();
  }
  // Values that cannot be read cannot be written either: their boxes are disabled, so nothing is
  // typed that Apply would then drop.
  for (int id : {kPdop, kElevation, kPeriod}) EnableWindow(GetDlgItem(page, id), ok);
  if (!ok) {
    for (int id : {kPdop, kElevation, kPeriod}) SetText(page, id, L"");
    for (int id : {kGps, kGlonass}) {
      CheckDlgButton(page, id, BST_UNCHECKED);
      EnableWindow(GetDlgItem(page, id), FALSE);
    }
    return;
  }
  g_read = 1;
}

// A text that may go into a command line: a control character would end the line early.
bool Sendable(const char* text) {
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
    if (*p < 0x20 || *p == 0x7F) return false;
  return true;
}

void Send(const char* format, const char* value) {
  if (!Sendable(value)) return;
  std::string line(std::strlen(format) + std::strlen(value) + 1, '\0');
  const int n = std::snprintf(line.data(), line.size(), format, value);
  if (n < 0) return;
  line.resize(static_cast<size_t>(n));
  std::string reply;
  g_GreisReceiver.Command(line.c_str(), &reply);  // a refused value stays the receiver's own
}

// A parameter typed for the receiver: a number goes with a point (a comma is the field separator
// of its commands: "5,5" would set 5); an empty edit goes as it is, and the receiver keeps its
// own value. Anything else is refused with a beep and not sent (false).
bool TypedParameter(HWND page, int id, std::string* out) {
  char text[1024];
  settings_page::GetControlText(page, id, text, sizeof text);
  if (std::string_view(text).find_first_not_of(" \t") == std::string_view::npos) {
    *out = text;
    return true;
  }
  *out = CanonicalTypedNumber(std::string_view(text));
  if (!out->empty()) return true;
  MessageBeep(MB_ICONHAND);
  return false;
}

void WriteParameters(HWND page) {
  std::string pdop, elevation, period;
  const bool sendPdop = TypedParameter(page, kPdop, &pdop);
  const bool sendElevation = TypedParameter(page, kElevation, &elevation);
  const bool sendPeriod = TypedParameter(page, kPeriod, &period);
  g_GreisReceiver.EnterCommandMode();
  if (sendPdop) Send("set,/par/pos/pdop,%s\n", pdop.c_str());
  if (sendElevation) {
    Send("set,/par/pos/elm,%s\n", elevation.c_str());
    Send("set,/par/out/elm/cur/log,%s\n", elevation.c_str());
    double mask = 0;
    if (ReadTypedNumber(std::string_view(elevation), &mask)) SettingsHost().SetElevationMask(mask);
  }
  if (sendPeriod) Send("set,/par/log/sc/period,%s\n", period.c_str());
  char systems[32];
  std::snprintf(systems, sizeof systems, "{%s,%s}",
                IsDlgButtonChecked(page, kGps) == BST_CHECKED ? "on" : "off",
                IsDlgButtonChecked(page, kGlonass) == BST_CHECKED ? "on" : "off");
  Send("set,/par/pos/sys,%s\n", systems);
  g_GreisReceiver.LeaveCommandMode();
}

}  // namespace

void ClearGeoReadFlag() { g_read = 0; }

void RefreshGeoPage(HWND page, int source) {
  if (!page) return;
  wchar_t text[64];
  if (source == 0) {
    GpsFix fix{};
    g_GpsPort.GetFix(&fix);
    swprintf(text, 64, L"%i", fix.satellitesUsed);
    SetText(page, kFixSatellites, text);
    text[0] = 0;
    if (fix.status == 'A' && std::isfinite(fix.pdop)) swprintf(text, 64, L"%.1f", double(fix.pdop));
    SetText(page, kFixPdop, text);
    text[0] = 0;
    if (std::isfinite(fix.altitude)) swprintf(text, 64, L"%.1f", fix.altitude);
    SetText(page, kFixAltitude, text);
    return;
  }
  // Power and memory are asked of a GREIS receiver only: a plain NMEA one never answers, and
  // each query would hold the page 2 s.
  if (!g_GreisReceiver.IsReady()) return;
  g_GreisReceiver.EnterCommandMode();
  float volts = 0;
  text[0] = 0;
  if (g_GreisReceiver.GetPower(&volts) && std::isfinite(volts)) swprintf(text, 64, L"%.2f", double(volts));
  SetText(page, kPower, text);
  int size = 0, freeBytes = 0;
  text[0] = 0;
  const bool memory = g_GreisReceiver.GetMemory(&size, &freeBytes);
  if (memory) swprintf(text, 64, L"%.2f/%.2f", freeBytes / 1048576.0, size / 1048576.0);
  SetText(page, kMemory, text);
  // The remaining time, as the geodesy bar tells it: its recording rate exists only while a log
  // grows under the bar, so without one the receiver is not asked for the log's size (2 s more
  // of a silent receiver) and the box stays empty.
  text[0] = 0;
  int logSize = 0;
  if (memory && g_GeodesyBar.rate > 0 && g_GreisReceiver.GetCurrentLogSize(&logSize))
    FormatRemainingTime(text, 64, freeBytes, logSize, g_GeodesyBar.rate);
  SetText(page, kRemaining, text);
  g_GreisReceiver.LeaveCommandMode();
}

INT_PTR CALLBACK GeoPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
  settings_page::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG: {
      g_edits.touched = 0;
      settings_page::Translate(page);
      HWND antenna = GetDlgItem(page, kAntenna);
      SendMessageW(antenna, CB_RESETCONTENT, 0, 0);
      for (const wchar_t* name : kAntennas)
        SendMessageW(antenna, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
      g_Ini.SelectComboString("GeoAntType", page, kAntenna);
      RefreshGeoPage(page, 0);
      RefreshGeoPage(page, 1);
      ReadParameters(page);
      return TRUE;
    }
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == kPdop || id == kElevation || id == kPeriod)
        g_edits.OnEdit(page, id, code);
      else if ((id == kAntenna && code == CBN_SELCHANGE) || id == kGps || id == kGlonass)
        SetSettingsModified(1);
      return TRUE;
    }
  }
  return FALSE;
}

void SaveGeoPage(HWND page) {
  if (!page) return;
  g_Ini.SetStringFromDlgItem("GeoAntType", page, kAntenna);
  char antenna[256];
  g_Ini.GetString("GeoAntType", antenna, sizeof antenna);
  g_GreisReceiver.SetAntennaType(antenna);
  if (g_read && g_GreisReceiver.IsReady()) WriteParameters(page);
}
