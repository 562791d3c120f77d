#include "gps/sky_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "base/program_host.h"
#include "geodesy/gauss_kruger.h"
#include "gps/almanac.h"
#include "gps/almanac_bar.h"
#include "gps/gps_port.h"
#include "platform/fresh_state.h"
#include "view/map_view.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kGrowBy = 5;          // records
constexpr int kCircleRadius = 10;   // pixels, one satellite
constexpr uint8_t kNoPrn = 0xFF;    // a slot that never held a record

int g_baseCount = 0;
const vplat::FreshStateHook kFresh(5, [] { g_baseCount = 0; });

COLORREF StateColour(int state) {
  switch (state) {
    case 1: return RGB(255, 100, 100);
    case 2: return RGB(100, 255, 100);
    default: return RGB(220, 220, 220);
  }
}

// A circle of `radius` pixels round (cx, cy): the pixels at that distance are its outline.
void Circle(HDC dc, int cx, int cy, int radius) {
  radius = std::abs(radius);
  Ellipse(dc, cx - radius, cy - radius, cx + radius + 1, cy + radius + 1);
}

}  // namespace

TSkyPlot::TSkyPlot() = default;

TSkyPlot::~TSkyPlot() {
  if (memory_) {
    SelectObject(memory_, oldBitmap_);
    DeleteDC(memory_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

void TSkyPlot::Add(const TSkySatellite& satellite) {
  if (size_t(count_) == records_.size()) {
    TSkySatellite fresh;
    fresh.prn = kNoPrn;
    records_.resize(records_.size() + kGrowBy, fresh);
  }
  TSkySatellite& slot = records_[size_t(count_++)];
  if (slot.prn != satellite.prn || slot.elevation != satellite.elevation ||
      slot.azimuth != satellite.azimuth) {
    slot = satellite;
    MarkDirty();
  } else if (slot.state != satellite.state) {
    // Its colour is its state: a satellite that becomes common with the base must turn green.
    slot.state = satellite.state;
    MarkDirty();
  }
}

TSkySatellite* TSkyPlot::Find(int prn) {
  for (int i = 0; i < count_; ++i)
    if (records_[size_t(i)].prn == prn) return &records_[size_t(i)];
  return nullptr;
}

void TSkyPlot::SetOption(int value) {
  baseOption = value;
  MarkDirty();
}

void TSkyPlot::SetBase(double x, double y, double height, double elevationMask) {
  baseX = x;
  baseY = y;
  baseHeight = height;
  if (elevationMask != mask) MarkDirty();
  mask = elevationMask;
}

void TSkyPlot::SetEnabled(int on) { enabled = on ? 1 : 0; }

void TSkyPlot::Draw(HDC dc, const RECT& rect) {
  if (!enabled) return;
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  if (!memory_) {
    memory_ = CreateCompatibleDC(dc);
    if (!memory_) return;
    bitmap_ = CreateCompatibleBitmap(dc, width, height);
    if (!bitmap_) {
      DeleteDC(memory_);
      memory_ = nullptr;
      return;
    }
    oldBitmap_ = SelectObject(memory_, bitmap_);
  }
  // The picture is the screen's size: a rectangle reaching past it is drawn and copied only
  // where it lies on the screen.
  RECT r{std::max<LONG>(rect.left, 0), std::max<LONG>(rect.top, 0),
         std::min<LONG>(rect.right, width), std::min<LONG>(rect.bottom, height)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  if (r.left != drawn.left || r.top != drawn.top || r.right != drawn.right ||
      r.bottom != drawn.bottom)
    dirty = 1;
  if (!dirty) return;
  dirty = 0;
  drawn = r;
  Render(r);
}

void TSkyPlot::Render(const RECT& r) {
  HDC dc = memory_;
  HBRUSH clear = CreateSolidBrush(kTransparent);
  FillRect(dc, &r, clear);
  DeleteObject(clear);

  const int w = r.right - r.left, h = r.bottom - r.top;
  const int r0 = std::min(w, h) / 2 - 8;
  if (r0 <= 0) return;  // too small for a plot: only the transparent fill
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;

  HPEN axisPen = CreatePen(PS_SOLID, 1, RGB(150, 150, 105));
  HGDIOBJ oldPen = SelectObject(dc, axisPen);
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  MoveToEx(dc, r.left, cy, nullptr);
  LineTo(dc, r.right, cy);
  MoveToEx(dc, cx, r.top, nullptr);
  LineTo(dc, cx, r.bottom);
  for (int elevation = 0; elevation <= 80; elevation += 20)
    Circle(dc, cx, cy, r0 * (90 - elevation) / 90);

  HPEN maskPen = nullptr;
  if (baseOption && mask != 0) {
    maskPen = CreatePen(PS_DASH, 1, RGB(255, 100, 100));
    SelectObject(dc, maskPen);
    Circle(dc, cx, cy, int(r0 * float(90.0 - mask) / 90.0));
  }

  LOGFONTW face{};
  face.lfHeight = 14;
  face.lfWeight = FW_NORMAL;
  wcscpy(face.lfFaceName, L"Arial");
  HFONT font = CreateFontIndirectW(&face);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  SelectObject(dc, GetStockObject(BLACK_PEN));
  HBRUSH fills[3] = {CreateSolidBrush(StateColour(0)), CreateSolidBrush(StateColour(1)),
                     CreateSolidBrush(StateColour(2))};
  for (int i = 0; i < count_; ++i) {
    const TSkySatellite& s = records_[size_t(i)];
    const double radius = r0 * (90.0 - s.elevation) / 90.0;
    const double angle = s.azimuth * kPi / 180.0 - kPi / 2;
    const int x = cx + int(radius * std::cos(angle));
    const int y = cy + int(radius * std::sin(angle));
    SelectObject(dc, fills[std::min<int>(s.state, 2)]);
    Circle(dc, x, y, kCircleRadius);
    wchar_t text[8];
    swprintf(text, 8, L"%i", int(s.prn));
    RECT box{x - kCircleRadius, y - kCircleRadius, x + kCircleRadius + 1, y + kCircleRadius + 1};
    DrawTextW(dc, text, -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  for (HBRUSH b : fills) DeleteObject(b);
  DeleteObject(font);
  if (maskPen) DeleteObject(maskPen);
  DeleteObject(axisPen);
}

void TSkyPlot::Blit(HDC dc) {
  if (!enabled || !bitmap_) return;
  TransparentImage(dc, drawn.left, drawn.top, drawn.right - drawn.left, drawn.bottom - drawn.top,
                   memory_, drawn.left, drawn.top, drawn.right - drawn.left,
                   drawn.bottom - drawn.top, kTransparent);
}

int GetSkyPlotBaseCount() { return g_baseCount; }

void UpdateSkyPlot(TGpsPort* port, TAlmanac* almanac) {
  TSkyPlot& plot = g_SkyPlot;
  GpsFix fix{};
  if (port) port->GetFix(&fix);
  const bool open = port && port->IsOpen();
  // Noted with the plot off too: it may be switched on after the fix is lost.
  if (open && fix.status == 'A' && std::isfinite(fix.latitude) && std::isfinite(fix.longitude)) {
    plot.haveLastFix = true;
    plot.lastFixLatitude = fix.latitude;
    plot.lastFixLongitude = fix.longitude;
  }
  if (!plot.enabled && !plot.baseOption) return;
  const int before = plot.Count();
  plot.TakeChanged();
  // A closed port's fix is the last the receiver sent: its satellites are not in view of
  // anybody now, so the plot drops them (and shows the almanac's alone, or nothing).
  const bool complete = open && fix.satellitesComplete != 0;
  const bool loaded = almanac && almanac->IsLoaded();
  if (complete || loaded || !open) plot.Clear();
  g_baseCount = 0;

  // Which used satellites the base point sees above its mask. Worked out before the records are
  // added, so that a satellite keeps state 2 from one update to the next instead of passing
  // through state 1 (which would redraw the plot on every tick).
  bool seenFromBase[kSatelliteSlots] = {};
  if (loaded && plot.baseOption && complete) {
    double lat = 0, lon = 0;
    // A base point no zone holds (0, 0 or a damaged setting) gives no state 2.
    if (GkToGeo(plot.baseX, plot.baseY, lat, lon, -1)) {
      almanac->SetObserver(fix.utc, lat * 180 / kPi, lon * 180 / kPi, plot.baseHeight);
      for (int prn = 0; prn < kSatelliteSlots; ++prn) {
        const SatelliteSlot& slot = fix.satellites[prn];
        if (!slot.inView || slot.snr == 0) continue;
        uint8_t elevation = 0;
        int16_t azimuth = 0;
        if (almanac->GetSatellite(prn, &elevation, &azimuth) && elevation >= plot.mask) {
          seenFromBase[prn] = true;
          ++g_baseCount;
        }
      }
    }
  }

  if (complete) {
    for (int prn = 0; prn < kSatelliteSlots; ++prn) {
      const SatelliteSlot& slot = fix.satellites[prn];
      if (!slot.inView) continue;
      TSkySatellite s;
      s.prn = uint8_t(prn);
      s.state = uint8_t(seenFromBase[prn] ? 2 : slot.snr != 0 ? 1 : 0);
      s.elevation = slot.elevation;
      s.azimuth = slot.azimuth;
      s.snr = slot.snr;
      plot.Add(s);
    }
  }

  if (loaded) {
    SYSTEMTIME time{};
    double latitude = 0, longitude = 0, height = 0;  // degrees, metres
    if (open && fix.status == 'A') {
      time = fix.utc;
      latitude = fix.latitude * 180 / kPi;
      longitude = fix.longitude * 180 / kPi;
      height = fix.altitude;
    } else if (open) {
      // No valid fix (none yet, or lost): the bar's place is only set while the bar is shown,
      // and is 0 N 0 E in a run that opened the port first, so it is never taken here.
      GetSystemTime(&time);
      double lat = 0, lon = 0, x = 0, y = 0;
      if (plot.haveLastFix) {
        lat = plot.lastFixLatitude;
        lon = plot.lastFixLongitude;
      } else {
        g_MapView.GetCenter(&x, &y, 0);
        if (!g_MapView.PlaneToGeo(x, y, &lat, &lon)) {
          lat = g_AlmanacBar.latitude;
          lon = g_AlmanacBar.longitude;
        }
      }
      latitude = lat * 180 / kPi;
      longitude = lon * 180 / kPi;
    } else {
      time = g_AlmanacBar.time;
      latitude = g_AlmanacBar.latitude * 180 / kPi;
      longitude = g_AlmanacBar.longitude * 180 / kPi;
    }
    // An invalid date (a fix without one) predicts nothing: every satellite is refused.
    almanac->SetObserver(time, latitude, longitude, height);
    for (int prn = 0; prn < kSatelliteSlots; ++prn) {
      if (complete && fix.satellites[prn].inView) continue;
      TSkySatellite s;
      int16_t azimuth = 0;
      if (!almanac->GetSatellite(prn, &s.elevation, &azimuth)) continue;
      s.prn = uint8_t(prn);
      s.azimuth = uint16_t(azimuth);
      plot.Add(s);
    }
  }

  if (plot.Count() != before || plot.TakeChanged()) ProgramHost().InvalidateMainView(0);
}
