#include "gps/almanac_bar.h"

#include <algorithm>
#include <cmath>

#include "base/idle_clock.h"
#include "base/lang.h"
#include "base/program_host.h"
#include "gps/almanac.h"
#include "gps/gps_port.h"
#include "gps/sat_graph.h"
#include "gps/sky_plot.h"
#include "view/map_view.h"

namespace {

constexpr COLORREF kBackground = RGB(255, 255, 0);
constexpr int kButtonX = 218, kButtonY = 3, kButtonSize = 19;  // pixels

INT_PTR CALLBACK AlmanacBarProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  g_IdleClock.OnUserInput(message);
  TAlmanacBar& bar = g_AlmanacBar;
  if (bar.window && dialog != bar.window) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      return FALSE;  // the hidden bar must not take the main window's keys
    case WM_PAINT:
      bar.OnPaint();
      return TRUE;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
      return reinterpret_cast<INT_PTR>(bar.background);
    case WM_HSCROLL:
      // The end of a move repeats the position the move itself brought.
      if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dialog, TAlmanacBar::kSlider) &&
          LOWORD(wParam) != TB_ENDTRACK)
        bar.OnSlider();
      return TRUE;
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->code == DTN_DATETIMECHANGE &&
          (header->idFrom == UINT_PTR(TAlmanacBar::kDatePicker) ||
           header->idFrom == UINT_PTR(TAlmanacBar::kTimePicker)))
        bar.OnPickerChanged();
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      bar.OnPenDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_LBUTTONUP:
      bar.OnPenUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    default:
      return FALSE;
  }
}

// Today 00:00 UTC, the base of an almanac without a valid date.
SYSTEMTIME Today() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  SYSTEMTIME day{};
  day.wYear = now.wYear;
  day.wMonth = now.wMonth;
  day.wDay = now.wDay;
  return day;
}

// Slider steps from the base date to `time`, truncated; clamped well outside the slider's range
// first, so that a time years away still gives a position the slider clamps.
int StepsFromBase(const SYSTEMTIME& time) {
  double base = 0, at = 0;
  if (!AlmanacBarOleDate(g_AlmanacBar.baseDate, &base) || !AlmanacBarOleDate(time, &at)) return 0;
  // An OLE date holds a whole step only to about 1e-10 of a day: 10:00 would truncate to 09:50
  // without the small allowance, which is far below a second.
  const double steps = std::trunc((at - base) * TAlmanacBar::kStepsPerDay + 1e-6);
  return int(std::clamp(steps, -1.0e6, 1.0e6));
}

}  // namespace

bool AlmanacBarOleDate(const SYSTEMTIME& time, double* days) {
  SYSTEMTIME copy = time;
  return SystemTimeToVariantTime(&copy, days) != 0;
}

SYSTEMTIME AlmanacBarTimeAt(double days) {
  double base = 0;
  SYSTEMTIME out = g_AlmanacBar.baseDate;
  if (AlmanacBarOleDate(g_AlmanacBar.baseDate, &base)) VariantTimeToSystemTime(base + days, &out);
  return out;
}

TAlmanacBar::~TAlmanacBar() {
  if (background) DeleteObject(background);
  if (graphBitmap) DeleteObject(graphBitmap);
}

HWND TAlmanacBar::Create(HWND mainWindow, HINSTANCE inst) {
  owner = mainWindow;
  instance = inst;
  if (!background) background = CreateSolidBrush(kBackground);
  window = CreateDialogParamW(inst, MAKEINTRESOURCEW(kTemplate), mainWindow, AlmanacBarProc, 0);
  if (!window) return nullptr;
  ShowWindow(window, SW_HIDE);
  if (IsChild(window, GetFocus())) SetFocus(mainWindow);
  if (!graphBitmap) graphBitmap = LoadBitmapW(inst, MAKEINTRESOURCEW(kGraphBitmap));
  graphButton.Setup(window, graphBitmap, TSoftButton::kPush, nullptr, 0);
  graphButton.SetRect(kButtonX, kButtonY, kButtonSize, kButtonSize);
  return window;
}

void TAlmanacBar::Show(int on) {
  busy = 0;
  if (!window) return;
  if (!on) {
    const int was = shown;
    shown = 0;
    ShowWindow(window, SW_HIDE);
    if (was) ProgramHost().InvalidateMainView(1);
    return;
  }
  shown = 1;
  ShowWindow(window, SW_SHOW);
  g_Lang.TranslateDialog(window);
  SetUpFromAlmanac();
}

void TAlmanacBar::SetUpFromAlmanac() {
  almanacGeneration = g_Almanac.Generation();
  // A file without a date ("RD") gives 0000-00-00: the hours then count from today.
  baseDate = g_Almanac.GetDate();
  double ole = 0;
  if (!AlmanacBarOleDate(baseDate, &ole)) baseDate = Today();
  baseDate.wHour = baseDate.wMinute = baseDate.wSecond = baseDate.wMilliseconds = 0;
  const HWND slider = GetDlgItem(window, kSlider);
  SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELONG(0, kSliderMax));
  SendMessageW(slider, TBM_SETPAGESIZE, 0, 6);
  SYSTEMTIME now{};
  GetSystemTime(&now);
  SendMessageW(slider, TBM_SETPOS, TRUE, StepsFromBase(now));
  OnSlider();
}

