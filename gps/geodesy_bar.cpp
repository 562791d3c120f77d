#include "gps/geodesy_bar.h"

#include <clocale>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/text_utils.h"
#include "base/typed_number.h"
#include "base/ui/shell_utils.h"
#include "edit/object_type_dialog.h"
#include "gps/almanac.h"
#include "gps/geodesy_host.h"
#include "gps/gps_port.h"
#include "gps/greis_receiver.h"
#include "maps/library_symbols.h"
#include "maps/object_library.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

// g_GeodesyBar is defined with the program's other globals, in app/globals.cpp.
double g_ElevationMask = 0;
namespace {
const vplat::FreshStateHook kFresh(5, [] { g_ElevationMask = 0; });
}  // namespace

namespace {

constexpr int kButtonSize = 20;
constexpr int kNarrowLossWidth = 12;
constexpr COLORREF kRed = 255, kGreen = 65280;
constexpr int kHighestPrn = 32;

struct ButtonPlace {
  int bitmap, type, x, y;
};
// In the order of TGeodesyBar::Button.
constexpr ButtonPlace kPlaces[5] = {
    {TGeodesyBar::kBitmapAuto, TSoftButton::kRadio, 71, 2},
    {TGeodesyBar::kBitmapStatic, TSoftButton::kRadio, 216, 2},
    {TGeodesyBar::kBitmapKinematic, TSoftButton::kRadio, 152, 2},
    {TGeodesyBar::kBitmapFollow, TSoftButton::kToggle, 2, 2},
    {TGeodesyBar::kBitmapForm, TSoftButton::kPush, 216, 24},
};

INT_PTR CALLBACK GeodesyBarProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_IdleClock.OnUserInput(message);
  return g_GeodesyBar.OnMessage(dialog, message, wParam, lParam);
}

void SetText(HWND dialog, int id, const wchar_t* text) {
  if (dialog) SetDlgItemTextW(dialog, id, text);
}

bool HasText(HWND dialog, int id) {
  const HWND item = dialog ? GetDlgItem(dialog, id) : nullptr;
  return item && GetWindowTextLengthW(item) > 0;
}

// A typed antenna height in metres, with a decimal comma or point. False for anything else
// (nothing, letters, a unit after the number): the record then keeps the height it had.
bool ParseHeight(const wchar_t* text, double* height) {
  return ReadTypedNumber(std::wstring_view(text ? text : L""), height);
}

// Satellites 1-32 the almanac puts above the elevation mask at the fix's time and place.
int ExpectedSatellites(const GpsFix& fix) {
  const double degrees = 180.0 / 3.14159265358979323846;
  g_Almanac.SetObserver(fix.utc, fix.latitude * degrees, fix.longitude * degrees,
                        std::isfinite(fix.altitude) ? fix.altitude : 0.0);
  int count = 0;
  for (int prn = 1; prn <= kHighestPrn; ++prn) {
    uint8_t elevation = 0;
    int16_t azimuth = 0;
    if (g_Almanac.GetSatellite(prn, &elevation, &azimuth) && elevation > g_ElevationMask) ++count;
  }
  return count;
}

}  // namespace

// ---- free helpers ---------------------------------------------------------------------------

void FormatRemainingTime(wchar_t* out, size_t capacity, int freeBytes, int logSize, double rate) {
  std::swprintf(out, capacity, L"--:--");
  if (freeBytes < 0 || !std::isfinite(rate) || rate == 0) return;
  const double t = (double(freeBytes) - double(logSize)) / rate / 2.0;
  if (!(t >= 0) || t > double(INT_MAX)) return;
  const int seconds = int(t);
  std::swprintf(out, capacity, L"%i:%02i", seconds / 60, seconds % 60);
}

