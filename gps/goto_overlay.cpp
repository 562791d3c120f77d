#include "gps/goto_overlay.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/ui/shell_utils.h"
#include "view/map_view.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kKilometre = 1000;          // metres; exactly 1000 m is still shown in metres
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr int kCaptionFontHeight = 17;  // pixels

double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

// The integer part of a double, saturated at the int range (NaN is 0).
int SaturatedInt(double v) {
  if (!(v == v)) return 0;
  if (v >= double(INT_MAX)) return INT_MAX;
  if (v <= double(INT_MIN)) return INT_MIN;
  return int(v);
}

// "1.5 км", "2 км", "999.5 м", "1000 м", the units in the current language.
void FormatDistance(wchar_t* out, size_t capacity, double metres) {
  const bool km = metres > kKilometre;
  const double v = km ? metres / kKilometre : metres;
  const wchar_t* unit = g_Lang.GetText(km ? lang_id::kMsgKm : lang_id::kMsgM);
  // Whole to three decimals: printed without a fraction.
  const double whole = std::trunc(v);
  if (std::isfinite(v) && std::fabs(v) < 9.0e15 && whole * 1000 == std::trunc(v * 1000))
    std::swprintf(out, capacity, L"%lld %ls", static_cast<long long>(whole), unit);
  else
    std::swprintf(out, capacity, L"%.1f %ls", v, unit);
}

}  // namespace

void TGotoOverlay::Attach(TMapView* v, TBackBuffer* b, IRouteService* r) {
  view = v;
  buffer = b;
  route = r;
  active = 0;
  routed = 0;
}

void TGotoOverlay::SetTarget(double x, double y) {
  routed = 0;
  targetX = x;
  targetY = y;
  double sx = 0, sy = 0;
  if (view && view->gpsState == 1) {
    sx = view->gpsX;
    sy = view->gpsY;
  } else if (view) {
    view->GetCenter(&sx, &sy, 0);
  }
  startX = sx;
  startY = sy;
  if (route && route->IsBound()) {
    HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    if (route->Compute(sx, sy, x, y)) routed = 1;
    SetCursor(old);
  }
  active = 1;
  UpdatePosition(sx, sy, 0, 0);
}

void TGotoOverlay::UpdatePosition(double x, double y, double speed, double course) {
  if (!active) return;
  currentX = x;
  currentY = y;
  const double dx = x - targetX, dy = y - targetY;
  distance = std::hypot(dx, dy);
  // The azimuth of the current position seen from the target, clockwise from north: the
  // acos(dX / distance) of the guidance, mirrored for a negative dY, but safe where rounding
  // puts dX / distance above 1.
  double a = distance != 0 ? std::atan2(dy, dx) : 0.0;
  if (a < 0) a += 2 * kPi;
  if (!(a < 2 * kPi)) a = 0;  // -0.0 rounded up to 2 pi, or NaN from NaN input
  // The target's bearing is the opposite direction (+180), less the course; floor modulo keeps
  // any finite course in 0-359.
  double b = std::fmod(std::trunc(a * 180 / kPi - Finite(course) + 180 + 360), 360.0);
  if (b < 0) b += 360;
  bearing = std::isfinite(b) ? b : 0.0;
  const double v = Finite(speed);
  timeToGo = v != 0 ? distance / v : -1.0;
}

void TGotoOverlay::Clear() {
  if (route) route->Clear();
  active = 0;
}

void TGotoOverlay::Draw(HDC dc) {
  if (!active || routed || !view || !dc) return;
  int32_t x1, y1, x2, y2;
  view->PlaneToScreen(startX, startY, &x1, &y1, 1);
  view->PlaneToScreen(targetX, targetY, &x2, &y2, 1);
  HPEN pen = CreatePen(PS_DASH, 2, kYellow);
  HGDIOBJ old = SelectObject(dc, pen);
  DrawLine(dc, x1, y1, x2, y2);
  SelectObject(dc, old);
  DeleteObject(pen);
}

int TGotoOverlay::FormatCaption(wchar_t* out, int capacity) const {
  if (!out || capacity <= 0) return 0;
  out[0] = 0;
  if (!active) return 0;
  wchar_t dist[64];
  FormatDistance(dist, 64, distance);
  int shown = int(bearing);
  wchar_t side = L'R';
  if (bearing > 180) {
    shown = 360 - int(bearing);
    side = L'L';
  }
  // Time to go is metres per km/h: x 60 / 1000 gives minutes.
  const int minutes = timeToGo == -1.0 ? 0 : SaturatedInt(timeToGo * 60 / 1000);
  const int n = std::swprintf(out, size_t(capacity), L"Dist:%ls| T:%i min| A:%i\u00B0%lc", dist,
                              minutes, shown, side);
  return n < 0 ? 0 : n;
}

void TGotoOverlay::DrawCaption(HDC dc, const RECT& rect) {
  if (!active || !dc) return;
  HBRUSH blue = CreateSolidBrush(kBlue);
  FillRect(dc, &rect, blue);
  DeleteObject(blue);
  wchar_t text[160];
  const int n = FormatCaption(text, 160);
  LOGFONTW lf{};
  lf.lfHeight = kCaptionFontHeight;
  lf.lfWeight = 700;
  std::wcscpy(lf.lfFaceName, L"Arial");
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, kYellow);
  ExtTextOutW(dc, rect.left + 1, rect.top, 0, nullptr, text, UINT(n), nullptr);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  DeleteObject(font);
}
