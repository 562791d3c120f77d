#include "gps/sat_graph.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cwchar>

#include "base/ini_file.h"
#include "base/program_host.h"
#include "base/typed_number.h"
#include "base/text_utils.h"
#include "base/ui/shell_utils.h"
#include "edit/dialog_common.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSpanDays = 2.0, kStepDays = 1.0 / 24;
constexpr double kPlotWidth = 210.0;   // pixels over the 48 hours
constexpr double kPixelsPerSatellite = 15.0;
constexpr int kMaskChars = 255;
constexpr UINT kFocusOk = WM_APP + 0x61;

std::wstring MaskText(HWND dialog) {
  wchar_t text[kMaskChars + 1] = {};
  GetDlgItemTextW(dialog, TSatGraph::kMaskEdit, text, kMaskChars + 1);
  return text;
}

void Recompute(HWND dialog) {
  SetWaitCursor(1);
  g_SatGraph.Compute(MaskText(dialog));
  SetWaitCursor(0);
}

INT_PTR CALLBACK SatGraphProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  edit_dialog::ReportInput(message);
  switch (message) {
    case WM_INITDIALOG: {
      g_SatGraph.dialog = dialog;
      edit_dialog::InitFrame(dialog, SHIDIF_DONEBUTTON, true);
      g_Ini.GetStringToDlgItem("SatGraphHMask", dialog, TSatGraph::kMaskEdit);
      TGraphSeries& s = g_SatGraph.series;
      s.left = 24, s.top = 55, s.right = 234, s.bottom = 270;
      Recompute(dialog);
      // The focus goes to OK once the dialog is up, not to the mask's edit: its input panel
      // would cover the plot.
      PostMessageW(dialog, kFocusOk, 0, 0);
      return FALSE;
    }
    case kFocusOk:
      SetFocus(GetDlgItem(dialog, IDOK));
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(dialog, &ps);
      g_SatGraph.Paint(dc);
      EndPaint(dialog, &ps);
      return TRUE;
    }
    case WM_LBUTTONDOWN:
      if (g_SatGraph.OnPenDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
        InvalidateRect(dialog, nullptr, TRUE);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          g_Ini.SetStringFromWindowText("SatGraphHMask", dialog, TSatGraph::kMaskEdit);
          EndDialog(dialog, IDOK);
          return TRUE;
        case 4:
          EndDialog(dialog, 4);
          return TRUE;
        case TSatGraph::kMaskEdit:
          SipCommand(dialog, TSatGraph::kMaskEdit, HIWORD(wParam));
          return TRUE;
        case TSatGraph::kRefresh: {
          // A mask that is no number is drawn as 0: the user hears that it was not taken.
          const std::wstring mask = MaskText(dialog);
          if (mask.find_first_not_of(L" \t") != std::wstring::npos &&
              !ReadTypedNumber(std::wstring_view(mask), nullptr))
            MessageBeep(MB_ICONHAND);
          Recompute(dialog);
          InvalidateRect(dialog, nullptr, TRUE);
          return TRUE;
        }
        default:
          return FALSE;
      }
    case WM_DESTROY:
      g_SatGraph.dialog = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

double ParseSatGraphMask(const std::wstring& wide) {
  double value = 0;
  return ReadTypedNumber(std::wstring_view(wide).substr(0, kMaskChars), &value) ? value : 0;
}

void TGraphSeries::SetData(const POINT* data, int n, COLORREF lineColour) {
  n = std::max(n, 0);
  points.assign(size_t(n) + 10, POINT{0, 0});
  if (data) std::copy(data, data + n, points.begin());
  count = data ? n : 0;
  penWidth = 2;
  colour = lineColour;
}

POINT TGraphSeries::Map(double x, double y) const {
  return POINT{left + int((x - xOrigin) * xScale), bottom - int((y - yOrigin) * yScale)};
}