int BatteryFrame(float volts) {
  if (!std::isfinite(volts) || volts == 0) return 0;
  const float percent = ((volts * 100.0f - 650.0f) / 150.0f) * 100.0f;
  const int rounded = int(std::floor(percent + 0.5f));
  if (rounded > 150) return 0;
  if (rounded >= 51) return 1;
  if (rounded >= 6) return 2;
  return 3;
}

void FormatHeight(wchar_t* out, size_t capacity, double height) {
  std::swprintf(out, capacity, L"%.3f", std::isfinite(height) ? height : 0.0);
  if (!std::wcschr(out, L'.')) return;
  size_t n = std::wcslen(out);
  while (n > 0 && out[n - 1] == L'0') out[--n] = 0;
  if (n > 0 && out[n - 1] == L'.') out[--n] = 0;
}

// ---- the bar --------------------------------------------------------------------------------

TGeodesyBar::FollowState& TGeodesyBar::FollowState::operator=(int on) {
  on_ = on ? 1 : 0;
  button_.SetState(on_ ? TSoftButton::kDown : TSoftButton::kUp, button_.owner != nullptr);
  return *this;
}

TGeodesyBar::TGeodesyBar() : followButton(buttons[kFollowButton]) {
  record = &lineRecord;
  redBrush = CreateSolidBrush(kRed);
  greenBrush = CreateSolidBrush(kGreen);
}

TGeodesyBar::~TGeodesyBar() {
  if (redBrush) DeleteObject(redBrush);
  if (greenBrush) DeleteObject(greenBrush);
}

