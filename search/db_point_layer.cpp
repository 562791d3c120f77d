#include "search/db_point_layer.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "base/text_utils.h"
#include "platform/win.h"
#include "search/db_set.h"
#include "view/view_math.h"

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// `a` moved by whole turns into (centre - pi, centre + pi]: a table may hold -pi..pi while the
// view west of Greenwich answers 0..2 pi.
double NearLongitude(double a, double centre) {
  double d = std::remainder(a - centre, kTwoPi);
  return centre + d;
}

// The low byte of the value truncated toward zero (two's complement, as an integer cell's).
uint8_t LowByte(double v) {
  double m = std::fmod(std::trunc(v), 256.0);
  if (m < 0) m += 256.0;
  return uint8_t(m);
}

// Restores the device context's objects and text state when drawing is left, on any path.
class TDcState {
 public:
  TDcState(HDC dc, HGDIOBJ pen, HGDIOBJ brush, HGDIOBJ font)
      : dc_(dc), pen_(pen), brush_(brush), font_(font) {
    oldPen_ = SelectObject(dc, pen);
    oldBrush_ = SelectObject(dc, brush);
    oldFont_ = SelectObject(dc, font);
    oldColor_ = SetTextColor(dc, RGB(0, 0, 0));
    oldMode_ = SetBkMode(dc, TRANSPARENT);
  }
  ~TDcState() {
    SetBkMode(dc_, oldMode_);
    SetTextColor(dc_, oldColor_);
    SelectObject(dc_, oldFont_);
    SelectObject(dc_, oldBrush_);
    SelectObject(dc_, oldPen_);
    DeleteObject(font_);
    DeleteObject(brush_);
    DeleteObject(pen_);
  }
  TDcState(const TDcState&) = delete;
  TDcState& operator=(const TDcState&) = delete;

 private:
  HDC dc_;
  HGDIOBJ pen_, brush_, font_;
  HGDIOBJ oldPen_ = nullptr, oldBrush_ = nullptr, oldFont_ = nullptr;
  COLORREF oldColor_ = 0;
  int oldMode_ = 0;
};

}  // namespace

TDbPointLayer::TDbPointLayer(TGeoToScreenFn toScreenFn, TScreenToGeoFn toGeoFn)
    : toScreen(toScreenFn), toGeo(toGeoFn) {}

TDbLayer* MakeDbPointLayer(TGeoToScreenFn toScreen, TScreenToGeoFn toGeo) {
  return new (std::nothrow) TDbPointLayer(toScreen, toGeo);
}

int TDbPointLayer::Load(const char* databasePath) {
  TDbSet set;
  int opened = set.OpenTable("Global", databasePath ? databasePath : "");
  if (opened != 0) return opened;
  const TDbTable* table = set.GetTable("Global");
  if (!table) return 0;
  uint32_t count = 0;
  TDbSelection rows = set.Select("Global", nullptr, kDbAll, TDbValue(0), &count);
  const uint8_t cPriority = set.GetColumnIndex("Global", "Priority");
  const uint8_t cName = set.GetColumnIndex("Global", "Name");
  const uint8_t cX = set.GetColumnIndex("Global", "X");
  const uint8_t cY = set.GetColumnIndex("Global", "Y");
  FreeItems();
  if (cPriority == kDbNoColumn || cName == kDbNoColumn || cX == kDbNoColumn || cY == kDbNoColumn)
    return 0;
  try {
    items.reserve(rows.size());
    wchar_t name[256];
    for (TDbRowRef row : rows) {
      double x, y, priority;
      // A row whose position or priority is missing or not a number has no place to be drawn.
      if (!table->GetNumber(row, cX, &x) || !table->GetNumber(row, cY, &y) ||
          !table->GetNumber(row, cPriority, &priority))
        continue;
      if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(priority)) continue;
      TDbPointItem item;
      item.priority = LowByte(priority);
      item.x = x;
      item.y = y;
      const char* text = table->GetText(row, cName);
      name[0] = 0;
      if (text) AnsiToWide(name, text, int(std::char_traits<char>::length(text)), 256);
      item.name = name;
      items.push_back(std::move(item));
    }
  } catch (const std::bad_alloc&) {
    FreeItems();
    return 3;
  }
  if (!items.empty()) {
    lowest = highest = items[0].priority;
    for (const TDbPointItem& it : items) {
      lowest = std::min(lowest, it.priority);
      highest = std::max(highest, it.priority);
    }
  }
  return 0;
}

