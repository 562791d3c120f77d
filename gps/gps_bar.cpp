#include "gps/gps_bar.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

#include "base/idle_clock.h"
#include "base/ini_file.h"
#include "base/input_mode.h"
#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "base/text_utils.h"
#include "edit/object_type_dialog.h"
#include "gps/goto_overlay.h"
#include "gps/gps_port.h"
#include "gps/nav_points_dialog.h"
#include "gps/sky_plot.h"
#include "maps/mdm_format.h"
#include "maps/user_layer.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

std::string g_DefaultPointName;

namespace {

constexpr int kButtonSize = 20;  // pixels
constexpr int kButtonTop = 2;
constexpr int kCaptionOffset = 24;   // pixels from the panel's top to the caption row
constexpr size_t kNameMax = 255;     // characters of the name shown
constexpr COLORREF kPanelBlue = RGB(0, 0, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

class TNoHost final : public IGpsBarHost {
 public:
  void StopNavigation() override {}
  void RunGpsFix() override {}
  void SetGpsFollow(int) override {}
  int AddPointAtGpsPosition() override { return 0; }
  void SetNaviSaveLog(int) override {}
};
TNoHost g_noHost;
IGpsBarHost* g_host = &g_noHost;
const vplat::FreshStateHook kFresh(5, [] {
  g_DefaultPointName.clear();
  g_host = &g_noHost;
});

std::wstring Format(const wchar_t* format, double value) {
  // "%.1f" of the largest double is 310 characters.
  wchar_t text[400];
  const int n = std::swprintf(text, 400, format, value);
  return n < 0 ? std::wstring() : std::wstring(text, size_t(n));
}

bool Positive(double v) { return std::isfinite(v) && v > 0; }

INT_PTR CALLBACK GpsBarProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_IdleClock.OnUserInput(message);
  TGpsBar& bar = g_GpsBar;
  switch (message) {
    case WM_INITDIALOG: {
      SHINITDLGINFO info{};
      info.dwMask = SHIDIM_FLAGS;
      info.hDlg = dialog;
      SHInitDialog(&info);
      return FALSE;  // the hidden bar must not take the main window's keys
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      bar.Paint(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == TGpsBar::kStatusText && HIWORD(wParam) == STN_CLICKED) {
        bar.mode = (bar.mode + 1) % 3;
        bar.UpdateStatus();
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (HWND(lParam) == GetDlgItem(dialog, TGpsBar::kStatusText))
        return INT_PTR(bar.StatusColours(HDC(wParam)));
      return 0;
    case WM_LBUTTONDOWN:
      bar.OnPenDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP:
      bar.OnPenUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

void SetGpsBarHost(IGpsBarHost* host) { g_host = host ? host : &g_noHost; }
IGpsBarHost& GpsBarHost() { return *g_host; }

namespace gps_bar_text {

std::wstring Status(const GpsFix& fix, int mode, int skyCount) {
  switch (mode) {
    case 1:
      return Positive(fix.pdop) ? Format(L"P:%.1f", fix.pdop) : L"P:--";
    case 2:
      return Positive(fix.pdop) && std::isfinite(fix.altitude) ? Format(L"%.1f", fix.altitude)
                                                               : L"--";
    default: {
      wchar_t text[40];
      if (skyCount >= 0)
        std::swprintf(text, 40, L"S:%i:%i", int(fix.satellitesUsed), skyCount);
      else
        std::swprintf(text, 40, L"S:%i", int(fix.satellitesUsed));
      return text;
    }
  }
}

std::wstring Speed(const GpsFix& fix) {
  return fix.status == 'A' && std::isfinite(fix.speed) ? Format(L"V:%.1f", fix.speed) : L"V:--";
}

std::wstring Name(const std::string& name) {
  if (name.empty() || name == "0") return L"--";
  return AnsiToWideString(std::string_view(name).substr(0, kNameMax));
}

}  // namespace gps_bar_text

TGpsBar::~TGpsBar() {
  if (redBrush) DeleteObject(redBrush);
  if (yellowBrush) DeleteObject(yellowBrush);
}

HWND TGpsBar::Create(HWND mainWindow, HINSTANCE inst) {
  instance = inst;
  if (!redBrush) redBrush = CreateSolidBrush(kRed);
  if (!yellowBrush) yellowBrush = CreateSolidBrush(kYellow);
  window = CreateDialogParamW(inst, MAKEINTRESOURCEW(kTemplate), mainWindow, GpsBarProc, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  // The hidden bar must not keep the focus the dialog's creation gave it.
  if (IsChild(window, GetFocus()) || GetFocus() == window) SetFocus(mainWindow);
  shown = 0;
  struct {
    TSoftButton* button;
    int bitmap, x, type;
  } const buttons[] = {
      {&followButton, kFollowBitmap, 2, TSoftButton::kToggle},
      {&gotoButton, kGotoBitmap, 64, TSoftButton::kToggle},
      {&pointOnMapButton, kPointOnMapBitmap, 134, TSoftButton::kToggle},
      {&trackButton, kTrackBitmap, 194, TSoftButton::kPush},
      {&addPointButton, kAddPointBitmap, 216, TSoftButton::kPush},
  };
  for (const auto& b : buttons) {
    b.button->Setup(window, LoadBitmapW(inst, MAKEINTRESOURCEW(b.bitmap)), b.type, nullptr, 0);
    b.button->SetRect(b.x, kButtonTop, kButtonSize, kButtonSize);
  }
  SetDlgItemTextW(window, kNameText, gps_bar_text::Name(g_DefaultPointName).c_str());
  return window;
}

void TGpsBar::Show(int on) {
  if (on) {
    shown = 1;
    if (window) ShowWindow(window, SW_SHOW);
    stale = 0;
    busy = 0;
  } else {
    shown = 0;
    if (window) ShowWindow(window, SW_HIDE);
  }
}

void TGpsBar::Move(int top) {
  if (window) SetWindowPos(window, nullptr, 0, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TGpsBar::GetHeight() const {
  if (!window || !shown) return 0;
  RECT r;
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

void TGpsBar::SetValues(int warning, int stop) {
  warningSeconds = warning;
  stopSeconds = stop;
}

int TGpsBar::CheckLink() {
  // A time of 0 (or less, which no setting gives) is off.
  if (warningSeconds <= 0 && stopSeconds <= 0) return 1;
  // A dialogue (a file copy may hold one for minutes) reads the receiver's replies instead of
  // its lines: that is no silence, and a reconnect would close the line under it. Its end
  // stamps the line, so the count starts afresh from there.
  if (g_GpsPort.InCommandMode()) {
    stale = 0;
    return 1;
  }
  busy = 1;
  const uint64_t idle = g_GpsPort.GetIdleTime();  // milliseconds
  stale = warningSeconds > 0 && uint64_t(warningSeconds) * 1000 < idle ? 1 : 0;
  if (stopSeconds > 0 && uint64_t(stopSeconds) * 1000 < idle) {
    // The question's loop keeps the timers running; the busy flag turns their ticks away. When
    // declined it stays set until the bar is shown again.
    if (!g_GpsPort.Reconnect()) {
      GpsBarHost().StopNavigation();
      return 0;
    }
  }
  busy = 0;
  return 1;
}

void TGpsBar::UpdateStatus() {
  if (!shown || busy) return;
  // Navigation has just stopped: the port is closed and the bar hidden, nothing is left to show.
  if (!CheckLink()) return;
  // One whole epoch: never the position of this second beside the satellites of the last.
  GpsFix fix{};
  g_GpsPort.GetEpochFix(&fix);
  if (!window) return;
  const int sky = g_SkyPlot.IsEnabled() ? GetSkyPlotBaseCount() : -1;
  SetDlgItemTextW(window, kStatusText, gps_bar_text::Status(fix, mode, sky).c_str());
  SetDlgItemTextW(window, kSpeedText, gps_bar_text::Speed(fix).c_str());
  SetDlgItemTextW(window, kNameText, gps_bar_text::Name(g_DefaultPointName).c_str());
  // The status text's colour may have changed with the same text.
  InvalidateRect(GetDlgItem(window, kStatusText), nullptr, TRUE);
  if (captionRow || echoRow) {
    HDC dc = GetDC(window);
    if (captionRow) DrawCaptionRow(dc);
    if (echoRow) DrawEchoRow(dc);
    ReleaseDC(window, dc);
  }
}

HBRUSH TGpsBar::StatusColours(HDC dc) {
  if (stale) {
    SetBkColor(dc, kYellow);
    return yellowBrush;
  }
  if (g_MapView.gpsState == 1) return nullptr;  // the default colours
  SetBkColor(dc, kRed);
  return redBrush;
}

void TGpsBar::Paint(HDC dc) {
  RECT rc;
  GetClientRect(window, &rc);
  HBRUSH blue = CreateSolidBrush(kPanelBlue);
  FillRect(dc, &rc, blue);
  DeleteObject(blue);
  for (const TSoftButton* b :
       {&followButton, &gotoButton, &pointOnMapButton, &trackButton, &addPointButton})
    b->Draw(dc);
  if (captionRow) DrawCaptionRow(dc);
  if (echoRow) DrawEchoRow(dc);
}

void TGpsBar::DrawCaptionRow(HDC dc) {
  if (!dc || !window) return;
  GetClientRect(window, &captionRect);
  captionRect.top += kCaptionOffset;
  // The echo row, when shown, lies below: the caption keeps to its own row.
  if (echoRow) captionRect.bottom = captionRect.top + kRowHeight;
  g_GotoOverlay.DrawCaption(dc, captionRect);
  MoveToEx(dc, captionRect.left, captionRect.top + 1, nullptr);
  LineTo(dc, captionRect.right, captionRect.top + 1);
}

void TGpsBar::DrawEchoRow(HDC dc) {
  if (!dc || !window) return;
  RECT row;
  GetClientRect(window, &row);
  row.top += kCaptionOffset + (captionRow ? kRowHeight : 0);
  HBRUSH red = CreateSolidBrush(kRed);
  FillRect(dc, &row, red);
  DeleteObject(red);
  LOGFONTW lf{};
  lf.lfHeight = kRowHeight - 1;
  lf.lfWeight = FW_BOLD;
  std::wcscpy(lf.lfFaceName, L"Arial");
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  const wchar_t* text = g_Lang.GetText(lang_id::kMsgEchoSilent);
  ExtTextOutW(dc, row.left + 2, row.top, ETO_CLIPPED, &row, text, UINT(std::wcslen(text)),
              nullptr);
  SelectObject(dc, old);
  DeleteObject(font);
}

void TGpsBar::OnPenDown(int x, int y) {
  for (TSoftButton* b :
       {&followButton, &gotoButton, &pointOnMapButton, &trackButton, &addPointButton})
    b->OnPenDown(x, y);
}

void TGpsBar::OnPenUp(int x, int y) {
  if (followButton.OnPenUp(x, y)) GpsBarHost().SetGpsFollow(followButton.IsDown() ? 1 : 0);
  if (gotoButton.OnPenUp(x, y)) OnPointsButton();
  if (pointOnMapButton.OnPenUp(x, y))
    SetInputMode(pointOnMapButton.IsDown() ? input_mode::kNavigationPoint : input_mode::kNormal);
  if (trackButton.OnPenUp(x, y)) OnTrackButton();
  if (addPointButton.OnPenUp(x, y)) GpsBarHost().AddPointAtGpsPosition();
}

void TGpsBar::ToggleMode() {
  SetInputMode(GetInputMode() == input_mode::kNormal ? input_mode::kNavigationPoint
                                                     : input_mode::kNormal);
}

void TGpsBar::SetCaptionRow(int on) {
  captionRow = on ? 1 : 0;
  if (!on) g_GotoOverlay.Clear();
  Resize();
}

void TGpsBar::SetEchoSilent(int on) {
  if ((on ? 1 : 0) == echoRow) return;  // the echo tick says it every second
  echoRow = on ? 1 : 0;
  Resize();
}

void TGpsBar::Resize() {
  if (!window) return;
  RECT rc;
  GetClientRect(window, &rc);
  const int height = kHeight + (captionRow ? kRowHeight : 0) + (echoRow ? kRowHeight : 0);
  SetWindowPos(window, nullptr, 0, 0, rc.right - rc.left + 2, height, SWP_NOMOVE | SWP_NOZORDER);
  InvalidateRect(window, nullptr, TRUE);
  // The map area below the bar changes with its height.
  ProgramHost().InvalidateMainView(1);
}

void TGpsBar::OnPointsButton() {
  if (!gotoButton.IsDown()) {
    g_GotoOverlay.Clear();
    SetCaptionRow(0);
    ProgramHost().InvalidateMainView(0);
    return;
  }
  TNavPointsDialog& points = g_NavPointsDialog;
  g_MapView.GetCenter(&points.centreX, &points.centreY, 0);
  points.Run(ProgramHost().MainWindow());
  ApplyPointsChoice(points.result, points.chosen);
}

void TGpsBar::ApplyPointsChoice(int result, int chosen) {
  // The chosen point's place is the first corner of its box; a point that is no longer in the
  // working map (or none) is at 0, 0 and gives nothing to show or go to.
  double box[3] = {0, 0, 0};
  // (A deleted object keeps its box with type code 0.)
  if (chosen > 0 && chosen <= 0xFFFF && g_UserLayer.GetObjectCode(uint16_t(chosen)) != 0)
    g_UserLayer.GetObjectBox(uint16_t(chosen), box);
  const bool there = box[0] != 0 || box[1] != 0;
  switch (result) {
    case TNavPointsDialog::kShowOnMap:
      if (there) g_MapView.CenterOn(box[0], box[1], 0);
      gotoButton.SetState(TSoftButton::kUp, true);
      ProgramHost().InvalidateMainView(1);
      break;
    case TNavPointsDialog::kNavigateTo:
      if (!there) {
        gotoButton.SetState(TSoftButton::kUp, true);
        break;
      }
      g_GotoOverlay.SetTarget(box[0], box[1]);
      SetCaptionRow(1);
      GpsBarHost().RunGpsFix();
      break;
    case TNavPointsDialog::kPointEdited:
      gotoButton.SetState(TSoftButton::kUp, true);
      ProgramHost().InvalidateMainView(1);
      break;
    default:  // nothing chosen, or the dialog could not open
      gotoButton.SetState(TSoftButton::kUp, true);
      break;
  }
}

void TGpsBar::OnTrackButton() {
  if (!g_UserLayer.open) return;  // no map to record into: nothing to ask
  g_UserLayer.EndObject();
  const int32_t object = g_UserLayer.BeginObject();
  g_Ini.SetInt("NaviSaveLog", 1);
  GpsBarHost().SetNaviSaveLog(1);
  const uint16_t before = uint16_t(g_Ini.GetInt("GPSDefCode"));
  // A track is a line: without a line type stored yet (a fresh settings file has none) the
  // chooser opens on the line types, not on an empty list whose "choice" would leave the track
  // of type 0, which the next save of the map drops.
  const uint16_t start = (before & 7) == mdm::kKindLine ? before : uint16_t(mdm::kKindLine);
  const uint16_t code = ChooseObjectType(ProgramHost().MainWindow(), instance, start, 0);
  if (code == before || (code & 7) != mdm::kKindLine) return;
  if (object > 0) g_UserLayer.SetObjectCode(uint16_t(object), code);
  g_UserLayer.trackCode = code;  // the later pieces of the track are of that type too
  g_Ini.SetInt("GPSDefCode", code);
}

void AdvancePointName(int step) {
  std::string& name = g_DefaultPointName;
  if (name == "0") name.clear();
  if (step < 0) {
    // No step below 0: "P0" - 1 would be "P-1", whose next +1 is "P-2".
    size_t start = name.size();
    while (start > 0 && name[start - 1] >= '0' && name[start - 1] <= '9') --start;
    std::string digits = name.substr(start);
    digits.erase(0, digits.find_first_not_of('0'));
    const std::string magnitude = std::to_string(-int64_t(step));
    if (digits.size() < magnitude.size() ||
        (digits.size() == magnitude.size() && digits < magnitude))
      return;
  }
  // A step adds at most one digit (and a sign, never given here).
  std::vector<char> buffer(name.size() + 24, '\0');
  std::memcpy(buffer.data(), name.c_str(), name.size() + 1);
  if (IncrementTrailingNumber(buffer.data(), step, buffer.size())) name = buffer.data();
}