HWND TGeodesyBar::Create(HWND main, HINSTANCE inst) {
  mainWindow = main;
  instance = inst;
  const HWND focus = GetFocus();
  window = CreateDialogParamW(inst, MAKEINTRESOURCEW(kTemplate), main, GeodesyBarProc, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  TSoftButton* radio[3] = {&buttons[kAutoButton], &buttons[kStaticButton],
                           &buttons[kKinematicButton]};
  for (int i = 0; i < 5; ++i) {
    // A bitmap that is not there leaves the button without a picture; it still works.
    const HBITMAP bitmap = LoadBitmapW(inst, MAKEINTRESOURCEW(kPlaces[i].bitmap));
    buttons[i].Setup(window, bitmap, kPlaces[i].type, radio, 3);
    buttons[i].SetRect(kPlaces[i].x, kPlaces[i].y, kButtonSize, kButtonSize);
  }
  buttons[kAutoButton].SetState(TSoftButton::kDown, false);
  buttons[kFollowButton].SetState(followButton ? TSoftButton::kDown : TSoftButton::kUp, false);
  symbol.Attach(window, nullptr);
  symbol.SetRect(2, 24, kButtonSize, kButtonSize, 0);
  battery.Attach(window, LoadBitmapW(inst, MAKEINTRESOURCEW(kBitmapBattery)));
  battery.SetRect(96, 4, 11, 16);
  siteField.Bind(GetDlgItem(window, kSiteCombo), 9, 5, 9);
  // The hidden bar must not keep the keys the main window had (or that nobody had yet).
  if (IsChild(window, GetFocus())) SetFocus(focus);
  return window;
}

void TGeodesyBar::Show(int on) {
  if (!window) return;
  if (on) {
    if (shown) return;
    shown = 1;
    ShowWindow(window, SW_SHOW);
    TObjectLibrary* library = g_UserLayer.GetLibrary();
    symbols_.reset(library ? new TLibrarySymbols(*library) : nullptr);
    symbol.Attach(window, symbols_.get());
    symbol.SetRect(2, 24, kButtonSize, kButtonSize, 0);
    if (const HWND loss = GetDlgItem(window, kLossText)) {
      RECT rc;
      GetWindowRect(loss, &rc);
      POINT top{rc.left, rc.top};
      ScreenToClient(window, &top);
      MoveWindow(loss, top.x, top.y, kNarrowLossWidth, rc.bottom - rc.top, TRUE);
    }
    blankAutoShowNew = g_Ini.GetInt("BlankAutoShowNew");
    Load();
    return;
  }
  const int was = shown;
  shown = 0;
  ShowWindow(window, SW_HIDE);
  if (was) Save();
  if (timer) KillTimer(window, kPollTimer);
  timer = 0;
}

void TGeodesyBar::Move(int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TGeodesyBar::GetHeight() const {
  if (!window || !shown || !IsWindowVisible(window)) return 0;
  RECT rc;
  GetWindowRect(window, &rc);
  return rc.bottom - rc.top;
}

void TGeodesyBar::Load() {
  // The records first, so that the mode's display shows them.
  lineRecord.code = uint16_t(g_Ini.GetInt("NJLCode"));
  lineRecord.height = g_Ini.GetFloat("NJLHeightNum");
  pointRecord.code = uint16_t(g_Ini.GetInt("NJPCode"));
  pointRecord.height = g_Ini.GetFloat("NJPHeightNum");
  // The bar shows the type the stretches will get (see GetAntennaCode), not an empty cell.
  if (g_UserLayer.GetLibrary()) {
    lineRecord.code = GetAntennaCode(TGreisReceiver::kKinematic);
    pointRecord.code = GetAntennaCode(TGreisReceiver::kStatic);
  }
  siteField.Bind(GetDlgItem(window, kSiteCombo), 9, 5, 9);
  SetMode(TGreisReceiver::kDynamic);
  PressButton(kAutoButton);
  siteField.LoadValue(g_UserLayer.open ? g_UserLayer.map : nullptr,
                      uint16_t(g_GreisReceiver.GetOccupationObject()));
  firstPoll = 1;
  battery.SetState(0, true);
  haveFirstSize = false;
  firstSize = 0;
  rate = 0;
  SetText(window, kRemainingText, L"--:--");
  Poll();
  if (shown && !timer) timer = SetTimer(window, kPollTimer, kPollMs, nullptr);
}

void TGeodesyBar::Save() {
  g_Ini.SetInt("NJLCode", lineRecord.code);
  g_Ini.SetFloat("NJLHeightNum", lineRecord.height);
  g_Ini.SetInt("NJPCode", pointRecord.code);
  g_Ini.SetFloat("NJPHeightNum", pointRecord.height);
}

void TGeodesyBar::SetMode(int kind) {
  FillSiteCombo(0);
  mode = kind;
  if (kind == TGreisReceiver::kKinematic) record = &lineRecord;
  if (kind == TGreisReceiver::kStatic) record = &pointRecord;
  RefreshAntenna();
}

void TGeodesyBar::RefreshAntenna() {
  const bool kindWithRecord = mode != TGreisReceiver::kDynamic;
  symbol.SetCode(kindWithRecord ? record->code : 0);
  std::wstring name;
  const TObjectLibrary* library = g_UserLayer.GetLibrary();
  if (kindWithRecord && library) {
    const char* type = library->styles.GetTypeName(record->code);
    if (type) {
      std::string text(type);
      text = text.substr(0, text.find('_'));
      name = AnsiToWideString(text);
    }
  }
  SetText(window, kTypeName, name.c_str());
  wchar_t height[64];
  FormatHeight(height, 64, record->height);
  SetText(window, kHeightCombo, height);
  if (window) InvalidateRect(window, nullptr, FALSE);
}

uint16_t TGeodesyBar::GetAntennaCode(int kind) const {
  // A record never given a type (a fresh device: no "NJPCode" or "NJLCode") or given one of the
  // other kind takes the working map's first type of its kind, as the GPS point does: code 0
  // would be an object the next save drops with the occupation's record.
  if (kind == TGreisReceiver::kStatic)
    return g_UserLayer.NewCodeOfKind(pointRecord.code, mdm::kKindPoint);
  if (kind == TGreisReceiver::kKinematic)
    return g_UserLayer.NewCodeOfKind(lineRecord.code, mdm::kKindLine);
  return mdm::kKindLine;
}

float TGeodesyBar::GetAntennaHeight(int kind) const {
  if (!window || !GetDlgItem(window, kHeightCombo)) return 0;
  if (kind == TGreisReceiver::kStatic) return float(pointRecord.height);
  if (kind == TGreisReceiver::kKinematic) return float(lineRecord.height);
  return 0;
}

void TGeodesyBar::FillSiteCombo(int) {
  if (!window) return;
  if (const HWND combo = GetDlgItem(window, kHeightCombo)) {
    // The history keeps heights as they are stored, not as they were typed ("1,5" is "1.5").
    wchar_t text[64] = {};
    FormatHeight(text, 64, record->height);
    if (SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(text)) == CB_ERR)
      SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(text));
  }
  // The site went into the map past the layer: marked, or the layer's save finds nothing to do.
  if (siteField.StoreValue()) {
    g_UserLayer.SetModified();
    g_UserLayer.Save(0);
  }
}