void TAlmanacBar::Place(int bottom) {
  if (!window) return;
  RECT r;
  GetWindowRect(window, &r);
  SetWindowPos(window, nullptr, 0, bottom - (r.bottom - r.top), 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

int TAlmanacBar::GetHeight() const {
  if (!window || !shown) return 0;
  RECT r;
  GetWindowRect(window, &r);
  return r.bottom - r.top;
}

void TAlmanacBar::Update() {
  if (!shown) return;
  // Counted from the old almanac's date the slider would mostly show hours the new one does
  // not serve.
  if (almanacGeneration != g_Almanac.Generation() && !busy) SetUpFromAlmanac();
  ++updates;
  double x = 0, y = 0, lat = 0, lon = 0;
  g_MapView.GetCenter(&x, &y, 0);
  // No map open (or a centre that converts nowhere): the bar keeps its last place.
  if (g_MapView.PlaneToGeo(x, y, &lat, &lon)) {
    latitude = lat;
    longitude = lon;
  }
  // With the port open the receiver's satellite table drives the plot; clearing its flag on
  // every paint would make the plot alternate between the receiver's and the almanac's.
  if (!g_GpsPort.IsOpen()) g_GpsPort.ResetSatellitesComplete();
  UpdateSkyPlot(&g_GpsPort, &g_Almanac);
}

void TAlmanacBar::SetPickers() {
  if (!window) return;
  const int was = busy;
  busy = 1;
  SendMessageW(GetDlgItem(window, kDatePicker), DTM_SETSYSTEMTIME, GDT_VALID, LPARAM(&time));
  SendMessageW(GetDlgItem(window, kTimePicker), DTM_SETSYSTEMTIME, GDT_VALID, LPARAM(&time));
  busy = was;
}

void TAlmanacBar::OnSlider() {
  if (busy || !window) return;
  if (!g_Almanac.IsLoaded()) {
    EnableWindow(GetDlgItem(window, kDatePicker), FALSE);
    EnableWindow(GetDlgItem(window, kTimePicker), FALSE);
    return;
  }
  busy = 1;
  const int position = int(SendMessageW(GetDlgItem(window, kSlider), TBM_GETPOS, 0, 0));
  time = AlmanacBarTimeAt(position / 6.0 / 24.0);
  EnableWindow(GetDlgItem(window, kDatePicker), TRUE);
  EnableWindow(GetDlgItem(window, kTimePicker), TRUE);
  SetPickers();
  busy = 0;
  Update();
}

void TAlmanacBar::OnPickerChanged() {
  if (busy || !window) return;
  busy = 1;
  SYSTEMTIME date{}, clock{};
  const bool haveDate = SendMessageW(GetDlgItem(window, kDatePicker), DTM_GETSYSTEMTIME, 0,
                                     LPARAM(&date)) == GDT_VALID;
  const bool haveClock = SendMessageW(GetDlgItem(window, kTimePicker), DTM_GETSYSTEMTIME, 0,
                                      LPARAM(&clock)) == GDT_VALID;
  if (haveDate) {
    time.wYear = date.wYear;
    time.wMonth = date.wMonth;
    time.wDay = date.wDay;
    time.wDayOfWeek = date.wDayOfWeek;
  }
  if (haveClock) {
    time.wHour = clock.wHour;
    time.wMinute = clock.wMinute;
    time.wSecond = clock.wSecond;
  }
  time.wMilliseconds = 0;
  // A time before the base gives a negative position, which the slider clamps; the time stays
  // the pickers' own.
  SendMessageW(GetDlgItem(window, kSlider), TBM_SETPOS, TRUE, StepsFromBase(time));
  busy = 0;
  Update();
}

void TAlmanacBar::OnPaint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT rc;
  GetClientRect(window, &rc);
  FillRect(dc, &rc, background);
  HGDIOBJ old = SelectObject(dc, GetStockObject(BLACK_PEN));
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, rc.right, 0);
  SelectObject(dc, old);
  graphButton.Draw(dc);
  EndPaint(window, &ps);
}

void TAlmanacBar::OnPenDown(int x, int y) {
  if (graphButton.OnPenDown(x, y)) SetCapture(window);
}

void TAlmanacBar::OnPenUp(int x, int y) {
  if (GetCapture() == window) ReleaseCapture();
  if (!graphButton.OnPenUp(x, y) || !graphButton.HitTest(x, y)) return;
  g_SatGraph.Open(window, owner);
  // The graph may have set the time: the pickers and the slider follow it.
  SetPickers();
  OnPickerChanged();
}