void TGraphSeries::Draw(HDC dc) const {
  SaveDC(dc);
  IntersectClipRect(dc, left, top, right, bottom);
  if (!hidden && count > 0) {
    std::vector<POINT> pixels(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) pixels[size_t(i)] = Map(points[size_t(i)].x, points[size_t(i)].y);
    HPEN pen = CreatePen(PS_SOLID, penWidth, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    Polyline(dc, pixels.data(), count);
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  RestoreDC(dc, -1);
}

void TSatGraph::Open(HWND barWindow, HWND mainWindow) {
  (void)mainWindow;  // the host's main window is the one redrawn
  HINSTANCE instance = g_AlmanacBar.instance;
  DialogBoxParamW(instance, MAKEINTRESOURCEW(kTemplate), barWindow, SatGraphProc, 0);
  ProgramHost().InvalidateMainView(0);
}

void TSatGraph::Compute(const std::wstring& maskText) {
  const int n = int(kSpanDays / kStepDays + 1e-9);  // 48
  const double mask = ParseSatGraphMask(maskText);
  double base = 0;
  const bool haveBase = AlmanacBarOleDate(g_AlmanacBar.baseDate, &base);
  const double latitude = g_AlmanacBar.latitude * 180 / kPi;
  const double longitude = g_AlmanacBar.longitude * 180 / kPi;
  POINT data[kHours];
  for (int i = 0; i < n && i < kHours; ++i) {
    int visible = 0;
    SYSTEMTIME time{};
    if (g_Almanac.IsLoaded() && haveBase && VariantTimeToSystemTime(base + i * kStepDays, &time)) {
      g_Almanac.SetObserver(time, latitude, longitude, 0);
      for (int prn = 0; prn <= 32; ++prn) {
        uint8_t elevation = 0;
        int16_t azimuth = 0;
        if (g_Almanac.GetSatellite(prn, &elevation, &azimuth) && elevation > mask) ++visible;
      }
    }
    counts[i] = visible;
    data[i] = POINT{i, visible};
  }
  series.SetData(data, n, RGB(255, 0, 0));
  series.xScale = kPlotWidth / n;
  series.yScale = kPixelsPerSatellite;
}

void TSatGraph::Paint(HDC dc) const {
  const TGraphSeries& s = series;
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  HGDIOBJ oldFont = dialog ? SelectObject(dc, HFONT(SendMessageW(dialog, WM_GETFONT, 0, 0)))
                           : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  DrawLine(dc, s.left, s.top, s.left, s.bottom);
  DrawLine(dc, s.left, s.bottom, s.right, s.bottom);
  wchar_t text[16];
  for (int n = 0; n <= kLabelledMax; ++n) {
    const int y = s.bottom - n * int(kPixelsPerSatellite);
    DrawLine(dc, s.left - 4, y, s.left, y);
    swprintf(text, 16, L"%i", n);
    RECT box{0, y - 7, s.left - 5, y + 9};
    DrawTextW(dc, text, -1, &box, DT_RIGHT | DT_TOP | DT_SINGLELINE);
  }
  // The hour axis is labelled for 48 hours, with the hour of the day every fourth hour.
  for (int hour = 1; hour < kHours; ++hour) {
    const int x = s.left + int(hour * s.xScale);
    if (hour % 4 == 0) {
      DrawLine(dc, x, s.bottom, x, s.bottom + 5);
      swprintf(text, 16, L"%i", hour % 24);
      RECT box{x - 12, s.bottom + 4, x + 12, s.bottom + 20};
      DrawTextW(dc, text, -1, &box, DT_CENTER | DT_TOP | DT_SINGLELINE);
    } else {
      DrawLine(dc, x, s.bottom, x, s.bottom + 3);
    }
  }
  s.Draw(dc);
  double base = 0, at = 0;
  if (AlmanacBarOleDate(g_AlmanacBar.baseDate, &base) && AlmanacBarOleDate(g_AlmanacBar.time, &at)) {
    const double x = s.left + std::trunc((at - base) * 24 * s.xScale);
    if (x >= s.left && x <= s.right) {
      HPEN blue = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
      SelectObject(dc, blue);
      DrawLine(dc, int(x), s.top, int(x), s.bottom);
      SelectObject(dc, GetStockObject(BLACK_PEN));
      DeleteObject(blue);
    }
  }
  if (oldFont) SelectObject(dc, oldFont);
  SelectObject(dc, oldPen);
}

bool TSatGraph::OnPenDown(int x, int y) {
  const TGraphSeries& s = series;
  if (!(s.left < x && x < s.right && s.top < y && y < s.bottom) || !(s.xScale > 0)) return false;
  const double hours = (x - s.left) / s.xScale;
  g_AlmanacBar.time = AlmanacBarTimeAt(hours / 24);
  return true;
}