void TGeodesyBar::LetGoOfRecord() {
  if (siteField.StoreValue()) g_UserLayer.SetModified();
  siteField.LoadValue(nullptr, 0);
}

bool TGeodesyBar::RefuseWhileDownloading() {
  if (!g_GreisReceiver.IsDownloading()) return false;
  // The stretch stays as it was, and so does the button that shows it.
  MessageBeep(MB_OK);
  PressButton(mode == TGreisReceiver::kStatic      ? kStaticButton
              : mode == TGreisReceiver::kKinematic ? kKinematicButton
                                                   : kAutoButton);
  return true;
}

void TGeodesyBar::StartStatic() { StartStretch(TGreisReceiver::kStatic); }
void TGeodesyBar::StartDynamic() { StartStretch(TGreisReceiver::kKinematic); }
void TGeodesyBar::StartDynamicAuto() { StartStretch(TGreisReceiver::kDynamic); }

void TGeodesyBar::StartStretch(int kind) {
  if (RefuseWhileDownloading()) return;
  SetMode(kind);
  if (kind == TGreisReceiver::kStatic)
    g_GreisReceiver.BeginStatic(nullptr);
  else if (kind == TGreisReceiver::kKinematic)
    g_GreisReceiver.BeginKinematic(nullptr);
  else
    g_GreisReceiver.BeginDynamic();
  siteField.LoadValue(g_UserLayer.open ? g_UserLayer.map : nullptr,
                      uint16_t(g_GreisReceiver.GetOccupationObject()));
}

void TGeodesyBar::PressButton(int which) {
  if (which < 0 || which >= 5) return;
  buttons[which].SetState(TSoftButton::kDown, buttons[which].owner != nullptr);
}

// ---- status and poll ------------------------------------------------------------------------

void TGeodesyBar::UpdateStatus() {
  if (!shown) return;
  GpsFix fix{};
  g_GreisReceiver.GetFix(&fix);
  wchar_t text[64];
  const bool hasPdop = fix.pdop > 0;
  if (displayMode == 0) {
    if (g_Almanac.IsLoaded() && fix.status == 'A')
      std::swprintf(text, 64, L"S:%i:%i", fix.satellitesUsed, ExpectedSatellites(fix));
    else
      std::swprintf(text, 64, L"S:%i", fix.satellitesUsed);
  } else if (displayMode == 1) {
    if (hasPdop)
      std::swprintf(text, 64, L"P:%.1f", double(fix.pdop));
    else
      std::swprintf(text, 64, L"P:--");
  } else {
    if (hasPdop && std::isfinite(fix.altitude))
      std::swprintf(text, 64, L"%.1f", fix.altitude);
    else
      std::swprintf(text, 64, L"--");
  }
  SetText(window, kSatelliteText, text);
  const int losses = g_GreisReceiver.UpdateTracking();
  uint64_t epochs = 0;
  if (mode == TGreisReceiver::kStatic) {
    ready = g_GreisReceiver.GetOccupationTime(&epochs) ? 1 : 0;
    std::swprintf(text, 64, L".%llu", static_cast<unsigned long long>(epochs));
  } else {
    ready = g_GreisReceiver.GetTrackingTime(&epochs) ? 1 : 0;
    std::swprintf(text, 64, L"%llu", static_cast<unsigned long long>(epochs));
  }
  SetText(window, kTrackingText, text);
  if (losses)
    std::swprintf(text, 64, L"%i", losses);
  else
    text[0] = 0;
  SetText(window, kLossText, text);
}