void TDbPointLayer::FreeItems() {
  items.clear();
  items.shrink_to_fit();
  drawOrder.clear();
  drawOrder.shrink_to_fit();
  highest = lowest = 0;
}

int32_t TDbPointLayer::Radius(uint8_t p) const {
  if (highest == lowest) return 5;
  return int32_t(2.0 + 3.0 * (double(highest) - p) / (double(highest) - lowest));
}

void TDbPointLayer::PrepareView(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  occupancy.Reset(RECT{left, top, right, bottom});
  drawOrder.clear();
  for (TDbPointItem& it : items) it.inView = 0;
  if (!toGeo || items.empty()) return;
  const int32_t cx[4] = {left, right, left, right}, cy[4] = {bottom, top, top, bottom};
  double lat[4], lon[4];
  for (int i = 0; i < 4; i++)
    if (!toGeo(cx[i], cy[i], &lat[i], &lon[i]) || !std::isfinite(lat[i]) ||
        !std::isfinite(lon[i]))
      return;  // a corner off the projection: nothing is known to be in view
  for (int i = 1; i < 4; i++) lon[i] = NearLongitude(lon[i], lon[0]);
  const double minX = *std::min_element(lat, lat + 4), maxX = *std::max_element(lat, lat + 4);
  const double minY = *std::min_element(lon, lon + 4), maxY = *std::max_element(lon, lon + 4);
  const double centre = (minY + maxY) / 2;
  try {
    for (uint32_t i = 0; i < items.size(); i++) {
      TDbPointItem& it = items[i];
      const double y = NearLongitude(it.y, centre);
      if (minX <= it.x && it.x <= maxX && minY <= y && y <= maxY) {
        it.inView = 1;
        drawOrder.push_back(i);
      }
    }
  } catch (const std::bad_alloc&) {
    drawOrder.clear();  // nothing drawn this frame rather than a partial, unordered one
    for (TDbPointItem& it : items) it.inView = 0;
    return;
  }
  std::stable_sort(drawOrder.begin(), drawOrder.end(), [this](uint32_t a, uint32_t b) {
    return items[a].priority < items[b].priority;
  });
}

void TDbPointLayer::Draw(HDC dc) {
  if (!dc || drawOrder.empty() || !toScreen) return;
  LOGFONTW lf = {};
  lf.lfHeight = 13;
  lf.lfWeight = 400;
  std::char_traits<wchar_t>::copy(lf.lfFaceName, L"Arial", 6);
  TDcState state(dc, CreatePen(PS_SOLID, 1, RGB(255, 0, 0)), CreateSolidBrush(RGB(255, 255, 0)),
                 CreateFontIndirectW(&lf));
  const int64_t area = occupancy.Area();
  size_t k = 0;
  while (k < drawOrder.size()) {
    const uint8_t p = items[drawOrder[k]].priority;
    const int32_t r = Radius(p);
    bool levelFull = false;
    for (; k < drawOrder.size() && items[drawOrder[k]].priority == p; k++) {
      if (levelFull) continue;  // skip the rest of this priority
      TDbPointItem& it = items[drawOrder[k]];
      int32_t x = 0, y = 0;
      if (!toScreen(it.x, it.y, &x, &y)) continue;
      SIZE size = {0, 0};
      const int len = int(it.name.size());
      GetTextExtentExPointW(dc, it.name.c_str(), len, 0, nullptr, nullptr, &size);
      RECT label;
      label.left = view::ClampI32(int64_t(x) + r - 2);
      label.top = view::ClampI32(int64_t(y) + r);
      label.right = view::ClampI32(int64_t(label.left) + size.cx + 3);
      label.bottom = view::ClampI32(int64_t(label.top) + size.cy + 1);
      if (occupancy.Place(x, y, r + 2, label, &it.label)) {
        Ellipse(dc, x - r, y - r, x + r, y + r);
        Rectangle(dc, it.label.left, it.label.top, it.label.right, it.label.bottom);
        ExtTextOutW(dc, it.label.left + 2, it.label.top, 0, nullptr, it.name.c_str(), UINT(len),
                    nullptr);
      }
      if (__int128(area) < 2 * __int128(occupancy.OccupiedArea())) levelFull = true;
    }
    if (__int128(area) < 5 * __int128(occupancy.OccupiedArea())) break;
  }
}
