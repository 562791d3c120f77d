#include "edit/measure_tool.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "base/lang.h"
#include "base/lang_ids.h"
#include "base/program_host.h"
#include "view/map_view.h"

namespace {

constexpr COLORREF kRed = 0x000000FF;
constexpr COLORREF kYellow = 0x0000FFFF;
constexpr int kGrowth = 5;  // points

LONG Clamp(int64_t v) { return LONG(v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : v); }

}  // namespace

void TMeasureTool::Reset() {
  count = 0;
  total = 0;
  points.clear();  // the room stays
}

int TMeasureTool::AddPoint(int x, int y) {
  if (!view) return 0;
  // Without a scale the view has no plane position for a pixel.
  if (view->pixelsPerMetre == 0 && !view->screenToPlaneOverride) return 0;
  double px = 0, py = 0;
  view->ScreenToPlane(x, y, &px, &py, 1);
  if (!std::isfinite(px) || !std::isfinite(py)) return 0;
  // The capacity grows by 5 points when full; the storage under it grows by doubling, so that
  // a long ruler is not copied again every fifth tap. A failed growth keeps the points.
  try {
    points.push_back({px, py});
  } catch (const std::bad_alloc&) {
    return 0;
  }
  if (count >= capacity) capacity += kGrowth;
  if (count == 0)
    total = 0;
  else
    total += std::hypot(px - points[size_t(count) - 1].x, py - points[size_t(count) - 1].y);
  ++count;
  return 1;
}

std::wstring TMeasureTool::LabelText() const {
  bool km = total >= 1000.0;
  double value = km ? total / 1000.0 : total;
  // Just below a kilometre one decimal would round up to "1000.0 м": that is a kilometre.
  char rounded[32];
  std::snprintf(rounded, sizeof rounded, "%.1f", value);
  if (!km && std::strcmp(rounded, "1000.0") == 0) {
    km = true;
    value = 1.0;
  }
  const wchar_t* unit = g_Lang.GetText(km ? lang_id::kMsgKm : lang_id::kMsgM);
  const wchar_t* caption = g_Lang.GetText(lang_id::kMsgRuleL);
  wchar_t text[128];
  // Whole down to thousandths: no fraction shown. Tested in double, as a total of millions of
  // kilometres would not fit an integer.
  const double whole = std::floor(value);
  if (whole * 1000.0 == std::floor(value * 1000.0))
    swprintf(text, 128, L"%ls: %.0f %ls", caption, whole, unit);
  else
    swprintf(text, 128, L"%ls: %.1f %ls", caption, value, unit);
  return text;
}

void TMeasureTool::Draw(const RECT& mapArea, HDC dc) {
  if (count <= 0 || !view || !dc) return;
  const int bottom = mapArea.bottom;
  // The old label first, so that a wider one leaves no trace and the new line stays whole.
  if (label.right > label.left && label.bottom > label.top)
    ProgramHost().RestoreBackBuffer(dc, label);

  std::vector<POINT> screen(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    int32_t sx = 0, sy = 0;
    view->PlaneToScreen(points[size_t(i)].x, points[size_t(i)].y, &sx, &sy, 1);
    screen[size_t(i)] = {sx, sy};
  }
  const HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
  const HPEN dash = CreatePen(PS_DASH, 1, kRed);
  const HGDIOBJ oldPen = SelectObject(dc, dash);
  if (count > 1) Polyline(dc, screen.data(), count);
  const HPEN rim = CreatePen(PS_SOLID, 2, kRed);
  SelectObject(dc, rim);
  for (const POINT& p : screen)
    Ellipse(dc, Clamp(int64_t(p.x) - 3), Clamp(int64_t(p.y) - 3), Clamp(int64_t(p.x) + 3),
            Clamp(int64_t(p.y) + 3));

  LOGFONTW lf{};
  lf.lfHeight = 14;
  lf.lfWeight = FW_NORMAL;
  wcscpy(lf.lfFaceName, L"Arial");
  const HFONT font = CreateFontIndirectW(&lf);
  const HGDIOBJ oldFont = SelectObject(dc, font);
  const int oldMode = SetBkMode(dc, OPAQUE);
  const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
  const std::wstring text = LabelText();
  SIZE size{0, 0};
  GetTextExtentExPointW(dc, text.c_str(), int(text.size()), 0, nullptr, nullptr, &size);
  label = {1, bottom - 19, size.cx + 3, bottom - 17 + size.cy};
  const HPEN frame = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
  SelectObject(dc, frame);
  Rectangle(dc, label.left, label.top, label.right, label.bottom);
  const COLORREF oldBk = SetBkColor(dc, kYellow);
  ExtTextOutW(dc, 2, bottom - 18, 0, nullptr, text.c_str(), UINT(text.size()), nullptr);

  SetBkColor(dc, oldBk);
  SetTextColor(dc, oldText);
  SetBkMode(dc, oldMode);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(font);
  DeleteObject(dash);
  DeleteObject(rim);
  DeleteObject(frame);
}