bool TGeodesyBar::PollOnce() {
  int size = -1, freeBytes = -1;
  float volts = 0;
  const bool memory = g_GreisReceiver.GetMemory(&size, &freeBytes);
  const bool power = g_GreisReceiver.GetPower(&volts);
  battery.SetState(power ? BatteryFrame(volts) : 0, true);
  // A silent receiver is not asked for its log as well: that would cost another 2 s.
  if (!memory && !power) return false;
  int logSize = 0;
  wchar_t text[32] = L"--:--";
  if (g_GreisReceiver.GetCurrentLogSize(&logSize)) {
    const uint64_t tick = GpsTick64();
    if (!haveFirstSize) {
      haveFirstSize = true;
      firstSize = logSize;
      firstTick = tick;
    } else {
      const double seconds = double(tick - firstTick) / 1000.0;
      rate = seconds > 0 ? (double(logSize) - double(firstSize)) / seconds : 0;
      FormatRemainingTime(text, 32, freeBytes, logSize, rate);
    }
  }
  SetText(window, kRemainingText, text);
  return true;
}

void TGeodesyBar::Poll() {
  if (polling_ || !g_GreisReceiver.IsReady()) return;
  polling_ = true;
  if (timer && window) KillTimer(window, kPollTimer);
  timer = 0;
  for (;;) {
    bool answered;
    {
      TCommandBracket bracket(g_GreisReceiver);
      if (firstPoll) {
        // The first answer after the output was switched off may still be an NMEA line.
        int size, freeBytes;
        g_GreisReceiver.GetMemory(&size, &freeBytes);
        firstPoll = 0;
      }
      answered = PollOnce();
    }
    if (answered) break;
    int again;
    {
      SetWaitCursor(1);
      again = g_GreisReceiver.Reconnect();
      SetWaitCursor(0);
    }
    if (!again) {
      // The dialogue is over; the stop keeps the state file for the log still being written.
      g_GreisReceiver.SetLinkLost(true);
      if (IGeodesyHost* host = GetGeodesyHost()) host->StopNavigation();
      polling_ = false;
      return;
    }
  }
  if (shown && window) timer = SetTimer(window, kPollTimer, kPollMs, nullptr);
  RefreshSettingsPage(1);
  polling_ = false;
}

bool TGeodesyBar::StopPoll() {
  if (!timer) return false;
  if (window) KillTimer(window, kPollTimer);
  timer = 0;
  return true;
}

void TGeodesyBar::RestartPoll() {
  if (shown && window && !timer) timer = SetTimer(window, kPollTimer, kPollMs, nullptr);
}

// ---- input and paint ------------------------------------------------------------------------

void TGeodesyBar::OnSymbolTap() {
  if (mode == TGreisReceiver::kDynamic) return;  // no record to choose for
  uint16_t start = record->code;
  if (mode == TGreisReceiver::kKinematic && (start & 7) != 2) start = 2;
  if (mode == TGreisReceiver::kStatic && (start & 7) != 1) start = 1;
  const uint16_t chosen = ChooseObjectType(mainWindow, instance, start, 0);
  if (chosen) record->code = chosen;
  RefreshAntenna();
}

void TGeodesyBar::OnHeightNotify(int code) {
  const HWND combo = GetDlgItem(window, kHeightCombo);
  if (!combo) return;
  wchar_t text[64] = {};
  switch (code) {
    case CBN_SELCHANGE: {
      const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
      if (index < 0 || SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(index), 0) >= 63) return;
      SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), LPARAM(text));
      ParseHeight(text, &record->height);
      return;
    }
    case CBN_EDITCHANGE:
      // Each keystroke that leaves a number stores it; one that does not (a unit typed after
      // it, an emptied box) keeps the last.
      GetWindowTextW(combo, text, 64);
      ParseHeight(text, &record->height);
      return;
    case CBN_SETFOCUS:
      SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
      SetSipState(combo, 1);
      return;
    case CBN_KILLFOCUS: {
      SetSipState(combo, 0);
      // The box shows what the occupations will get.
      FormatHeight(text, 64, record->height);
      SetText(window, kHeightCombo, text);
      return;
    }
    default:
      return;
  }
}

void TGeodesyBar::OnButtonClick(int which) {
  switch (which) {
    case kAutoButton:
      StartDynamicAuto();
      break;
    case kStaticButton:
      StartStatic();
      break;
    case kKinematicButton:
      StartDynamic();
      break;
    case kFollowButton: {
      const int on = buttons[kFollowButton].IsDown() ? 1 : 0;
      followButton = on;
      if (IGeodesyHost* host = GetGeodesyHost()) host->SetGpsFollow(on);
      break;
    }
    case kFormButton:
      siteField.EditInForm(mainWindow, instance, g_MapView.GetVectorMapCount() - 1, 0);
      break;
    default:
      break;
  }
}

void TGeodesyBar::Paint(HDC dc) {
  RECT rc;
  GetClientRect(window, &rc);
  FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, rc.right, 0);
  for (const TSoftButton& b : buttons) b.Draw(dc);
  if (mode != TGreisReceiver::kDynamic) symbol.Draw(dc);
  battery.Draw(dc);
}

INT_PTR TGeodesyBar::OnMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;  // the hidden bar takes no focus from the main window
    case WM_PAINT: {
      PAINTSTRUCT ps;
      const HDC dc = BeginPaint(dialog, &ps);
      Paint(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_LBUTTONDOWN: {
      const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
      for (TSoftButton& b : buttons)
        if (b.OnPenDown(x, y)) return TRUE;
      if (mode != TGreisReceiver::kDynamic && symbol.HitTest(x, y)) OnSymbolTap();
      return TRUE;
    }
    case WM_LBUTTONUP: {
      const int x = short(LOWORD(lParam)), y = short(HIWORD(lParam));
      for (int i = 0; i < 5; ++i)
        if (buttons[i].OnPenUp(x, y)) {
          OnButtonClick(i);
          return TRUE;
        }
      return TRUE;
    }
    case WM_TIMER:
      if (wParam == kPollTimer) Poll();
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      if (id == kSatelliteText && code == STN_CLICKED) {
        displayMode = (displayMode + 1) % 3;
        UpdateStatus();
        return TRUE;
      }
      if (id == kHeightCombo) {
        OnHeightNotify(code);
        return TRUE;
      }
      if (id == kSiteCombo) {
        siteField.OnNotify(code, nullptr);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CTLCOLORSTATIC: {
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      const HDC dc = reinterpret_cast<HDC>(wParam);
      HBRUSH brush = nullptr;
      if (id == kTrackingText && ready) brush = greenBrush;
      if (id == kSatelliteText && g_MapView.gpsState != 1) brush = redBrush;
      if (id == kLossText && HasText(dialog, kLossText)) brush = redBrush;
      if (!brush) return FALSE;
      SetBkColor(dc, brush == greenBrush ? kGreen : kRed);
      return reinterpret_cast<INT_PTR>(brush);
    }
    default:
      return FALSE;
  }
}
